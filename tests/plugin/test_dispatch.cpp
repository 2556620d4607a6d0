// The plug-in's spine run inside a real host: command registration, the
// dispatcher's order of host calls, inch mode, failures and exceptions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host.h"
#include "plugin/ads.h"
#include "plugin/commands.h"

namespace fs = std::filesystem;

namespace {

// The flows a test runs instead of the real ones, and what they saw.
bool g_inchMode = false;
int g_flowRuns = 0;
std::string g_metaFileName;

int recordingFlow(InterfaceSettings& s) {
  ++g_flowRuns;
  g_inchMode = s.inchMode();
  g_metaFileName = s.MetaFileName();
  return 1;
}
int failingFlow(InterfaceSettings&) {
  return -1;
}
int throwingFlow(InterfaceSettings&) {
  throw std::runtime_error("broken");
}

const CommandFlow kTestFlows[] = {recordingFlow, failingFlow, throwingFlow};

extern "C" int testEntry(int message, void* packet) {
  if (message == ACRX_INIT_APP_MSG) acrxUnlockApplication(packet);
  if (message == ACRX_LOAD_DWG_MSG) {
    ads_defun("C:RECORD", 0);
    ads_defun("C:FAIL", 1);
    ads_defun("C:THROW", 2);
    ads_defun("C:TWELVE", 12);
  }
  if (message == ACRX_INVK_SUBR_MSG) dispatchCommand(kTestFlows);
  return 0;
}

}  // namespace

class DispatchTest : public ::testing::Test {
 protected:
  DispatchTest() : host(out) {
    dir = fs::temp_directory_path() / ("drw_dispatch_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("HALDRIX_USER", dir.c_str(), 1);
    host.trace = &trace;
    g_flowRuns = 0;
  }
  ~DispatchTest() override {
    ::unsetenv("HALDRIX_USER");
    fs::remove_all(dir);
  }

  void writeSettings(const std::string& text) { std::ofstream(dir / "acad2d.cfg") << text; }

  // The trace lines of the host functions called so far, as "fn" names.
  std::vector<std::string> calls() {
    std::vector<std::string> fns;
    std::istringstream in(trace.str());
    std::string line;
    while (std::getline(in, line)) fns.push_back(nlohmann::json::parse(line)["fn"]);
    return fns;
  }

  std::ostringstream out, trace;
  drafthost::Host host;
  fs::path dir;
};

TEST_F(DispatchTest, RegistersTheTenCommandsInTableOrder) {
  host.attach(acrxEntryPoint);
  EXPECT_TRUE(host.unlocked());
  const char* expected[] = {"C:MOXIviewer",  "C:MOXIcon",     "C:MOXIass",      "C:MOXIshaft",
                            "C:MOXIoptions", "C:MOXIopenps2", "C:MOXIviewer3d", "C:MOXIcon3d",
                            "C:MOXIshaft3d", "C:MOXIass3d"};
  ASSERT_EQ(host.functions().size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(host.functions()[static_cast<std::size_t>(i)].first, expected[i]);
    EXPECT_EQ(host.functions()[static_cast<std::size_t>(i)].second, i);
  }
  EXPECT_EQ(acrxGetApiVersion(), 0x000E0000);
  EXPECT_EQ(_SetacrxPtp(), 0);
  EXPECT_EQ(acrxEntryPoint(99, nullptr), 0) << "other messages are ignored";
}

TEST_F(DispatchTest, CommandEchoIsSwitchedOffAndOnAroundAFlow) {
  host.attach(testEntry);
  trace.str("");
  host.cmdecho = 0;  // restored to 1 whatever it was
  ASSERT_TRUE(host.invoke("c:record", {}));
  EXPECT_EQ(g_flowRuns, 1);
  EXPECT_EQ(calls(), (std::vector<std::string>{"ads_getfuncode", "ads_command", "ads_getvar",
                                               "ads_command"}));
  EXPECT_EQ(host.cmdecho, 1);
}

TEST_F(DispatchTest, AFailedFlowLeavesCommandEchoOff) {
  host.attach(testEntry);
  host.invoke("C:FAIL", {});
  EXPECT_EQ(host.cmdecho, 0);
  EXPECT_EQ(out.str().find("Internal Error"), std::string::npos);
}

TEST_F(DispatchTest, AnExceptionIsReportedAndEchoRestored) {
  host.attach(testEntry);
  host.invoke("C:THROW", {});
  EXPECT_NE(out.str().find("\nInternal Error. aborting\n"), std::string::npos);
  EXPECT_EQ(host.cmdecho, 1);
}

TEST_F(DispatchTest, AnUnknownFunctionCodeRunsNoFlowButRestoresEcho) {
  host.attach(testEntry);
  host.cmdecho = 0;
  trace.str("");
  host.invoke("C:TWELVE", {});
  EXPECT_EQ(g_flowRuns, 0);
  EXPECT_EQ(host.cmdecho, 1);
  EXPECT_EQ(calls().size(), 4u);
}

TEST_F(DispatchTest, WithoutAFunctionCodeTheCommandEndsSilently) {
  host.attach(testEntry);
  trace.str("");
  EXPECT_EQ(dispatchCommand(kTestFlows), 0);  // no command is being invoked
  EXPECT_EQ(calls(), std::vector<std::string>{"ads_getfuncode"});
  EXPECT_EQ(g_flowRuns, 0);
}

TEST_F(DispatchTest, InchModeNeedsMeasurementZeroAsLongAndInchAllowed) {
  host.attach(testEntry);
  struct Case {
    int measurement, type;
    const char* settings;
    bool inch;
  } cases[] = {
      {0, RTLONG, nullptr, true},
      {0, RTSHORT, nullptr, false},
      {1, RTLONG, nullptr, false},
      {0, RTLONG, "[Options]\nInchAllowed=0\n", false},
      {0, RTLONG, "[Options]\nInchAllowed=jA\n", true},
      {0, RTLONG, "[Options]\nInchAllowed=nein\n", false},
      {0, RTLONG, "[Options]\nInchAllowed=2\n", false},
  };
  for (const auto& c : cases) {
    fs::remove(dir / "acad2d.cfg");
    if (c.settings) writeSettings(c.settings);
    host.measurement = c.measurement;
    host.measurementType = c.type;
    host.invoke("C:RECORD", {});
    EXPECT_EQ(g_inchMode, c.inch) << c.measurement << " " << c.type << " "
                                  << (c.settings ? c.settings : "(no file)");
  }
}

TEST_F(DispatchTest, EachCommandReadsTheSettingsFileAfresh) {
  host.attach(testEntry);
  host.invoke("C:RECORD", {});
  EXPECT_EQ(g_metaFileName, "c:\\acad2d.out");
  writeSettings("[XCHG2D]\nMetaFileName=/tmp/part.out\n");
  host.invoke("C:RECORD", {});
  EXPECT_EQ(g_metaFileName, "/tmp/part.out");
}

TEST_F(DispatchTest, RealFlowsOfTheSpineWork) {
  host.attach(acrxEntryPoint);
  trace.str("");
  host.invoke("C:MOXIcon3d", {});
  host.invoke("C:MOXIopenps2", {});
  host.invoke("C:MOXIopenps2", {drafthost::Group::integral(RTSHORT, 42)});
  EXPECT_EQ(calls(),
            (std::vector<std::string>{"ads_getfuncode", "ads_command", "ads_getvar", "ads_command",
                                      "ads_getfuncode", "ads_command", "ads_getvar", "ads_getargs",
                                      "ads_relrb", "ads_command", "ads_getfuncode", "ads_command",
                                      "ads_getvar", "ads_getargs", "ads_relrb", "ads_command"}));
  EXPECT_EQ(host.cmdecho, 1);
  EXPECT_FALSE(fs::exists(dir / "acad2d.cfg")) << "a command never creates the settings file";
}
