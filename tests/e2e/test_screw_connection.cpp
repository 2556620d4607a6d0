// The screw-connection command end to end: picks on a small section drawing,
// the connection data the stand-in connection program receives through the
// launcher, and where the bolted joint it delivers ends up.
#include <cmath>
#include <cstdlib>

#include "drafthost_run.h"

using nlohmann::json;

namespace {

using Args = std::vector<std::string>;

// Two plates: plate 1 from y = 20 down to y = 0, plate 2 from 0 to -10; the
// bore's centre line at x = 50.
const char kSection[] =
    "LINE 0,20 100,20\n"
    "LINE 0,0 100,0\n"
    "LINE 0,-10 100,-10\n"
    "LINE 50,-40 50,40\n";

// The placement the command gave the joint: the product of its matrices,
// as an angle in degrees and a translation.
struct Placement {
  double angle = 0.0, x = 0.0, y = 0.0;
};

Placement placementOf(const HostRun& r) {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const json& call : r.calls("ads_xformss")) {
    if (call["rc"] != 5100) continue;
    double a[3][3], p[3][3];
    for (int i = 0; i < 2; ++i) {
      a[i][0] = call["matrix"][i][0];
      a[i][1] = call["matrix"][i][1];
      a[i][2] = call["matrix"][i][3];
    }
    a[2][0] = a[2][1] = 0.0;
    a[2][2] = 1.0;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        p[i][j] = 0.0;
        for (int k = 0; k < 3; ++k) p[i][j] += a[i][k] * m[k][j];
      }
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) m[i][j] = p[i][j];
  }
  return {std::atan2(m[1][0], m[0][0]) * 180.0 / 3.141592653589793, m[0][2], m[1][2]};
}

}  // namespace

class ScrewConnectionTest : public CatalogueRunTest {
 protected:
  // The connection data of the one launch; empty when there was none.
  std::string connectionData() {
    auto runs = launches();
    if (runs.size() != 1 || runs[0].size() < 5 || runs[0][3] != "-poke") return "";
    return runs[0][4];
  }

  static std::string bin(const std::string& name) {
    return std::string(DRW_BINARY_DIR) + "/bin/" + name;
  }
};

TEST_F(ScrewConnectionTest, BlindAndThroughHolesAreSizedAndPlacedAtTheBore) {
  struct Case {
    const char* name;
    std::string input;  // after the section drawing and the command
    std::string data;
    Placement placement;
  };
  const Case cases[] = {
      {"blind hole", "0\n50,35\n10,20\n10,0\n", "mconset=    1, 20.0,  0.0,   -1", {-90, 50, 20}},
      {"through hole",
       "1\n50,35\n10,20\n10,0\n10,-10\n",
       "mconset=    2, 20.0, 10.0,   -1",
       {-90, 50, 20}},
      // A number beyond 1 is a blind hole.
      {"type 7", "7\n50,35\n10,20\n10,0\n", "mconset=    1, 20.0,  0.0,   -1", {-90, 50, 20}},
      // Escape at the centre line: the screw starts where plate 1 was picked.
      {"no centre line", "0\n^C\n30,20\n10,0\n", "mconset=    1, 20.0,  0.0,   -1", {-90, 30, 20}},
      // Start point below the second plate's edge: the screw points upwards.
      {"below", "0\n50,35\n10,-10\n10,0\n", "mconset=    1, 10.0,  0.0,   -1", {90, 50, -10}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(log);
    HostRun r = run(std::string(kSection) + "MOXIcon\n" + c.input);
    ASSERT_EQ(r.status, 0) << c.name << r.err;
    ASSERT_EQ(launches().size(), 1u) << c.name << r.out;
    EXPECT_EQ(launches()[0],
              (Args{bin("moxistart"), "-mview", bin("moxicatalog"), "-poke", c.data, "-server",
                    "MoxiCon", "-topic", "MoxiCon", "-poke", "RECEIVERCADID=Autocad.2d", "-fm",
                    "METAV2", "-o", "c:\\acad2d.out"}))
        << c.name;
    // The joint comes as a block; no dragging, no angle asked for.
    EXPECT_EQ(r.calls("ads_draggen").size(), 0u) << c.name;
    EXPECT_EQ(r.calls("ads_getorient").size(), 0u) << c.name;
    ASSERT_EQ(r.calls("ads_xformss").size(), 2u) << c.name << r.out;
    Placement p = placementOf(r);
    EXPECT_NEAR(p.angle, c.placement.angle, 0.01) << c.name;
    EXPECT_NEAR(p.x, c.placement.x, 1e-9) << c.name;
    EXPECT_NEAR(p.y, c.placement.y, 1e-9) << c.name;
    EXPECT_EQ(r.out.find("Ung"), std::string::npos) << c.name << r.out;
  }
}

TEST_F(ScrewConnectionTest, AngleUsesTheProgramsOwnDegreeFactor) {
  // Plate edges sloping at 45 degrees: atan(1) times 180 / 3.1415, minus 90.
  HostRun r =
      run("LINE 0,20 100,120\n"
          "LINE 0,0 100,100\n"
          "MOXIcon\n0\n^C\n50,70\n10,10\n");
  ASSERT_EQ(r.calls("ads_xformss").size(), 2u) << r.out;
  const double expected = std::atan(1.0) * 57.29746936176985 - 90.0;
  EXPECT_DOUBLE_EQ(r.calls("ads_xformss")[0]["matrix"][0][0].get<double>(),
                   std::cos(expected * 3.141592653589793 / 180.0));
  // Clamping length: the distance between the edges, 20 / sqrt 2.
  EXPECT_EQ(connectionData(), "mconset=    1, 14.1,  0.0,   -1");
}

TEST_F(ScrewConnectionTest, VerticalPlateEdges) {
  // Plates standing upright: plate 1's edge at x = 15, plate 2's at x = 0 and
  // its far side at x = -8; the centre line horizontal at y = 30.
  const std::string section =
      "LINE 15,0 15,60\n"
      "LINE 0,0 0,60\n"
      "LINE -8,0 -8,60\n"
      "LINE -30,30 40,30\n";
  HostRun r = run(section + "MOXIcon\n1\n35,30\n15,5\n0,5\n-8,5\n");
  EXPECT_EQ(connectionData(), "mconset=    2, 15.0,  8.0,   -1") << r.out;
  Placement p = placementOf(r);
  EXPECT_NEAR(p.angle, 180.0, 1e-9);
  EXPECT_NEAR(p.x, 15.0, 1e-9);
  EXPECT_NEAR(p.y, 30.0, 1e-9);

  // Plate 1 left of plate 2: the screw points along +x.
  std::filesystem::remove(log);
  r =
      run("LINE -15,0 -15,60\n"
          "LINE 0,0 0,60\n"
          "MOXIcon\n0\n^C\n-15,30\n0,10\n");
  EXPECT_EQ(connectionData(), "mconset=    1, 15.0,  0.0,   -1") << r.out;
  EXPECT_NEAR(placementOf(r).angle, 0.0, 1e-9);
}

TEST_F(ScrewConnectionTest, InchDrawingsSendMillimetres) {
  // One drawing unit of clamping length is one inch.
  HostRun r =
      run("LINE 0,1 10,1\n"
          "LINE 0,0 10,0\n"
          "LINE 0,-0.5 10,-0.5\n"
          "MOXIcon\n1\n^C\n5,1\n5,0\n5,-0.5\n",
          "--imperial --pickbox 0.1");
  EXPECT_EQ(connectionData(), "mconset=    2, 25.4, 12.7,   -1") << r.out;
  Placement p = placementOf(r);
  EXPECT_NEAR(p.x, 5.0, 1e-9);
  EXPECT_NEAR(p.y, 1.0, 1e-9);
}

TEST_F(ScrewConnectionTest, EscapeOrEmptyAnswersEndTheCommandWithoutAProgram) {
  const char* inputs[] = {
      "",                            // end of input at the hole type
      "\n",                          // an empty answer is no hole type
      "^C\n",                        // Escape at the hole type
      "0\n50,35\n^C\n",              // at plate 1
      "0\n50,35\n10,20\n^C\n",       // at plate 2
      "1\n50,35\n10,20\n10,0\n^C\n"  // at plate 2's lower edge
  };
  for (const char* input : inputs) {
    std::filesystem::remove(log);
    HostRun r = run(std::string(kSection) + "MOXIcon\n" + input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(log)) << "launched after '" << input << "'";
    EXPECT_EQ(r.calls("ads_xformss").size(), 0u) << input;
  }
}

TEST_F(ScrewConnectionTest, MissedPicksAreAskedAgain) {
  HostRun r = run(std::string(kSection) +
                  "MOXIcon\n0\n"
                  "500,500\n"  // nothing there: asked again
                  "50,35\n"    // the centre line
                  "500,500\n"  // nothing: plate 1 asked again
                  "10,20\n10,0\n");
  EXPECT_EQ(connectionData(), "mconset=    1, 20.0,  0.0,   -1") << r.out;
  size_t prompts = 0;
  for (const json& e : r.calls("ads_entsel"))
    if (e["prompt"].get<std::string>().find("Oberkante 1.Platte") != std::string::npos) ++prompts;
  EXPECT_EQ(prompts, 2u);
  // Silently: the command prints nothing.
  EXPECT_EQ(r.calls("ads_printf").size(), 0u) << r.out;
  EXPECT_EQ(r.calls("ads_alert").size(), 0u) << r.out;
}

TEST_F(ScrewConnectionTest, PickingTheInsertedJointIsNoLine) {
  // The first joint's block insertion lies at the bore; picking it as plate
  // 1's edge asks again, silently.
  HostRun r = run(std::string(kSection) +
                  "MOXIcon\n0\n50,35\n10,20\n10,0\n"
                  "MOXIcon\n0\n^C\n50,20\n90,20\n90,0\n");
  auto runs = launches();
  ASSERT_EQ(runs.size(), 2u) << r.out;
  EXPECT_EQ(runs[1][4], "mconset=    1, 20.0,  0.0,   -1");
  size_t prompts = 0;
  for (const json& e : r.calls("ads_entsel"))
    if (e["prompt"].get<std::string>().find("Oberkante 1.Platte") != std::string::npos) ++prompts;
  EXPECT_EQ(prompts, 3u) << r.out;
  ASSERT_EQ(r.calls("ads_xformss").size(), 4u);
  EXPECT_EQ(r.calls("ads_xformss")[3]["matrix"][0][3], 90.0);
}

TEST_F(ScrewConnectionTest, InvalidPicksGiveNoConnection) {
  const struct {
    const char* name;
    std::string script;
  } cases[] = {
      // Start point on plate 2's edge: no clamping length.
      {"on the edge", "LINE 0,0 100,0\nMOXIcon\n0\n^C\n10,0\n20,0\n"},
      // Centre line parallel to plate 1's edge: they never meet.
      {"parallel centre line",
       "LINE 0,20 100,20\nLINE 0,0 100,0\nLINE 0,40 100,40\n"
       "MOXIcon\n0\n50,40\n10,20\n10,0\n"},
      // Edges so far apart that their distance overflows.
      {"overflow",
       "LINE 0,1e308 100,1e308\nLINE 0,-1e308 100,-1e308\n"
       "MOXIcon\n0\n^C\n50,1e308\n50,-1e308\n"},
      // Plate 2's upper edge without length, with a through hole.
      {"point edge",
       "LINE 0,20 100,20\nLINE 50,0 50,0\nLINE 0,-10 100,-10\n"
       "MOXIcon\n1\n^C\n30,20\n50,0\n10,-10\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(log);
    HostRun r = run(c.script);
    EXPECT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_NE(r.out.find("Ungültige Angaben"), std::string::npos) << c.name << r.out;
    EXPECT_FALSE(std::filesystem::exists(log)) << c.name;
    EXPECT_EQ(r.calls("ads_xformss").size(), 0u) << c.name;
  }
}

TEST_F(ScrewConnectionTest, MissingExchangeFileIsReported) {
  ::setenv("MOXICATALOG_PART", "nofile", 1);
  HostRun r = run(std::string(kSection) + "MOXIcon\n0\n50,35\n10,20\n10,0\n");
  EXPECT_NE(r.out.find("Metadatei c:\\acad2d.out wurde nicht gefunden!"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.calls("ads_xformss").size(), 0u);
}
