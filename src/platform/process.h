// Processes: starting a program from one Windows-style command line, asking
// whether it still runs, ending it, sleeping, and the host's turn during a
// wait (its window messages and its optional hook). One interface; a POSIX
// and a Win32 implementation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

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
  std::intptr_t id = -1;     // the process id (POSIX) or process handle (Windows); -1: none
  std::intptr_t group = -1;  // Windows: the job object of the process and its children
  bool reaped = false;       // the end has been seen and the exit code kept
  int exitCode = 0;          // valid once reaped
};

// Starts the program named by the first argument of the command line with the
// rest as its arguments, never through a shell. POSIX: the line is split as
// above and the program started with posix_spawn (a name with a slash as it
// is, a bare name looked up in PATH). Windows: CreateProcessW gets the line
// exactly as written (converted from Windows-1252). Standard input, output
// and error are shared. `ok` false (and an empty handle) when the line holds
// no program or the program cannot be started.
ProcessHandle startProcess(const std::string& commandLine, bool& ok);

enum class ProcessState { Running, Ended, Unknown };

// Whether the process still runs, told by the process itself and not by its
// exit code: a program that ends with 259 (STILL_ACTIVE) has ended. For an
// ended process `code` is its exit code (POSIX: the exit status, or 128 +
// the signal number when a signal ended it); otherwise `code` is untouched.
// Unknown for an empty handle or one that cannot be queried.
ProcessState processState(ProcessHandle& process, int& code);

// Ends a running process and whatever it started (POSIX: SIGTERM to its
// process group, SIGKILL when it has not gone within two seconds; Windows:
// its job is terminated, exit code 1) and collects its end. False for an
// empty or already ended one.
bool terminateProcess(ProcessHandle& process);

// Forgets the handle. A process that has ended but was not collected yet is
// collected now; one still running is left alone.
void closeProcess(ProcessHandle& process);

// Sleeps the calling thread (negative counts as 0).
void sleepMilliseconds(int milliseconds);

// What the host's turn during a wait answered.
enum class PumpResult { Continue, Cancel };

// Gives the host a turn during a wait. On Windows the calling thread's window
// messages are dispatched first (PeekMessage, TranslateMessage,
// DispatchMessage) when the process has the window system (user32.dll)
// loaded, as every host with windows has. Then the host's hook, when it exports
//   extern "C" int drafthost_pump(int secondsWaited);
// is called with 0 when a wait begins, the seconds waited so far while it
// lasts, and -1 when it is over; a non-zero answer asks to cancel the wait.
// Without such a function (a host that does not offer it) the answer is
// Continue.
PumpResult pumpHost(int secondsWaited);

// Replaces the hook looked up in the process (for hosts linked statically, and
// tests); null goes back to the lookup.
using PumpHook = int (*)(int secondsWaited);
void setPumpHook(PumpHook hook);

}  // namespace platform
