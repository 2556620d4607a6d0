#include "platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

struct SplitCase {
  const char* line;
  Args expected;
};

// The C runtime's documented examples first, then the corners around them.
const SplitCase kSplitCases[] = {
    {R"(p "a b c" d e)", {"p", "a b c", "d", "e"}},
    {R"(p "ab\"c" "\\" d)", {"p", "ab\"c", "\\", "d"}},
    {R"(p a\\\b d"e f"g h)", {"p", "a\\\\\\b", "de fg", "h"}},
    {R"(p a\\\"b c d)", {"p", "a\\\"b", "c", "d"}},
    {R"(p a\\\\"b c" d e)", {"p", "a\\\\b c", "d", "e"}},
    {R"(p a"b"" c d)", {"p", "ab\" c d"}},
    {"", {}},
    {" \t ", {}},
    {"p", {"p"}},
    {"  p\ta  \t b ", {"p", "a", "b"}},
    {R"(p "")", {"p", ""}},
    {R"(p "" "")", {"p", "", ""}},
    {R"(p "unclosed rest  )", {"p", "unclosed rest  "}},
    {R"(p \)", {"p", "\\"}},
    {R"(p \\\\)", {"p", "\\\\\\\\"}},
    {R"(p \")", {"p", "\""}},
    {R"(p a\)", {"p", "a\\"}},
    {R"(p "a\\")", {"p", "a\\"}},
    {R"(p "say ""hi""")", {"p", "say \"hi\""}},
    // The program name keeps its backslashes and only knows quotes.
    {R"("C:\Program Files\moxi\start.exe" -mview)",
     {"C:\\Program Files\\moxi\\start.exe", "-mview"}},
    {R"(C:\a\"b c" d)", {"C:\\a\\b c", "d"}},
    // The connection data arrives as one argument.
    {R"(L -mview P  -poke "mconset=    1, 20.0,  0.0,   -1" -server MoxiCon -topic MoxiCon)",
     {"L", "-mview", "P", "-poke", "mconset=    1, 20.0,  0.0,   -1", "-server", "MoxiCon",
      "-topic", "MoxiCon"}},
};

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  for (const SplitCase& c : kSplitCases)
    EXPECT_EQ(platform::splitCommandLine(c.line), c.expected) << c.line;
}

TEST(SplitCommandLine, ACharacterZeroEndsTheLine) {
  EXPECT_EQ(platform::splitCommandLine(std::string("p a\0b c", 7)), (Args{"p", "a"}));
  EXPECT_EQ(platform::splitCommandLine(std::string("\0p", 2)), Args{});
}

class ProcessTest : public ::testing::Test {
 protected:
  ProcessTest() {
    dir = fs::temp_directory_path() / ("drw_process_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  ~ProcessTest() override { fs::remove_all(dir); }

  // A shell script as a program of its own (started directly, not via a shell).
  std::string script(const std::string& name, const std::string& body) {
    fs::path p = dir / name;
    std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(p, fs::perms::owner_all);
    return p.string();
  }

  // Polls until the process has ended; its exit code.
  int waitFor(platform::ProcessHandle& h) {
    int code = platform::kStillActive;
    for (int i = 0; i < 500 && code == platform::kStillActive; ++i) {
      EXPECT_TRUE(platform::processExitCode(h, code));
      if (code == platform::kStillActive) platform::sleepMilliseconds(10);
    }
    return code;
  }

  fs::path dir;
};

TEST_F(ProcessTest, PassesTheSplitArgumentsAndReportsTheExitCode) {
  std::string out = (dir / "args").string();
  std::string prog =
      script("args.sh", "for a in \"$@\"; do echo \"[$a]\"; done > " + out + "\nexit 7");
  bool ok = false;
  auto h = platform::startProcess(prog + R"( one "two three" "a\"b" x\y)", ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(waitFor(h), 7);
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "[one]\n[two three]\n[a\"b]\n[x\\y]\n");
  int again = 0;
  EXPECT_TRUE(platform::processExitCode(h, again));
  EXPECT_EQ(again, 7) << "the collected code stays available";
  platform::closeProcess(h);
  EXPECT_FALSE(platform::processExitCode(h, again));
}

TEST_F(ProcessTest, ReportsStillActiveWhileRunningAndTerminates) {
  bool ok = false;
  auto h = platform::startProcess(script("slow.sh", "sleep 30"), ok);
  ASSERT_TRUE(ok);
  int code = 0;
  ASSERT_TRUE(platform::processExitCode(h, code));
  EXPECT_EQ(code, platform::kStillActive);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(platform::terminateProcess(h));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_TRUE(platform::processExitCode(h, code));
  EXPECT_NE(code, platform::kStillActive);
  EXPECT_FALSE(platform::terminateProcess(h)) << "already ended";
  platform::closeProcess(h);
}

TEST_F(ProcessTest, StartFailures) {
  const std::string missing = (dir / "nothing-here").string();
  std::string notExecutable = (dir / "plain.txt").string();
  std::ofstream(notExecutable) << "text";
  for (const std::string& line :
       {std::string(), std::string("   "), missing, notExecutable, std::string("\"\" arg"),
        std::string("drw-no-such-program-anywhere")}) {
    bool ok = true;
    auto h = platform::startProcess(line, ok);
    EXPECT_FALSE(ok) << line;
    EXPECT_EQ(h.pid, -1) << line;
    int code = 0;
    EXPECT_FALSE(platform::processExitCode(h, code));
  }
}

TEST_F(ProcessTest, ABareNameIsFoundInPath) {
  bool ok = false;
  auto h = platform::startProcess("true", ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(waitFor(h), 0);
  platform::closeProcess(h);
}

TEST_F(ProcessTest, ASignalEndingGivesItsNumberAbove128) {
  bool ok = false;
  auto h = platform::startProcess(script("kill.sh", "kill -9 $$"), ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(waitFor(h), 128 + 9);
  platform::closeProcess(h);
}

int g_hookCalls = 0;
int g_lastSeconds = -2;
int cancellingHook(int seconds) {
  ++g_hookCalls;
  g_lastSeconds = seconds;
  return seconds >= 2 ? 1 : 0;
}

TEST(PumpHost, WithoutAHookTheWaitGoesOnAndASetHookDecides) {
  platform::setPumpHook(nullptr);
  EXPECT_EQ(platform::pumpHost(1), platform::PumpResult::Continue);
  platform::setPumpHook(cancellingHook);
  EXPECT_EQ(platform::pumpHost(1), platform::PumpResult::Continue);
  EXPECT_EQ(platform::pumpHost(2), platform::PumpResult::Cancel);
  EXPECT_EQ(g_hookCalls, 2);
  EXPECT_EQ(g_lastSeconds, 2);
  platform::setPumpHook(nullptr);
}

TEST(Sleep, SleepsAboutTheTimeAsked) {
  auto start = std::chrono::steady_clock::now();
  platform::sleepMilliseconds(50);
  platform::sleepMilliseconds(-5);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(50));
  EXPECT_LT(took, std::chrono::milliseconds(1000));
}

}  // namespace
