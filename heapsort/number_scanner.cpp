#include "number_scanner.h"

#include <cassert>
#include <charconv>
#include <cstring>
#include <system_error>

namespace {

// An item is kept up to one character past what a message shows, so that
// the message can tell it was cut.
constexpr std::size_t KEPT_MOST = 41;
// Bytes of lookahead that take any int with its sign and a few leading
// zeros: an item that fits in them is converted straight from the block.
constexpr std::size_t LOOKAHEAD = 64;

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

NumberScanner::NumberScanner(std::istream& in, std::size_t bufferBytes)
    : in_(in), buffer_(bufferBytes) {
  assert(bufferBytes >= 4 * LOOKAHEAD);
}

bool NumberScanner::refill() {
  if (atEnd_) return false;
  const std::size_t left = len_ - pos_;
  if (left > 0 && pos_ > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, left);
  pos_ = 0;
  len_ = left;
  in_.read(buffer_.data() + len_, static_cast<std::streamsize>(buffer_.size() - len_));
  const auto got = static_cast<std::size_t>(in_.gcount());
  len_ += got;
  if (in_.bad()) {
    // The block may be cut anywhere: nothing read from it can be trusted.
    atEnd_ = true;
    end_ = End::failed;
    return false;
  }
  if (got == 0 || in_.eof()) atEnd_ = true;
  return got > 0;
}

int NumberScanner::peek() {
  if (pos_ == len_ && !refill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_]);
}

bool NumberScanner::readItemSlowly(int& value) {
  constexpr long long INT_MAGNITUDE = 2147483648LL;  // of the smallest int
  item_.clear();
  const auto keep = [this](int c) {
    if (item_.size() < KEPT_MOST) item_ += static_cast<char>(c);
  };
  int c = peek();
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    keep(c);
    advance();
    c = peek();
  }
  bool digits = false;
  long long magnitude = 0;  // stops growing once past any int
  for (; isDigit(c); advance(), c = peek()) {
    digits = true;
    keep(c);
    if (magnitude <= INT_MAGNITUDE) magnitude = magnitude * 10 + (c - '0');
  }
  const bool inRange = magnitude <= (negative ? INT_MAGNITUDE : INT_MAGNITUDE - 1);
  if (digits && inRange) {
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
  }
  for (; c >= 0 && !isBlank(static_cast<char>(c)) && item_.size() < KEPT_MOST; advance(), c = peek()) {
    keep(c);
  }
  outsideIntRange_ = digits;
  return false;
}

std::size_t NumberScanner::read(int* out, std::size_t most) {
  std::size_t stored = 0;
  while (stored < most && end_ == End::none) {
    // White space, across as many blocks as it takes.
    while (pos_ < len_ && isBlank(buffer_[pos_])) ++pos_;
    if (pos_ == len_) {
      if (!refill() && end_ == End::none) end_ = End::whole;
      continue;
    }
    if (len_ - pos_ < LOOKAHEAD && !atEnd_) {
      refill();
      if (end_ == End::failed) break;
    }
    const char* const first = buffer_.data() + pos_;
    const char* const last = buffer_.data() + len_;
    // std::from_chars takes a minus but no plus; "+-2" is no int.
    const char* digits = *first == '+' ? first + 1 : first;
    int value = 0;
    const bool plusThenDigit = *first != '+' || (digits < last && isDigit(*digits));
    const auto [stop, error] = std::from_chars(digits, last, value);
    // A conversion that reached the end of an unfinished block, or that
    // failed, is read again byte by byte: the item may go on in the next
    // block, and a failure needs the item's text.
    if (plusThenDigit && error == std::errc() && (stop < last || atEnd_)) {
      pos_ = static_cast<std::size_t>(stop - buffer_.data());
    } else if (!readItemSlowly(value)) {
      end_ = end_ == End::failed ? End::failed : End::stopped;
      break;
    }
    if (end_ == End::failed) break;
    out[stored++] = value;
    ++count_;
  }
  return stored;
}
