#include "config/environment.h"
#include "config/registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kUser[] = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\";
const char kMachine[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\";

// Sets (or, with nullptr, removes) an environment variable and restores the
// old state when the test is done.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name.c_str())) old_ = old;
    if (value)
      setenv(name.c_str(), value, 1);
    else
      unsetenv(name.c_str());
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Every test starts with empty tables, no registry and none of the variable
// names below in the environment.
class Expansion : public ::testing::Test {
 protected:
  void SetUp() override {
    clearVariableOverrides();
    clearVariableDefaults();
    for (const char* name : {"HALDRIX_REGISTRY", "HALDRIX_USER", "haldrix_user", "Haldrix_User",
                             "CFG_A", "CFG_B", "cfg_a", "A.cfg", "OSEXT", "osext", "OSNAME"})
      env_.push_back(std::make_unique<ScopedEnv>(name, nullptr));
  }
  void TearDown() override {
    clearVariableOverrides();
    clearVariableDefaults();
    if (!store_.empty()) fs::remove(store_);
    // Restored newest first, so a name set twice ends as it was before the test.
    while (!env_.empty()) env_.pop_back();
  }
  void setEnv(const std::string& name, const char* value) {
    env_.push_back(std::make_unique<ScopedEnv>(name, value));
  }
  // Writes a registry store and points HALDRIX_REGISTRY at it.
  void useRegistry(const std::string& content) {
    store_ = (fs::temp_directory_path() / ("drw-registry-" + std::to_string(::getpid()) + ".reg"))
                 .string();
    std::ofstream(store_, std::ios::binary) << content;
    setEnv("HALDRIX_REGISTRY", store_.c_str());
  }
  std::string storeText() const {
    std::ifstream in(store_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string resolve(const std::string& text, int& status, bool registry = true) {
    return resolveVariables(text, status, registry);
  }

  std::vector<std::unique_ptr<ScopedEnv>> env_;
  std::string store_;
};

std::string key(const char* root, const std::string& name, const std::string& value) {
  return "[" + std::string(root) + name + "]\n@=" + value + "\n";
}

TEST_F(Expansion, SourcesInOrderOfPrecedence) {
  // Every source defines HALDRIX_USER; each step takes the winner away.
  useRegistry(key(kUser, "HALDRIX_USER", "/reg-user") +
              key(kMachine, "HALDRIX_USER", "/reg-machine"));
  setVariableOverride("HALDRIX_USER", "/override");
  setEnv("HALDRIX_USER", "/environment");
  setVariableDefault("HALDRIX_USER", "/default");
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "/override/acad2d.cfg");
  clearVariableOverrides();
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "/reg-user/acad2d.cfg");
  useRegistry(key(kUser, "HALDRIX_USER", "") + key(kMachine, "HALDRIX_USER", "/reg-machine"));
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "/reg-machine/acad2d.cfg");
  useRegistry("");
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "/environment/acad2d.cfg");
  setEnv("HALDRIX_USER", nullptr);
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "/default/acad2d.cfg");
  clearVariableDefaults();
  EXPECT_EQ(expandVariables("$HALDRIX_USER/acad2d.cfg"), "$HALDRIX_USER/acad2d.cfg");
}

TEST_F(Expansion, RegistryLookupCanBeSwitchedOff) {
  useRegistry(key(kUser, "HALDRIX_USER", "/reg-user"));
  setEnv("HALDRIX_USER", "/environment");
  int status = 0;
  EXPECT_EQ(resolve("$HALDRIX_USER", status, true), "/reg-user");
  EXPECT_EQ(resolve("$HALDRIX_USER", status, false), "/environment");
  EXPECT_EQ(status, ExpandFinished);
  setEnv("HALDRIX_USER", nullptr);
  EXPECT_EQ(resolve("$HALDRIX_USER/x", status, false), "HALDRIX_USER");
  EXPECT_EQ(status, ExpandUndefined);
}

TEST_F(Expansion, NameSyntax) {
  setVariableOverride("HALDRIX_USER", "/u");
  setVariableOverride("A.cfg", "dotted");
  setVariableOverride("A", "plain");
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"$(HALDRIX_USER)acad2d.cfg", "/uacad2d.cfg"},
      {"$(HALDRIX_USER)/acad2d.cfg", "/u/acad2d.cfg"},
      {"$HALDRIX_USER\\a", "/u\\a"},
      {"$A-1", "plain-1"},
      {"$A.cfg", "dotted"},
      {"$A.cfg/x", "dotted/x"},
      {"x$A)y", "xplainy"},
      {"$((A)))", "plain))"},
      {"no variables at all", "no variables at all"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(expandVariables(c.text), c.expected) << c.text;
}

TEST_F(Expansion, UndefinedVariablesLeaveTheInputUnchanged) {
  setVariableOverride("A", "plain");
  for (const char* text : {"$B.cfg", "$", "a$", "$/x", "$A/$NOPE/x", "$A $A", "$A$A"})
    EXPECT_EQ(expandVariables(text), text) << text;
  int status = 0;
  EXPECT_EQ(resolve("$A/$NOPE/x", status), "NOPE");
  EXPECT_EQ(status, ExpandUndefined);
  EXPECT_EQ(resolve("$/x", status), "");
  EXPECT_EQ(status, ExpandUndefined);
}

TEST_F(Expansion, ValuesAreExpandedInTurn) {
  setVariableOverride("CFG_A", "$CFG_B/sub");
  setVariableDefault("CFG_B", "/base");
  EXPECT_EQ(expandVariables("$CFG_A/f"), "/base/sub/f");
  setVariableOverride("CFG_B", "$MISSING_X");
  EXPECT_EQ(expandVariables("$CFG_A/f"), "$CFG_A/f");
  int status = 0;
  EXPECT_EQ(resolve("$CFG_A/f", status), "MISSING_X");
  EXPECT_EQ(status, ExpandUndefined);
}

TEST_F(Expansion, CyclesCountAsUndefined) {
  setVariableOverride("CFG_A", "$CFG_B/a");
  setVariableOverride("CFG_B", "x/$CFG_A");
  EXPECT_EQ(expandVariables("$CFG_A/f"), "$CFG_A/f");
  int status = 0;
  std::string name = resolve("$CFG_A/f", status);
  EXPECT_EQ(status, ExpandUndefined);
  EXPECT_TRUE(name == "CFG_A" || name == "CFG_B") << name;

  setVariableOverride("SELF", "$SELF");
  EXPECT_EQ(expandVariables("$SELF"), "$SELF");
}

TEST_F(Expansion, SelfMultiplyingValuesStopQuickly) {
  setVariableOverride("G", "$G-$G-$G");
  // Each pass triples the text: without the pass and growth limits this would
  // not end.
  int status = 0;
  resolve("$G", status);
  EXPECT_EQ(status, ExpandUndefined);
  EXPECT_EQ(expandVariables("$G/x"), "$G/x");
}

TEST_F(Expansion, LargeInputsStayLinear) {
  setVariableOverride("A", "value");
  std::string text;
  // Sizes at which a quadratic scan would keep the suite busy for minutes.
  for (int i = 0; i < 200000; ++i) text += "$A/";
  std::string out = expandVariables(text);
  EXPECT_EQ(out.size(), 200000u * 6);
  std::string dollars(1000000, '$');
  EXPECT_EQ(expandVariables(dollars), dollars);
  std::string parens = "$" + std::string(1000000, '(');
  EXPECT_EQ(expandVariables(parens), parens);
}

TEST_F(Expansion, LetterCaseOfNames) {
  setEnv("haldrix_user", "/lower");
  EXPECT_EQ(expandVariables("$HALDRIX_USER/x"), "/lower/x");
  setEnv("HALDRIX_USER", "/upper");
  EXPECT_EQ(expandVariables("$Haldrix_User/x"), "/upper/x");
  EXPECT_EQ(expandVariables("$haldrix_user/x"), "/lower/x");  // as written comes first

  // The tables match the name exactly.
  setEnv("haldrix_user", nullptr);
  setEnv("HALDRIX_USER", nullptr);
  setVariableOverride("cfg_a", "/o");
  EXPECT_EQ(expandVariables("$CFG_A/x"), "$CFG_A/x");
  EXPECT_EQ(expandVariables("$cfg_a/x"), "/o/x");
}

TEST_F(Expansion, BuiltInsInAnyCase) {
  EXPECT_EQ(expandVariables("prog.$OSEXT"), "prog.exe");
  EXPECT_EQ(expandVariables("prog.$osext"), "prog.exe");
  EXPECT_EQ(expandVariables("$(OsName)/bin"), "x86/bin");
  // Sources before the built-ins win.
  setEnv("OSEXT", "so");
  EXPECT_EQ(expandVariables("prog.$OSEXT"), "prog.so");
}

TEST_F(Expansion, WindowsPlaceholders) {
  setEnv("TMPDIR", "/var/tmp/drw\\//");
  EXPECT_EQ(expandVariables("%SystemTemp%/x"), "/var/tmp/drw/x");
  EXPECT_EQ(expandVariables("%systemtemp%/x"), "/var/tmp/drw/x");
  EXPECT_EQ(expandVariables("%SYSTEMROOT%"), "/");
  EXPECT_EQ(expandVariables("%SystemRoot%etc"), "/etc");
  setEnv("TMPDIR", nullptr);
  EXPECT_EQ(expandVariables("%SystemTemp%/x"), "/tmp/x");
  // Placeholders may come from variables too.
  setVariableOverride("CFG_A", "%SystemTemp%");
  EXPECT_EQ(expandVariables("$CFG_A/y"), "/tmp/y");
}

TEST_F(Expansion, OverrideTableKeepsOneEntryPerName) {
  setVariableOverride("CFG_A", "1");
  setVariableOverride("CFG_A", "2");
  EXPECT_EQ(getVariableOverride("CFG_A"), "2");
  EXPECT_EQ(getVariableOverride("cfg_a"), "");
  clearVariableOverrides();
  EXPECT_EQ(getVariableOverride("CFG_A"), "");
}

TEST_F(Expansion, ListVariablesMergesByPrecedence) {
  useRegistry(key(kMachine, "CFG_M", "machine") + key(kMachine, "CFG_B", "machine") +
              key(kUser, "CFG_B", "user") + key(kUser, "CFG_EMPTY", ""));
  setVariableDefault("CFG_A", "default");
  setVariableDefault("CFG_D", "default");
  setEnv("CFG_A", "environment");
  setVariableOverride("CFG_M", "override");
  std::map<std::string, std::string> all;
  listVariables(all);
  EXPECT_EQ(all["CFG_A"], "environment");
  EXPECT_EQ(all["CFG_D"], "default");
  EXPECT_EQ(all["CFG_B"], "user");
  EXPECT_EQ(all["CFG_M"], "override");
  EXPECT_EQ(all.count("CFG_EMPTY"), 0u);
  EXPECT_EQ(all.count("OSEXT"), 0u);
}

TEST_F(Expansion, StoreVariablePrefersExistingKeys) {
  useRegistry(key(kUser, "CFG_U", "") + key(kMachine, "CFG_U", "old") +
              key(kMachine, "CFG_M", "old") + "[HKEY_CURRENT_USER\\Environment]\n");
  EXPECT_EQ(storeVariable("CFG_U", "u-new"), 1);
  EXPECT_EQ(readRegistryString(kUser + std::string("CFG_U")), "u-new");
  EXPECT_EQ(readRegistryString(kMachine + std::string("CFG_U")), "old");
  EXPECT_EQ(storeVariable("CFG_M", "m-new"), 1);
  EXPECT_EQ(readRegistryString(kMachine + std::string("CFG_M")), "m-new");
  EXPECT_EQ(storeVariable("CFG_NEW", "e-new"), 1);
  EXPECT_NE(storeText().find("CFG_NEW=e-new"), std::string::npos);
  EXPECT_EQ(expandVariables("$CFG_U/x"), "u-new/x");
}

TEST_F(Expansion, StoreVariableFailsWithoutAStore) {
  EXPECT_EQ(storeVariable("CFG_NEW", "v"), 0);
  useRegistry("[Other]\n");
  EXPECT_EQ(storeVariable("CFG_NEW", "v"), 0);  // keys are never created
}

}  // namespace
