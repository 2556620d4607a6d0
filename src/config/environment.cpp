#include "config/environment.h"

#include "config/registry.h"
#include "config/strings.h"
#include "platform/system.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

const char kUserKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\";
const char kMachineKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\";
const char kUserEnvironmentKey[] = "HKEY_CURRENT_USER\\Environment";

// A chain of variables that leads back to itself would make the passes go on
// for ever, and one that feeds itself more than once ($A = "$A$A") would grow
// the text without bound. Both are stopped and count as an undefined variable:
// after this many passes, or when the text grows past a few times its input
// length plus 64 KiB. Real chains are a handful of passes and short. The
// bounds keep the work of one call linear in the length of its input.
constexpr int kMaxPasses = 16;
constexpr std::size_t kGrowthFactor = 4;
constexpr std::size_t kGrowthAllowance = 64 * 1024;

// One variable: name and value; names compare byte by byte.
struct _CSEnvironClass {
  std::string name;
  std::string value;
};

// A process-wide list of variables in insertion order.
class VariableTable {
 public:
  VariableTable() { entries_.reserve(64); }

  void set(const std::string& name, const std::string& value) {
    for (auto& e : entries_)
      if (e.name == name) {
        e.value = value;
        return;
      }
    entries_.push_back({name, value});
  }

  const std::string* find(const std::string& name) const {
    for (const auto& e : entries_)
      if (e.name == name) return &e.value;
    return nullptr;
  }

  void clear() { entries_.clear(); }
  const std::vector<_CSEnvironClass>& entries() const { return entries_; }

 private:
  std::vector<_CSEnvironClass> entries_;
};

VariableTable& overrides() {
  static VariableTable table;
  return table;
}

VariableTable& defaults() {
  static VariableTable table;
  return table;
}

// A non-empty default value of the registry key; nothing otherwise.
std::optional<std::string> registryValue(const std::string& key) {
  bool found = false;
  std::string value = readRegistryString(key, &found);
  if (found && !value.empty()) return value;
  return std::nullopt;
}

std::optional<std::string> environmentValue(const std::string& name) {
  // A name holding "=" or a zero byte cannot name an environment entry, and
  // getenv would answer for a different name.
  if (name.find_first_of(std::string("=\0", 2)) != std::string::npos) return std::nullopt;
  std::string upper = name, lower = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string* spellings[] = {&name, &upper, &lower};
  for (const std::string* n : spellings)
    if (auto v = platform::environmentVariable(*n)) return v;
  return std::nullopt;
}

std::optional<std::string> lookUp(const std::string& name, bool useRegistry) {
  if (const std::string* v = overrides().find(name)) return *v;
  if (useRegistry) {
    if (auto v = registryValue(kUserKey + name)) return v;
    if (auto v = registryValue(kMachineKey + name)) return v;
  }
  if (auto v = environmentValue(name)) return v;
  if (equalsIgnoringCase(name, "OSNAME")) return std::string("x86");
  if (equalsIgnoringCase(name, "OSEXT")) return std::string("exe");
  if (const std::string* v = defaults().find(name)) return *v;
  return std::nullopt;
}

// The sources do not change while one text is resolved, so every name is
// looked up once per call; a text naming the same variable many times then
// does not read the registry store many times.
class CachedLookup {
 public:
  explicit CachedLookup(bool useRegistry) : useRegistry_(useRegistry) {}
  const std::optional<std::string>& operator()(const std::string& name) {
    auto it = cache_.find(name);
    if (it == cache_.end()) it = cache_.emplace(name, lookUp(name, useRegistry_)).first;
    return it->second;
  }

 private:
  bool useRegistry_;
  std::unordered_map<std::string, std::optional<std::string>> cache_;
};

// Finds the variable whose "$" is at `dollar`: returns its name and sets `end`
// to the first position after it. The name runs up to "/", "\", "-" or ")",
// a ")" belonging to it; leading "(" and trailing ")" are not part of it.
std::string scanName(const std::string& text, std::size_t dollar, std::size_t& end) {
  std::size_t scan = text.find_first_of("/\\-)", dollar + 1);
  if (scan == std::string::npos)
    scan = text.size();
  else if (text[scan] == ')')
    ++scan;
  end = scan;
  std::size_t first = dollar + 1;
  std::size_t last = scan;
  while (first < last && text[first] == '(') ++first;
  while (last > first && text[last - 1] == ')') --last;
  return text.substr(first, last - first);
}

// One pass over the text: every variable replaced by its value, values left as
// they are. Returns ExpandFinished when nothing was substituted,
// ExpandSubstituted when something was, and ExpandUndefined with `out` set to
// the name when a variable is undefined or the output would pass `limit`.
int resolvePass(const std::string& text, std::string& out, CachedLookup& lookUp,
                std::size_t limit) {
  out.clear();
  int status = ExpandFinished;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t dollar = text.find('$', i);
    if (dollar == std::string::npos) {
      out.append(text, i, std::string::npos);
      break;
    }
    out.append(text, i, dollar - i);
    std::string name = scanName(text, dollar, i);
    const std::optional<std::string>& value = lookUp(name);
    if (!value || out.size() + value->size() > limit) {
      out = name;
      return ExpandUndefined;
    }
    out += *value;
    status = ExpandSubstituted;
  }
  return status;
}

// On POSIX the Windows directory is "/" and the temporary directory $TMPDIR or
// "/tmp" (platform/system.h); trailing slashes of the latter are dropped here.
std::string replacePlaceholders(const std::string& text) {
  if (text.find('%') == std::string::npos) return text;
  std::string out = replaceAll(text, "%SystemRoot%", platform::windowsDirectory(), true);
  std::string temp = stripChars(platform::temporaryDirectory(), "\\/", StripTrailing);
  return replaceAll(out, "%SystemTemp%", temp, true);
}

}  // namespace

std::string resolveVariables(const std::string& text, int& status, bool useRegistry) {
  CachedLookup lookUp(useRegistry);
  const std::size_t limit = kGrowthAllowance + kGrowthFactor * text.size();
  std::string current = text;
  std::string next;
  status = ExpandFinished;
  // The passes run in a loop rather than by recursion, so no input can exhaust
  // the stack.
  for (int pass = 0;; ++pass) {
    int result = resolvePass(current, next, lookUp, limit);
    // A pass that gives back its own input would do so for ever.
    bool unchanged = result == ExpandSubstituted && next == current;
    current.swap(next);
    if (result != ExpandSubstituted) {
      status = result;
      break;
    }
    if (current.find('$') == std::string::npos) break;
    if (unchanged || pass + 1 == kMaxPasses) {
      // Still variables after every allowed pass: a chain that leads back to
      // itself. Reported as undefined, with the first name still there.
      std::size_t end;
      current = scanName(current, current.find('$'), end);
      status = ExpandUndefined;
      break;
    }
  }
  return replacePlaceholders(current);
}

std::string expandVariables(const std::string& text) {
  int status = ExpandFinished;
  std::string out = resolveVariables(text, status, true);
  return status == ExpandFinished ? out : text;
}

void setVariableOverride(const std::string& name, const std::string& value) {
  overrides().set(name, value);
}

void setVariableDefault(const std::string& name, const std::string& value) {
  defaults().set(name, value);
}

void clearVariableOverrides() {
  overrides().clear();
}

void clearVariableDefaults() {
  defaults().clear();
}

std::string getVariableOverride(const std::string& name) {
  const std::string* v = overrides().find(name);
  return v ? *v : std::string();
}

void listVariables(std::map<std::string, std::string>& out) {
  for (const auto& e : defaults().entries()) out[e.name] = e.value;
  for (const std::string& entry : platform::environmentEntries()) {
    std::size_t eq = entry.find('=');
    if (eq != std::string::npos) out[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const char* key : {kMachineKey, kUserKey})
    for (const std::string& name : listRegistrySubkeys(key))
      if (auto v = registryValue(key + name)) out[name] = *v;
  for (const auto& e : overrides().entries()) out[e.name] = e.value;
}

int storeVariable(const std::string& name, const std::string& value) {
  // An existing key is written even when its value is empty today.
  for (const char* key : {kUserKey, kMachineKey}) {
    bool found = false;
    readRegistryString(key + name, &found);
    if (found) return writeRegistryString(key + name, "", value);
  }
  return writeRegistryString(kUserEnvironmentKey, name, value);
}
