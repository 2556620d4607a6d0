// The stand-in catalogue's own pieces: connection data, bolt sizing, the
// metafile writer's reference numbers and escapes, the SAT solid.
#include <gtest/gtest.h>

#include <string>

#include "metafile_writer.h"
#include "parts.h"

namespace {

TEST(ConnectionData, ReadsTheConnectionItem) {
  struct Case {
    const char* poke;
    bool ok;
    int type;
    double clamp, thickness;
  };
  const Case cases[] = {
      {"mconset=    1, 20.0,  0.0,   -1", true, 1, 20, 0},
      {"mconset=    2, 20.0, 10.0,   -1", true, 2, 20, 10},
      {"mconset=2,25.4,3", true, 2, 25.4, 3},
      {"mconset=", false, 0, 0, 0},
      {"mconset=3,20,0,-1", false, 0, 0, 0},
      {"mconset=1,abc,0,-1", false, 0, 0, 0},
      {"mconset=1,-5,0,-1", false, 0, 0, 0},
      {"mconset=1,0,0,-1", false, 0, 0, 0},
      {"mconset=1,nan,0,-1", false, 0, 0, 0},
      {"mconset=1,1e400,0,-1", false, 0, 0, 0},
      {"mconset=1,20", false, 0, 0, 0},
      {"mconset=1,20 x,0,-1", false, 0, 0, 0},
      {"other=1,20,0,-1", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    moxi::ConnectionData data;
    EXPECT_EQ(moxi::parseConnectionData(c.poke, data), c.ok) << c.poke;
    if (!c.ok) continue;
    EXPECT_EQ(data.holeType, c.type) << c.poke;
    EXPECT_DOUBLE_EQ(data.clampingLength, c.clamp) << c.poke;
    EXPECT_DOUBLE_EQ(data.plateThickness, c.thickness) << c.poke;
  }
}

TEST(BoltedJoint, BoltSizeAndLengthFollowTheClampedPlates) {
  struct Case {
    int type;
    double clamp, thickness;
    const char* label;  // as written in the metafile
    bool nut;
  };
  const Case cases[] = {
      {1, 20, 0, "ISO 4017 M8x30", false},     // 20 + 1.2 d = 29.6
      {2, 35, 12.5, "ISO 4017 M10x60", true},  // 35 + 12.5 + nut 8.4 + 3 = 58.9
      {2, 5, 3, "ISO 4017 M6x16", true},       // 5 + 3 + 5.2 + 2 = 15.2
      {1, 120, 0, "ISO 4017 M16x140", false},  // 120 + 19.2
      {1, 500, 0, "ISO 4017 M16x520", false},  // past the series: next 20 mm
  };
  for (const Case& c : cases) {
    moxi::ConnectionData data{c.type, c.clamp, c.thickness};
    std::string text = moxi::boltedJointMetafile(data);
    EXPECT_NE(text.find(std::string("\"") + c.label), std::string::npos) << c.label << text;
    EXPECT_EQ(text.find("ISO 4032") != std::string::npos, c.nut) << c.label;
  }
}

TEST(MetafileWriter, ReferencesCarryPreOrderNumbersAndStringsAreEscaped) {
  moxi::MetaFile file;
  moxi::FigureBuilder fig(file.root("FIGURE"), "A \"B\"\n\\", 1, {0, 0});
  // FIGURE 1, NAME 2-3, ANSICHTNO 4-5, GROUP 6-7, INSERTPOINT 8-13,
  // FIGUREPREFS 14-16, FIGURITEMS 17: the first LINE is 18, the second 25.
  moxi::MetaNode* a = fig.line({0, 0}, {1, 0});
  moxi::MetaNode* b = fig.line({1, 0}, {0, 0});
  fig.hatch(0, 2, {{a, b}});
  std::string text = file.text();
  EXPECT_NE(text.find("MOREF { REFTRG { 18 } }"), std::string::npos) << text;
  EXPECT_NE(text.find("MOREF { REFTRG { 25 } }"), std::string::npos) << text;
  EXPECT_NE(text.find(R"(NAME { "A \"B\"\n\\" })"), std::string::npos) << text;
  EXPECT_NE(text.find("LINE { POINT { 0 0 } POINT { 1 0 } }"), std::string::npos) << text;
  EXPECT_EQ(moxi::MetaFile().text(), "");
}

TEST(SatSolid, OneBodyWithTheTopologyOfABox) {
  for (const char* version : {"1.6", "7.0", "junk"}) {
    std::string sat = moxi::partSat("shaft", version);
    bool counted = std::string(version) != "1.6";
    EXPECT_EQ(sat.rfind(counted ? "700 0 1 0\n@11 moxicatalog" : "106 0 1 0\n11 moxicatalog", 0),
              0u)
        << version;
    auto count = [&](const std::string& record) {
      std::size_t n = 0;
      for (std::size_t p = sat.find("\n" + record + " "); p != std::string::npos;
           p = sat.find("\n" + record + " ", p + 1))
        ++n;
      return n;
    };
    EXPECT_EQ(count("body"), 1u);
    EXPECT_EQ(count("face"), 6u);
    EXPECT_EQ(count("coedge"), 24u);
    EXPECT_EQ(count("edge"), 12u);
    EXPECT_EQ(count("vertex"), 8u);
    EXPECT_NE(sat.find("point $-1 60 15 15 #"), std::string::npos) << "the shaft's size";
    EXPECT_EQ(sat.substr(sat.size() - 17), "End-of-ACIS-data\n");
  }
}

}  // namespace
