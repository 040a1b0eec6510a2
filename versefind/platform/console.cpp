// The key wait on each platform: a console key read without echo on
// Windows, the terminal switched to raw mode on POSIX systems, and one byte
// of the stream everywhere else. Then the questions about the terminal:
// whether a stream is one, its width, its colours. Last, the characters:
// which ones make words, and their lower case.
#include "platform/console.h"

#include <cassert>
#include <cerrno>
#include <iostream>
#include <utility>

namespace {

const char* const HINT = "  (press any key)";

// Whether `c` is a code point that UTF-8 may carry: not a surrogate, not
// beyond U+10FFFF.
bool isScalar(unsigned long c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

#ifdef _WIN32

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

bool inputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool outputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

bool errorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int outputWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// Consoles before Windows 10 do not know the sequences: no colour there.
bool outputShowsColor() {
  const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode) == 0) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

// Reads one key press from the console. A key without a character of its
// own (an arrow, a function key) comes as two codes, the first 0 or 0xE0.
void readKey() {
  // Keys typed ahead are dropped, so the wait asks for a new key press.
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  const int first = _getch();
  if (first == 0 || first == 0xE0) static_cast<void>(_getch());
}

// The classification takes one UTF-16 unit, so a code point above U+FFFF,
// which takes two, is not classified: it separates words.
bool systemIsWordCharacter(char32_t c) {
  if (c > 0xFFFF) return false;
  const auto unit = static_cast<wchar_t>(c);
  WORD kind = 0;
  if (GetStringTypeW(CT_CTYPE1, &unit, 1, &kind) == 0) return false;
  if ((kind & (C1_ALPHA | C1_DIGIT)) != 0) return true;
  // Combining marks: the non-spacing ones (categories Mn, Me) and the vowel
  // signs, which are most of the spacing ones (Mc).
  WORD mark = 0;
  if (GetStringTypeW(CT_CTYPE3, &unit, 1, &mark) == 0) return false;
  return (mark & (C3_NONSPACING | C3_VOWELMARK)) != 0;
}

// The invariant locale's lower case, so that the user's language (a
// Turkish dotted I) changes nothing. A code point above U+FFFF is mapped as
// its surrogate pair.
char32_t systemLowerCase(char32_t c) {
  wchar_t units[2];
  int count = 1;
  if (c > 0xFFFF) {
    units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<wchar_t>(c);
  }
  wchar_t lower[2] = {0, 0};
  const int got = LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, units, count, lower, 2);
  const auto first = static_cast<char32_t>(static_cast<unsigned short>(lower[0]));
  const auto second = static_cast<char32_t>(static_cast<unsigned short>(lower[1]));
  if (got == 1 && count == 1 && isScalar(first)) return first;
  if (got == 2 && count == 2 && first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 &&
      second <= 0xDFFF) {
    return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
  }
  return c;
}

const char* systemCharacterLimit() { return nullptr; }

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* const names[2] = {&first, &second};
  for (int k = 0; k < 2; ++k) {
    // No access asked: the file is not opened for reading, and a file that
    // another program holds open still answers.
    const HANDLE file = CreateFileA(names[k]->c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL known = GetFileInformationByHandle(file, &info[k]);
    CloseHandle(file);
    if (known == 0) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::vector<std::string> programArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> arguments;
  for (int k = 1; k < count; ++k) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[k], -1, nullptr, 0, nullptr, nullptr);
    std::string argument(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[k], -1, &argument[0], bytes, nullptr, nullptr);
    argument.pop_back();  // the terminating NUL
    arguments.push_back(std::move(argument));
  }
  LocalFree(wide);
  return arguments;
}

#else

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <wctype.h>

#include <cstdio>
#include <cstring>

namespace {

bool inputIsTerminal() {
  termios now{};
  return tcgetattr(STDIN_FILENO, &now) == 0;
}

bool outputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

bool errorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

int outputWidth() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

bool outputShowsColor() { return true; }

// Reads one byte from the terminal; returns false when none came.
bool readByte(unsigned char& byte) {
  ssize_t got = 0;
  do {
    got = read(STDIN_FILENO, &byte, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1;
}

// Reads one key from the terminal in raw mode, then restores its settings.
void readKey() {
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  // No line editing, no echo, and Ctrl-C is a key like any other, so the
  // settings are always restored.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSAFLUSH drops keys typed ahead, so the wait asks for a new key press.
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) return;
  unsigned char first = 0;
  if (readByte(first) && (first == 0x1B || first >= 0xC0)) {
    // An arrow or a function key sends an escape sequence, and a letter
    // outside ASCII several bytes: whatever follows within a tenth of a
    // second belongs to the same key, and is not left for the shell.
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
      unsigned char rest = 0;
      while (readByte(rest)) {
      }
    }
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

// The UTF-8 locale the characters are classified by: a locale object of its
// own, made once for the whole run and used only through the *_l calls, so
// that the program's locale (the C locale, which everything else reads
// numbers and bytes by) never changes.
struct CharacterLocale {
  locale_t locale = nullptr;  // null when the system has no UTF-8 locale
  // glibc's class "combining" (categories Mn, Mc, Me), which its letters
  // leave out (a combining acute accent is no letter there); 0 on systems
  // without that class, where a mark counts only if it is alphabetic.
  wctype_t marks = 0;
};

// C.UTF-8 where the system has it; the other names are tried for systems
// without it ("UTF-8" on macOS), and last the user's own LC_CTYPE, if it
// is UTF-8. Only the character classes are taken from it.
locale_t findUtf8Locale() {
  for (const char* name : {"C.UTF-8", "C.utf8", "UTF-8", "en_US.UTF-8", ""}) {
    const locale_t tried = newlocale(LC_CTYPE_MASK, name, nullptr);
    if (tried == nullptr) continue;
    const char* codeset = nl_langinfo_l(CODESET, tried);
    if (codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0) return tried;
    freelocale(tried);
  }
  return nullptr;
}

const CharacterLocale& characterLocale() {
  static const CharacterLocale found = [] {
    CharacterLocale made;
    made.locale = findUtf8Locale();
    if (made.locale != nullptr) made.marks = wctype_l("combining", made.locale);
    return made;
  }();
  return found;
}

// glibc counts the digits of other scripts as letters, since C keeps its
// digit class to 0-9: alnum takes both.
bool systemIsWordCharacter(char32_t c) {
  const CharacterLocale& chars = characterLocale();
  if (chars.locale == nullptr) return true;
  const auto wide = static_cast<wint_t>(c);
  return iswalnum_l(wide, chars.locale) != 0 ||
         (chars.marks != 0 && iswctype_l(wide, chars.marks, chars.locale) != 0);
}

char32_t systemLowerCase(char32_t c) {
  const CharacterLocale& chars = characterLocale();
  if (chars.locale == nullptr) return c;
  const wint_t lower = towlower_l(static_cast<wint_t>(c), chars.locale);
  return isScalar(lower) ? static_cast<char32_t>(lower) : c;
}

const char* systemCharacterLimit() {
  return characterLocale().locale != nullptr
             ? nullptr
             : "no UTF-8 locale (C.UTF-8) on this system: every character outside ASCII "
               "counts as a letter and keeps its case";
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
  struct stat one {};
  struct stat other {};
  return stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0 &&
         one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

std::vector<std::string> programArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// A terminal window outlives the programs run in it.
#endif

void waitForKey(std::istream& in, std::ostream& hint) {
  if (&in == &std::cin && inputIsTerminal()) {
    hint << HINT << std::flush;
    readKey();
    hint << std::endl;
    return;
  }
  in.get();
}

bool isTerminal(const std::istream& in) { return &in == &std::cin && inputIsTerminal(); }

bool isTerminal(const std::ostream& out) { return &out == &std::cout && outputIsTerminal(); }

bool errorsAreTerminal() { return errorIsTerminal(); }

int terminalWidth(const std::ostream& out) { return isTerminal(out) ? outputWidth() : 0; }

bool enableColor(const std::ostream& out) { return isTerminal(out) && outputShowsColor(); }

bool isWordCharacterOutsideAscii(char32_t c) {
  assert(isScalar(c));
  return systemIsWordCharacter(c);
}

char32_t lowerCaseOutsideAscii(char32_t c) {
  assert(isScalar(c));
  return systemLowerCase(c);
}

const char* characterLimit() { return systemCharacterLimit(); }
