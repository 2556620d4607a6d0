// System facts on POSIX: stand-ins for the Windows and temporary
// directories, dladdr for module names, the environment through the C library.
#include "platform/system.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace platform {

std::string windowsDirectory() {
  return "/";
}

std::string temporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  if (dir && *dir) return dir;
  return "/tmp";
}

std::string currentDirectory() {
  std::vector<char> buffer(2048);
  // Grow instead of failing on deep working directories.
  while (buffer.size() <= (1u << 20)) {
    if (::getcwd(buffer.data(), buffer.size())) return buffer.data();
    if (errno != ERANGE) return "";
    buffer.resize(buffer.size() * 2);
  }
  return "";
}

std::string moduleFileName(const void* address) {
  Dl_info info{};
  if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return "";
  std::string name = info.dli_fname;
  if (name.front() == '/') return name;
  // The main program is reported by the name it was started with, which may be
  // relative to a directory we have left since; the kernel knows the real one.
  if (name == program_invocation_name) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
  }
  char resolved[PATH_MAX];
  if (::realpath(name.c_str(), resolved)) return resolved;
  return name;
}

bool universalName(const std::string&, std::string&) {
  return false;
}

namespace {

// A name the environment can hold: not empty, no "=" and no zero byte.
bool validName(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string("=\0", 2)) == std::string::npos;
}

}  // namespace

std::optional<std::string> environmentVariable(const std::string& name) {
  if (!validName(name)) return std::nullopt;
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  return std::nullopt;
}

std::vector<std::string> environmentEntries() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
  return entries;
}

bool setEnvironmentVariable(const std::string& name, const std::string& value) {
  return validName(name) && value.find('\0') == std::string::npos &&
         ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool unsetEnvironmentVariable(const std::string& name) {
  return validName(name) && ::unsetenv(name.c_str()) == 0;
}

}  // namespace platform
