// The registry on Windows: the real one, through the platform layer.
#include "config/registry.h"

#include "platform/registry.h"

namespace {

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

// Root and key path of a full key name (split at its first separator, the
// path with "\" separators); false when there is no separator.
bool splitKey(const std::string& fullKeyName, std::string& root, std::string& path) {
  std::size_t split = 0;
  while (split < fullKeyName.size() && !isSeparator(fullKeyName[split])) ++split;
  if (split == fullKeyName.size()) return false;
  root = fullKeyName.substr(0, split);
  path = fullKeyName.substr(split + 1);
  for (char& c : path)
    if (c == '/') c = '\\';
  return true;
}

}  // namespace

std::string registryStorePath() {
  return std::string();
}

std::string readRegistryString(const std::string& fullKeyName, bool* found) {
  if (found) *found = false;
  std::string root, path, value;
  if (!splitKey(fullKeyName, root, path) || !platform::registryDefaultString(root, path, value))
    return std::string();
  if (found) *found = true;
  return value;
}

std::vector<std::string> listRegistrySubkeys(const std::string& fullKeyName) {
  std::string name = fullKeyName;
  if (!name.empty() && isSeparator(name.back())) name.pop_back();
  std::string root, path;
  if (!splitKey(name, root, path)) return {};
  return platform::registrySubkeys(root, path);
}

int writeRegistryString(const std::string& fullKeyName, const std::string& valueName,
                        const std::string& value) {
  std::string root, path;
  if (!splitKey(fullKeyName, root, path)) return 0;
  return platform::registryWriteString(root, path, valueName, value) ? 1 : 0;
}
