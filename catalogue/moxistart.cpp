// moxistart: the stand-in launcher of the catalogue suite.
//
//   moxistart -mview PROGRAM [ARGS...]
//
// starts PROGRAM with ARGS (directly, no shell), waits for it and exits with
// its exit code. When MOXISTART_LOG names a file, every run appends one line
// to it: its whole argument vector as a JSON array of strings (bytes above 127
// written as \u00XX), so that callers can check the command line exactly.
// On Windows the program gets the rest of moxistart's own command line as it
// was written, as a Windows launcher passes it on.
#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
extern char** environ;
#endif

namespace {

std::string jsonString(const char* s) {
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    unsigned char c = *p;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + '"';
}

void logArguments(int argc, char** argv) {
  const char* path = std::getenv("MOXISTART_LOG");
  if (!path || !*path) return;
  std::string line = "[";
  for (int i = 0; i < argc; ++i) line += (i ? ", " : "") + jsonString(argv[i]);
  line += "]\n";
  if (std::FILE* f = std::fopen(path, "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

}  // namespace

#ifdef _WIN32

namespace {

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The command line after its first `count` arguments, by the runtime's rules:
// the program name knows only quotes; in the others an even run of
// backslashes before a quote lets the quote group, an odd one escapes it.
const wchar_t* after(const wchar_t* p, int count) {
  bool quoted = false;
  for (; *p && (quoted || !isBlank(*p)); ++p)
    if (*p == L'"') quoted = !quoted;
  for (int i = 1; i < count; ++i) {
    while (isBlank(*p)) ++p;
    quoted = false;
    while (*p && (quoted || !isBlank(*p))) {
      int slashes = 0;
      while (*p == L'\\') ++slashes, ++p;
      if (*p == L'"' && slashes % 2 == 0) quoted = !quoted;
      if (*p) ++p;
    }
  }
  while (isBlank(*p)) ++p;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  logArguments(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "-mview") != 0) {
    std::fprintf(stderr, "usage: moxistart -mview PROGRAM [ARGS...]\n");
    return 2;
  }
  std::wstring line = after(::GetCommandLineW(), 2);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    std::fprintf(stderr, "moxistart: cannot start %s: error %lu\n", argv[2],
                 static_cast<unsigned long>(::GetLastError()));
    return 3;
  }
  ::CloseHandle(info.hThread);
  ::WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 3;
  ::GetExitCodeProcess(info.hProcess, &code);
  ::CloseHandle(info.hProcess);
  return static_cast<int>(code);
}

#else

int main(int argc, char** argv) {
  logArguments(argc, argv);
  if (argc < 3 || std::strcmp(argv[1], "-mview") != 0) {
    std::fprintf(stderr, "usage: moxistart -mview PROGRAM [ARGS...]\n");
    return 2;
  }
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ);
  if (rc != 0) {
    std::fprintf(stderr, "moxistart: cannot start %s: %s\n", argv[2], std::strerror(rc));
    return 3;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 3;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

#endif
