// The catalogue launcher inside the host library, with the real stand-ins:
// moxistart logs the argument vector it gets, moxicatalog writes the part.
#include <gtest/gtest.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "platform/process.h"
#include "plugin/interface_settings.h"
#include "plugin/launcher.h"
#include "plugin/operations.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kBin = std::string(DRW_BINARY_DIR) + "/bin";
const std::string kStart = kBin + "/moxistart";
const std::string kCatalogue = kBin + "/moxicatalog";

std::vector<int> g_pumpCalls;
int g_cancelAt = 0;  // seconds; 0 never cancels
int recordingPump(int seconds) {
  g_pumpCalls.push_back(seconds);
  return g_cancelAt > 0 && seconds >= g_cancelAt ? 1 : 0;
}

class LauncherTest : public ::testing::Test {
 protected:
  LauncherTest() : host(out) {
    dir = fs::temp_directory_path() / ("drw_launcher_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    meta = (dir / "acad2d.out").string();
    sat = (dir / "acadxchg.sat").string();
    log = (dir / "start.log").string();
    ::setenv("HALDRIX_USER", dir.c_str(), 1);
    ::setenv("HALDRIX_SETUP", dir.c_str(), 1);
    ::setenv("MOXISTART_LOG", log.c_str(), 1);
    ::unsetenv("MOXICATALOG_PART");
    ::unsetenv("MOXICATALOG_DELAY");
    std::ofstream(dir / "acad2d.cfg") << "[XCHG2D]\nMetaFileName=" << meta
                                      << "\n[XCHG3D]\nSATFileName=" << sat << "\nSATVersion=1.6\n";
    settings.loadInterfaceSettings();
    g_pumpCalls.clear();
    g_cancelAt = 0;
    platform::setPumpHook(recordingPump);
  }
  ~LauncherTest() override {
    platform::setPumpHook(nullptr);
    for (const char* v : {"HALDRIX_USER", "HALDRIX_SETUP", "MOXISTART_LOG", "MOXICATALOG_PART",
                          "MOXICATALOG_DELAY", "DRW_TEST_BIN"})
      ::unsetenv(v);
    fs::remove_all(dir);
  }

  void writeLauncherConfig(const std::string& text) { std::ofstream(dir / "moxisol.cfg") << text; }
  // The usual configuration: every program is the catalogue stand-in.
  void writeStandardConfig() {
    writeLauncherConfig("[MOXIstart]\nEXE=" + kStart + "\n[MOXIviewer]\nEXE=" + kCatalogue +
                        "\n[MOXIshaft]\nEXE=" + kCatalogue +
                        "\n[MOXIconnection]\nEXE=" + kCatalogue + "\n");
  }

  // The argument vectors moxistart logged, one per run.
  std::vector<Args> launches() {
    std::vector<Args> runs;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) runs.push_back(nlohmann::json::parse(line).get<Args>());
    return runs;
  }

  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::ostringstream out;
  drafthost::Host host;
  InterfaceSettings settings;
  fs::path dir;
  std::string meta, sat, log;
};

TEST_F(LauncherTest, MetafileLaunchPassesTheSwitchesInOrderAndWaitsASecond) {
  writeStandardConfig();
  auto start = Clock::now();
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer -topic MoxiViewer"), 1);
  auto took = Clock::now() - start;
  // The stand-ins end at once; the first look comes after one second.
  EXPECT_GE(took, std::chrono::milliseconds(1000));
  EXPECT_LT(took, std::chrono::milliseconds(1900));
  EXPECT_EQ(g_pumpCalls, (std::vector<int>{0, 1, -1}));
  ASSERT_EQ(launches().size(), 1u);
  EXPECT_EQ(launches()[0],
            (Args{kStart, "-mview", kCatalogue, "-server", "MoxiViewer", "-topic", "MoxiViewer",
                  "-poke", "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", meta}));
  EXPECT_EQ(contents(meta).rfind("DRAWING {", 0), 0u) << "the viewer delivers the screw drawing";
  EXPECT_EQ(out.str(), "");
}

TEST_F(LauncherTest, SatLaunchAsksForTheVersionAndFile) {
  writeStandardConfig();
  EXPECT_EQ(launchForSat(settings, "MOXIshaft", " -server MoxiWel -topic MoxiWel"), 1);
  ASSERT_EQ(launches().size(), 1u);
  EXPECT_EQ(launches()[0], (Args{kStart, "-mview", kCatalogue, "-server", "MoxiWel", "-topic",
                                 "MoxiWel", "-poke", "RECEIVERCADID=Autocad.3d", "-fm", "sat",
                                 "-poke", "FormatVersion=1.6", "-o", sat}));
  std::string text = contents(sat);
  EXPECT_EQ(text.rfind("106 0 1 0\n", 0), 0u);
  EXPECT_NE(text.find("\nbody "), std::string::npos);
}

TEST_F(LauncherTest, ConnectionDataArrivesAsOneArgumentBeforeServerAndTopic) {
  writeStandardConfig();
  std::string data = " -poke \"mconset=    2, 35.0, 12.5,   -1\" -server MoxiCon -topic MoxiCon";
  EXPECT_EQ(launchForMetafile(settings, "MOXIconnection", data), 1);
  ASSERT_EQ(launches().size(), 1u);
  EXPECT_EQ(launches()[0],
            (Args{kStart, "-mview", kCatalogue, "-poke", "mconset=    2, 35.0, 12.5,   -1",
                  "-server", "MoxiCon", "-topic", "MoxiCon", "-poke", "RECEIVERCADID=Autocad.2d",
                  "-fm", "METAV2", "-o", meta}));
  std::string text = contents(meta);
  EXPECT_NE(text.find("\"ISO 4017 M10x60\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"ISO 4032 M10\""), std::string::npos) << text;
}

TEST_F(LauncherTest, ProgramPathsComeFromExeOrExe3dWithVariablesExpanded) {
  ::setenv("DRW_TEST_BIN", kBin.c_str(), 1);
  // Block names ignore case; an empty EXE falls back to EXE3D.
  writeLauncherConfig(
      "[moxistart]\nEXE=$(DRW_TEST_BIN)/moxistart\n"
      "[MOXIassembly]\nEXE=\nEXE3D=$(DRW_TEST_BIN)/moxicatalog\n"
      "[MOXIshaft]\nEXE3D=" +
      kCatalogue + "\n");
  EXPECT_EQ(launchForMetafile(settings, "MOXIassembly", " -server MoxiAssembly"), 1);
  EXPECT_EQ(launchForSat(settings, "moxishaft", " -server MoxiWel"), 1);
  auto runs = launches();
  ASSERT_EQ(runs.size(), 2u);
  for (const Args& run : runs) {
    EXPECT_EQ(run[0], kStart);
    EXPECT_EQ(run[2], kCatalogue);
  }
  EXPECT_NE(contents(meta).find("6205"), std::string::npos) << "the assembly delivers the bearing";
}

TEST_F(LauncherTest, MissingPiecesGiveTheAlertWithThePathAndStillDeleteTheOldFile) {
  const std::string plainFile = (dir / "not-a-program").string();
  std::ofstream(plainFile) << "text";
  struct Case {
    std::string config;  // "-" for no moxisol.cfg at all
    std::string alert;
  };
  const Case cases[] = {
      {"-", "** Programm MOXIstart () wurde nicht gefunden!\n"},
      {"[MOXIstart]\nEXE=/nowhere/moxistart\n[MOXIviewer]\nEXE=" + kCatalogue + "\n",
       "** Programm MOXIstart (/nowhere/moxistart) wurde nicht gefunden!\n"},
      {"[MOXIstart]\nEXE=" + kStart + "\n", "** Programm  wurde nicht gefunden!\n"},
      {"[MOXIstart]\nEXE=" + kStart + "\n[MOXIviewer]\nEXE=/nowhere/viewer\nEXE3D=" + kCatalogue +
           "\n",
       "** Programm /nowhere/viewer wurde nicht gefunden!\n"},
      {"[MOXIstart]\nEXE=" + plainFile + "\n[MOXIviewer]\nEXE=" + kCatalogue + "\n",
       "** Programm " + plainFile + " konnte nicht gestartet werden!\n"},
  };
  for (const Case& c : cases) {
    fs::remove(dir / "moxisol.cfg");
    if (c.config != "-") writeLauncherConfig(c.config);
    std::ofstream(meta) << "old part";
    out.str("");
    EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), -1) << c.alert;
    EXPECT_EQ(out.str(), c.alert);
    EXPECT_FALSE(fs::exists(meta)) << "the old exchange file goes first: " << c.alert;
  }
  EXPECT_TRUE(launches().empty());
  EXPECT_TRUE(g_pumpCalls.empty());
}

TEST_F(LauncherTest, TheConfigurationIsReadAfreshForEveryLaunch) {
  writeStandardConfig();
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), 1);
  writeLauncherConfig("[MOXIstart]\nEXE=" + kStart + "\n[MOXIviewer]\nEXE=/gone/viewer\n");
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), -1);
  EXPECT_EQ(out.str(), "** Programm /gone/viewer wurde nicht gefunden!\n");
}

TEST_F(LauncherTest, AProgramThatWritesNothingStillCountsAsLaunched) {
  writeStandardConfig();
  ::setenv("MOXICATALOG_PART", "nofile", 1);
  std::ofstream(meta) << "old part";
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), 1);
  EXPECT_FALSE(fs::exists(meta));
}

TEST_F(LauncherTest, TheWaitLastsWhileTheProgramRuns) {
  writeStandardConfig();
  ::setenv("MOXICATALOG_DELAY", "1.5", 1);
  auto start = Clock::now();
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), 1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2000));
  EXPECT_EQ(g_pumpCalls, (std::vector<int>{0, 1, 2, -1}));
  EXPECT_TRUE(fs::exists(meta));
}

TEST_F(LauncherTest, ACancelledWaitEndsLauncherAndProgram) {
  writeStandardConfig();
  ::setenv("MOXICATALOG_DELAY", "3", 1);
  g_cancelAt = 1;
  auto start = Clock::now();
  EXPECT_EQ(launchForMetafile(settings, "MOXIviewer", "-server MoxiViewer"), -1);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2900));
  EXPECT_EQ(g_pumpCalls, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(out.str(), "\nWarten auf das Katalogprogramm abgebrochen!\n");
  // The catalogue program went with the launcher: no part turns up late.
  platform::sleepMilliseconds(2500);
  EXPECT_FALSE(fs::exists(meta));
}

TEST_F(LauncherTest, ALongExchangeFileNameIsPassedWhole) {
  writeStandardConfig();
  ::setenv("MOXICATALOG_PART", "nofile", 1);
  std::string longName = (dir / std::string(240, 'n')).string();
  for (int i = 0; i < 20; ++i) longName += "/" + std::string(240, 'd');
  longName += "/acad2d.out";
  std::ofstream(dir / "acad2d.cfg") << "[XCHG2D]\nMetaFileName=" << longName << "\n";
  InterfaceSettings longSettings;
  longSettings.loadInterfaceSettings();
  ASSERT_GT(longSettings.MetaFileName().size(), 4096u);
  EXPECT_EQ(launchForMetafile(longSettings, "MOXIviewer", "-server MoxiViewer"), 1);
  ASSERT_EQ(launches().size(), 1u);
  EXPECT_EQ(launches()[0].back(), longName);
}

}  // namespace
