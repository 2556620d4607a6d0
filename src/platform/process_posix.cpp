// Processes on POSIX: posix_spawn, waitpid, signals to the process group,
// nanosleep, and the host's hook found with dlsym.
#include "platform/process.h"

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

extern char** environ;

namespace platform {

namespace {

PumpHook g_pumpHook = nullptr;

// Records the status waitpid reported.
void collect(ProcessHandle& process, int status) {
  process.reaped = true;
  if (WIFEXITED(status))
    process.exitCode = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    process.exitCode = 128 + WTERMSIG(status);
  else
    process.exitCode = 0;
}

pid_t pidOf(const ProcessHandle& process) {
  return static_cast<pid_t>(process.id);
}

// One non-blocking look at the child: true when it has ended (and is
// collected); false while it runs, and `failed` when it cannot be asked.
bool pollEnded(ProcessHandle& process, bool* failed = nullptr) {
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pidOf(process), &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pidOf(process)) collect(process, status);
  if (failed) *failed = r < 0;
  return process.reaped;
}

}  // namespace

ProcessHandle startProcess(const std::string& commandLine, bool& ok) {
  ok = false;
  std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return {};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  if (::posix_spawn_file_actions_init(&actions) != 0) return {};
  if (::posix_spawnattr_init(&attr) != 0) {
    ::posix_spawn_file_actions_destroy(&actions);
    return {};
  }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Handles are not inherited: only standard input, output and error pass on.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  // A process group of its own: a Ctrl-C at the terminal reaches the host,
  // which decides about the wait, and ending the launcher can take the
  // program it started along.
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  ::posix_spawnattr_setpgroup(&attr, 0);

  pid_t pid = -1;
  bool bare = args[0].find('/') == std::string::npos;
  int rc = bare ? ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                : ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  ::posix_spawnattr_destroy(&attr);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0 || pid <= 0) return {};
  ok = true;
  ProcessHandle handle;
  handle.id = pid;
  return handle;
}

ProcessState processState(ProcessHandle& process, int& code) {
  if (process.id <= 0) return ProcessState::Unknown;
  bool failed = false;
  if (!process.reaped && !pollEnded(process, &failed))
    return failed ? ProcessState::Unknown : ProcessState::Running;
  code = process.exitCode;
  return ProcessState::Ended;
}

bool terminateProcess(ProcessHandle& process) {
  if (process.id <= 0 || process.reaped || pollEnded(process)) return false;
  const pid_t pid = pidOf(process);
  // The whole group: the launcher and whatever it started.
  if (::kill(-pid, SIGTERM) != 0) ::kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (pollEnded(process)) return true;
    sleepMilliseconds(10);
  }
  if (::kill(-pid, SIGKILL) != 0) ::kill(pid, SIGKILL);
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r == pid) collect(process, status);
  return true;
}

void closeProcess(ProcessHandle& process) {
  if (process.id > 0 && !process.reaped) pollEnded(process);
  process = ProcessHandle{};
}

void sleepMilliseconds(int milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal (the host's Ctrl-C) must not shorten the interval.
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

PumpResult pumpHost(int secondsWaited) {
  PumpHook hook = g_pumpHook;
  if (!hook) hook = reinterpret_cast<PumpHook>(::dlsym(RTLD_DEFAULT, "drafthost_pump"));
  if (hook && hook(secondsWaited) != 0) return PumpResult::Cancel;
  return PumpResult::Continue;
}

void setPumpHook(PumpHook hook) {
  g_pumpHook = hook;
}

}  // namespace platform
