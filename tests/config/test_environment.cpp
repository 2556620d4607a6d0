// Variables in file names: expansion with the sources in order of precedence,
// name syntax, chains and cycles, built-ins and placeholders; listing and
// storing variables; and the registry they may come from (the stand-in store
// on POSIX, the real registry on Windows).
#include "config/environment.h"
#include "config/registry.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <map>
#include <sstream>

#include "config/steps.h"
#include "platform/system.h"

using namespace cfgtest;

namespace {

const std::string kUser = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\";
const std::string kMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\";

#ifdef _WIN32
const char kPathKey[] = "SOFTWARE\\HALDRIX\\PATH\\";

// Writes a variable's key into the real registry.
void writeKey(HKEY root, const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(root, (kPathKey + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(key);
}
#else
// A block of the registry store that gives the key its default value.
std::string key(const std::string& root, const std::string& name, const std::string& value) {
  return "[" + root + name + "]\n@=" + value + "\n";
}
#endif

// Every test and every case starts with empty tables, no registry store and
// none of these variables in the environment.
class Variables : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  void reset() {
    clearVariableOverrides();
    clearVariableDefaults();
    for (const char* name : {"HALDRIX_REGISTRY", "TMPDIR", "U", "CFG_U", "cfg_u", "Cfg_U", "OSEXT"})
      platform::unsetEnvironmentVariable(name);
#ifdef _WIN32
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\HALDRIX");
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\HALDRIX");
#endif
  }
  // Puts the variables' keys (user ones first) into the registry: a store
  // that HALDRIX_REGISTRY names on POSIX, the real registry on Windows.
  using Keys = std::vector<std::pair<std::string, std::string>>;
  void useRegistry(const Keys& user, const Keys& machine) {
#ifdef _WIN32
    for (const auto& [name, value] : user) writeKey(HKEY_CURRENT_USER, name, value);
    for (const auto& [name, value] : machine) writeKey(HKEY_LOCAL_MACHINE, name, value);
#else
    std::string store;
    for (const auto& [name, value] : user) store += key(kUser, name, value);
    for (const auto& [name, value] : machine) store += key(kMachine, name, value);
    writeFile(store_, store);
    platform::setEnvironmentVariable("HALDRIX_REGISTRY", store_);
#endif
  }
  TempDir dir_;
  const std::string store_ = (dir_.path / "registry").string();
};

// The setup names the sources one entry at a time: "override A=1; default B=2;
// env C=3; user D=4; machine E=5" (user and machine: the registry keys).
TEST_F(Variables, Expansion) {
  const struct {
    const char* name;
    std::string setup, input, expected;
    int status = ExpandFinished;
    bool posixOnly = false;  // TMPDIR, or names differing in case only
  } cases[] = {
      {"the override table comes first",
       "override U=/o; user U=/ru; machine U=/rm; env U=/e; default U=/d", "$U/x", "/o/x"},
      {"then the current user's registry key", "user U=/ru; machine U=/rm; env U=/e", "$U", "/ru"},
      {"an empty user key leaves it to the machine key", "user U=; machine U=/rm", "$U", "/rm"},
      {"then the environment", "user OTHER=/ru; env CFG_U=/e; default CFG_U=/d", "$CFG_U", "/e"},
      {"the default table last", "default U=/d", "$U", "/d"},
      {"undefined: the result is the name", "", "$U/x", "U", ExpandUndefined},
      // A name runs to "/", "\", "-" or ")"; parentheses around it go.
      {"parenthesised", "override U=/u", "$(U)a/$((U)))", "/ua//u))"},
      {"backslash, minus and bracket end a name", "override U=/u", "$U\\a-$U-1$U)y",
       "/u\\a-/u-1/uy"},
      {"dot belongs to the name", "override A.cfg=dotted", "$A.cfg/x", "dotted/x"},
      {"empty name", "", "a$/x", "", ExpandUndefined},
      {"the first undefined one is named", "override A=a", "$A/$NOPE/$B", "NOPE", ExpandUndefined},
      {"a name with '=' is never an environment entry", "env CFG_U=/e", "$CFG_U=x", "CFG_U=x",
       ExpandUndefined},
      {"values are expanded in turn", "override A=$B/sub; default B=/base", "$A/f", "/base/sub/f"},
      {"a chain ending in an undefined name", "override A=$B/sub; override B=$MISSING", "$A/f",
       "MISSING", ExpandUndefined},
      {"registry values are expanded too", "user U=$M/u; machine M=/m", "$U", "/m/u"},
      {"a cycle", "override A=$B/a; override B=x/$A", "$A/f", "A", ExpandUndefined},
      {"a variable naming itself", "override S=$S", "$S", "S", ExpandUndefined},
      {"a value multiplying itself stops", "override G=$G-$G-$G", "$G", "G", ExpandUndefined},
      // The environment is asked as written, in upper case, then in lower case.
      {"environment in lower case", "env cfg_u=/l", "$CFG_U", "/l"},
      {"environment as written, then in upper case", "env cfg_u=/l; env CFG_U=/u", "$Cfg_U/$cfg_u",
       "/u//l", ExpandFinished, true},  // Windows' names ignore case
      {"the tables match names exactly", "override cfg_u=/o; default Cfg_U=/d", "$CFG_U", "CFG_U",
       ExpandUndefined},
      {"built-ins in any case", "", "$(OsName)/p.$osext", "x86/p.exe"},
      {"sources before the built-ins win", "env OSEXT=so", "p.$OSEXT", "p.so"},
      {"placeholders in any case, trailing slashes dropped", "env TMPDIR=/var/tmp/drw\\//",
       "%SystemTemp%/%systemroot%etc", "/var/tmp/drw//etc", ExpandFinished, true},
      {"temporary directory of an empty TMPDIR", "env TMPDIR=", "%SYSTEMTEMP%", "/tmp",
       ExpandFinished, true},
      {"placeholders from a variable", "override A=%SystemTemp%", "$A/y", "/tmp/y", ExpandFinished,
       true},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    if (c.posixOnly) continue;
#endif
    reset();
    Keys user, machine;
    std::istringstream entries(c.setup);
    for (std::string source, name, value; entries >> source && std::getline(entries, name, '=') &&
                                          std::getline(entries, value, ';');) {
      name.erase(0, 1);  // the blank after the source
      if (source == "override") setVariableOverride(name, value);
      if (source == "default") setVariableDefault(name, value);
      if (source == "env") platform::setEnvironmentVariable(name, value);
      if (source == "user") user.emplace_back(name, value);
      if (source == "machine") machine.emplace_back(name, value);
    }
    if (!user.empty() || !machine.empty()) useRegistry(user, machine);
    int status = 0;
    EXPECT_EQ(resolveVariables(c.input, status), c.expected) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_EQ(expandVariables(c.input), status == ExpandFinished ? c.expected : c.input) << c.name;
  }
}

#ifdef _WIN32
// The Windows temporary and Windows directories stand behind the placeholders.
TEST_F(Variables, PlaceholdersOfTheSystemFolders) {
  std::string temp = platform::temporaryDirectory();
  while (!temp.empty() && (temp.back() == '\\' || temp.back() == '/')) temp.pop_back();
  EXPECT_EQ(expandVariables("%SystemTemp%/x"), temp + "/x");
  EXPECT_EQ(expandVariables("%SystemRoot%"), platform::windowsDirectory());
  EXPECT_TRUE(fs::is_directory(platform::windowsDirectory()));
  EXPECT_TRUE(fs::is_directory(temp));
}

// The real registry: default values of the variables' keys (strings only),
// subkeys, values written into existing keys only, variables stored and listed.
TEST_F(Variables, WindowsRegistry) {
  useRegistry({{"U", "/home"}, {"Empty", ""}}, {{"U", "/opt"}, {"M", "/m"}});
  HKEY key = nullptr;
  ::RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kPathKey) + "Number").c_str(), 0, nullptr, 0,
                    KEY_WRITE, nullptr, &key, nullptr);
  const DWORD number = 7;
  ::RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  ::RegCloseKey(key);
  const auto read = [&](const std::string& name) {
    bool found = false;
    const std::string value = readRegistryString(name, &found);
    return std::string(Text() << value << found);
  };
  std::map<std::string, std::string> all;
  expectSteps({
      {"a user key, either slash", read("HKEY_CURRENT_USER/software/haldrix/PATH/u"), "/home+"},
      {"an empty default value", read(kUser + "Empty"), "+"},
      {"a number, no key, no root", read(kUser + "Number") + read(kUser + "X") + read("HKEY_X\\A"),
       "---"},
      {"subkeys", Text() << listRegistrySubkeys(kMachine) << listRegistrySubkeys("HKEY_X\\A"),
       "(M)(U)"},
      {"the user's key before the machine's", expandVariables("$U/$M"), "/home//m"},
      {"listing", (listVariables(all), Text() << all["U"] << all["M"] << all.count("Empty")),
       "/home/m0"},
      {"storing into existing keys only",
       Text() << storeVariable("M", "m2") << writeRegistryString(kUser + "New", "", "x")
              << read(kMachine + "M"),
       "10m2+"},
      {"no stand-in store on Windows", registryStorePath(), ""},
  });
}
#else
// The store on its own: key names, subkeys, values written into it; variables
// stored there (into an existing key, the user's before the machine's, any
// other into the user's environment key) and listed with all the others.
TEST_F(Variables, RegistryStandIn) {
  const std::string path = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH";
  std::string store = "; c\n" + key(kUser, "U", "/home") + key(kUser, "Empty", "") + "[" + kUser +
                      "NoDefault]\n[" + kUser + "noDEFAULT]\n[" + kUser + "u\\Deeper]\n" +
                      key(kMachine, "U", "/opt") + key(kMachine, "M", "/m") +
                      "[HKEY_CURRENT_USER\\Environment]\n; keep\n";
  writeFile(store_, store);
  platform::setEnvironmentVariable("HALDRIX_REGISTRY", store_);
  const auto read = [&](const std::string& name) {
    bool found = false;
    const std::string value = readRegistryString(name, &found);
    return std::string(Text() << value << found);
  };
  std::map<std::string, std::string> all;
  int status = 0;
  expectSteps({
      {"a user key, any case, either slash", read("HKEY_CURRENT_USER/software/haldrix/PATH/u"),
       "/home+"},
      {"an empty default value", read(kUser + "Empty"), "+"},
      {"no default value, no key, no root, a root in another case",
       read(kUser + "NoDefault") + read(kUser + "X") + read(path) + read("HKEY_X\\A") +
           read("hkey_current_user\\SOFTWARE\\HALDRIX\\PATH\\Empty"),
       "-----"},
      {"direct subkeys, each once, as first spelt",
       Text() << listRegistrySubkeys(kUser) << listRegistrySubkeys(path + "\\U")
              << listRegistrySubkeys("HKEY_X\\A") << listRegistrySubkeys(path + "\\A"),
       "(U)(Empty)(NoDefault)(Deeper)"},
      {"listing merges by precedence; empty values are no variables",
       (setVariableDefault("M", "d"), setVariableDefault("D", "d"),
        setVariableDefault("CFG_U", "d"), platform::setEnvironmentVariable("CFG_U", "e"),
        setVariableOverride("NoDefault", "o"), listVariables(all),
        Text() << all["CFG_U"] << all["M"] << all["U"] << all["D"] << all["NoDefault"]
               << (all.count("Empty") + all.count("OSEXT"))),
       "e/m/homedo0"},
      {"registry lookup switched off",
       Text() << resolveVariables("$U", status, false) << status << expandVariables("$U"),
       "U-2/home"},
      {"storing into existing keys",
       Text() << storeVariable("U", "/new") << storeVariable("M", "m") << storeVariable("X", "v")
              << writeRegistryString(kUser + "NEW", "", "x")
              << writeRegistryString("HKEY_X\\E", "A", "x"),
       "11100"},  // keys are never created
      {"every other line stays", readFile(store_),
       store.replace(store.find("/home"), 5, "/new")
           .replace(store.find("/m\n"), 2, "m")
           .replace(store.find("; keep"), 0, "X=v\n")},
      {"without the store nothing is found or created",
       (fs::remove(store_), Text() << read(kUser + "Empty"))
           << storeVariable("U", "x") << fs::exists(store_),
       "-0-"},
      {"without the variable there is no store",
       (platform::unsetEnvironmentVariable("HALDRIX_REGISTRY"),
        Text() << registryStorePath() << listRegistrySubkeys(path)),
       ""},
  });
}

#endif

}  // namespace
