// The start file search, the program drive and the variables a start file defines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/environment.h"
#include "plugin/start_environment.h"

namespace fs = std::filesystem;

namespace {

class StartEnvironmentTest : public ::testing::Test {
 protected:
  StartEnvironmentTest() {
    root = fs::temp_directory_path() / ("drw_start_" + std::to_string(::getpid()));
    module = root / "a" / "b" / "c" / "bin" / "drwlink2.so";
    fs::create_directories(module.parent_path());
    std::ofstream(module) << "";
    clearVariableOverrides();
    clearVariableDefaults();
  }
  ~StartEnvironmentTest() override {
    clearVariableOverrides();
    clearVariableDefaults();
    fs::remove_all(root);
  }

  void writeStartFile(const fs::path& dir, const std::string& text) {
    std::ofstream(dir / "start.env", std::ios::binary) << text;
  }

  fs::path root, module;
};

TEST_F(StartEnvironmentTest, SearchReachesTwoLevelsAboveTheModule) {
  struct Case {
    fs::path dir;
    bool found;
  } cases[] = {
      {module.parent_path(), true},                              // module's own directory
      {module.parent_path().parent_path(), true},                // one level up
      {module.parent_path().parent_path().parent_path(), true},  // two levels up
      {root / "a", false},                                       // three levels up
  };
  for (const Case& c : cases) {
    writeStartFile(c.dir, "[ENVIRONS]\nX=1\n");
    std::string found = findStartFile(module.string());
    EXPECT_EQ(found, c.found ? (c.dir / "start.env").string() : "") << c.dir;
    fs::remove(c.dir / "start.env");
  }
}

TEST_F(StartEnvironmentTest, NearerFileHidesFartherOne) {
  fs::path near = module.parent_path(), far = near.parent_path();
  writeStartFile(far, "[ENVIRONS]\nWHICH=far\nONLY_FAR=1\n");
  writeStartFile(near, "[ENVIRONS]\nWHICH=near\n");
  setupStartEnvironmentFor(module.string());
  EXPECT_EQ(getVariableOverride("WHICH"), "near");
  EXPECT_EQ(getVariableOverride("ONLY_FAR"), "");
}

TEST_F(StartEnvironmentTest, DirectoriesAndUnreadableFilesAreSkipped) {
  fs::path near = module.parent_path(), far = near.parent_path();
  fs::create_directories(near / "start.env");  // a directory of that name
  writeStartFile(far, "[ENVIRONS]\nWHICH=far\n");
  EXPECT_EQ(findStartFile(module.string()), (far / "start.env").string());
}

TEST_F(StartEnvironmentTest, EnvironsItemsBecomeOverridesWithTheirDirectory) {
  fs::path dir = module.parent_path().parent_path();
  writeStartFile(dir,
                 "[OTHER]\nIGNORED=1\n"
                 "[ENVIRONS]\n"
                 "HALDRIX=%DirOfThisFile%/setup\n"
                 "HALDRIX_SETUP=%dirofthisfile%/setup/cfg;%DIROFTHISFILE%\n"
                 "LATER=$HALDRIX/x\n");
  ::setenv("HALDRIX", "/from/environment", 1);
  setupStartEnvironmentFor(module.string());
  EXPECT_EQ(getVariableOverride("HALDRIX"), dir.string() + "/setup");
  EXPECT_EQ(getVariableOverride("HALDRIX_SETUP"), dir.string() + "/setup/cfg;" + dir.string());
  EXPECT_EQ(getVariableOverride("LATER"), "$HALDRIX/x") << "expanded only when used";
  EXPECT_EQ(getVariableOverride("IGNORED"), "");
  EXPECT_EQ(expandVariables("$HALDRIX"), dir.string() + "/setup") << "overrides the environment";
  ::unsetenv("HALDRIX");
}

TEST_F(StartEnvironmentTest, NoStartFileDefinesOnlyTheProgramDrive) {
  setupStartEnvironmentFor(module.string());
  EXPECT_EQ(findStartFile(module.string()), "");
  EXPECT_EQ(getVariableOverride("HALDRIX"), "");
  int status = 0;
  resolveVariables("$HALDRIX_PROGRAMDRIVE", status);
  EXPECT_EQ(status, ExpandFinished) << "defined, as the empty text on POSIX";
}

TEST(ProgramDrive, FromTheModulePath) {
  struct Case {
    const char* path;
    const char* drive;
  } cases[] = {
      {"D:/tool/bin/drwlink2.arx", "D:"},
      {"d:\\tool\\bin\\drwlink2.arx", "d:"},
      {"//srv/cad/bin/drwlink2.arx", "//srv/cad"},
      {"\\\\srv\\cad\\bin\\drwlink2.arx", "//srv/cad"},
      {"/opt/drw/bin/drwlink2.so", ""},
      {"drwlink2.so", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(programDrive(c.path), c.drive) << c.path;
}

}  // namespace
