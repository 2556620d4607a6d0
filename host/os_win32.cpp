// drafthost on Windows: LoadLibraryW, the console, SetConsoleCtrlHandler.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "os.h"
#include "pump.h"

namespace drafthost::os {

namespace {

std::wstring widePath(const std::string& path) {
  // Paths on drafthost's command line are taken as UTF-8, as its scripts are.
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), out.data(), n);
  return out;
}

BOOL WINAPI onControl(DWORD event) {
  // TRUE: handled, the wait is cancelled; FALSE: the default, which ends
  // drafthost.
  if (event == CTRL_C_EVENT && cancelWaitOnInterrupt()) return TRUE;
  return FALSE;
}

}  // namespace

void* loadModule(const std::string& path, std::string& error) {
  HMODULE module = ::LoadLibraryW(widePath(path).c_str());
  if (!module) error = "error " + std::to_string(::GetLastError());
  return reinterpret_cast<void*>(module);
}

void* moduleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void unloadModule(void* module) {
  ::FreeLibrary(static_cast<HMODULE>(module));
}

std::string defaultPluginPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  while (n == buffer.size()) {
    buffer.resize(buffer.size() * 2);
    n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  if (n == 0) return "drwlink2.dll";
  buffer.resize(n);
  const std::wstring dll =
      (std::filesystem::path(buffer).parent_path() / L"drwlink2.dll").wstring();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, dll.data(), static_cast<int>(dll.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, dll.data(), static_cast<int>(dll.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

bool inputIsTerminal() {
  return ::_isatty(::_fileno(stdin));
}

void installCancelHandler() {
  ::SetConsoleCtrlHandler(onControl, TRUE);
}

void untranslatedStandardStreams() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  // The command line is UTF-8; a console shows it as such.
  ::SetConsoleOutputCP(CP_UTF8);
}

}  // namespace drafthost::os
