// The small platform layer versefind needs: waiting for one key press, what
// the terminal behind the standard streams can do, keeping a console window
// of its own open after a failure, what the system knows of Unicode
// characters (which ones make words, and their lower case), and the file
// operation that differs: a file's identity.
#ifndef VERSEFIND_CONSOLE_H
#define VERSEFIND_CONSOLE_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Waits for one key press. When `in` is std::cin on a terminal (a console
// window on Windows), it shows the hint "(press any key)" on `hint`,
// discards keys typed before, waits for a new key press without echo, takes
// the whole key (an arrow or a function key sends several bytes), then ends
// the hint's line and leaves the terminal as it found it. Otherwise it reads one byte of `in`, writes
// nothing, and returns at once at end of input, so a piped run never hangs.
void waitForKey(std::istream& in, std::ostream& hint);

// The program's arguments, without its name, in UTF-8: on Windows read from
// the wide command line, so that a word outside the console's code page
// (café, Cyrillic) arrives whole; elsewhere argv as the system gives it.
std::vector<std::string> programArguments(int argc, char** argv);

// Whether `in` is std::cin and standard input is a terminal.
bool isTerminal(const std::istream& in);

// Whether `out` is std::cout and standard output is a terminal.
bool isTerminal(const std::ostream& out);

// Whether standard error is a terminal.
bool errorsAreTerminal();

// The width in columns of the terminal that `out` writes to, or 0 when
// `out` is not a terminal or its width is not known.
int terminalWidth(const std::ostream& out);

// Readies the terminal that `out` writes to for the colour sequences of
// ECMA-48 (on Windows by turning on the console's processing of them), and
// returns whether it shows them; false when `out` is no terminal.
bool enableColor(const std::ostream& out);

// Whether the two names name one file (the same file, whatever the name:
// a symbolic link, a hard link, another path), by the file's identity: its
// device and file number, or on Windows its volume and file index. False
// when either cannot be found. Opens neither for reading.
bool sameFile(const std::string& first, const std::string& second);

// Characters, as the system classifies and maps them: the C library's
// wide-character functions under a UTF-8 locale object on POSIX systems
// (the program's own locale is never changed), the Windows API on Windows.
// ASCII is answered directly, the same everywhere.

// Whether the code point `c` is a letter, a combining mark or a digit
// (Unicode general categories L, M, N) as far as the system tells them
// apart. What the system cannot say counts as no word character: on
// Windows every code point above U+FFFF (its classification takes one
// UTF-16 unit); with glibc, other numbers such as "½" (category No).
// REQUIRES: c is a Unicode scalar value (at most U+10FFFF, no surrogate).
inline bool isWordCharacter(char32_t c);

// The simple lowercase mapping of `c` (one code point to one), or `c` itself
// when the system maps it to nothing else.
// REQUIRES: c is a Unicode scalar value.
inline char32_t lowerCaseCharacter(char32_t c);

// The same two outside ASCII, where the system is asked.
bool isWordCharacterOutsideAscii(char32_t c);
char32_t lowerCaseOutsideAscii(char32_t c);

// Null when the system classifies characters outside ASCII; otherwise why
// it cannot, for one line on standard error: with no UTF-8 locale at all,
// every code point outside ASCII counts as a letter and keeps its case.
const char* characterLimit();

// ASCII is answered here, without a call: most text is ASCII, and every
// character of it is looked at.
inline bool isWordCharacter(char32_t c) {
  if (c >= 0x80) return isWordCharacterOutsideAscii(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

inline char32_t lowerCaseCharacter(char32_t c) {
  if (c >= 0x80) return lowerCaseOutsideAscii(c);
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

#endif  // VERSEFIND_CONSOLE_H
