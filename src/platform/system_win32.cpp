// System facts on Windows: the Windows and temporary directories, the current
// directory, module file names, network names of mapped drives and the
// process environment, from the wide Windows functions.
#include "platform/system.h"

#include <windows.h>
#include <winnetwk.h>

#include <cctype>
#include <cstdlib>
#include <cwchar>

#include "platform/win32_text.h"

namespace platform {

using win32::narrow;
using win32::widen;

namespace {

// Calls `get(buffer, size)` with a buffer that grows until the answer fits;
// `get` returns the length written, or the size needed when it did not fit.
template <typename Get>
std::wstring grownString(Get get) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int tries = 0; tries < 16; ++tries) {
    const DWORD n = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return buffer.substr(0, n);
    buffer.resize(static_cast<std::size_t>(n) + 1);
  }
  return {};
}

bool validName(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string("=\0", 2)) == std::string::npos;
}

}  // namespace

std::string windowsDirectory() {
  return narrow(grownString([](wchar_t* b, DWORD n) { return ::GetWindowsDirectoryW(b, n); }));
}

std::string temporaryDirectory() {
  return narrow(grownString([](wchar_t* b, DWORD n) { return ::GetTempPathW(n, b); }));
}

std::string currentDirectory() {
  return narrow(grownString([](wchar_t* b, DWORD n) { return ::GetCurrentDirectoryW(n, b); }));
}

std::string moduleFileName(const void* address) {
  HMODULE module = nullptr;
  if (!address || !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
    return "";
  // GetModuleFileNameW cuts the name to the buffer and says so by filling it.
  std::wstring buffer(MAX_PATH, L'\0');
  for (int tries = 0; tries < 8; ++tries) {
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return narrow(buffer.substr(0, n));
    buffer.resize(buffer.size() * 2);
  }
  return "";
}

bool universalName(const std::string& path, std::string& out) {
  // Only a drive letter can be mapped: "X:" and the rest of the path.
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return false;
  const std::wstring drive = widen(path.substr(0, 2));
  DWORD size = MAX_PATH;
  std::wstring remote(size, L'\0');
  DWORD rc = ::WNetGetConnectionW(drive.c_str(), remote.data(), &size);
  if (rc == ERROR_MORE_DATA) {
    remote.resize(size);
    rc = ::WNetGetConnectionW(drive.c_str(), remote.data(), &size);
  }
  if (rc != NO_ERROR) return false;
  remote.resize(std::wcslen(remote.c_str()));
  out = narrow(remote) + path.substr(2);
  return true;
}

std::optional<std::string> environmentVariable(const std::string& name) {
  if (!validName(name)) return std::nullopt;
  const std::wstring wide = widen(name);
  DWORD size = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (size == 0) {
    // Set but empty, or not set at all.
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(size, L'\0');
  size = ::GetEnvironmentVariableW(wide.c_str(), value.data(), size);
  value.resize(size);
  return narrow(value);
}

std::vector<std::string> environmentEntries() {
  std::vector<std::string> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (!block) return entries;
  for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) {
    // Entries of the drive's current directories ("=C:=C:\...") are no variables.
    if (*entry != L'=') entries.push_back(narrow(entry));
  }
  ::FreeEnvironmentStringsW(block);
  return entries;
}

bool setEnvironmentVariable(const std::string& name, const std::string& value) {
  if (!validName(name) || value.find('\0') != std::string::npos) return false;
  // _wputenv_s sets the runtime's copy and the process environment both.
  return ::_wputenv_s(widen(name).c_str(), widen(value).c_str()) == 0 &&
         ::SetEnvironmentVariableW(widen(name).c_str(), widen(value).c_str());
}

bool unsetEnvironmentVariable(const std::string& name) {
  if (!validName(name)) return false;
  ::_wputenv_s(widen(name).c_str(), L"");
  return ::SetEnvironmentVariableW(widen(name).c_str(), nullptr) ||
         ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

}  // namespace platform
