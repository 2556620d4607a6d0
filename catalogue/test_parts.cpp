// The stand-in catalogue's own pieces: connection data, bolt sizing, the
// metafile writer's reference numbers and escapes, the SAT solid.
#include <gtest/gtest.h>

#include <cstdio>

#include "metafile_writer.h"
#include "parts.h"

namespace {

TEST(ConnectionData, ReadsTheConnectionItemAndRefusesUnusableNumbers) {
  // A poke as "type clamp thickness" of the connection it describes.
  auto read = [](const char* poke) -> std::string {
    moxi::ConnectionData d;
    if (!moxi::parseConnectionData(poke, d)) return "refused";
    char text[64];
    std::snprintf(text, sizeof text, "%d %g %g", d.holeType, d.clampingLength, d.plateThickness);
    return text;
  };
  EXPECT_EQ(read("mconset=    1, 20.0,  0.0,   -1"), "1 20 0");
  EXPECT_EQ(read("mconset=    2, 20.0, 10.0,   -1"), "2 20 10");
  EXPECT_EQ(read("mconset=2,25.4,3"), "2 25.4 3");
  for (const char* poke :
       {"mconset=", "mconset=3,20,0,-1", "mconset=1,abc,0,-1", "mconset=1,-5,0,-1",
        "mconset=1,0,0,-1", "mconset=1,nan,0,-1", "mconset=1,1e400,0,-1", "mconset=1,20",
        "mconset=1,20 x,0,-1", "other=1,20,0,-1"})
    EXPECT_EQ(read(poke), "refused") << poke;
}

TEST(BoltedJoint, BoltSizeAndLengthFollowTheClampedPlates) {
  // Hole type, clamping length, plate thickness -> the bolt's label; a nut for a through hole.
  const std::pair<moxi::ConnectionData, const char*> cases[] = {
      {{1, 20, 0}, "ISO 4017 M8x30"},      // 20 + 1.2 d = 29.6
      {{2, 35, 12.5}, "ISO 4017 M10x60"},  // 35 + 12.5 + nut 8.4 + 3 = 58.9
      {{2, 5, 3}, "ISO 4017 M6x16"},       // 5 + 3 + 5.2 + 2 = 15.2
      {{1, 120, 0}, "ISO 4017 M16x140"},   // 120 + 19.2
      {{1, 500, 0}, "ISO 4017 M16x520"},   // past the series: next 20 mm
  };
  for (const auto& [data, label] : cases) {
    const std::string text = moxi::boltedJointMetafile(data);
    EXPECT_NE(text.find(std::string("\"") + label), std::string::npos) << label << text;
    EXPECT_EQ(text.find("ISO 4032") != std::string::npos, data.holeType == 2) << label;
  }
}

TEST(MetafileWriter, ReferencesCarryPreOrderNumbersAndStringsAreEscaped) {
  moxi::MetaFile file;
  moxi::FigureBuilder fig(file.root("FIGURE"), "A \"B\"\n\\", 1, {0, 0});
  // FIGURE 1, NAME 2-3, ANSICHTNO 4-5, GROUP 6-7, INSERTPOINT 8-13,
  // FIGUREPREFS 14-16, FIGURITEMS 17: the first LINE is 18, the second 25.
  fig.hatch(0, 2, {{fig.line({0, 0}, {1, 0}), fig.line({1, 0}, {0, 0})}});
  for (const char* part : {"MOREF { REFTRG { 18 } }", "MOREF { REFTRG { 25 } }",
                           R"(NAME { "A \"B\"\n\\" })", "LINE { POINT { 0 0 } POINT { 1 0 } }"})
    EXPECT_NE(file.text().find(part), std::string::npos) << part << "\n" << file.text();
}

TEST(SatSolid, OneBodyWithTheTopologyOfABox) {
  for (const char* version : {"1.6", "7.0", "junk"}) {
    const std::string sat = moxi::partSat("shaft", version);
    const char* head = std::string(version) == "1.6" ? "106 0 1 0\n11 " : "700 0 1 0\n@11 ";
    EXPECT_EQ(sat.rfind(std::string(head) + "moxicatalog", 0), 0u) << version;
    std::string counts;
    for (const char* record : {"\nbody ", "\nface ", "\ncoedge ", "\nedge ", "\nvertex ",
                               "\npoint $-1 60 15 15 #",
                               "\nplane-surface $-1 -60 -15 -15 0 0 -1 0 1 0 forward_v I I I I #\n",
                               "\nEnd-of-ACIS-data\n"}) {
      int n = 0;
      for (auto p = sat.find(record); p != std::string::npos; p = sat.find(record, p + 1)) ++n;
      counts += std::to_string(n) + " ";
    }
    // A body of six faces, 24 coedges, 12 edges and 8 vertices, a corner at the
    // shaft's size, the bottom face's plane (root, normal, u direction: nine
    // numbers, nothing more), and the end mark.
    EXPECT_EQ(counts, "1 6 24 12 8 1 1 1 ") << version;
  }
}

}  // namespace
