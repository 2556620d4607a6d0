// The Windows registry: keys opened with RegOpenKeyExW and always closed.
#include "platform/registry.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace platform {

namespace {

using win32::narrow;
using win32::widen;

HKEY rootKey(const std::string& root) {
  if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == "HKEY_USERS") return HKEY_USERS;
  return nullptr;
}

// An open key, closed when it goes.
struct Key {
  HKEY handle = nullptr;
  Key(const std::string& root, const std::string& path, REGSAM access) {
    HKEY parent = rootKey(root);
    if (!parent || path.find('\0') != std::string::npos) return;
    if (::RegOpenKeyExW(parent, widen(path).c_str(), 0, access, &handle) != ERROR_SUCCESS)
      handle = nullptr;
  }
  ~Key() {
    if (handle) ::RegCloseKey(handle);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
};

}  // namespace

bool registryDefaultString(const std::string& root, const std::string& path, std::string& value) {
  Key key(root, path, KEY_READ);
  if (!key.handle) return false;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.handle, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  // The stored string may or may not carry its terminating zero.
  data.resize(size / sizeof(wchar_t));
  while (!data.empty() && data.back() == L'\0') data.pop_back();
  value = narrow(data);
  return true;
}

std::vector<std::string> registrySubkeys(const std::string& root, const std::string& path) {
  std::vector<std::string> names;
  Key key(root, path, KEY_READ);
  if (!key.handle) return names;
  DWORD count = 0, longest = 0;
  if (::RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::wstring name(static_cast<std::size_t>(longest) + 1, L'\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExW(key.handle, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS)
      names.push_back(narrow(name.substr(0, length)));
  }
  return names;
}

bool registryWriteString(const std::string& root, const std::string& path,
                         const std::string& valueName, const std::string& value) {
  Key key(root, path, KEY_SET_VALUE);
  if (!key.handle || valueName.find('\0') != std::string::npos ||
      value.find('\0') != std::string::npos)
    return false;
  const std::wstring data = widen(value);
  const std::wstring name = widen(valueName);
  return ::RegSetValueExW(key.handle, valueName.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace platform
