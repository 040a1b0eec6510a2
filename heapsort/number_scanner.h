// Reading the numbers of a stream of any length through one large buffer,
// by the rules readNumbersFrom follows: whitespace-separated items, each an
// optional sign and decimal digits; what follows the digits is the next
// item (in "4.5" the 4 is read, then ".5" ends the reading). Reading stops
// at the end of the stream, at the first item that is not an int, or at a
// read that fails.
//
// The stream is read in large blocks and each number is converted from the
// block in place: no character passes through the stream one at a time.
#ifndef HEAPSORT_NUMBER_SCANNER_H
#define HEAPSORT_NUMBER_SCANNER_H

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

class NumberScanner {
 public:
  enum class End {
    none,     // not yet at the end
    whole,    // the stream ended after an int, or after white space
    stopped,  // an item that is not an int ended the reading: see item()
    failed,   // a read failed; errno tells why
  };

  // REQUIRES: bufferBytes >= 256.
  NumberScanner(std::istream& in, std::size_t bufferBytes);

  // Stores the next numbers at out[0 ..], at most `most`, and returns how
  // many. Fewer than `most` only once the reading has ended (end() says
  // how); then every later call returns 0.
  std::size_t read(int* out, std::size_t most);

  End end() const { return end_; }
  // The numbers read so far.
  long long count() const { return count_; }
  // Once stopped: the item's first characters, and whether it was digits
  // outside the int range rather than no int at all.
  const std::string& item() const { return item_; }
  bool outsideIntRange() const { return outsideIntRange_; }

 private:
  // Moves what is left of the block to its start and reads more after it.
  // Returns false when nothing more came (end() may then be failed).
  bool refill();
  // Reads one item byte by byte, across refills, as the fixed array's
  // reader does; true with `value` set when it is an int.
  bool readItemSlowly(int& value);
  int peek();
  void advance() { ++pos_; }

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool atEnd_ = false;  // the stream has nothing more to give
  End end_ = End::none;
  long long count_ = 0;
  std::string item_;
  bool outsideIntRange_ = false;
};

#endif  // HEAPSORT_NUMBER_SCANNER_H
