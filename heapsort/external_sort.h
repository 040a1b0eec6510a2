// Sorting every number of a stream, however many, in a bounded memory; or
// arranging them as one max-heap when they fit in it.
//
// The sort works in two steps, each with a heap:
// - Replacement selection. A min-heap of as many numbers as the memory
//   holds takes the numbers as they are read; each new number pushes the
//   smallest out to the current run. A number smaller than the last one
//   written cannot join that run: it waits, outside the heap, in the place
//   the heap gives up, for the next run. On random input the runs come out
//   about twice as long as the heap; sorted input makes one run, reversed
//   input runs of exactly the heap's size.
// - Merging. The runs, written in binary one after another to one file
//   beside the result, are merged by a min-heap of runs, as many at once as
//   the memory allows; where there are more, passes merge groups of them
//   into a second file until one pass can write the result.
// Numbers that all fit in the heap never reach a file: the heap is sorted
// in place and written. What is left in the heap at the end, as what fits
// in it, is sorted in pieces the cache holds, each a heap sorted in place,
// and merged by a heap of the pieces: a heap sort of the whole heap would
// miss the cache at nearly every level.
//
// The run files are unfinished files of the program: removed whatever
// ends the run, and, after a run killed outright, by the next one that
// writes in their folder.
#ifndef HEAPSORT_EXTERNAL_SORT_H
#define HEAPSORT_EXTERNAL_SORT_H

#include <cstddef>
#include <ctime>
#include <istream>
#include <ostream>
#include <string>

// The least memory a whole sort takes, and what it takes unless told.
constexpr std::size_t LEAST_MEMORY = std::size_t{64} << 10;
constexpr std::size_t DEFAULT_MEMORY = std::size_t{256} << 20;

// What a whole sort or build is asked to do.
struct WholeJob {
  std::istream* in = nullptr;
  std::string inputName;  // the input as messages name it
  std::size_t memoryBytes = DEFAULT_MEMORY;
  bool build = false;  // a max-heap of every number, not a sort
  // Where the result goes: the result file `resultPath`, or `stream`
  // (standard output), or nowhere (the counts of a --cost run).
  enum class Target { file, stream, none } target = Target::file;
  std::string resultPath;
  std::ostream* stream = nullptr;
  std::string runFolder;  // where the run files go
  std::clock_t (*readClock)() = nullptr;
};

// What a whole sort did, and the clock read at the start and the end of
// each phase: reading (the input read and the runs formed from it), sorting
// (the heap sorted in place, or the last runs written and the merge passes
// before the last), writing (the result written, by the last merge pass).
struct WholeOutcome {
  enum class Reading { whole, stoppedEarly, failed } reading = Reading::whole;
  bool written = false;  // the result was written whole (or was not asked)
  long long numbers = 0;
  std::size_t heapCapacity = 0;
  long long runs = 0;
  int mergePasses = 0;
  long long comparisons = 0;
  std::clock_t clocks[6] = {};
};

// Reads every number of job.in, sorts or builds them and writes the result
// where the job says, one number a line. Trouble is told as the fixed
// array's reading and writing tell it, "Unable to open file" on `console`.
// A read that fails, or a build of more numbers than the memory holds,
// writes nothing; an item that is not an int ends the reading, and what was
// read is still sorted and written.
// REQUIRES: job.memoryBytes >= LEAST_MEMORY; job.in and job.readClock set.
WholeOutcome sortWhole(const WholeJob& job, std::ostream& console, std::ostream& errors);

#endif  // HEAPSORT_EXTERNAL_SORT_H
