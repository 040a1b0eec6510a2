// Text as it may be shown on a terminal. What a terminal takes for a command
// rather than a character is shown as \xHH, one escape a byte, HH its value
// in hexadecimal: control bytes (each program escapes those where it writes
// them), and, in what reaches a terminal, the C1 controls (U+0080 to
// U+009F), the controls of bidirectional text (U+202A to U+202E, U+2066 to
// U+2069), which can make a line show in another order than it stands, and
// bytes that are not UTF-8.
#ifndef COMMON_TERMINAL_TEXT_H
#define COMMON_TERMINAL_TEXT_H

#include <cstdio>
#include <streambuf>
#include <string>

// Appends `byte` as \xHH: two hexadecimal digits, in lower case, or in upper
// case when `upperCase`. Every escape either program shows is written here.
void appendHexEscape(std::string& out, unsigned char byte, bool upperCase = false);

// Whether the code point `c` is a C1 control or a control of bidirectional
// text, which a terminal acts on instead of showing.
bool foolsTerminal(char32_t c);

// A stream buffer that writes to the C stream `file` what it is given, with
// every C1 control, every control of bidirectional text and every byte that
// is not UTF-8 escaped as \xHH; the rest, ASCII control bytes included,
// passes as it is. A character cut between two writes is joined again; one
// left unfinished is escaped when the buffer is synced at the end.
// The first write or flush that fails keeps errno in `cause`.
class TerminalSafeOutput : public std::streambuf {
 public:
  // REQUIRES: `file` outlives the buffer. `upperCase` as appendHexEscape.
  explicit TerminalSafeOutput(std::FILE* file, bool upperCase = false)
      : file_(file), upperCase_(upperCase) {}
  // Escapes and writes a character still unfinished, and flushes.
  int finish();

  int cause = 0;  // errno of the first failure; 0 while none failed

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool write(const char* s, std::size_t n);
  bool failed();

  std::FILE* file_;
  bool upperCase_;
  std::string pending_;  // the start of a character cut by the end of a write
  std::string shown_;    // what one write becomes, its room kept
};

#endif  // COMMON_TERMINAL_TEXT_H
