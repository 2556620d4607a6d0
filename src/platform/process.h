// Processes: the POSIX side of starting a program from one Windows-style
// command line, polling its exit code, ending it, sleeping, and the host's
// optional hook that keeps it responsive during a wait.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// The exit code a process reports while it still runs (Windows' STILL_ACTIVE).
inline constexpr int kStillActive = 259;

// Splits a command line into arguments the way the Windows C runtime does:
// blanks and tabs separate; double quotes group and are dropped; inside quotes
// a pair of double quotes is one literal quote; 2n backslashes before a quote
// give n backslashes and the quote groups, 2n+1 give n backslashes and a
// literal quote; other backslashes are literal. The first argument (the
// program) only knows quotes, never backslash escapes. An unclosed quote runs
// to the end. Empty for a line of blanks only.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The argument as it must be written into a command line so that the split
// above gives it back whole. Unchanged when it holds no blank, tab or double
// quote, so ordinary lines stay as they are; otherwise in double quotes, with
// a quote written as \" and the backslashes before a quote (or before the
// closing quote) doubled.
std::string quoteArgument(const std::string& argument);

// The same for the program name, which knows quotes but no backslash
// escapes: in double quotes when it holds a blank or tab. A name holding a
// double quote cannot be written at all (Windows file names never do).
std::string quoteProgramName(const std::string& program);

// A started process. Copyable as a plain handle; closeProcess releases it.
struct ProcessHandle {
  pid_t pid = -1;
  bool reaped = false;  // the exit status has been collected
  int exitCode = 0;     // valid once reaped
};

// Starts the program named by the first argument of the command line with the
// rest as its arguments, through posix_spawn (never a shell). A name with a
// slash is used as it is; a bare name is looked up in PATH. Standard input,
// output and error are shared. `ok` false (and an empty handle) when the line
// holds no program or the program cannot be started.
ProcessHandle startProcess(const std::string& commandLine, bool& ok);

// The process's exit code: kStillActive while it runs; after the end its exit
// status, or 128 + the signal number when a signal ended it. False (code
// untouched) for an empty handle or when the process cannot be queried.
bool processExitCode(ProcessHandle& process, int& code);

// Ends a running process: SIGTERM, and SIGKILL when it has not gone within
// two seconds; collects its status. False for an empty or already ended one.
bool terminateProcess(ProcessHandle& process);

// Forgets the handle. A process that has ended but was not collected yet is
// collected now; one still running is left alone.
void closeProcess(ProcessHandle& process);

// Sleeps the calling thread (negative counts as 0).
void sleepMilliseconds(int milliseconds);

// What the host's pump hook answered.
enum class PumpResult { Continue, Cancel };

// Gives the host a turn during a wait. The host may export
//   extern "C" int drafthost_pump(int secondsWaited);
// called with 0 when a wait begins, the seconds waited so far while it lasts,
// and -1 when it is over; a non-zero answer asks to cancel the wait. Without
// such a function (a host that does not offer it) the answer is Continue.
PumpResult pumpHost(int secondsWaited);

// Replaces the hook looked up in the process (for hosts linked statically, and
// tests); null goes back to the lookup.
using PumpHook = int (*)(int secondsWaited);
void setPumpHook(PumpHook hook);

}  // namespace platform
