#include "terminal_text.h"

#include <cerrno>
#include <string_view>

#include "utf8.h"

void appendHexEscape(std::string& out, unsigned char byte, bool upperCase) {
  const char* const digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  out += "\\x";
  out += digits[byte >> 4];
  out += digits[byte & 0xF];
}

bool foolsTerminal(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool TerminalSafeOutput::failed() {
  if (cause == 0) cause = errno;
  return false;  // for the write that failed
}

bool TerminalSafeOutput::write(const char* s, std::size_t n) {
  pending_.append(s, n);
  const std::string_view text(pending_);
  shown_.clear();
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      // ASCII runs on to the next byte that is not.
      std::size_t end = at + 1;
      while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
      shown_.append(text.substr(at, end - at));
      at = end;
      continue;
    }
    if (startsUtf8(text, at)) break;  // the rest comes with the next write
    std::size_t length = 0;
    const char32_t c = decodeUtf8(text, at, length);
    if (c == NOT_A_CHARACTER || foolsTerminal(c)) {
      for (std::size_t i = at; i < at + length; ++i) {
        appendHexEscape(shown_, static_cast<unsigned char>(text[i]), upperCase_);
      }
    } else {
      shown_.append(text.substr(at, length));
    }
    at += length;
  }
  pending_.erase(0, at);
  if (std::fwrite(shown_.data(), 1, shown_.size(), file_) < shown_.size()) return failed();
  return true;
}

TerminalSafeOutput::int_type TerminalSafeOutput::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return write(&byte, 1) ? c : traits_type::eof();
}

std::streamsize TerminalSafeOutput::xsputn(const char* s, std::streamsize n) {
  return write(s, static_cast<std::size_t>(n)) ? n : 0;
}

int TerminalSafeOutput::sync() {
  if (std::fflush(file_) == 0) return 0;
  failed();
  return -1;
}

int TerminalSafeOutput::finish() {
  std::string left;
  for (const char byte : pending_) appendHexEscape(left, static_cast<unsigned char>(byte), upperCase_);
  pending_.clear();
  if (!left.empty() && std::fwrite(left.data(), 1, left.size(), file_) < left.size()) failed();
  return sync();
}
