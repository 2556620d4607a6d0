#include "config/file_path.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(FilePathText, NormalFormAndAbsoluteFlag) {
  struct Case {
    const char* input;
    const char* text;
    bool absolute;
  } cases[] = {
      {"C:\\Data\\", "C:/Data", true},
      {"C:", "C:", true},
      {"C:/", "C:", true},
      {"C:x", "C:x", false},
      {"/", "/", true},
      {"//", "/", true},
      {"a/b//", "a/b", false},
      {"\\\\srv\\cad\\lib", "//srv/cad/lib", true},
      {"", "", false},
      {"rel\\f.cfg", "rel/f.cfg", false},
  };
  for (const auto& c : cases) {
    FilePath p(c.input);
    EXPECT_EQ(p.text(), c.text) << c.input;
    EXPECT_EQ(p.isAbsolute(), c.absolute) << c.input;
    EXPECT_EQ(p.nativeText(), c.text) << c.input;  // POSIX keeps the slashes
  }
}

TEST(FilePathText, DriveAndNetworkParts) {
  FilePath unc("\\\\srv\\cad\\lib");
  EXPECT_TRUE(unc.isUnc());
  EXPECT_EQ(unc.uncServer(), "srv");
  EXPECT_TRUE(unc.hasUncShare());
  EXPECT_EQ(unc.uncShare(), "cad");
  EXPECT_FALSE(unc.hasDrive());
  EXPECT_EQ(unc.drive(), "");

  FilePath server("//srv");
  EXPECT_TRUE(server.isUnc());
  EXPECT_EQ(server.uncServer(), "srv");
  EXPECT_FALSE(server.hasUncShare());
  EXPECT_EQ(server.uncShare(), "");

  FilePath share("//srv/cad");
  EXPECT_EQ(share.uncShare(), "cad");

  FilePath d("D:/tool");
  EXPECT_TRUE(d.hasDrive());
  EXPECT_EQ(d.drive(), "D");
  EXPECT_FALSE(d.isUnc());
  EXPECT_EQ(d.uncServer(), "");
  EXPECT_FALSE(FilePath("/usr").isUnc());
  EXPECT_FALSE(FilePath("").hasDrive());
}

TEST(FilePathText, DirectoryFileNameExtension) {
  struct Case {
    const char* path;
    const char* directory;
    const char* fileName;
    const char* extension;
  } cases[] = {
      {"C:/a/b.cfg", "C:/a", "b.cfg", "cfg"},
      {"/a", "/", "a", ""},
      {"C:/a", "C:", "a", ""},
      {"a", "", "a", ""},
      {"/", "", "/", ""},
      {"a.d/file", "a.d", "file", ""},
      {"x/.cfg", "x", ".cfg", "cfg"},
      {"x/a.tar.gz", "x", "a.tar.gz", "gz"},
  };
  for (const auto& c : cases) {
    FilePath p(c.path);
    EXPECT_EQ(p.directory().text(), c.directory) << c.path;
    EXPECT_EQ(p.fileName(), c.fileName) << c.path;
    EXPECT_EQ(p.extension(), c.extension) << c.path;
  }
}

TEST(FilePathText, SetExtension) {
  FilePath p("dir.x/a.cfg");
  p.setExtension("bak");
  EXPECT_EQ(p.text(), "dir.x/a.bak");
  p.setExtension("");
  EXPECT_EQ(p.text(), "dir.x/a");
  p.setExtension("env");
  EXPECT_EQ(p.text(), "dir.x/a.env");
  FilePath q("dir.x/noext");
  q.setExtension("cfg");
  EXPECT_EQ(q.text(), "dir.x/noext.cfg");
}

TEST(FilePathText, JoinOperator) {
  struct Case {
    const char* left;
    const char* right;
    const char* expected;
  } cases[] = {
      {"C:/a", "b/c", "C:/a/b/c"},
      {"C:/a", "/abs", "/abs"},
      {"C:/a", "D:/x", "D:/x"},
      {"/", "etc", "/etc"},
      {"", "rel", "rel"},
      {"a", "C:x", "a/C:x"},
      {"//srv/cad", "lib", "//srv/cad/lib"},
  };
  for (const auto& c : cases)
    EXPECT_EQ((FilePath(c.left) / FilePath(c.right)).text(), c.expected)
        << c.left << " " << c.right;
}

TEST(FilePathText, RelativeTo) {
  EXPECT_EQ(FilePath("C:/a/b/c").relativeTo(FilePath("C:/a")).text(), "b/c");
  EXPECT_EQ(FilePath("C:/ab/c").relativeTo(FilePath("C:/a")).text(), "C:/ab/c");
  EXPECT_EQ(FilePath("C:/A/b").relativeTo(FilePath("C:/a")).text(), "C:/A/b");  // case as stored
  EXPECT_EQ(FilePath("a/b").relativeTo(FilePath("/a")).text(), "a/b");  // absolute flags differ
  EXPECT_EQ(FilePath("/etc/x").relativeTo(FilePath("/")).text(), "etc/x");
  EXPECT_EQ(FilePath("C:/a").relativeTo(FilePath("C:/a")).text(), "C:/a");
}

class FilePathFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("drw-filepath-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return path(name);
  }
  static std::string read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(FilePathFiles, FactsOfFilesDirectoriesAndMissingPaths) {
  FilePath file(write("a.cfg", "x"));
  EXPECT_TRUE(file.exists());
  EXPECT_TRUE(file.isFile());
  EXPECT_FALSE(file.isDirectory());
  EXPECT_TRUE(file.isReadable());
  EXPECT_TRUE(file.isWritable());

  FilePath dir(dir_.string() + "/");
  EXPECT_TRUE(dir.exists());
  EXPECT_TRUE(dir.isDirectory());
  EXPECT_FALSE(dir.isFile());

  FilePath missing(path("missing"));
  EXPECT_FALSE(missing.exists());
  EXPECT_FALSE(missing.isFile());
  EXPECT_FALSE(missing.isReadable());

  // A drive alone is taken as an existing directory without asking the system.
  FilePath drive("Q:");
  EXPECT_TRUE(drive.exists());
  EXPECT_TRUE(drive.isDirectory());
  EXPECT_FALSE(drive.isFile());
  EXPECT_FALSE(FilePath().exists());
}

TEST_F(FilePathFiles, FactsAreCachedUntilRefreshed) {
  FilePath file(path("later.cfg"));
  EXPECT_FALSE(file.exists());
  write("later.cfg", "x");
  EXPECT_FALSE(file.exists());
  EXPECT_TRUE(file.exists(true));
  EXPECT_TRUE(file.isFile());
  FilePath copy = file;  // copies the cached facts
  fs::remove(path("later.cfg"));
  EXPECT_TRUE(copy.isFile());
  EXPECT_FALSE(copy.isFile(true));
  file.setExtension("cfg");  // forgets them
  EXPECT_FALSE(file.exists());
  // Operations that change the file forget them as well.
  EXPECT_TRUE(file.createFile(false));
  EXPECT_TRUE(file.isFile());
  EXPECT_TRUE(file.remove(false));
  EXPECT_FALSE(file.exists());
  FilePath dir(path("made"));
  EXPECT_FALSE(dir.isDirectory());
  EXPECT_TRUE(dir.makeDirectory(false));
  EXPECT_TRUE(dir.isDirectory());
}

TEST_F(FilePathFiles, ReadOnlyFileIsNotWritable) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
  FilePath file(write("ro.cfg", "x"));
  ::chmod(file.nativeText().c_str(), 0444);
  EXPECT_TRUE(file.isReadable(true));
  EXPECT_FALSE(file.isWritable());
}

TEST_F(FilePathFiles, MakeDirectoryCreateFileAndRemove) {
  FilePath deep(path("x/y/z"));
  EXPECT_FALSE(deep.makeDirectory(false));
  EXPECT_TRUE(deep.makeDirectory(true));
  EXPECT_TRUE(deep.isDirectory(true));
  EXPECT_TRUE(deep.makeDirectory(false));  // already there
  EXPECT_TRUE(FilePath("C:").makeDirectory(false));
  EXPECT_FALSE(FilePath().makeDirectory(true));

  FilePath file(path("p/q/new.cfg"));
  EXPECT_FALSE(file.createFile(false));
  EXPECT_TRUE(file.createFile(true));
  EXPECT_EQ(file.size(), 0);
  write("p/q/new.cfg", "keep");
  EXPECT_TRUE(file.createFile(true));  // an existing file stays as it is
  EXPECT_EQ(read(file.text()), "keep");

  FilePath top(path("x"));
  EXPECT_FALSE(top.remove(false));  // not empty
  EXPECT_TRUE(top.remove(true));
  EXPECT_FALSE(top.exists(true));
  EXPECT_TRUE(file.remove(false));
  EXPECT_FALSE(file.exists(true));
}

TEST_F(FilePathFiles, RelativeDirectoryWithParents) {
  fs::path old = fs::current_path();
  fs::current_path(dir_);
  EXPECT_TRUE(FilePath("single").makeDirectory(true));
  EXPECT_TRUE(FilePath("one/two").makeDirectory(true));
  EXPECT_TRUE(fs::is_directory(dir_ / "one" / "two"));
  EXPECT_EQ(FilePath::currentDirectory().text(), dir_.string());
  fs::current_path(old);
}

TEST_F(FilePathFiles, ClearDirectoryKeepsDirectories) {
  fs::create_directories(dir_ / "d" / "sub");
  write("d/a", "1");
  write("d/sub/b", "2");
  FilePath d(path("d"));
  EXPECT_TRUE(d.clearDirectory(false));
  EXPECT_FALSE(fs::exists(dir_ / "d" / "a"));
  EXPECT_TRUE(fs::exists(dir_ / "d" / "sub" / "b"));
  EXPECT_TRUE(d.clearDirectory(true));
  EXPECT_FALSE(fs::exists(dir_ / "d" / "sub" / "b"));
  EXPECT_TRUE(fs::is_directory(dir_ / "d" / "sub"));
  // Applied to a file, the file goes.
  FilePath f(write("lone", "x"));
  EXPECT_TRUE(f.clearDirectory(true));
  EXPECT_FALSE(fs::exists(f.text()));
}

TEST_F(FilePathFiles, RemovingNeverFollowsLinksOutOfTheTree) {
  fs::create_directories(dir_ / "outside");
  write("outside/precious", "data");
  fs::create_directories(dir_ / "tree");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "tree" / "link");
  EXPECT_TRUE(FilePath(path("tree")).clearDirectory(true));
  EXPECT_TRUE(fs::exists(dir_ / "outside" / "precious"));
  fs::create_directory_symlink(dir_ / "outside", dir_ / "tree" / "link2");
  EXPECT_TRUE(FilePath(path("tree")).remove(true));
  EXPECT_FALSE(fs::exists(dir_ / "tree"));
  EXPECT_EQ(read(path("outside/precious")), "data");
}

TEST_F(FilePathFiles, RenameTimesAndSize) {
  FilePath a(write("a", "12345"));
  FilePath b(path("b"));
  EXPECT_TRUE(a.rename(b));
  EXPECT_FALSE(a.exists(true));
  EXPECT_EQ(b.size(), 5);
  EXPECT_EQ(FilePath(dir_.string()).size(), -1);
  EXPECT_EQ(a.size(), -1);
  EXPECT_FALSE(a.rename(b));

  platform::LocalDateTime when{2020, 2, 29, 12, 30, 45}, back;
  EXPECT_TRUE(b.setLastWriteTime(when));
  ASSERT_TRUE(b.lastWriteTime(back));
  EXPECT_EQ(back.year, 2020);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.second, 45);
  EXPECT_TRUE(b.setLastAccessTime({2001, 1, 2, 3, 4, 5}));
  ASSERT_TRUE(b.lastAccessTime(back));
  EXPECT_EQ(back.year, 2001);
  EXPECT_FALSE(a.lastWriteTime(back));
  EXPECT_FALSE(a.setLastAccessTime(when));
}

TEST_F(FilePathFiles, CopyFileCodes) {
  std::string big(300000, 'z');
  big[12345] = 'a';
  std::string src = write("src.bin", big);
  EXPECT_EQ(copyFile(path("dst.bin"), src), 1);
  EXPECT_EQ(read(path("dst.bin")), big);
  platform::FileInfo from, to;
  ASSERT_TRUE(platform::statPath(src, from));
  ASSERT_TRUE(platform::statPath(path("dst.bin"), to));
  EXPECT_EQ(to.writeTime, from.writeTime);

  std::string small = write("small", "");
  EXPECT_EQ(copyFile(path("small.copy"), small), 1);
  EXPECT_EQ(fileSize(path("small.copy")), 0);

  EXPECT_EQ(copyFile(path("x"), path("missing")), -2);
  EXPECT_EQ(copyFile(path("no/such/dir/x"), src), -3);
}

TEST_F(FilePathFiles, CopyOntoItselfCopiesNothing) {
  std::string src = write("Same.cfg", "content");
  std::string other = src;
  for (char& c : other) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));
  EXPECT_EQ(copyFile(other, src), 0);
  // Another spelling of the same file must not empty it either.
  EXPECT_EQ(copyFile(dir_.string() + "/./Same.cfg", src), 0);
  fs::create_symlink(src, dir_ / "alias");
  EXPECT_EQ(copyFile(path("alias"), src), 0);
  EXPECT_EQ(read(src), "content");
}

TEST_F(FilePathFiles, FileSize) {
  EXPECT_EQ(fileSize(write("f", "abc")), 3);
  EXPECT_EQ(fileSize(path("missing")), -1);
  EXPECT_EQ(fileSize(dir_.string()), -1);
}

TEST(ModuleFiles, NamesTheRunningProgram) {
  std::string name = moduleFileName();
  ASSERT_FALSE(name.empty());
  EXPECT_TRUE(fs::equivalent(name, fs::read_symlink("/proc/self/exe")));
  EXPECT_EQ(moduleDirectory(), FilePath(name).directory().text());
  EXPECT_FALSE(moduleDirectory().empty());
}

TEST(ModuleFiles, NoNetworkNamesOnPosix) {
  int status = 0;
  EXPECT_EQ(universalName("Z:/data", status), "");
  EXPECT_EQ(status, -1);
}

}  // namespace
