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

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

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

// One non-blocking look at the child: true when it has ended (and is collected).
bool pollEnded(ProcessHandle& process) {
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(process.pid, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == process.pid) collect(process, status);
  return process.reaped;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  // A character 0 ends the line, as it ends the C string a real start gets.
  const std::string line = commandLine.substr(0, commandLine.find('\0'));
  const std::size_t n = line.size();
  std::vector<std::string> args;
  std::size_t p = 0;
  while (p < n && isBlank(line[p])) ++p;
  if (p == n) return args;

  // The program name: quotes group, backslashes are part of the path.
  std::string program;
  bool inQuote = false;
  for (; p < n; ++p) {
    char c = line[p];
    if (c == '"') {
      inQuote = !inQuote;
      continue;
    }
    if (!inQuote && isBlank(c)) break;
    program += c;
  }
  args.push_back(program);

  for (;;) {
    while (p < n && isBlank(line[p])) ++p;
    if (p == n) break;
    std::string arg;
    inQuote = false;
    for (;;) {
      std::size_t slashes = 0;
      while (p < n && line[p] == '\\') {
        ++slashes;
        ++p;
      }
      bool copy = true;
      if (p < n && line[p] == '"') {
        if (slashes % 2 == 0) {
          if (inQuote && p + 1 < n && line[p + 1] == '"')
            ++p;  // "" inside quotes: one literal quote, still quoted
          else {
            copy = false;
            inQuote = !inQuote;
          }
        }
        slashes /= 2;
      }
      arg.append(slashes, '\\');
      if (p == n || (!inQuote && isBlank(line[p]))) break;
      if (copy) arg += line[p];
      ++p;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string quoteArgument(const std::string& argument) {
  if (argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + '"';
}

std::string quoteProgramName(const std::string& program) {
  if (program.find_first_of(" \t") == std::string::npos) return program;
  return '"' + program + '"';
}

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
  handle.pid = pid;
  return handle;
}

bool processExitCode(ProcessHandle& process, int& code) {
  if (process.pid <= 0) return false;
  if (!process.reaped) {
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(process.pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return false;
    if (r == 0) {
      // Like the Windows call, a program that exits with 259 cannot be told
      // from one that still runs.
      code = kStillActive;
      return true;
    }
    collect(process, status);
  }
  code = process.exitCode;
  return true;
}

bool terminateProcess(ProcessHandle& process) {
  if (process.pid <= 0 || process.reaped || pollEnded(process)) return false;
  // The whole group: the launcher and whatever it started.
  if (::kill(-process.pid, SIGTERM) != 0) ::kill(process.pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (pollEnded(process)) return true;
    sleepMilliseconds(10);
  }
  if (::kill(-process.pid, SIGKILL) != 0) ::kill(process.pid, SIGKILL);
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(process.pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r == process.pid) collect(process, status);
  return true;
}

void closeProcess(ProcessHandle& process) {
  if (process.pid > 0 && !process.reaped) pollEnded(process);
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
