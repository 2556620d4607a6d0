// The registry the variables may be stored in: on Windows the real one, on
// POSIX a stand-in: a configuration file named by the environment variable
// HALDRIX_REGISTRY. Each key is a block named by its full key name
// (for example [HKEY_CURRENT_USER\SOFTWARE\HALDRIX\PATH\HALDRIX_USER]); the
// key's default value is the item "@", named values are items of their name.
// Without the variable, or without the file, the registry defines nothing.
#pragma once

#include <string>
#include <vector>

// Path of the stand-in store, or empty when HALDRIX_REGISTRY is not set (and
// always on Windows).
std::string registryStorePath();

// The default (unnamed) string value of the key. `found` (optional) is set when
// the key exists with a string default value, even an empty one.
std::string readRegistryString(const std::string& fullKeyName, bool* found = nullptr);

// Names of the key's direct subkeys in store order; one trailing "/" or "\" of
// the key name is ignored. Empty when the key does not exist.
std::vector<std::string> listRegistrySubkeys(const std::string& fullKeyName);

// Writes a string value (empty value name: the default value) into an existing
// key. Keys are never created. 1 on success, 0 otherwise.
int writeRegistryString(const std::string& fullKeyName, const std::string& valueName,
                        const std::string& value);
