// The console layer on a real terminal (the key wait, the width, colour):
// the built program runs on a pseudo-terminal, as it does in a console window.
#include "platform/console.h"

#include <gtest/gtest.h>

#ifdef _WIN32

TEST(Console, WaitsOnATerminalForOneWholeKeyWithoutEchoingIt) {
  GTEST_SKIP() << "needs a POSIX pseudo-terminal (forkpty), which Windows lacks";
}

#else

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#ifdef __APPLE__
#include <util.h>
#else
#include <pty.h>
#endif

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "program_run.h"
#include "scratch_dir.h"
#include "test_files.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Appends to `transcript` what the terminal shows within `wait`, stopping
// early once `until` has appeared (when it is not empty).
void readTerminal(int master, std::string& transcript, milliseconds wait,
                  const std::string& until = "") {
  const auto deadline = steady_clock::now() + wait;
  while (steady_clock::now() < deadline) {
    if (!until.empty() && transcript.find(until) != std::string::npos) return;
    pollfd ready{master, POLLIN, 0};
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) {  // the program has closed the terminal: nothing more comes
      std::this_thread::sleep_until(deadline);
      return;
    }
    transcript.append(buffer, static_cast<std::size_t>(got));
  }
}

// The program runs on a pseudo-terminal, as in a console window, followed
// by a shell that reads the next line typed: what the key wait leaves
// unread would reach that line.
TEST(Console, WaitsOnATerminalForOneWholeKeyWithoutEchoingIt) {
  // Each key is one press: an arrow sends three bytes, a letter outside
  // ASCII two.
  for (const std::string key : {"\x1b[A", "\xc3\xa9"}) {
    SCOPED_TRACE(key);
    ScratchDir scratch;
    writeFile("sonnets.txt", "Bright stars\n");
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
      const std::string script = std::string("'") + VERSEFIND_PROGRAM +
                                 "'; echo \"status $?\"; IFS= read -r line; echo \"next [$line]\"";
      execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }

    std::string transcript;
    readTerminal(master, transcript, milliseconds(10000), "B-Tree:");
    // A key typed with the order, before the wait starts, is discarded: the
    // wait asks for a new key press.
    ASSERT_EQ(write(master, "3\nz", 3), 3);
    readTerminal(master, transcript, milliseconds(10000), "(press any key)");
    ASSERT_NE(transcript.find(" second  (press any key)"), std::string::npos) << transcript;

    // The run is over, but the program waits for a key: it has turned the
    // terminal's echo off and stays until a new key comes.
    const auto echoIsOff = [master] {
      termios now{};
      return tcgetattr(master, &now) == 0 && (now.c_lflag & ECHO) == 0;
    };
    for (int check = 0; check < 100 && !echoIsOff(); ++check) {
      readTerminal(master, transcript, milliseconds(50));
    }
    ASSERT_TRUE(echoIsOff());
    readTerminal(master, transcript, milliseconds(200));
    EXPECT_EQ(transcript.find("status"), std::string::npos);

    // The key ends the wait whole. A key that comes just before the wait
    // starts is dropped on purpose, so another is pressed while the echo is
    // still off.
    for (int press = 0; press < 5 && transcript.find("status") == std::string::npos; ++press) {
      if (echoIsOff()) {
        ASSERT_EQ(write(master, key.data(), key.size()), static_cast<ssize_t>(key.size()));
      }
      readTerminal(master, transcript, milliseconds(2000), "status");
    }
    readTerminal(master, transcript, milliseconds(2000), "status 0");
    // The key was not echoed, and a line break ends the hint's line.
    EXPECT_NE(transcript.find("(press any key)\r\nstatus 0"), std::string::npos) << transcript;

    // The terminal is left as the program found it, and nothing of the key
    // is left for the shell.
    termios after{};
    ASSERT_EQ(tcgetattr(master, &after), 0);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG));
    ASSERT_EQ(write(master, "x\n", 2), 2);
    readTerminal(master, transcript, milliseconds(10000), "next [");
    readTerminal(master, transcript, milliseconds(200));
    EXPECT_NE(transcript.find("next [x]"), std::string::npos) << transcript;

    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    close(master);
  }
}

// On a terminal a place line fills the terminal's width, and the found word
// is coloured unless NO_COLOR is set or colour is refused.
TEST(Console, FillsTheTerminalsWidthAndColoursTheWord) {
  ScratchDir scratch;
  writeFile("sonnets.txt", std::string(60, 'x') + " and " + std::string(60, 'y') + "\n");
  const std::string on = "\x1b[1;31m";
  const std::string off = "\x1b[0m";
  struct Case {
    const char* name;
    bool noColor;
    const char* choice;  // an argument before the order
    const char* term;
    bool colour;
  };
  const Case cases[] = {
      {"NO_COLOR unset", false, "--color=auto", "xterm", true},
      {"NO_COLOR set", true, "--color=auto", "xterm", false},
      {"--color=never", false, "--color=never", "xterm", false},
      {"TERM=dumb", false, "--color=auto", "dumb", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool noColor = c.noColor;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 50;
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(child, 0);
    if (child == 0) {
      setenv("TERM", c.term, 1);
      if (noColor) {
        setenv("NO_COLOR", "1", 1);
      } else {
        unsetenv("NO_COLOR");
      }
      execl(VERSEFIND_PROGRAM, "versefind", c.choice, "3", "and", static_cast<char*>(nullptr));
      _exit(127);
    }
    std::string transcript;
    readTerminal(master, transcript, milliseconds(10000), "y...\r\n");
    const std::size_t start = transcript.find("1:2 ");
    ASSERT_NE(start, std::string::npos) << transcript;
    std::string line = transcript.substr(start, transcript.find("\r\n", start) - start);
    const std::size_t coloured = line.find(on + "and" + off);
    EXPECT_EQ(coloured != std::string::npos, c.colour) << line;
    if (coloured != std::string::npos) line.replace(coloured, on.size() + 3 + off.size(), "and");
    EXPECT_EQ(line.size(), 50u) << line;
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    close(master);
  }
}

// A trial line shows a word's control bytes (a tab aside) escaped on a
// terminal, and as the text holds them in a file.
TEST(Console, EscapesTheControlBytesOfATrialLineOnATerminal) {
  ScratchDir scratch;
  std::string line;  // the same word in each of the 8 fields a trial draws
  for (int n = 0; n < 8; ++n) line += std::string("w\x1b[31mq\x7f\tz") + (n < 7 ? " " : "\n");
  writeFile("sonnets.txt", line);
  const std::string places = " is placed in: (1,1)  (2,1)  (3,1)  (4,1)  (5,1)  (6,1)  (7,1)  (8,1)  ";
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VERSEFIND_PROGRAM, "versefind", "3", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string shown;
  readTerminal(master, shown, milliseconds(10000), " second\r\n");
  EXPECT_NE(shown.find("\r\n\r\nw\\x1b[31mq\\x7f\tz" + places + "\r\n"), std::string::npos) << shown;
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  close(master);
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "", shown, {"3"}), 0);
  EXPECT_EQ(shown.rfind("\n\nw\x1b[31mq\x7f\tz" + places + "\n\n", 0), 0u);
}

// On a terminal, what could make it show a line otherwise than it stands
// (a control of bidirectional text, a C1 control, a byte that is not
// UTF-8) is escaped in place lines and in messages; a pipe gets the bytes.
TEST(Console, EscapesWhatFoolsATerminalInPlaceLinesAndMessages) {
  ScratchDir scratch;
  const std::string line = "w\xe2\x80\xaeq \xc2\x85x \xffz stars";
  writeFile("sonnets.txt", line + "\n");
  const std::string asked = "nope\xe2\x81\xa6";
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VERSEFIND_PROGRAM, "versefind", "--color=never", "3", "stars", asked.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string shown;
  readTerminal(master, shown, milliseconds(10000), "not in the text\r\n");
  EXPECT_NE(shown.find("1:5  w\\xe2\\x80\\xaeq \\xc2\\x85x \\xffz stars\r\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("versefind: nope\\xe2\\x81\\xa6: not in the text\r\n"), std::string::npos) << shown;
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  close(master);
  std::string errors;
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "", shown, {"3", "stars", asked}, &errors), 1);
  EXPECT_EQ(shown, "stars: 1 place\n1:5  " + line + "\n\n");
  EXPECT_EQ(errors, "versefind: sonnets.txt: 1 byte is not UTF-8, the first on line 1; a Latin-1 text is "
                    "read with --encoding latin1\nversefind: " + asked + ": not in the text\n");
}

}  // namespace

#endif  // _WIN32
