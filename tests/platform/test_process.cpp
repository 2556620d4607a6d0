// Processes: the command-line splitter, exit codes and ending a process. Real
// starts and cancelled waits of the launcher run end to end through drafthost.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The arguments, each after a "|".
std::string split(const std::string& line) {
  std::string out;
  for (const std::string& argument : platform::splitCommandLine(line)) out += "|" + argument;
  return out;
}

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  const struct {
    const char* name;
    std::string line, expected;
  } cases[] = {
      {"quotes group", R"(p "a b c" d e)", "|p|a b c|d|e"},
      {"escaped quote, escaped backslash", R"(p "ab\"c" "\\" d)", R"(|p|ab"c|\|d)"},
      {"backslashes without a quote are literal", R"(p a\\\b d"e f"g h)", R"(|p|a\\\b|de fg|h)"},
      {"odd backslashes before a quote", R"(p a\\\"b c)", R"(|p|a\"b|c)"},
      {"even backslashes before a quote", R"(p a\\\\"b c" d)", R"(|p|a\\b c|d)"},
      {"doubled quotes inside quotes", R"(p a"b"" c" "say ""hi""")", R"(|p|ab" c|say "hi")"},
      {"blanks only", " \t ", ""},
      {"blanks and tabs separate", "  p\ta  \t b ", "|p|a|b"},
      {"empty arguments", R"(p "" "")", "|p||"},
      {"an unclosed quote runs to the end", R"(p "unclosed rest  )", "|p|unclosed rest  "},
      {"trailing backslashes", R"(p \ a\ \\\\)", R"(|p|\|a\|\\\\)"},
      {"the program keeps its backslashes", R"("C:\Program Files\x.exe" -m)",
       R"(|C:\Program Files\x.exe|-m)"},
      {"the program knows no escapes", R"(C:\a\"b c" d)", R"(|C:\a\b c|d)"},
      {"an empty program", R"("" arg)", "||arg"},
      {"a character 0 ends the line", std::string("p a\0b c", 7), "|p|a"},
  };
  for (const auto& c : cases) EXPECT_EQ(split(c.line), c.expected) << c.name;
}

class ProcessTest : public ::testing::Test {
 protected:
  ProcessTest() { fs::create_directories(dir_); }
  ~ProcessTest() override { fs::remove_all(dir_); }

  // Starts a shell script as a program of its own; it creates "ready" once it
  // has run `prelude`.
  platform::ProcessHandle start(const std::string& prelude, const std::string& body) {
    const fs::path p = dir_ / "run.sh";
    fs::remove(ready_);
    std::ofstream(p) << "#!/bin/sh\n" << prelude << "\n: > " << ready_ << "\n" << body << "\n";
    fs::permissions(p, fs::perms::owner_all);
    bool ok = false;
    platform::ProcessHandle h = platform::startProcess(p.string() + " arg", ok);
    EXPECT_TRUE(ok);
    for (int i = 0; i < 3000 && !fs::exists(ready_); ++i) platform::sleepMilliseconds(10);
    return h;
  }

  // The exit code once the process has ended; gives up after 30 s.
  static int waitFor(platform::ProcessHandle& h) {
    int code = platform::kStillActive;
    for (int i = 0; i < 3000 && code == platform::kStillActive; ++i) {
      EXPECT_TRUE(platform::processExitCode(h, code));
      if (code == platform::kStillActive) platform::sleepMilliseconds(10);
    }
    return code;
  }

  const fs::path dir_ = fs::temp_directory_path() / ("drw-process-" + std::to_string(::getpid()));
  const std::string ready_ = (dir_ / "ready").string();
};

// Exit codes of ended processes; ending a running one: SIGTERM first, SIGKILL
// for one that ignores it.
TEST_F(ProcessTest, ExitCodesAndTerminate) {
  const std::string forever = "while :; do sleep 1; done";
  const struct {
    const char* name;
    std::string prelude, body;
    bool terminate;
    int code;
  } cases[] = {{"the program's exit status", "", "exit 7", false, 7},
               {"a signal gives 128 + its number", "", "kill -9 $$", false, 128 + 9},
               {"ended by SIGTERM", "", forever, true, 128 + 15},
               {"ignores SIGTERM", "trap '' TERM", forever, true, 128 + 9}};
  for (const auto& c : cases) {
    platform::ProcessHandle h = start(c.prelude, c.body);
    int code = 0;
    if (c.terminate) {
      EXPECT_TRUE(platform::processExitCode(h, code) && code == platform::kStillActive) << c.name;
      EXPECT_TRUE(platform::terminateProcess(h)) << c.name;
    }
    EXPECT_EQ(waitFor(h), c.code) << c.name;
    EXPECT_TRUE(platform::processExitCode(h, code) && code == c.code) << c.name;  // it stays
    EXPECT_FALSE(platform::terminateProcess(h)) << c.name;                        // already ended
    platform::closeProcess(h);
    EXPECT_FALSE(platform::processExitCode(h, code)) << c.name;
  }
}

TEST_F(ProcessTest, StartFailures) {
  const std::string notExecutable = (dir_ / "plain.txt").string();
  std::ofstream(notExecutable) << "text";
  for (const std::string& line : {std::string("   "), (dir_ / "none").string(), notExecutable,
                                  std::string("\"\" arg"), std::string("drw-no-such-program")}) {
    bool ok = true;
    platform::ProcessHandle h = platform::startProcess(line, ok);
    int code = 0;
    EXPECT_FALSE(ok || platform::processExitCode(h, code) || platform::terminateProcess(h)) << line;
  }
  bool ok = false;
  platform::ProcessHandle h = platform::startProcess("true", ok);  // looked up in PATH
  EXPECT_EQ(waitFor(h), 0);
  platform::sleepMilliseconds(-5);  // counts as 0 and returns
}

TEST(PumpHost, WithoutAHookTheWaitGoesOnAndASetHookDecides) {
  platform::setPumpHook(nullptr);
  EXPECT_EQ(platform::pumpHost(5), platform::PumpResult::Continue);
  platform::setPumpHook([](int seconds) { return seconds >= 2 ? 1 : 0; });
  EXPECT_EQ(platform::pumpHost(1), platform::PumpResult::Continue);
  EXPECT_EQ(platform::pumpHost(2), platform::PumpResult::Cancel);
  platform::setPumpHook(nullptr);
}

}  // namespace
