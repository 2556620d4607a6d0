// Path values: their text and parts, and the file operations on them. Arbitrary
// texts go through the text operations in the fuzz_resolve_variables corpus too.
#include "config/file_path.h"

#include "config/steps.h"

using namespace cfgtest;

namespace {

// What a path makes of its text, in one line.
std::string parts(const FilePath& p) {
  return p.text() + (p.isAbsolute() ? " absolute" : "") + " dir=" + p.directory().text() +
         " name=" + p.fileName() + " ext=" + p.extension() + (p.hasDrive() ? " drive=" : "") +
         p.drive() + (p.isUnc() ? " server=" + p.uncServer() : "") +
         (p.hasUncShare() ? " share=" + p.uncShare() : "");
}

TEST(FilePathText, Parts) {
  const struct {
    const char* input;
    std::string expected;
  } cases[] = {
      {"C:\\Data\\", "C:/Data absolute dir=C: name=Data ext= drive=C"},
      {"C:", "C: absolute dir= name=C: ext= drive=C"},
      {"C:x.y", "C:x.y dir= name=C:x.y ext=y drive=C"},
      {"/a", "/a absolute dir=/ name=a ext="},
      {"a.d/file", "a.d/file dir=a.d name=file ext="},
      {"rel\\a.tar.gz//", "rel/a.tar.gz dir=rel name=a.tar.gz ext=gz"},
      {"\\\\srv\\cad\\lib",
       "//srv/cad/lib absolute dir=//srv/cad name=lib ext= server=srv share=cad"},
      {"//srv", "//srv absolute dir=/ name=srv ext= server=srv"},
  };
  for (const auto& c : cases) EXPECT_EQ(parts(FilePath(c.input)), c.expected) << c.input;
  FilePath p("dir.x/a.cfg");
  p.setExtension("");
  EXPECT_EQ(p.text(), "dir.x/a");
  p.setExtension("env");
  EXPECT_EQ(p.text() + FilePath(static_cast<const char*>(nullptr)).text(), "dir.x/a.env");
}

TEST(FilePathText, JoinAndRelative) {
  const struct {
    const char *left, *right, *joined, *leftRelativeToRight;
  } cases[] = {
      {"C:/a/b/c", "C:/a", "C:/a", "b/c"},
      {"C:/ab/c", "C:/a", "C:/a", "C:/ab/c"},
      {"C:/A/b", "d/e", "C:/A/b/d/e", "C:/A/b"},
      {"/", "etc", "/etc", "/"},
      {"/etc/x", "/", "/", "etc/x"},
      {"", "rel", "rel", ""},
      {"a", "C:x", "a/C:x", "a"},
      {"a/b", "", "a/b", "a/b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((FilePath(c.left) / FilePath(c.right)).text(), c.joined) << c.left << " " << c.right;
    EXPECT_EQ(FilePath(c.left).relativeTo(FilePath(c.right)).text(), c.leftRelativeToRight)
        << c.left << " " << c.right;
  }
}

class FilePathFiles : public ::testing::Test {
 protected:
  FilePath at(const std::string& name) const { return FilePath((dir_.path / name).string()); }
  TempDir dir_;
};

TEST_F(FilePathFiles, MakeCreateAndRemove) {
  const FilePath deep = at("x/y/z"), file = at("p/new.cfg"), old = FilePath::currentDirectory();
  EXPECT_TEXT(Text() << deep.makeDirectory(false) << deep.makeDirectory(true) << deep.isDirectory()
                     << deep.makeDirectory(false) << FilePath("C:").makeDirectory(false),
              "-++++");
  writeFile(at("f").text(), "");
  EXPECT_TEXT(Text() << at("f/g").makeDirectory(true) << at("f/g/h").createFile(true), "--");
  EXPECT_TEXT(Text() << file.createFile(false) << file.createFile(true), "-+");
  writeFile(file.text(), "keep");
  EXPECT_TEXT(Text() << file.createFile(true) << readFile(file.text()), "+keep");  // left alone
  EXPECT_TEXT(Text() << FilePath().makeDirectory(true) << FilePath().createFile(true)
                     << FilePath().remove(true) << FilePath().clearDirectory(true),
              "----");
  EXPECT_TEXT(Text() << at("x").remove(false) << at("x").remove(true) << at("x").exists()
                     << file.remove(false) << file.exists(),
              "-+-+-");
  fs::current_path(dir_.path);
  EXPECT_TEXT(
      Text() << FilePath("one/two").makeDirectory(true) << FilePath::currentDirectory().text(),
      "+" + FilePath(dir_.path.string()).text());
  fs::current_path(old.text());
  EXPECT_TRUE(fs::is_directory(dir_.path / "one" / "two"));
}

// Clearing deletes files and keeps directories; neither clearing nor removing
// follows a link out of the tree.
TEST_F(FilePathFiles, ClearAndRemoveTrees) {
  fs::create_directories(dir_.path / "d" / "sub");
  fs::create_directories(dir_.path / "out");
  for (const char* name : {"d/a", "d/sub/b", "out/keep", "lone"}) writeFile(at(name).text(), "x");
  const auto link = [&](const char* name) {
#ifndef _WIN32  // Wine makes no symbolic links
    fs::create_directory_symlink(dir_.path / "out", dir_.path / name);
#else
    (void)name;
#endif
  };
  const FilePath d = at("d");
  link("d/link");
  EXPECT_TEXT(Text() << d.clearDirectory(false) << at("d/a").exists() << at("d/sub/b").exists(),
              "+-+");
  link("d/link");
  EXPECT_TEXT(
      Text() << d.clearDirectory(true) << at("d/sub/b").exists() << at("d/sub").isDirectory(),
      "+-+");
  link("d/sub/link");
  EXPECT_TEXT(Text() << d.remove(true) << d.exists(true) << at("out/keep").exists()
                     << at("lone").clearDirectory(true) << at("lone").exists(),
              "+-++-");  // a file is cleared by deleting it
}

TEST_F(FilePathFiles, RenameTimesAndSize) {
  writeFile(at("a").text(), "12345");
  const FilePath a = at("a"), b = at("b"), d(dir_.path.string());
  platform::LocalDateTime when{2020, 2, 29, 12, 30, 45}, back;
  EXPECT_TEXT(Text() << a.rename(b) << a.rename(b) << b.size() << fileSize(b.text()), "+-55");
  EXPECT_TEXT(Text() << a.size() << d.size() << fileSize(a.text()) << fileSize(d.text()),
              "-1-1-1-1");
  EXPECT_TEXT(Text() << b.setLastWriteTime(when) << b.lastWriteTime(back) << back.year << back.month
                     << back.day << back.second,
              "++202022945");
  EXPECT_TEXT(Text() << b.setLastAccessTime({2001, 1, 2}) << b.lastAccessTime(back) << back.year,
              "++2001");
  EXPECT_TEXT(Text() << a.lastWriteTime(back) << a.lastAccessTime(back) << a.setLastAccessTime(when)
                     << a.setLastWriteTime(when),
              "----");
}

TEST_F(FilePathFiles, CopyFile) {
  std::string big(300000, 'z');
  big[12345] = 'a';
  const std::string src = at("src").text(), same = at("Same.cfg").text();
  writeFile(src, big);
  writeFile(at("empty").text(), "");
  writeFile(same, "content");
#ifdef _WIN32
  fs::copy_file(same, dir_.path / "alias");  // Wine makes no symbolic links
  const std::string alias = same;
#else
  fs::create_symlink(same, dir_.path / "alias");
  const std::string alias = at("alias").text();
#endif
  std::string other = same;
  for (char& c : other) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));
  platform::FileInfo from, to;
  EXPECT_TEXT(Text() << copyFile(at("dst").text(), src) << (readFile(at("dst").text()) == big)
                     << platform::statPath(src, from) << platform::statPath(at("dst").text(), to)
                     << (to.writeTime == from.writeTime),
              "1++++");  // with its write time
  EXPECT_TEXT(Text() << copyFile(at("e").text(), at("empty").text()) << at("e").size(), "10");
  EXPECT_TEXT(Text() << copyFile(at("x").text(), at("missing").text()) << " "
                     << copyFile(at("no/such/x").text(), src) << " "
                     << copyFile(at("x").text(), dir_.path.string()),
#ifdef _WIN32
              "-2 -3 -2");  // no source, no target, a directory (Windows opens none)
#else
              "-2 -3 -4");  // no source, no target, a directory that opens but cannot be read
#endif
  // The same file under another spelling must not be emptied.
  for (const std::string& target : {other, dir_.path.string() + "/./Same.cfg", alias})
    EXPECT_EQ(copyFile(target, same), 0) << target;
  EXPECT_EQ(readFile(same), "content");
}

TEST(ModuleFiles, ModuleAndNetworkNames) {
  int status = 0;
#ifdef _WIN32
  EXPECT_TRUE(fs::equivalent(moduleFileName(), fs::path(_pgmptr)));
#else
  EXPECT_TRUE(fs::equivalent(moduleFileName(), fs::read_symlink("/proc/self/exe")));
#endif
  EXPECT_EQ(moduleDirectory() + "/", moduleFileName().substr(0, moduleFileName().rfind('/') + 1));
  EXPECT_TEXT(Text() << universalName("Z:/data", status) << status, "-1");  // no mapped drives
}

}  // namespace
