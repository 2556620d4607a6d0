// Hostile inputs through drafthost: absurd metafiles, broken settings files and
// misbehaving catalogue programs. Whatever arrives, the run must end with a
// message, the drawing made so far must survive into the DXF written at the
// end, and the user's settings file must be left as it was.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "drafthost_run.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettings =
    "[Layer]\nSolidHeavy=KONTUR\nSolidLight=DUENN\nHidden=VERDECKT\nCenter=MITTE\n"
    "HeavyDashDot=STRICHPUNKT\nHatch=SCHRAFF\nCosm=KOSM\n"
    "[LineType]\nSolidHeavy=Continuous\nSolidLight=Continuous\nHidden=BYLAYER\n"
    "Center=BYLAYER\nHeavyDashDot=BYBLOCK\nHatch=Continuous\n"
    "[LineColor]\nSolidHeavy=1\nSolidLight=2\nHidden=3\nCenter=4\nHeavyDashDot=5\nHatch=8\n";

// The exchange file the catalogue stand-in writes, relative to drafthost's directory.
constexpr const char* kExchangeFile = "c:\\acad2d.out";

std::string repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// A million where it is the point; the sanitizer build, some twenty times
// slower here, takes the same paths with a tenth to stay within CI's time.
// DRW_TEST_SIZE_DIVISOR divides further (tools/valgrind-tests sets it).
std::size_t million() {
#if defined(__SANITIZE_ADDRESS__)
  std::size_t n = 100000;
#else
  std::size_t n = 1000000;
#endif
  if (const char* d = std::getenv("DRW_TEST_SIZE_DIVISOR"); d && std::atoi(d) > 1)
    n /= static_cast<std::size_t>(std::atoi(d));
  return n;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace

class HostileInputTest : public E2eTest {
 protected:
  HostileInputTest() { std::ofstream(settingsPath(), std::ios::binary) << kSettings; }

  fs::path settingsPath() const { return dir / "user" / "acad2d.cfg"; }

  // Draws a line, runs the commands, draws another line and writes the
  // drawing as DXF. Big inputs run without a trace, which would dwarf them.
  HostRun around(const std::string& commands, bool trace = true, const std::string& env = "") {
    const std::string script = "LINE 0,0 10,0\n" + commands + "LINE 0,0 0,10\n";
    if (trace) return run(script, "--dxf out.dxf");
    std::ofstream(dir / "script.scr", std::ios::binary) << script;
    const std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                            " -u HALDRIX_LANGUAGE HALDRIX_USER='" + (dir / "user").string() + "' " +
                            env + " '" + binary() +
                            "' --dxf out.dxf script.scr > out.txt 2> err.txt";
    HostRun r;
    const int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read(dir / "out.txt");
    r.err = read(dir / "err.txt");
    return r;
  }

  HostRun import(const std::string& metafile, bool trace = true) {
    std::ofstream(dir / "part.mf", std::ios::binary) << metafile;
    return around("(C:MOXIopenps2 \"part.mf\")\n0,0\n0\n", trace);
  }

  // The run ended normally, both lines are in the DXF and the settings file
  // is untouched.
  void expectIntact(const HostRun& r, int lines = 2) {
    EXPECT_EQ(r.status, 0) << r.err << r.out.substr(0, 2000);
    const std::string dxf = read(dir / "out.dxf");
    EXPECT_GE(count(dxf, "\nAcDbLine\n"), static_cast<std::size_t>(lines)) << r.out.substr(0, 2000);
    EXPECT_NE(r.out.find("Command: LINE 0,0 0,10"), std::string::npos) << r.out.substr(0, 2000);
    EXPECT_EQ(read(settingsPath()), kSettings);
  }
};

// Shapes with extreme but finite numbers: each is drawn or refused with a
// message, never crashes the host or leaves a number the DXF cannot hold.
TEST_F(HostileInputTest, ExtremeNumbersAreDrawnOrRefused) {
  struct Case {
    const char* name;
    const char* shapes;
  };
  const Case cases[] = {
      {"huge circle", "CIRCLE { POINT { 0 0 } RAD { 1e308 } }"},
      {"huge arc", "ARC { POINT { 1e308 0 } POINT { 0 1e308 } POINT { -1e308 0 } }"},
      {"huge line", "LINE { POINT { -1.7e308 -1.7e308 } POINT { 1.7e308 1.7e308 } }"},
      {"zero-length line", "LINE { POINT { 5 5 } POINT { 5 5 } }"},
      {"collinear arc", "ARC { POINT { 0 0 } POINT { 1 1 } POINT { 2 2 } }"},
      {"arc of one point", "ARC { POINT { 3 3 } POINT { 3 3 } POINT { 3 3 } }"},
      {"ellipse without RAD1", "ELLIPSE { POINT { 0 0 } RAD1 { 0 } RAD2 { 5 } ANGLE { 0 } }"},
      {"ellipse arc without radii",
       "ELLIPSEARC { POINT { 0 0 } RAD1 { 0 } RAD2 { 0 } ANGLE { 0 } ANGLE1 { 0 } "
       "ANGLE2 { 90 } }"},
      {"huge ellipse", "ELLIPSE { POINT { 0 0 } RAD1 { 1e308 } RAD2 { 1e307 } ANGLE { 1e308 } }"},
      {"curve of identical points",
       "ICRV2D { POINT { 1 1 } POINT { 1 1 } POINT { 1 1 } POINT { 1 1 } }"},
      {"huge text",
       "TEXT { TEXT { \"x\" } POINT { 1e308 1e308 } HEIGHT { 1e308 } "
       "ANGLE { 1e308 } }"},
      {"huge insertion",
       "FIGURE { NAME { \"inner\" } INSERTPOINT { POINT { 1e308 -1e308 } ROTATION { 1e308 } } "
       "FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 1 } } } }"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostRun r =
        import(std::string("DRAWING { DRAWINGITEMS { FIGURE { NAME { \"F\" } FIGURITEMS { ") +
               c.shapes + " } } } }");
    expectIntact(r);
    for (const auto& e : r.calls("ads_entmake")) {
      if (e["rc"] != 5100) {
        EXPECT_NE(r.out.find("nicht erzeugt"), std::string::npos) << r.out;
      }
    }
    const std::string dxf = read(dir / "out.dxf");
    EXPECT_EQ(dxf.find("nan"), std::string::npos) << dxf.substr(0, 4000);
    EXPECT_EQ(dxf.find("inf"), std::string::npos);
  }
}

// Hatch references to the hatch itself, to a text, to a figure, to nothing.
TEST_F(HostileInputTest, ReferencesToThemselvesAndToNonShapesAreSkipped) {
  const char* refs[] = {"1", "7", "9", "0", "-1", "99999999999", "3"};
  for (const char* ref : refs) {
    SCOPED_TRACE(ref);
    HostRun r = import(std::string("DRAWING { DRAWINGITEMS { FIGURE { NAME { \"F\" } FIGURITEMS { "
                                   "TEXT { TEXT { \"t\" } POINT { 0 0 } HEIGHT { 1 } ANGLE { 0 } } "
                                   "CIRCLE { POINT { 0 0 } RAD { 2 } } } "
                                   "M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { "
                                   "M2DHATCHLOOPSHREFS { MOREF { REFTRG { ") +
                       ref + " } } } } } } } } } }");
    expectIntact(r);
  }
}

// Block names of every byte but 0xFF (the file's end mark even inside a
// string), and an empty one.
TEST_F(HostileInputTest, BlockNamesOfEveryByteMakeValidBlocks) {
  std::string figures;
  for (int b = 0; b < 255; ++b) {
    std::string name(1, static_cast<char>(b));
    if (b == '"' || b == '\\') name = "\\" + name;
    figures += "FIGURE { NAME { \"" + name + "x" + name +
               "\" } INSERTPOINT { POINT { 0 0 } ROTATION { 0 } } FIGURITEMS { "
               "LINE { POINT { 0 0 } POINT { 1 1 } } } } ";
  }
  figures += "FIGURE { NAME { \"\" } FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 1 } } } } ";
  HostRun r = import("DRAWING { NAME { \"D\" } DRAWINGITEMS { " + figures + "} }");
  expectIntact(r, 2 + 256);
  EXPECT_GE(r.calls("ads_draggen").size(), 1u) << r.out.substr(0, 3000);
}

// Sizes: one string of 64 MB, a million nested figures, a million sibling lines
// (smaller in the sanitizer build and under valgrind, see million()).
TEST_F(HostileInputTest, HugeFilesEndWithAMessageOrADrawing) {
  {
    SCOPED_TRACE("huge string");
    HostRun r = import("FIGURE { NAME { \"" + std::string(64 * million(), 'A') +
                           "\" } FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 1 } } } }",
                       false);
    expectIntact(r);
  }
  {
    SCOPED_TRACE("nested");
    const std::size_t depth = million();
    HostRun r = import(repeat("FIGURE { FIGURITEMS { ", depth) +
                           "LINE { POINT { 0 0 } POINT { 1 1 } } " + repeat("} } ", depth),
                       false);
    // Figures inside figure items are no shapes: only the outer figure's block
    // arrives, and the reader must not have recursed a million times to see that.
    expectIntact(r);
    EXPECT_NE(read(dir / "out.dxf").find("\nAcDbBlockReference\n"), std::string::npos);
  }
  {
    SCOPED_TRACE("siblings");
    HostRun r = import("FIGURE { NAME { \"S\" } FIGURITEMS { " +
                           repeat("LINE { POINT { 0 0 } POINT { 1 1 } } ", million()) + "} }",
                       false);
    expectIntact(r, static_cast<int>(2 + million()));
  }
}

// A settings file that is a directory: the import goes on with defaults and
// the options dialog reports that it cannot save, the directory untouched.
TEST_F(HostileInputTest, ASettingsFileThatIsADirectoryIsNeverReplaced) {
  fs::remove(settingsPath());
  fs::create_directories(settingsPath() / "keep");
  // The default settings name linetypes of the sample installation's acad.lin.
  ::setenv("DRAFTHOST_SUPPORT", (std::string(DRW_SOURCE_DIR) + "/setup").c_str(), 1);
  std::ofstream(dir / "part.mf")
      << "FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 1 } } } }";
  HostRun r = around(
      "(C:MOXIopenps2 \"part.mf\")\n0,0\n0\n"
      "MOXIoptions\n~set layer_solidheavy Neu\n~action accept\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_GE(count(read(dir / "out.dxf"), "\nAcDbLine\n"), 3u) << r.out;
  ::unsetenv("DRAFTHOST_SUPPORT");
  EXPECT_TRUE(fs::is_directory(settingsPath() / "keep"));
  EXPECT_NE(r.out.find("gespeichert werden"), std::string::npos) << r.out;
}

// A full disk while the options dialog saves: simulated with a file size limit
// (RLIMIT_FSIZE, SIGXFSZ ignored), so every write past 64 KiB fails with EFBIG
// as it would with ENOSPC. The settings file is bigger than that; it must keep
// its old contents and the user hears about the failed save.
TEST_F(HostileInputTest, AFullDiskAtSaveKeepsTheOldSettings) {
  const std::string big = std::string(kSettings) + repeat("; " + std::string(70, '-') + "\n", 1500);
  std::ofstream(settingsPath(), std::ios::binary) << big;
  std::ofstream(dir / "script.scr") << "MOXIoptions\n~set layer_solidheavy Neu\n~action accept\n";
  // A coverage build's counters would be cut by the same limit and spoil the
  // counts of every later run: this run keeps them in the scratch folder.
  const std::string cmd = "cd '" + dir.string() + "' && GCOV_PREFIX='" + (dir / "gcov").string() +
                          "' HALDRIX_USER='" + (dir / "user").string() +
                          "' sh -c \"trap '' XFSZ; ulimit -f 64; exec '" + binary() +
                          "' script.scr\" > out.txt 2> err.txt";
  const int rc = std::system(cmd.c_str());
  const std::string out = read(dir / "out.txt");
  EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << rc << out;
  EXPECT_EQ(read(settingsPath()), big);
  EXPECT_NE(out.find("gespeichert werden"), std::string::npos) << out;
  for (const auto& entry : fs::directory_iterator(dir / "user"))
    EXPECT_EQ(entry.path().filename(), "acad2d.cfg") << "no temporary file left behind";
}

class HostileCatalogueTest : public HostileInputTest {
 protected:
  HostileCatalogueTest() {
    ::setenv("DRAFTHOST_SUPPORT", (std::string(DRW_SOURCE_DIR) + "/setup").c_str(), 1);
  }
  ~HostileCatalogueTest() override {
    for (const char* v : {"DRAFTHOST_SUPPORT", "MOXICATALOG_PART", "MOXICATALOG_DELAY"})
      ::unsetenv(v);
  }
};

// The catalogue program stops half-way through the exchange file.
TEST_F(HostileCatalogueTest, AHalfWrittenExchangeFileIsAnErrorInTheMetafile) {
  const std::string whole = read(std::string(DRW_SOURCE_DIR) + "/examples/metafiles/all_shapes.mf");
  for (std::size_t cut : {whole.size() / 2, whole.size() - 3, std::size_t{1}}) {
    SCOPED_TRACE(cut);
    std::ofstream(dir / "half.mf", std::ios::binary) << whole.substr(0, cut);
    ::setenv("MOXICATALOG_PART", (dir / "half.mf").c_str(), 1);
    HostRun r = around("MOXIviewer\n0,0\n0\n");
    expectIntact(r);
    EXPECT_NE(r.out.find("Fehler in der Metadatei!"), std::string::npos) << r.out;
  }
}

// The exchange file's place is taken by a directory the program cannot replace.
TEST_F(HostileCatalogueTest, AnExchangeFileThatIsADirectoryIsReported) {
  fs::create_directories(dir / kExchangeFile / "inner");
  HostRun r = around("MOXIviewer\n0,0\n0\n");
  expectIntact(r);
  EXPECT_TRUE(fs::is_directory(dir / kExchangeFile / "inner"));
  EXPECT_EQ(r.calls("ads_entmake").size(), 0u) << r.out;
  // Nothing the launcher could write: the directory is no metafile.
  EXPECT_NE(r.out.find("Fehler in der Metadatei!"), std::string::npos) << r.out;
}

// A catalogue program that never ends: Ctrl-C cancels the wait, the drawing
// stays and the script goes on to the end.
TEST_F(HostileCatalogueTest, ALauncherThatNeverEndsIsCancelled) {
  std::ofstream(dir / "script.scr") << "LINE 0,0 10,0\nMOXIviewer\nLINE 0,0 0,10\n";
  ::setenv("MOXICATALOG_DELAY", "3000", 1);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::setenv("HALDRIX_USER", (dir / "user").c_str(), 1);
    if (!std::freopen("out.txt", "w", stdout) || !std::freopen("err.txt", "w", stderr))
      ::_exit(126);
    ::execl(binary().c_str(), "drafthost", "--dxf", "out.dxf", "script.scr",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::unsetenv("MOXICATALOG_DELAY");
  ::sleep(2);
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  HostRun r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = read(dir / "out.txt");
  r.err = read(dir / "err.txt");
  expectIntact(r);
  EXPECT_NE(r.out.find("abgebrochen"), std::string::npos) << r.out;
}
