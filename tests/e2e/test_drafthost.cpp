// drafthost with the real plug-in: registration, the command spine, the
// command line, and the program's own options and exit status.
#include "drafthost_run.h"

using nlohmann::json;

TEST_F(E2eTest, RegistersTenCommandsInTableOrder) {
  HostRun r = run("");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_GE(r.trace.size(), 11u);
  EXPECT_EQ(r.trace[0]["fn"], "acrxUnlockApplication");
  auto defuns = r.calls("ads_defun");
  const char* names[] = {"C:MOXIviewer",  "C:MOXIcon",     "C:MOXIass",      "C:MOXIshaft",
                         "C:MOXIoptions", "C:MOXIopenps2", "C:MOXIviewer3d", "C:MOXIcon3d",
                         "C:MOXIshaft3d", "C:MOXIass3d"};
  ASSERT_EQ(defuns.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(defuns[static_cast<std::size_t>(i)]["name"], names[i]);
    EXPECT_EQ(defuns[static_cast<std::size_t>(i)]["code"], i);
    EXPECT_EQ(defuns[static_cast<std::size_t>(i)]["rc"], 5100);
  }
}

TEST_F(E2eTest, Con3dSwitchesCommandEchoOffAndOn) {
  HostRun r = run("moxicon3d\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<json> after(r.trace.begin() + 11, r.trace.end());
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[0], json::parse(R"({"fn":"ads_getfuncode","rc":7})"));
  EXPECT_EQ(after[1]["args"], json::parse(R"([[5005,"_cmdecho"],[5005,"0"]])"));
  EXPECT_EQ(after[2]["fn"], "ads_getvar");
  EXPECT_EQ(after[2]["name"], "MEASUREMENT");
  EXPECT_EQ(after[3]["args"], json::parse(R"([[5005,"_cmdecho"],[5005,"1"]])"));
  EXPECT_EQ(after[3]["rc"], 5100);
  EXPECT_FALSE(std::filesystem::exists(dir / "user" / "acad2d.cfg"))
      << "running a command never creates the settings file";
}

TEST_F(E2eTest, Openps2WithoutAStringArgumentDoesNothing) {
  HostRun r = run("(C:MOXIopenps2)\n(c:moxiopenps2 42)\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expected;
  for (int i = 0; i < 2; ++i)
    for (const char* fn :
         {"ads_getfuncode", "ads_command", "ads_getvar", "ads_getargs", "ads_relrb", "ads_command"})
      expected.push_back(fn);
  std::vector<std::string> fns = r.fns();
  EXPECT_EQ(std::vector<std::string>(fns.begin() + 11, fns.end()), expected);
  auto args = r.calls("ads_getargs");
  EXPECT_EQ(args[0]["args"], json::array());
  EXPECT_EQ(args[1]["args"], json::parse("[[5003,42]]"));
  EXPECT_EQ(r.calls("ads_command").back()["args"][1][1], "1");
}

TEST_F(E2eTest, MeasurementIsReportedAsLong) {
  HostRun r = run("MOXIcon3d\nSETVAR MEASUREMENT 0\nMOXIcon3d\n", "--imperial");
  ASSERT_EQ(r.status, 0) << r.err;
  auto vars = r.calls("ads_getvar");
  ASSERT_EQ(vars.size(), 2u);
  EXPECT_EQ(vars[0]["result"], json::parse("[5010,0]")) << "--imperial starts at 0";
  EXPECT_EQ(vars[1]["result"], json::parse("[5010,0]"));
}

TEST_F(E2eTest, CommandLineEchoesAndReportsUnknownInput) {
  HostRun r =
      run("; a comment\nLINE 0,0 10,0\nZOOM\n(C:NOSUCH 1)\n(C:MOXIcon3d\n^C\n\n"
          "LINE 1,1\nLAYER Gr\xC3\xBCn\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("a comment"), std::string::npos);
  EXPECT_NE(r.out.find("Command: LINE 0,0 10,0\n"), std::string::npos);
  EXPECT_NE(r.out.find("Unknown command \"ZOOM\".  Press F1 for help."), std::string::npos);
  EXPECT_NE(r.out.find("; error: no function definition: C:NOSUCH"), std::string::npos);
  EXPECT_NE(r.out.find("; error: malformed list on input"), std::string::npos);
  EXPECT_NE(r.out.find("Command: *Cancel*"), std::string::npos);
  EXPECT_NE(r.out.find("Invalid point."), std::string::npos);
  EXPECT_NE(r.out.find("Command: LAYER Gr\xC3\xBCn\n"), std::string::npos);
  EXPECT_EQ(r.trace.size(), 11u) << "no plug-in command ran";
}

TEST_F(E2eTest, ReadsTheScriptFromStandardInput) {
  std::string cmd = "cd '" + dir.string() + "' && printf 'MOXIcon3d\\n' | HALDRIX_USER='" +
                    (dir / "user").string() + "' '" + binary() + "' - > out.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_NE(read(dir / "out.txt").find("Command: _cmdecho 0"), std::string::npos);
}

TEST_F(E2eTest, ExitStatusForUsageErrorsAndAMissingPlugin) {
  EXPECT_EQ(run("", "--plugin /nonexistent/drwlink2.so").status, 1);
  EXPECT_EQ(run("", "--bogus").status, 2);
  EXPECT_EQ(run("", "--pickbox x").status, 2);
  HostRun help = run("", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Exit status"), std::string::npos);
  EXPECT_NE(help.out.find("--trace FILE"), std::string::npos);
  for (const char* args : {"/nonexistent/script.scr", "--trace", "a.scr b.scr"}) {
    std::string cmd = "'" + binary() + "' " + args + " > /dev/null 2>&1 < /dev/null";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 2) << args;
  }
}

TEST_F(E2eTest, ExampleScriptRuns) {
  HostRun r = run(read(std::string(DRW_SOURCE_DIR) + "/examples/scripts/spine.scr"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.calls("ads_getfuncode").size(), 4u);
  EXPECT_EQ(r.err, "");
}
