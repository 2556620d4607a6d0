// drafthost with the real plug-in: registration, the command spine, the
// command line, and the program's own options and exit status.
#include "drafthost_run.h"

TEST_F(E2eTest, RegistersTenCommandsInTableOrder) {
  HostRun r = run("");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.trace.size(), 11u);
  EXPECT_EQ(r.trace[0]["fn"], "acrxUnlockApplication");
  const char* names[] = {"C:MOXIviewer",  "C:MOXIcon",     "C:MOXIass",      "C:MOXIshaft",
                         "C:MOXIoptions", "C:MOXIopenps2", "C:MOXIviewer3d", "C:MOXIcon3d",
                         "C:MOXIshaft3d", "C:MOXIass3d"};
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(r.trace[i + 1],
              json({{"fn", "ads_defun"}, {"name", names[i]}, {"code", i}, {"rc", 5100}}));
}

// Every command switches command echo off and back on around its flow after
// asking for the drawing's measurement; openps2 without a string does nothing.
TEST_F(E2eTest, CommandsSwitchCommandEchoOffAndOnAroundTheirFlow) {
  HostRun r = run("moxicon3d\n(C:MOXIopenps2)\n(c:moxiopenps2 42)\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json(std::vector<json>(r.trace.begin() + 11, r.trace.end())), json::parse(R"([
      {"fn":"ads_getfuncode","rc":7},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"0"]],"rc":5100},
      {"fn":"ads_getvar","name":"MEASUREMENT","result":[5010,1],"rc":5100},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"1"]],"rc":5100},
      {"fn":"ads_getfuncode","rc":5},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"0"]],"rc":5100},
      {"fn":"ads_getvar","name":"MEASUREMENT","result":[5010,1],"rc":5100},
      {"fn":"ads_getargs","args":[]},
      {"fn":"ads_relrb","rc":5100},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"1"]],"rc":5100},
      {"fn":"ads_getfuncode","rc":5},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"0"]],"rc":5100},
      {"fn":"ads_getvar","name":"MEASUREMENT","result":[5010,1],"rc":5100},
      {"fn":"ads_getargs","args":[[5003,42]]},
      {"fn":"ads_relrb","rc":5100},
      {"fn":"ads_command","args":[[5005,"_cmdecho"],[5005,"1"]],"rc":5100}])"));
  EXPECT_FALSE(fs::exists(settingsPath())) << "running a command never creates the settings file";
}

TEST_F(E2eTest, CommandLineEchoesAndReportsUnknownInput) {
  HostRun r =
      run("; a comment\nLINE 0,0 10,0\nZOOM\n(C:NOSUCH 1)\n(C:MOXIcon3d\n^C\n\nLINE 1,1\n"
          "LAYER Gr\xC3\xBCn\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(contains(r.out, "a comment"));
  for (const char* line :
       {"Command: LINE 0,0 10,0\n", "Unknown command \"ZOOM\".  Press F1 for help.",
        "; error: no function definition: C:NOSUCH", "; error: malformed list on input",
        "Command: *Cancel*", "Invalid point.", "Command: LAYER Gr\xC3\xBCn\n"})
    EXPECT_TRUE(contains(r.out, line)) << line;
  EXPECT_EQ(r.trace.size(), 11u) << "no plug-in command ran";
}

// A script on standard input and command lines without a script file are
// the two runs the harness does not build itself.
TEST_F(E2eTest, ExitStatusScriptFromStandardInputAndAMissingPlugin) {
#ifndef _WIN32
  const std::string cmd = "cd '" + dir.string() + "' && printf 'MOXIcon3d\\n' | HALDRIX_USER='" +
                          (dir / "user").string() + "' '" + bin("drafthost") + "' - > out.txt";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(contains(read("out.txt"), "Command: _cmdecho 0"));
  for (const char* args : {"/nonexistent/script.scr", "--trace", "a.scr b.scr"}) {
    const std::string cmd = "'" + bin("drafthost") + "' " + args + " > /dev/null 2>&1 < /dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 2) << args;
  }
#endif
  EXPECT_EQ(run("", "", "--plugin /nonexistent/drwlink2.so").status, 1);
  EXPECT_EQ(run("", "", "--bogus").status, 2);
  EXPECT_EQ(run("", "", "--pickbox x").status, 2);
  EXPECT_EQ(run("", "", "--pickbox 0.1 --imperial").status, 0);
  HostRun help = run("", "", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(contains(help.out, "Exit status") && contains(help.out, "--trace FILE"));
}
