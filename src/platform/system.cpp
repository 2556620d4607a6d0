#include "platform/system.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

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

}  // namespace platform
