// Everything heapsort reads from or writes to disk: the input number file,
// the result file and the time log. Paths are relative to the working
// directory. A file that cannot be opened is answered on `console` with the
// line "Unable to open file"; the operation then returns false and the run
// goes on.
#ifndef HEAPSORT_NUMBER_FILES_H
#define HEAPSORT_NUMBER_FILES_H

#include <ostream>
#include <string>

// Chooses the result file's suffix: "_b.txt" when set, "_s.txt" otherwise.
extern bool buildMode;

// Reads whitespace-separated integers from "input/" + fileName into
// a[1 ..] and sets numberCount. Reading ends at the end of the file, at the
// first item that is not an int, or after NUMBER_CAPACITY numbers (a line on
// `console` then says so); nothing is stored beyond the array. Returns true
// when the file opened and everything in it was read.
bool readNumbers(std::string fileName, int a[], std::ostream& console);

// The result file: "output/" + the first 9 characters of fileName + the
// suffix chosen by buildMode.
std::string resultPath(const std::string& fileName);

// Creates "./output" if it can, then writes a[1 .. numberCount] to the result
// file, one number per line, flushing each line. Returns true when the file
// was written.
bool writeResult(std::string fileName, const int a[], std::ostream& console);

// Appends "command TAB readTime TAB sortTime TAB writeTime" and a line break
// to "output/time.txt". Returns true when the line was written.
bool logTimes(std::string command, int readTime, int sortTime, int writeTime,
              std::ostream& console);

#endif  // HEAPSORT_NUMBER_FILES_H
