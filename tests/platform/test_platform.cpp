#include "platform/files.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old state back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("drw-platform-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string make(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }
  fs::path dir_;
};

TEST_F(PlatformFiles, StatTellsFilesFromDirectoriesAndMissingPaths) {
  std::string file = make("a.txt", "hello");
  platform::FileInfo info;
  ASSERT_TRUE(platform::statPath(file, info));
  EXPECT_TRUE(info.isRegular);
  EXPECT_FALSE(info.isDirectory);
  EXPECT_TRUE(info.readable);
  EXPECT_EQ(info.size, 5);

  platform::FileInfo dirInfo;
  ASSERT_TRUE(platform::statPath(dir_.string(), dirInfo));
  EXPECT_TRUE(dirInfo.isDirectory);
  EXPECT_FALSE(dirInfo.isRegular);

  platform::FileInfo untouched;
  untouched.size = 42;
  EXPECT_FALSE(platform::statPath((dir_ / "missing").string(), untouched));
  EXPECT_EQ(untouched.size, 42);
  EXPECT_FALSE(platform::pathExists((dir_ / "missing").string()));
  EXPECT_TRUE(platform::pathExists(file));
  // A zero byte inside a name must not quietly name a shorter path.
  EXPECT_FALSE(platform::pathExists(file + std::string("\0x", 2)));
}

TEST_F(PlatformFiles, SameFileSeesThroughSpellingsAndLinks) {
  std::string a = make("a.txt", "1");
  std::string b = make("b.txt", "1");
  fs::create_symlink(a, dir_ / "link");
  EXPECT_TRUE(platform::sameFile(a, (dir_ / "." / "a.txt").string()));
  EXPECT_TRUE(platform::sameFile(a, (dir_ / "link").string()));
  EXPECT_TRUE(platform::isSymbolicLink((dir_ / "link").string()));
  EXPECT_FALSE(platform::isSymbolicLink(a));
  EXPECT_FALSE(platform::sameFile(a, b));
  EXPECT_FALSE(platform::sameFile(a, (dir_ / "missing").string()));
}

TEST_F(PlatformFiles, InvalidDatesAndMissingFilesAreRefused) {
  std::string file = make("t.txt", "x");
  EXPECT_FALSE(platform::setFileTime(file, platform::FileTime::Write, {2021, 2, 30, 0, 0, 0}));
  EXPECT_FALSE(platform::setFileTime(file, platform::FileTime::Write, {2021, 13, 1, 0, 0, 0}));
  platform::LocalDateTime out;
  EXPECT_FALSE(platform::getFileTime((dir_ / "missing").string(), platform::FileTime::Write, out));
  EXPECT_FALSE(platform::setFileTime((dir_ / "missing").string(), platform::FileTime::Write,
                                     {2021, 1, 1, 0, 0, 0}));
}

TEST_F(PlatformFiles, SettingOneTimeKeepsTheOther) {
  std::string file = make("t.txt", "x");
  ASSERT_TRUE(platform::setFileTimes(file, 1000000000, 1200000000));
  ASSERT_TRUE(platform::setFileTime(file, platform::FileTime::Access, {2019, 12, 31, 23, 59, 58}));
  platform::FileInfo info;
  ASSERT_TRUE(platform::statPath(file, info));
  EXPECT_EQ(info.writeTime, 1200000000);
  platform::LocalDateTime back;
  ASSERT_TRUE(platform::getFileTime(file, platform::FileTime::Access, back));
  EXPECT_EQ(back.year, 2019);
  EXPECT_EQ(back.second, 58);
}

TEST(PlatformSystem, TemporaryDirectoryFollowsTmpdir) {
  {
    ScopedEnv env("TMPDIR", "/var/tmp/x/");
    EXPECT_EQ(platform::temporaryDirectory(), "/var/tmp/x/");
  }
  {
    ScopedEnv env("TMPDIR", "");
    EXPECT_EQ(platform::temporaryDirectory(), "/tmp");
  }
  {
    ScopedEnv env("TMPDIR", nullptr);
    EXPECT_EQ(platform::temporaryDirectory(), "/tmp");
  }
  EXPECT_EQ(platform::windowsDirectory(), "/");
}

TEST(PlatformSystem, ModuleFileNameNamesThisProgram) {
  std::string name =
      platform::moduleFileName(reinterpret_cast<const void*>(&platform::currentDirectory));
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.front(), '/');
  EXPECT_TRUE(fs::equivalent(name, fs::read_symlink("/proc/self/exe")));
  EXPECT_EQ(platform::moduleFileName(nullptr), "");
}

TEST(PlatformSystem, NoMappedDrivesOnPosix) {
  std::string out = "unchanged";
  EXPECT_FALSE(platform::universalName("Z:\\data", out));
  EXPECT_EQ(out, "unchanged");
}

}  // namespace
