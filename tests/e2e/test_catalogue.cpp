// The catalogue commands end to end: drafthost runs the plug-in, which starts
// the stand-in launcher and catalogue program named by the sample
// installation's moxisol.cfg, and places the part they deliver.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "drafthost_run.h"

using nlohmann::json;

namespace {

using Args = std::vector<std::string>;

// The default exchange file, relative to drafthost's directory here.
constexpr const char* kMetaFile = "c:\\acad2d.out";

}  // namespace

class CatalogueTest : public CatalogueRunTest {
 protected:
  // How many entities of each type the plug-in made.
  static std::map<std::string, int> made(const HostRun& r) {
    std::map<std::string, int> count;
    for (const json& e : r.calls("ads_entmake"))
      if (e["rc"] == 5100) ++count[e["list"][0][1].get<std::string>()];
    return count;
  }

  static std::string bin(const std::string& name) {
    return std::string(DRW_BINARY_DIR) + "/bin/" + name;
  }
};

TEST_F(CatalogueTest, ViewerDeliversTheScrewDrawingThatIsDraggedAndTurned) {
  HostRun r = run("MOXIviewer\n100,50\n30\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(launches().size(), 1u) << r.out;
  EXPECT_EQ(launches()[0], (Args{bin("moxistart"), "-mview", bin("moxicatalog"), "-server",
                                 "MoxiViewer", "-topic", "MoxiViewer", "-poke",
                                 "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", kMetaFile}));
  EXPECT_EQ(read(dir / kMetaFile).rfind("DRAWING {", 0), 0u);
  // Two views (each a block) inside the drawing's block, the head's section hatched.
  auto entities = made(r);
  EXPECT_EQ(entities["INSERT"], 3);
  EXPECT_EQ(entities["HATCH"], 1);
  EXPECT_EQ(entities["CIRCLE"], 2);
  EXPECT_GE(entities["LINE"], 20);
  EXPECT_EQ(entities["MTEXT"] + entities["TEXT"], 1);
  ASSERT_EQ(r.calls("ads_draggen").size(), 1u);
  ASSERT_EQ(r.calls("ads_getorient").size(), 1u);
  EXPECT_EQ(r.calls("ads_xformss").size(), 2u);
  EXPECT_EQ(r.out.find("**"), std::string::npos) << "no alert: " << r.out;
  EXPECT_NE(r.err.find("waiting for the catalogue program (1 s"), std::string::npos) << r.err;
}

TEST_F(CatalogueTest, EachCommandStartsItsProgramWithItsSwitches) {
  struct Case {
    const char* command;
    Args switches;
    const char* marker;  // in the exchange file
  };
  const Case cases[] = {
      {"MOXIshaft", {"-server", "MoxiWel", "-topic", "MoxiWel"}, "ICRV2D"},
      // The sample configuration names the assembly program by EXE3D only.
      {"MOXIass", {"-server", "MoxiAssembly", "-topic", "MoxiAssembly"}, "6205"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(log);
    HostRun r = run(std::string(c.command) + "\n0,0\n0\n");
    ASSERT_EQ(launches().size(), 1u) << c.command << r.out;
    Args expected{bin("moxistart"), "-mview", bin("moxicatalog")};
    expected.insert(expected.end(), c.switches.begin(), c.switches.end());
    for (const char* s : {"-poke", "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", kMetaFile})
      expected.push_back(s);
    EXPECT_EQ(launches()[0], expected) << c.command;
    EXPECT_NE(read(dir / kMetaFile).find(c.marker), std::string::npos) << c.command;
    EXPECT_EQ(r.calls("ads_getorient").size(), 1u) << c.command << r.out;
    EXPECT_GE(made(r)["HATCH"], 1) << c.command;
  }
}

TEST_F(CatalogueTest, The3dCommandsImportTheSatSolidAsABlock) {
  const std::pair<const char*, const char*> cases[] = {
      {"MOXIviewer3d", "MoxiViewer"}, {"MOXIshaft3d", "MoxiWel"}, {"MOXIass3d", "MoxiAssembly"}};
  for (const auto& [command, server] : cases) {
    std::filesystem::remove(log);
    HostRun r = run(std::string(command) + "\n10,20\n");
    ASSERT_EQ(launches().size(), 1u) << command << r.out;
    EXPECT_EQ(launches()[0],
              (Args{bin("moxistart"), "-mview", bin("moxicatalog"), "-server", server, "-topic",
                    server, "-poke", "RECEIVERCADID=Autocad.3d", "-fm", "sat", "-poke",
                    "FormatVersion=1.6", "-o", "c:\\acadxchg.sat"}))
        << command;
    EXPECT_EQ(read(dir / "c:\\acadxchg.sat").rfind("106 0 1 0\n", 0), 0u);
    bool acisin = false;
    for (const json& c : r.calls("ads_command"))
      if (c["args"][0][1] == "_acisin") acisin = c["rc"] == 5100;
    EXPECT_TRUE(acisin) << command << r.out;
    ASSERT_EQ(r.calls("ads_entmake").size(), 1u) << command;
    EXPECT_EQ(r.calls("ads_entmake")[0]["list"][1], json::parse(R"([2, "MOXISOL"])"));
    EXPECT_EQ(r.calls("ads_draggen").size(), 1u) << command;
  }
}

TEST_F(CatalogueTest, NoPartChosenAndNoFileWrittenAreReported) {
  std::ofstream(dir / kMetaFile) << "FIGURE { NAME { \"old part\" } }\n";
  ::setenv("MOXICATALOG_PART", "nofile", 1);
  HostRun r = run("MOXIviewer\n");
  // The old exchange file went before the launch, so nothing old is placed.
  EXPECT_NE(r.out.find("Metadatei c:\\acad2d.out wurde nicht gefunden!"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.calls("ads_entmake").size(), 0u);

  ::setenv("MOXICATALOG_PART", "none", 1);
  r = run("MOXIviewer\n");
  EXPECT_NE(r.out.find("Es wurde kein Teil \xC3\xBC"
                       "bergeben!"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.calls("ads_entmake").size(), 0u);
}

TEST_F(CatalogueTest, AMetafileOfTheUsersIsDeliveredAsItIs) {
  const std::string part = std::string(DRW_SOURCE_DIR) + "/examples/metafiles/bracket_figure.mf";
  ::setenv("MOXICATALOG_PART", part.c_str(), 1);
  HostRun r = run("MOXIviewer\n0,0\n0\n");
  EXPECT_EQ(read(dir / kMetaFile), read(part));
  EXPECT_EQ(made(r)["HATCH"], 1) << r.out;
}

// The plug-in copied beside a start.env of its own, so that the launcher
// configuration can be any the test writes.
class OwnInstallationTest : public CatalogueTest {
 protected:
  OwnInstallationTest() {
    namespace fs = std::filesystem;
    const fs::path setup = dir / "setup";
    fs::create_directories(setup);
    for (const auto& entry : fs::directory_iterator(std::string(DRW_SOURCE_DIR) + "/setup"))
      if (entry.is_regular_file() && entry.path().filename() != "moxisol.cfg")
        fs::copy_file(entry.path(), setup / entry.path().filename());
    fs::create_directories(dir / "plug");
    fs::copy_file(bin("drwlink2.so"), dir / "plug" / "drwlink2.so");
    std::ofstream(dir / "plug" / "start.env")
        << "[ENVIRONS]\nHALDRIX=" << setup.string() << "\nHALDRIX_SETUP=" << setup.string()
        << "\nHALDRIX_BIN=" << std::string(DRW_BINARY_DIR) << "/bin\n";
  }

  void writeLauncherConfig(const std::string& text) {
    std::ofstream(dir / "setup" / "moxisol.cfg") << text;
  }
  HostRun runOwn(const std::string& script) {
    return run(script, "--plugin '" + (dir / "plug" / "drwlink2.so").string() + "'");
  }
};

TEST_F(OwnInstallationTest, MissingLauncherOrProgramIsAlertedWithItsPath) {
  struct Case {
    std::string config, alert;
  };
  const Case cases[] = {
      {"[MOXIstart]\nEXE=$(HALDRIX_BIN)/no-launcher\n[MOXIviewer]\nEXE=$(HALDRIX_BIN)/"
       "moxicatalog\n",
       "** Programm MOXIstart (" + bin("no-launcher") + ") wurde nicht gefunden!"},
      {"[MOXIstart]\nEXE=$(HALDRIX_BIN)/moxistart\n[MOXIviewer]\nEXE=$(HALDRIX_BIN)/no-viewer\n",
       "** Programm " + bin("no-viewer") + " wurde nicht gefunden!"},
      {"", "** Programm MOXIstart () wurde nicht gefunden!"},
  };
  for (const Case& c : cases) {
    writeLauncherConfig(c.config);
    std::ofstream(dir / kMetaFile) << "FIGURE { NAME { \"old part\" } }\n";
    HostRun r = runOwn("MOXIviewer\n");
    EXPECT_NE(r.out.find(c.alert + "\n"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / kMetaFile)) << "deleted before the launch";
    EXPECT_EQ(r.calls("ads_alert").size(), 1u);
    EXPECT_EQ(r.calls("ads_entmake").size(), 0u);
  }
  EXPECT_TRUE(launches().empty());
}

TEST_F(OwnInstallationTest, AnEmptyExeFallsBackToExe3d) {
  writeLauncherConfig(
      "[MOXIstart]\nEXE=$(HALDRIX_BIN)/moxistart\n"
      "[MOXIviewer]\nEXE=\nEXE3D=$(HALDRIX_BIN)/moxicatalog\n");
  HostRun r = runOwn("MOXIviewer\n0,0\n0\n");
  ASSERT_EQ(launches().size(), 1u) << r.out;
  EXPECT_EQ(launches()[0][2], bin("moxicatalog"));
  EXPECT_EQ(made(r)["HATCH"], 1) << r.out;
}

TEST_F(OwnInstallationTest, PathsWithBlanksAndQuotesReachTheLauncherWhole) {
  namespace fs = std::filesystem;
  // Launcher and program installed under a folder with a blank, exchange
  // files in another; the SAT name also holds a quote and backslashes.
  const fs::path programs = dir / "Program Files" / "moxi soft";
  fs::create_directories(programs);
  fs::create_directories(dir / "x y");
  for (const char* name : {"moxistart", "moxicatalog"}) fs::copy_file(bin(name), programs / name);
  const std::string launcher = (programs / "moxistart").string();
  const std::string program = (programs / "moxicatalog").string();
  const std::string meta = (dir / "x y" / "acad2d.out").string();
  const std::string sat = (dir / "x y" / "the \"3d\\\" part\\").string();
  writeLauncherConfig("[MOXIstart]\nEXE=" + launcher + "\n[MOXIviewer]\nEXE=" + program + "\n");
  std::ofstream(dir / "user" / "acad2d.cfg")
      << "[XCHG2D]\nMetaFileName=" << meta << "\n[XCHG3D]\nSATFileName=" << sat << "\n";

  HostRun r = runOwn("MOXIviewer\n0,0\n0\nMOXIviewer3d\n0,0\n");
  ASSERT_EQ(launches().size(), 2u) << r.out;
  EXPECT_EQ(launches()[0],
            (Args{launcher, "-mview", program, "-server", "MoxiViewer", "-topic", "MoxiViewer",
                  "-poke", "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", meta}));
  EXPECT_EQ(launches()[1].back(), sat);
  EXPECT_EQ(read(meta).rfind("DRAWING {", 0), 0u);
  EXPECT_EQ(read(sat).rfind("106 0 1 0\n", 0), 0u);
  EXPECT_EQ(made(r)["HATCH"], 1) << r.out;
  EXPECT_EQ(r.out.find("**"), std::string::npos) << "no alert: " << r.out;
}

TEST_F(CatalogueTest, CtrlCInDrafthostCancelsTheWaitAndTheScriptGoesOn) {
  std::ofstream(dir / "script.scr") << "MOXIviewer\nLINE 0,0 10,0\n";
  ::setenv("MOXICATALOG_DELAY", "4", 1);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::setenv("HALDRIX_USER", (dir / "user").c_str(), 1);
    if (!std::freopen("out.txt", "w", stdout) || !std::freopen("err.txt", "w", stderr))
      ::_exit(126);
    ::execl(binary().c_str(), "drafthost", "script.scr", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::unsetenv("MOXICATALOG_DELAY");
  ::usleep(1500 * 1000);  // inside the wait, after the first progress line
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::string out = read(dir / "out.txt");
  std::size_t cancelled = out.find("\nWarten auf das Katalogprogramm abgebrochen!\n");
  EXPECT_NE(cancelled, std::string::npos) << out;
  EXPECT_NE(out.find("Command: LINE 0,0 10,0", cancelled), std::string::npos) << out;
  EXPECT_NE(read(dir / "err.txt").find("drafthost: wait for the catalogue program cancelled"),
            std::string::npos);
  // The catalogue program ended with the launcher: no part arrives late.
  ::usleep(3500 * 1000);
  EXPECT_FALSE(std::filesystem::exists(dir / kMetaFile));
}
