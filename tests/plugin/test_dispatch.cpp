// What the real commands through drafthost cannot show: the dispatcher with
// flows that throw or are missing, a measurement of another type, a call
// without a function code, the exported version helpers and the style
// accessors outside their lists.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "host.h"
#include "plugin/ads.h"
#include "plugin/commands.h"
#include "plugin/entry.h"

namespace {

int g_flowRuns = 0;
bool g_inchMode = false;

int recordingFlow(InterfaceSettings& s) {
  ++g_flowRuns;
  g_inchMode = s.inchMode();
  return 1;
}
int throwingFlow(InterfaceSettings&) {
  throw std::runtime_error("broken");
}

const CommandFlow kTestFlows[] = {recordingFlow, throwingFlow, nullptr};

extern "C" int testEntry(int message, void*) {
  if (message == ACRX_LOAD_DWG_MSG) {
    ads_defun("C:RECORD", 0);
    ads_defun("C:THROW", 1);
    ads_defun("C:NONE", 2);
    ads_defun("C:TWELVE", 12);
  }
  if (message == ACRX_INVK_SUBR_MSG) dispatchCommand(kTestFlows);
  return 0;
}

TEST(Dispatch, FlowsThatThrowOrAreMissingStillEndTheCommand) {
  std::ostringstream out;
  drafthost::Host host(out);
  host.attach(testEntry);
  const struct {
    const char* command;
    int runs;
    const char* printed;
  } cases[] = {{"C:RECORD", 1, ""},
               {"C:THROW", 0, "\nInternal Error. aborting\n"},
               {"C:NONE", 0, ""},
               {"C:TWELVE", 0, ""}};
  for (const auto& c : cases) {
    g_flowRuns = 0;
    out.str("");
    host.cmdecho = 0;
    host.invoke(c.command, {});
    EXPECT_EQ(g_flowRuns, c.runs) << c.command;
    EXPECT_EQ(out.str(), c.printed) << c.command;
    EXPECT_EQ(host.cmdecho, 1) << c.command << ": command echo restored";
  }
  // Measurement 0 means inch only when the host reports it as a long.
  host.measurement = 0;
  for (int type : {RTLONG, RTSHORT}) {
    host.measurementType = type;
    host.invoke("C:RECORD", {});
    EXPECT_EQ(g_inchMode, type == RTLONG) << type;
  }
  // Without a command being invoked there is no function code: nothing runs.
  std::ostringstream trace;
  host.trace = &trace;
  EXPECT_EQ(dispatchCommand(kTestFlows), 0);
  EXPECT_EQ(trace.str(), "{\"fn\":\"ads_getfuncode\",\"rc\":-5001}\n");
  host.trace = nullptr;
}

TEST(Dispatch, VersionHelpersAndOtherMessages) {
  EXPECT_EQ(acrxGetApiVersion(), 0x000E0000);
  EXPECT_EQ(_SetacrxPtp(), 0);
  EXPECT_EQ(acrxEntryPoint(99, nullptr), 0) << "other messages are ignored";
}

TEST(InterfaceSettings, StyleValuesOutsideTheListsFallBack) {
  InterfaceSettings s;
  for (int index : {-1, 0, 5}) {
    EXPECT_EQ(s.styleLayer(index), "0");
    EXPECT_EQ(s.styleLinetype(index), "CONTINUOUS");
    EXPECT_EQ(s.styleColour(index), 7);
  }
  s.styleLayers() = {"A", "B", "C", "D", "E"};
  s.styleLinetypes() = {"L0", "L1", "L2", "L3", "L4"};
  s.styleColours() = {1, 2, 3, 4, 5};
  for (int index : {-1, 5}) {
    EXPECT_EQ(s.styleLayer(index), "0");
    EXPECT_EQ(s.styleLinetype(index), "CONTINUOUS");
    EXPECT_EQ(s.styleColour(index), 7);
  }
  EXPECT_EQ(s.styleLayer(4) + s.styleLinetype(0) + std::to_string(s.styleColour(2)), "EL03");
}

}  // namespace
