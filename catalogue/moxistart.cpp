// moxistart: the stand-in launcher of the catalogue suite.
//
//   moxistart -mview PROGRAM [ARGS...]
//
// starts PROGRAM with ARGS (directly, no shell), waits for it and exits with
// its exit code. When MOXISTART_LOG names a file, every run appends one line
// to it: its whole argument vector as a JSON array of strings (bytes above 127
// written as \u00XX), so that callers can check the command line exactly.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

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
