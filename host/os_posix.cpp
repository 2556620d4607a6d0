// drafthost on POSIX: dlopen, isatty, SIGINT.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "os.h"
#include "pump.h"

namespace drafthost::os {

namespace {

void onInterrupt(int) {
  if (cancelWaitOnInterrupt()) return;
  // Outside a wait Ctrl-C keeps its usual meaning.
  ::signal(SIGINT, SIG_DFL);
  ::raise(SIGINT);
}

}  // namespace

void* loadModule(const std::string& path, std::string& error) {
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) error = ::dlerror();
  return module;
}

void* moduleSymbol(void* module, const char* name) {
  return ::dlsym(module, name);
}

void unloadModule(void* module) {
  ::dlclose(module);
}

std::string defaultPluginPath() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "drwlink2.so";
  return (exe.parent_path() / "drwlink2.so").string();
}

bool inputIsTerminal() {
  return ::isatty(STDIN_FILENO);
}

void installCancelHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
}

void untranslatedStandardStreams() {}

}  // namespace drafthost::os
