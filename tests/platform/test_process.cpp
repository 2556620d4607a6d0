// Processes: the command-line splitter, exit codes and ending a process,
// arguments that need quoting, and the host's turn during a wait. Launcher
// starts and cancelled waits run end to end through drafthost.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

  // Starts the child program (or a copy of it) with the arguments, each
  // quoted as the launcher quotes them; waits until a waiting child is ready.
  platform::ProcessHandle start(const std::vector<std::string>& args,
                                const std::string& program = DRW_TEST_CHILD) {
    std::string line = platform::quoteProgramName(program);
    for (const std::string& a : args) line += " " + platform::quoteArgument(a);
    fs::remove(ready_);
    bool ok = false;
    platform::ProcessHandle h = platform::startProcess(line, ok);
    EXPECT_TRUE(ok) << line;
    if (args.at(0) == "wait")
      for (int i = 0; i < 3000 && !fs::exists(ready_); ++i) platform::sleepMilliseconds(10);
    return h;
  }

  // The exit code once the process has ended; gives up after 30 s.
  static int waitFor(platform::ProcessHandle& h) {
    int code = -1;
    for (int i = 0; i < 3000 && platform::processState(h, code) == platform::ProcessState::Running;
         ++i)
      platform::sleepMilliseconds(10);
    return code;
  }

  const fs::path dir_ = fs::temp_directory_path() / ("drw-process-" + std::to_string(::getpid()));
  const std::string ready_ = (dir_ / "ready").string();
};

// Exit codes of ended processes, 259 (STILL_ACTIVE) among them; ending a
// running one (POSIX: SIGTERM first, SIGKILL for one that ignores it).
TEST_F(ProcessTest, ExitCodesAndTerminate) {
  using Running = platform::ProcessState;
  const struct {
    const char* name;
    std::vector<std::string> args;
    bool terminate;
    int code;
  } cases[] = {
      {"the program's exit code", {"exit", "7"}, false, 7},
#ifdef _WIN32
      {"exit code 259 has ended all the same", {"exit", "259"}, false, 259},
      {"terminated", {"wait", ready_}, true, 1},
#else
      {"exit code 259 is cut to a byte", {"exit", "259"}, false, 3},
      {"a signal gives 128 + its number", {"signal", "9"}, false, 128 + 9},
      {"ended by SIGTERM", {"wait", ready_}, true, 128 + 15},
      {"ignores SIGTERM", {"wait", ready_, "stubborn"}, true, 128 + 9},
#endif
  };
  for (const auto& c : cases) {
    platform::ProcessHandle h = start(c.args);
    int code = -1;
    if (c.terminate) {
      EXPECT_EQ(platform::processState(h, code), Running::Running) << c.name;
      EXPECT_TRUE(platform::terminateProcess(h)) << c.name;
    }
    EXPECT_EQ(waitFor(h), c.code) << c.name;
    EXPECT_TRUE(platform::processState(h, code) == Running::Ended && code == c.code) << c.name;
    EXPECT_FALSE(platform::terminateProcess(h)) << c.name;  // already ended
    platform::closeProcess(h);
    EXPECT_EQ(platform::processState(h, code), Running::Unknown) << c.name;
  }
}

// Program paths and arguments with blanks, quotes and backslashes reach the
// program whole.
TEST_F(ProcessTest, ArgumentsArriveWhole) {
  const fs::path folder = dir_ / "Program Files";
  fs::create_directories(folder);
  const fs::path copy = folder / fs::path(DRW_TEST_CHILD).filename();
  fs::copy_file(DRW_TEST_CHILD, copy);
  const std::string file = (dir_ / "args.txt").string();
  const std::vector<std::string> args = {"a b", "say \"hi\"", "back\\slash\\", "tab\there",
                                         "x\\\"y"};
  std::vector<std::string> line = {"args", file};
  line.insert(line.end(), args.begin(), args.end());
  platform::ProcessHandle h = start(line, copy.string());
  EXPECT_EQ(waitFor(h), 0);
  platform::closeProcess(h);
  std::string expected;
  for (const std::string& a : args) expected += a + "\n";
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
}

TEST_F(ProcessTest, StartFailures) {
  const std::string notExecutable = (dir_ / "plain.txt").string();
  std::ofstream(notExecutable) << "text";
  for (const std::string& line : {std::string("   "), (dir_ / "none").string(), notExecutable,
                                  std::string("\"\" arg"), std::string("drw-no-such-program")}) {
    bool ok = true;
    platform::ProcessHandle h = platform::startProcess(line, ok);
    int code = 0;
    EXPECT_FALSE(ok || platform::processState(h, code) != platform::ProcessState::Unknown ||
                 platform::terminateProcess(h))
        << line;
  }
#ifndef _WIN32
  bool ok = false;
  platform::ProcessHandle h = platform::startProcess("true", ok);  // looked up in PATH
  EXPECT_EQ(waitFor(h), 0);
#endif
  platform::sleepMilliseconds(-5);  // counts as 0 and returns
}

#ifdef _WIN32
// The thread's window messages are dispatched while the plug-in waits, so
// the host's windows stay responsive.
LRESULT CALLBACK recordingWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++*reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  return ::DefWindowProcW(window, message, w, l);
}

TEST(PumpHost, DispatchesTheThreadsWindowMessages) {
  WNDCLASSW type{};
  type.lpfnWndProc = recordingWindow;
  type.lpszClassName = L"drw_pump_test";
  ::RegisterClassW(&type);
  HWND window = ::CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  int received = 0;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
  ::PostMessageW(window, WM_APP, 0, 0);
  ::PostMessageW(window, WM_APP, 0, 0);
  platform::setPumpHook(nullptr);
  EXPECT_EQ(platform::pumpHost(1), platform::PumpResult::Continue);
  EXPECT_EQ(received, 2);
  ::DestroyWindow(window);
}
#endif

TEST(PumpHost, WithoutAHookTheWaitGoesOnAndASetHookDecides) {
  platform::setPumpHook(nullptr);
  EXPECT_EQ(platform::pumpHost(5), platform::PumpResult::Continue);
  platform::setPumpHook([](int seconds) { return seconds >= 2 ? 1 : 0; });
  EXPECT_EQ(platform::pumpHost(1), platform::PumpResult::Continue);
  EXPECT_EQ(platform::pumpHost(2), platform::PumpResult::Cancel);
  platform::setPumpHook(nullptr);
}

}  // namespace
