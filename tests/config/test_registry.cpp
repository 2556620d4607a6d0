// The registry stand-in: a configuration file named by HALDRIX_REGISTRY.
#include "config/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/config_file.h"
#include "config/environment.h"

namespace fs = std::filesystem;

namespace {

const char* const kStore =
    "; registry stand-in\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER]\n"
    "@=/home/user/haldrix\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\Empty]\n"
    "@=\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\NoDefault]\n"
    "other=1\n"
    "[hkey_current_user\\software\\haldrix\\path\\haldrix_user\\Deeper]\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_SETUP]\n"
    "@=/opt/haldrix/setup\n"
    "[HKEY_CURRENT_USER\\Environment]\n"
    "; keep me\n";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("cfgfile-registry-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    store_ = dir_ / "registry.cfg";
    std::ofstream(store_, std::ios::binary) << kStore;
    ::setenv("HALDRIX_REGISTRY", store_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("HALDRIX_REGISTRY");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
  fs::path store_;
};

TEST_F(RegistryTest, Read) {
  const struct {
    const char* key;
    const char* value;
    bool found;
  } cases[] = {
      {"HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER", "/home/user/haldrix", true},
      {"HKEY_CURRENT_USER/software/haldrix/path/haldrix_user", "/home/user/haldrix", true},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_SETUP", "/opt/haldrix/setup", true},
      {"HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\Empty", "", true},
      {"HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\NoDefault", "", false},
      {"HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\Missing", "", false},
      {"HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH", "", false},
      {"HKEY_FOO\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER", "", false},
      {"hkey_current_user\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER", "", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    bool found = !c.found;
    EXPECT_EQ(readRegistryString(c.key, &found), c.value) << c.key;
    EXPECT_EQ(found, c.found) << c.key;
  }
  EXPECT_EQ(readRegistryString("HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER"),
            "/home/user/haldrix");
}

TEST_F(RegistryTest, ListSubkeys) {
  const std::vector<std::string> direct{"HALDRIX_USER", "Empty", "NoDefault"};
  EXPECT_EQ(listRegistrySubkeys("HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\"), direct);
  EXPECT_EQ(listRegistrySubkeys("HKEY_CURRENT_USER/SOFTWARE/HALDRIX/PATH"), direct);
  EXPECT_EQ(listRegistrySubkeys("HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER"),
            std::vector<std::string>{"Deeper"});
  EXPECT_TRUE(listRegistrySubkeys("HKEY_OTHER\\SOFTWARE\\HALDRIX\\PATH").empty());
  EXPECT_TRUE(listRegistrySubkeys("HKEY_CURRENT_USER\\SOFTWARE\\NOBODY").empty());
}

TEST_F(RegistryTest, WriteOnlyIntoExistingKeys) {
  const std::string user = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER";
  EXPECT_EQ(writeRegistryString(user, "", "/new/home"), 1);
  EXPECT_EQ(readRegistryString(user), "/new/home");
  EXPECT_EQ(writeRegistryString("HKEY_CURRENT_USER\\Environment", "HALDRIX_X", "v"), 1);

  const std::string written = readFile(store_);
  EXPECT_NE(written.find("@=/new/home\n"), std::string::npos);
  EXPECT_NE(written.find("[HKEY_CURRENT_USER\\Environment]\nHALDRIX_X=v\n; keep me\n"),
            std::string::npos);
  EXPECT_EQ(written.rfind("; registry stand-in\n", 0), 0u);

  EXPECT_EQ(writeRegistryString("HKEY_CURRENT_USER\\SOFTWARE\\NEW", "", "x"), 0);
  EXPECT_EQ(writeRegistryString("HKEY_BOGUS\\Environment", "A", "x"), 0);
  EXPECT_EQ(readFile(store_), written);
}

TEST_F(RegistryTest, NoStoreDefinesNothing) {
  const std::string user = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER";
  fs::remove(store_);
  bool found = true;
  EXPECT_EQ(readRegistryString(user, &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(writeRegistryString(user, "", "x"), 0);
  EXPECT_FALSE(fs::exists(store_));  // the store is never created
  ::unsetenv("HALDRIX_REGISTRY");
  EXPECT_EQ(registryStorePath(), "");
  EXPECT_TRUE(listRegistrySubkeys("HKEY_CURRENT_USER\\SOFTWARE").empty());
}

// A configuration whose name holds a variable defined in the registry: the
// expansion reads the store, which must not expand anything itself.
TEST_F(RegistryTest, ConfigurationNamedThroughTheRegistry) {
  const std::string user = "HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\HALDRIX_USER";
  ASSERT_EQ(writeRegistryString(user, "", dir_.string()), 1);
  std::ofstream(dir_ / "acad2d.cfg") << "[Options]\nInchAllowed=1\n";
  CSConfig config("$HALDRIX_USER/acad2d.cfg", true);
  EXPECT_EQ(config.getItem("InchAllowed", "Options").asString(), "1");
  config.getItem("AcadLin", "Options", "acad.lin");
  EXPECT_EQ(config.save(), 0);
  EXPECT_EQ(readFile(dir_ / "acad2d.cfg"), "[Options]\nInchAllowed=1\nAcadLin=acad.lin\n");
}

}  // namespace
