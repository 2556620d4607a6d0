// The catalogue commands end to end: drafthost runs the plug-in, which starts
// the stand-in launcher and catalogue program named by the installation's
// moxisol.cfg, and places the part they deliver; and which installation the
// plug-in uses at all.
#include <map>

#include "drafthost_run.h"

namespace {

// How many entities of each type the plug-in made.
std::map<std::string, int> madeTypes(const HostRun& r) {
  std::map<std::string, int> count;
  for (const json& list : r.made()) ++count[list[0][1].get<std::string>()];
  return count;
}

}  // namespace

using CatalogueTest = E2eTest;

TEST_F(CatalogueTest, ViewerDeliversTheScrewDrawingThatIsDraggedAndTurned) {
  HostRun r = run("MOXIviewer\n100,50\n30\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(launches(),
            std::vector<Args>{launchOf(program("moxistart"), program("moxicatalog"),
                                       {"-server", "MoxiViewer", "-topic", "MoxiViewer"})});
  EXPECT_EQ(readFile(exchangeFile(kMetaFile)).rfind("DRAWING {", 0), 0u);
  // Two views (each a block) inside the drawing's block, the head's section
  // hatched; dragged and turned, without a message.
  EXPECT_EQ(madeTypes(r),
            (std::map<std::string, int>{
                {"CIRCLE", 2}, {"HATCH", 1}, {"INSERT", 3}, {"LINE", 30}, {"MTEXT", 1}}));
  EXPECT_EQ(r.calls("ads_draggen").size() + r.calls("ads_getorient").size(), 2u);
  EXPECT_EQ(r.calls("ads_xformss").size(), 2u);
  EXPECT_EQ(r.calls("ads_printf").size(), 2u) << "only the prompts' line feeds: " << r.out;
  EXPECT_TRUE(contains(r.err, "waiting for the catalogue program (1 s")) << r.err;
}

TEST_F(CatalogueTest, EachCommandStartsItsProgramWithItsSwitches) {
  // The sample configuration names the assembly program by EXE3D only.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"MOXIshaft", "MoxiWel", "ICRV2D"}, {"MOXIass", "MoxiAssembly", "6205"}};
  for (const auto& [command, server, marker] : cases) {
    HostRun r = run(std::string(command) + "\n0,0\n0\n");
    EXPECT_EQ(launches(), std::vector<Args>{launchOf(program("moxistart"), program("moxicatalog"),
                                                     {"-server", server, "-topic", server})})
        << command;
    EXPECT_TRUE(contains(readFile(exchangeFile(kMetaFile)), marker)) << command;
    EXPECT_EQ(r.calls("ads_getorient").size(), 1u) << command << r.out;
    EXPECT_GE(madeTypes(r)["HATCH"], 1) << command;
    EXPECT_EQ(r.calls("ads_printf").size(), 2u) << "no message: " << r.out;
  }
}

// The plug-in with a setup folder of its own, so that the launcher
// configuration can be any the test writes.
class OwnInstallationTest : public E2eTest {
 protected:
  std::string plugin = ownSetup();
};

TEST_F(OwnInstallationTest, AMissingOrBrokenLauncherOrProgramIsAlertedWithItsPath) {
  write("not-a-program", "text");
  const std::string start = "[MOXIstart]\nEXE=$(HALDRIX_BIN)/moxistart$(HALDRIX_EXESUFFIX)\n";
  const std::pair<std::string, std::string> cases[] = {
      {"[MOXIstart]\nEXE=$(HALDRIX_BIN)/no-launcher\n[MOXIviewer]\nEXE=$(HALDRIX_BIN)/"
       "moxicatalog\n",
       "Programm MOXIstart (" + bin("no-launcher") + ") wurde nicht gefunden!"},
      {start + "[MOXIviewer]\nEXE=$(HALDRIX_BIN)/no-viewer\nEXE3D=" + program("moxicatalog") + "\n",
       "Programm " + bin("no-viewer") + " wurde nicht gefunden!"},
      {start, "Programm  wurde nicht gefunden!"},
      {"", "Programm MOXIstart () wurde nicht gefunden!"},
      {"[MOXIstart]\nEXE=" + (dir / "not-a-program").string() +
           "\n[moxiviewer]\nEXE=" + program("moxicatalog") + "\n",
       "Programm " + (dir / "not-a-program").string() + " konnte nicht gestartet werden!"},
  };
  for (const auto& [config, alert] : cases) {
    write("setup/moxisol.cfg", config);
    writeFile(exchangeFile(kMetaFile), "FIGURE { NAME { \"old part\" } }\n");
    HostRun r = run("MOXIviewer\n", "", plugin);
    EXPECT_EQ(r.texts("ads_alert"), Args{alert});
    EXPECT_FALSE(fs::exists(exchangeFile(kMetaFile))) << "deleted before the launch: " << alert;
    EXPECT_EQ(r.calls("ads_entmake").size(), 0u);
    EXPECT_TRUE(launches().empty());
  }
}

TEST_F(OwnInstallationTest, PathsWithBlanksAndQuotesReachTheLauncherWhole) {
  // Launcher and program installed under a folder with a blank, exchange
  // files in another; the SAT name also holds a quote and backslashes.
  const fs::path programs = dir / "Program Files" / "moxi soft";
  fs::create_directories(programs);
  fs::create_directories(dir / "x y");
  for (const std::string name : {"moxistart", "moxicatalog"})
    fs::copy_file(program(name), programs / (name + kExe));
  const std::string launcher = (programs / ("moxistart" + kExe)).string();
  const std::string catalogue = (programs / ("moxicatalog" + kExe)).string();
  const std::string meta = (dir / "x y" / "acad2d.out").string();
#ifdef _WIN32
  const std::string sat = (dir / "x y" / "the 3d part").string();  // no quotes in Windows names
#else
  const std::string sat = (dir / "x y" / "the \"3d\\\" part\\").string();
#endif
  write("setup/moxisol.cfg",
        "[MOXIstart]\nEXE=" + launcher + "\n[MOXIviewer]\nEXE=" + catalogue + "\n");
  writeSettings("[XCHG2D]\nMetaFileName=" + meta + "\n[XCHG3D]\nSATFileName=" + sat + "\n");
  HostRun r = run("MOXIviewer\n0,0\n0\nMOXIviewer3d\n0,0\n", "", plugin);
  std::vector<Args> runs = launches();
  ASSERT_EQ(runs.size(), 2u) << r.out;
  EXPECT_EQ(runs[0],
            launchOf(launcher, catalogue, {"-server", "MoxiViewer", "-topic", "MoxiViewer"},
                     {"-poke", "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", meta}));
  EXPECT_EQ(runs[1].back(), sat);
  EXPECT_EQ(readFile(meta).rfind("DRAWING {", 0), 0u);
  EXPECT_EQ(readFile(sat).rfind("106 0 1 0\n", 0), 0u);
  EXPECT_EQ(madeTypes(r)["HATCH"], 1) << r.out;
  EXPECT_FALSE(contains(r.out, "**")) << "no alert: " << r.out;

  // A name longer than any fixed buffer of a command line.
  std::string longName = (dir / std::string(240, 'n')).string();
  for (int i = 0; i < 20; ++i) longName += "/" + std::string(240, 'd');
  writeSettings("[XCHG2D]\nMetaFileName=" + longName + "\n");
  run("MOXIviewer\n", "MOXICATALOG_PART=nofile", plugin);
  runs = launches();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].back(), longName);
}

// Which installation: the start.env beside the built plug-in names the sample
// installation and wins over the environment; a copy without a start file in
// its folder or the two above (a directory of that name is none, three
// folders up is too far) takes everything from the environment, until a start
// file two folders up names another installation relative to itself.
TEST_F(E2eTest, TheStartFileNearestThePluginWinsOverTheEnvironment) {
  for (const char* inst : {"own", "a/third"})
    write(std::string(inst) + "/lang/english/drwlink2.nls",
          "\"Metadatei %s wurde nicht gefunden!\",\"" + std::string(inst) + " %s\"\n");
  const std::string env = "HALDRIX='" + (dir / "own").string() + "' HALDRIX_LANGUAGE=english";
  const std::string script = "(C:MOXIopenps2 \"m.out\")\n";
  EXPECT_TRUE(contains(run(script, env).out, "\nMetafile m.out was not found!\n"));

  fs::create_directories(dir / "a" / "b" / "bin" / "start.env");
  write("start.env", "[ENVIRONS]\nHALDRIX=" + source("setup") + "\n");
  fs::copy_file(bin(kPlugin), dir / "a" / "b" / "bin" / "drwlink2.so");
  const std::string option =
      "--plugin '" + (dir / "a" / "b" / "bin" / "drwlink2.so").string() + "'";
  HostRun r = run(script, env, option);
  EXPECT_TRUE(contains(r.out, "\nown m.out\n")) << r.out;

  write("a/start.env", "[OTHER]\nHALDRIX=/nowhere\n[ENVIRONS]\nHALDRIX=%dirOfThisFile%/third\n");
  r = run(script, env, option);
  EXPECT_TRUE(contains(r.out, "\na/third m.out\n")) << r.out;
}
