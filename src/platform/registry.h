// The Windows registry, where variables may be stored: one key's default
// string value, its subkeys, and writing a value into a key that exists.
// Windows only (RegOpenKeyExW, RegQueryValueExW, RegEnumKeyExW,
// RegSetValueExW); POSIX builds use the stand-in store of config/registry.
#pragma once

#include <string>
#include <vector>

namespace platform {

// `root` is one of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
// HKEY_USERS; `path` the key below it with "\" separators.

// The key's default value when it is a string (REG_SZ), read whole; false
// (value untouched) for a missing key, a missing default value or another type.
bool registryDefaultString(const std::string& root, const std::string& path, std::string& value);

// The names of the key's direct subkeys in enumeration order; a name that
// cannot be enumerated is skipped. Empty when the key cannot be opened.
std::vector<std::string> registrySubkeys(const std::string& root, const std::string& path);

// Writes a string value (empty name: the default value) into an existing key;
// false when the key cannot be opened for writing or the write fails.
bool registryWriteString(const std::string& root, const std::string& path,
                         const std::string& valueName, const std::string& value);

}  // namespace platform
