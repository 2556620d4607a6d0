// The registry stand-in for POSIX: a configuration file named by
// HALDRIX_REGISTRY, one block per key. Variable expansion asks the registry,
// so the store is read and written here without expanding its file name.
#include "config/registry.h"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "config/config_file.h"

namespace {

const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                              "HKEY_USERS"};

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

char foldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string fold(std::string text) {
  for (char& c : text) c = foldChar(c);
  return text;
}

// A key name in the form the store compares: root and path split at the
// first separator, the root checked, every separator made "\" and the name
// lower-cased (key names ignore case). Nothing when the root is unknown.
// Callers must spell the root exactly; the store's own block names may use
// any case for it.
std::optional<std::string> keyPath(const std::string& fullKeyName, bool exactRoot) {
  std::size_t split = 0;
  while (split < fullKeyName.size() && !isSeparator(fullKeyName[split])) ++split;
  const std::string root = fullKeyName.substr(0, split);
  bool known = false;
  for (const char* r : kRoots) known = known || (exactRoot ? root == r : fold(root) == fold(r));
  if (!known) return std::nullopt;
  std::string key;
  key.reserve(fullKeyName.size());
  for (char c : fullKeyName) key += isSeparator(c) ? '\\' : foldChar(c);
  return key;
}

// The store as a configuration; nothing when there is no store.
std::optional<std::string> loadStore(CSConfig& store) {
  const std::string path = registryStorePath();
  if (path.empty()) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  store.loadFromStream(&in);
  return path;
}

// The name of the store's block for the key, or nothing.
std::optional<std::string> findKeyBlock(const CSConfig& store, const std::string& key) {
  for (const std::string& name : store.blockNames()) {
    const auto path = keyPath(name, false);
    if (path && *path == key) return name;
  }
  return std::nullopt;
}

}  // namespace

std::string registryStorePath() {
  const char* path = std::getenv("HALDRIX_REGISTRY");
  return path ? std::string(path) : std::string();
}

std::string readRegistryString(const std::string& fullKeyName, bool* found) {
  if (found) *found = false;
  const auto key = keyPath(fullKeyName, true);
  if (!key) return std::string();
  CSConfig store(true);
  if (!loadStore(store)) return std::string();
  const auto block = findKeyBlock(store, *key);
  if (!block) return std::string();
  const CSConfigItem* item = store.findItem("@", *block);
  if (!item) return std::string();
  if (found) *found = true;
  return item->value().asString();
}

std::vector<std::string> listRegistrySubkeys(const std::string& fullKeyName) {
  std::vector<std::string> names;
  std::string name = fullKeyName;
  if (!name.empty() && isSeparator(name.back())) name.pop_back();
  const auto key = keyPath(name, true);
  if (!key) return names;
  CSConfig store(true);
  if (!loadStore(store)) return names;
  const std::string prefix = *key + "\\";
  std::vector<std::string> seen;  // folded names already listed
  for (const std::string& block : store.blockNames()) {
    const auto path = keyPath(block, false);
    if (!path || path->size() <= prefix.size() || path->compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    const std::string folded = path->substr(prefix.size());
    if (folded.find('\\') != std::string::npos) continue;  // not a direct subkey
    bool listed = false;
    for (const std::string& s : seen) listed = listed || s == folded;
    if (listed) continue;
    seen.push_back(folded);
    // The subkey's name as the store spells it.
    names.push_back(block.substr(block.size() - folded.size()));
  }
  return names;
}

int writeRegistryString(const std::string& fullKeyName, const std::string& valueName,
                        const std::string& value) {
  const auto key = keyPath(fullKeyName, true);
  if (!key) return 0;
  CSConfig store(true);
  const auto path = loadStore(store);
  if (!path) return 0;
  const auto block = findKeyBlock(store, *key);
  if (!block) return 0;  // keys are never created
  store.getItem(valueName.empty() ? "@" : valueName, *block).set(value);
  return store.saveToFile(*path) == 0 ? 1 : 0;
}
