// The key wait on a real terminal: the built program runs on a
// pseudo-terminal, as it does in a console window.
#include "console.h"

#include <gtest/gtest.h>

#ifdef _WIN32

TEST(Console, WaitsOnATerminalForOneKeyWithoutEchoingIt) {
  GTEST_SKIP() << "needs a POSIX pseudo-terminal (forkpty), which Windows lacks";
}

#else

#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#ifdef __APPLE__
#include <util.h>
#else
#include <pty.h>
#endif

#include <chrono>
#include <string>
#include <thread>

#include "scratch_dir.h"

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

TEST(Console, WaitsOnATerminalForOneKeyWithoutEchoingIt) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "Bright stars\n");
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VERSEFIND_PROGRAM, VERSEFIND_PROGRAM, static_cast<char*>(nullptr));
    _exit(127);
  }

  std::string transcript;
  readTerminal(master, transcript, milliseconds(10000), "B-Tree:");
  ASSERT_EQ(write(master, "3\n", 2), 2);
  readTerminal(master, transcript, milliseconds(10000), " second");
  ASSERT_NE(transcript.find("Total time of searching: "), std::string::npos) << transcript;

  // The run is over, but the program waits for a key: it has turned the
  // terminal's echo off and stays until a key comes.
  const auto echoIsOff = [master] {
    termios now{};
    return tcgetattr(master, &now) == 0 && (now.c_lflag & ECHO) == 0;
  };
  for (int check = 0; check < 100 && !echoIsOff(); ++check) {
    readTerminal(master, transcript, milliseconds(50));
  }
  ASSERT_TRUE(echoIsOff());
  readTerminal(master, transcript, milliseconds(200));
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, WNOHANG), 0);

  // One key ends it. A key that comes just before the wait starts is
  // dropped on purpose, so another is pressed while the echo is still off.
  bool ended = false;
  for (int press = 0; press < 5 && !ended; ++press) {
    if (echoIsOff()) {
      ASSERT_EQ(write(master, "k", 1), 1);
    }
    for (int check = 0; check < 100 && !ended; ++check) {
      readTerminal(master, transcript, milliseconds(20));
      ended = waitpid(child, &status, WNOHANG) == child;
    }
  }
  if (!ended) kill(child, SIGKILL);
  ASSERT_TRUE(ended);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The key was not echoed: the transcript ends with the total line.
  const std::string last = transcript.substr(transcript.rfind("Total time of searching: "));
  EXPECT_EQ(last.find('k'), std::string::npos) << last;
  // And the terminal is left as the program found it.
  termios after{};
  ASSERT_EQ(tcgetattr(master, &after), 0);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG));
  close(master);
}

}  // namespace

#endif  // _WIN32
