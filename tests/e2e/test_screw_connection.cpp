// The screw-connection command end to end: picks on a small section drawing,
// the connection data the stand-in connection program receives through the
// launcher, and where the bolted joint it delivers ends up.
#include "drafthost_run.h"

namespace {

// Two plates: plate 1 from y = 20 down to y = 0, plate 2 from 0 to -10; the
// bore's centre line at x = 50.
const std::string kSection =
    "LINE 0,20 100,20\nLINE 0,0 100,0\nLINE 0,-10 100,-10\nLINE 50,-40 50,40\n";

// The placement the command gave the joint: the product of its matrices, as
// an angle in degrees and a translation.
struct Placement {
  double angle = 0.0, x = 0.0, y = 0.0;
};

Placement placementOf(const HostRun& r) {
  double m[2][3] = {{1, 0, 0}, {0, 1, 0}};
  for (const json& call : r.calls("ads_xformss")) {
    const json& a = call["matrix"];
    double p[2][3];
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 3; ++j)
        p[i][j] = a[i][0].get<double>() * m[0][j] + a[i][1].get<double>() * m[1][j] +
                  (j == 2 ? a[i][3].get<double>() : 0.0);
    std::copy(&p[0][0], &p[0][0] + 6, &m[0][0]);
  }
  return {std::atan2(m[1][0], m[0][0]) * 180.0 / std::numbers::pi, m[0][2], m[1][2]};
}

}  // namespace

using ScrewConnectionTest = E2eTest;

TEST_F(ScrewConnectionTest, HolesAreSizedAndThePlacementFollowsThePlates) {
  // Plates standing upright, centre line horizontal at y = 30; plate 1 left
  // of plate 2; edges sloping at 45 degrees.
  const std::string upright =
      "LINE 15,0 15,60\nLINE 0,0 0,60\nLINE -8,0 -8,60\nLINE -30,30 40,30\n";
  const std::string left = "LINE -15,0 -15,60\nLINE 0,0 0,60\n";
  const std::string sloping = "LINE 0,20 100,120\nLINE 0,0 100,100\n";
  // In an inch drawing one unit of length is 25.4 mm for the program.
  const std::string inch =
      "SETVAR MEASUREMENT 0\nLINE 0,10 100,10\nLINE 0,0 100,0\nLINE 0,-5 100,-5\n";
  // The program's own degree factor: atan(1) * 180 / 3.1415 - 90.
  const double slope = std::atan(1.0) * 57.29746936176985 - 90.0;
  struct Case {
    const char* name;
    std::string drawing, answers;
    const char* data;  // type, clamping length, plate thickness
    double angle, x, y;
  } cases[] = {
      {"blind hole", kSection, "0\n50,35\n10,20\n10,0\n", "1, 20.0,  0.0", -90, 50, 20},
      {"through hole", kSection, "1\n50,35\n10,20\n10,0\n10,-10\n", "2, 20.0, 10.0", -90, 50, 20},
      {"a type beyond 1 is a blind hole", kSection, "7\n50,35\n10,20\n10,0\n", "1, 20.0,  0.0", -90,
       50, 20},
      // Escape at the centre line: the screw starts where plate 1 was picked.
      {"no centre line", kSection, "0\n^C\n30,20\n10,0\n", "1, 20.0,  0.0", -90, 30, 20},
      // Start point below the second plate's edge: the screw points upwards.
      {"below", kSection, "0\n50,35\n10,-10\n10,0\n", "1, 10.0,  0.0", 90, 50, -10},
      {"upright, through hole", upright, "1\n35,30\n15,5\n0,5\n-8,5\n", "2, 15.0,  8.0", 180, 15,
       30},
      {"upright, from the left", left, "0\n^C\n-15,30\n0,10\n", "1, 15.0,  0.0", 0, -15, 30},
      {"inch drawing", inch, "1\n^C\n50,10\n50,0\n50,-5\n", "2,254.0,127.0", -90, 50, 10},
      {"sloping, 20 / sqrt 2", sloping, "0\n^C\n50,70\n10,10\n", "1, 14.1,  0.0", slope, 50, 70},
  };
  for (const Case& c : cases) {
    HostRun r = run(c.drawing + "MOXIcon\n" + c.answers);
    ASSERT_EQ(r.status, 0) << c.name << r.err;
    const Args data = {"-poke", "mconset=    " + std::string(c.data) + ",   -1"};
    EXPECT_EQ(launches(), std::vector<Args>{launchOf(
                              program("moxistart"), program("moxicatalog"),
                              {data[0], data[1], "-server", "MoxiCon", "-topic", "MoxiCon"})})
        << c.name << r.out;
    // The joint comes as a block; no dragging, no angle asked for.
    EXPECT_EQ(r.calls("ads_draggen").size() + r.calls("ads_getorient").size(), 0u) << c.name;
    ASSERT_EQ(r.calls("ads_xformss").size(), 2u) << c.name << r.out;
    const Placement p = placementOf(r);
    EXPECT_TRUE(listIs({p.angle, p.x, p.y}, json({c.angle, c.x, c.y}).dump())) << c.name;
    EXPECT_FALSE(contains(r.out, "Ung")) << c.name << r.out;
  }
}

TEST_F(ScrewConnectionTest, EscapeEmptyAnswersAndInvalidPicksGiveNoConnection) {
  struct Case {
    const char* name;
    std::string script;
    bool reported;  // "invalid input"; an Escape ends the command silently
  } cases[] = {
      {"end of input at the hole type", kSection + "MOXIcon\n", false},
      {"an empty hole type", kSection + "MOXIcon\n\n", false},
      {"Escape at the hole type", kSection + "MOXIcon\n^C\n", false},
      {"Escape at plate 1", kSection + "MOXIcon\n0\n50,35\n^C\n", false},
      {"Escape at plate 2", kSection + "MOXIcon\n0\n50,35\n10,20\n^C\n", false},
      {"Escape at plate 2's lower edge", kSection + "MOXIcon\n1\n50,35\n10,20\n10,0\n^C\n", false},
      {"start point on plate 2's edge", "LINE 0,0 100,0\nMOXIcon\n0\n^C\n10,0\n20,0\n", true},
      {"centre line parallel to plate 1",
       "LINE 0,20 100,20\nLINE 0,0 100,0\nLINE 0,40 100,40\nMOXIcon\n0\n50,40\n10,20\n10,0\n",
       true},
      {"edges so far apart that their distance overflows",
       "LINE 0,1e308 100,1e308\nLINE 0,-1e308 100,-1e308\nMOXIcon\n0\n^C\n50,1e308\n50,-1e308\n",
       true},
      {"plate 2's upper edge without length",
       "LINE 0,20 100,20\nLINE 50,0 50,0\nLINE 0,-10 "
       "100,-10\nMOXIcon\n1\n^C\n30,20\n50,0\n10,-10\n",
       true},
  };
  for (const Case& c : cases) {
    HostRun r = run(c.script);
    EXPECT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_TRUE(launches().empty()) << c.name;
    EXPECT_EQ(r.calls("ads_xformss").size(), 0u) << c.name;
    EXPECT_EQ(contains(r.out, "Ungültige Angaben"), c.reported) << c.name << r.out;
  }
}

TEST_F(ScrewConnectionTest, MissedPicksAndOtherEntitiesAreAskedAgainSilently) {
  HostRun r = run(kSection +
                  "MOXIcon\n0\n"
                  "500,500\n"  // nothing there: asked again
                  "50,35\n"    // the centre line
                  "500,500\n"  // nothing: plate 1 asked again
                  "10,20\n10,0\n");
  EXPECT_EQ(launches().at(0).at(4), "mconset=    1, 20.0,  0.0,   -1") << r.out;
  EXPECT_EQ(count(json(r.calls("ads_entsel")).dump(), "Oberkante 1.Platte"), 2u);
  EXPECT_EQ(r.calls("ads_printf").size() + r.calls("ads_alert").size(), 0u) << r.out;

  // The first joint's block insertion lies at the bore, an imported circle
  // and text beside it: none of them is a line.
  write("part.mf", R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
      CIRCLE { POINT { 80 30 } RAD { 2 } } TEXT { TEXT { "t" } POINT { 70 30 } HEIGHT { 1 } TEXTRELPOS { 1 } TEXTALIGN { 1 } } } } } })");
  r = run(kSection +
          "(C:MOXIopenps2 \"part.mf\")\n0,0\n0\nMOXIcon\n0\n50,35\n10,20\n10,0\n"
          "MOXIcon\n0\n^C\n50,20\n82,30\n70,30\n90,20\n90,0\n");
  const std::vector<Args> runs = launches();
  ASSERT_EQ(runs.size(), 2u) << r.out;
  EXPECT_EQ(runs[1][4], "mconset=    1, 20.0,  0.0,   -1");
  EXPECT_EQ(count(json(r.calls("ads_entsel")).dump(), "Oberkante 1.Platte"), 5u) << r.out;
  ASSERT_EQ(r.calls("ads_xformss").size(), 6u);
  EXPECT_EQ(r.calls("ads_xformss")[5]["matrix"][0][3], 90.0);
}

TEST_F(ScrewConnectionTest, MissingExchangeFileIsReported) {
  HostRun r = run(kSection + "MOXIcon\n0\n50,35\n10,20\n10,0\n", "MOXICATALOG_PART=nofile");
  EXPECT_TRUE(contains(r.out, "Metadatei c:\\acad2d.out wurde nicht gefunden!")) << r.out;
  EXPECT_EQ(r.calls("ads_xformss").size(), 0u);
}
