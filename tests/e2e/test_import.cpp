// Metafile import through drafthost: the entity lists the plug-in sends for
// every shape kind, polylines and hatches, blocks, inch mode and failures.
#include <cmath>
#include <map>

#include "drafthost_run.h"

using nlohmann::json;

namespace {

// Compares two trace values: numbers within 1e-9 (relative for large ones),
// everything else exactly.
bool sameValue(const json& a, const json& b, std::string& where) {
  if (a.is_number() && b.is_number()) {
    const double x = a.get<double>(), y = b.get<double>();
    if (std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(y))) return true;
    where = a.dump() + " != " + b.dump();
    return false;
  }
  if (a.is_array() && b.is_array()) {
    if (a.size() != b.size()) {
      where = a.dump() + " != " + b.dump();
      return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!sameValue(a[i], b[i], where)) return false;
    return true;
  }
  if (a == b) return true;
  where = a.dump() + " != " + b.dump();
  return false;
}

::testing::AssertionResult listIs(const json& actual, const std::string& expected) {
  std::string where;
  if (sameValue(actual, json::parse(expected), where)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << where << "\nin " << actual.dump();
}

// Resolves "#X" marks and "@X" references in metafile text: a mark names the
// token after it, a reference becomes that token's 1-based position among all
// words and strings of the file (the pre-order number REFTRG wants).
std::string withRefs(const std::string& text) {
  std::map<std::string, int> marks;
  std::string out;
  int tokens = 0;
  std::string pendingMark;
  std::size_t i = 0;
  auto isWord = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' ||
           c == '_';
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '#' || c == '@') {
      std::size_t j = i + 1;
      while (j < text.size() && isWord(text[j])) ++j;
      const std::string label = text.substr(i + 1, j - i - 1);
      if (c == '#') {
        pendingMark = label;
      } else {
        ++tokens;
        out += "@" + label;
      }
      i = j;
      continue;
    }
    if (c == '"') {
      std::size_t j = i + 1;
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
      out += text.substr(i, j + 1 - i);
      ++tokens;
      if (!pendingMark.empty()) marks[pendingMark] = tokens, pendingMark.clear();
      i = j + 1;
      continue;
    }
    if (isWord(c)) {
      std::size_t j = i;
      while (j < text.size() && isWord(text[j])) ++j;
      out += text.substr(i, j - i);
      ++tokens;
      if (!pendingMark.empty()) marks[pendingMark] = tokens, pendingMark.clear();
      i = j;
      continue;
    }
    out += c;
    ++i;
  }
  for (const auto& [label, n] : marks) {
    const std::string ref = "@" + label;
    for (std::size_t p; (p = out.find(ref)) != std::string::npos;)
      out.replace(p, ref.size(), std::to_string(n));
  }
  return out;
}

constexpr const char* kSettings =
    "[Layer]\nSolidHeavy=KONTUR\nSolidLight=DUENN\nHidden=VERDECKT\nCenter=MITTE\n"
    "HeavyDashDot=STRICHPUNKT\nHatch=SCHRAFF\nCosm=KOSM\n"
    "[LineType]\nSolidHeavy=Continuous\nSolidLight=Continuous\nHidden=BYLAYER\n"
    "Center=BYLAYER\nHeavyDashDot=BYBLOCK\nHatch=Continuous\n"
    "[LineColor]\nSolidHeavy=1\nSolidLight=2\nHidden=3\nCenter=4\nHeavyDashDot=5\nHatch=8\n";

}  // namespace

class ImportTest : public E2eTest {
 protected:
  ImportTest() { settings(kSettings); }

  void settings(const std::string& text) {
    std::ofstream(dir / "user" / "acad2d.cfg", std::ios::binary) << text;
  }
  void file(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << withRefs(text);
  }
  // Imports part.mf with the given answers to the drag and rotation prompts.
  HostRun import(const std::string& metafile, const std::string& answers = "\n\n",
                 const std::string& options = "") {
    file("part.mf", metafile);
    return run("(C:MOXIopenps2 \"part.mf\")\n" + answers, options);
  }
  // The lists of the entities the host accepted, in order.
  static std::vector<json> made(const HostRun& r) {
    std::vector<json> v;
    for (const json& e : r.calls("ads_entmake"))
      if (e["rc"] == 5100) v.push_back(e["list"]);
    return v;
  }
  static std::vector<json> commands(const HostRun& r, const std::string& name) {
    std::vector<json> v;
    for (const json& e : r.calls("ads_command"))
      if (e["args"][0][1] == name) v.push_back(e["args"]);
    return v;
  }
};

// A loose figure of every simple shape, in a drawing so that no block is made.
TEST_F(ImportTest, SimpleShapesSendTheirExactLists) {
  HostRun r = import(R"(DRAWING { NAME { "D" } DRAWINGITEMS { FIGURE { NAME { "F" }
    INSERTPOINT { POINT { 0 0 } ROTATION { 0 } }
    FIGURITEMS {
      LINE { POINT { 1 2 } POINT { 3.5 4 } }
      SHAPEATTR { SHAPETYP { 0 } SHAPEWIDTH { 1 } COSMETIC { 0 } }
      ARC { POINT { 10 0 } POINT { 7.0710678118654755 7.0710678118654755 } POINT { 0 10 } }
      SHAPEATTR { SHAPETYP { 1 } SHAPEWIDTH { 0 } }
      ARC { POINT { 0 10 } POINT { 7.0710678118654755 7.0710678118654755 } POINT { 10 0 } }
      SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 1 } }
      CIRCLE { POINT { 5 6 } RAD { 2.5 } }
      SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 3 } }
      ELLIPSE { POINT { 1 1 } RAD1 { 10 } RAD2 { 5 } ANGLE { 0 } }
      SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 2 } COSMETIC { 1 } }
      ELLIPSEARC { POINT { 0 0 } RAD1 { 4 } RAD2 { 2 } ANGLE { 90 } ANGLE1 { 0 } ANGLE2 { 180 } }
      SHAPEATTR { SHAPETYP { 7 } SHAPEWIDTH { 1 } }
      TEXT { TEXT { "M8" } POINT { 2.25 3.75 } HEIGHT { 3.5 } ANGLE { 180 }
             TEXTRELPOS { 5 } TEXTALIGN { 1 } TEXTBW { 8 } TEXTBH { 4 } }
    } } } })");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 7u) << r.out;
  EXPECT_TRUE(listIs(lists[0], R"([[5020,"LINE"],[8,"KONTUR"],[6,"Continuous"],[62,1],
      [10,[1,2,0]],[11,[3.5,4,0]]])"));
  EXPECT_TRUE(listIs(lists[1], R"([[5020,"ARC"],[8,"DUENN"],[6,"Continuous"],[62,2],
      [10,[0,0,0]],[40,10],[50,0],[51,1.5707963267948966]])"));
  // Clockwise from 90 to 0 degrees: the angles change places.
  EXPECT_TRUE(listIs(lists[2], R"([[5020,"ARC"],[8,"VERDECKT"],[6,"BYLAYER"],[62,3],
      [10,[0,0,0]],[40,10],[50,0],[51,1.5707963267948966]])"));
  EXPECT_TRUE(listIs(lists[3], R"([[5020,"CIRCLE"],[8,"MITTE"],[6,"BYLAYER"],[62,4],
      [10,[5,6,0]],[40,2.5]])"));
  EXPECT_TRUE(listIs(lists[4], R"([[5020,"ELLIPSE"],[100,"AcDbEntity"],[8,"STRICHPUNKT"],
      [6,"BYBLOCK"],[100,"AcDbEllipse"],[62,5],[10,[1,1,0]],[11,[10,0,0]],[40,0.5],
      [41,0],[42,6.283185307179586]])"));
  // Cosmetic: the cosmetic layer, the style's linetype and colour.
  EXPECT_TRUE(listIs(lists[5], R"([[5020,"ELLIPSE"],[100,"AcDbEntity"],[8,"KOSM"],
      [6,"BYBLOCK"],[100,"AcDbEllipse"],[62,5],[10,[0,0,0]],[11,[0,4,0]],[40,0.5],
      [41,0],[42,3.141592653589793]])"));
  // Unknown SHAPETYP: SolidHeavy. The text angle uses pi as 3.141592.
  EXPECT_TRUE(listIs(lists[6], R"([[5020,"MTEXT"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1],[100,"AcDbMText"],[10,[2.25,3.75,0]],[40,3.5],[71,5],[72,1],
      [1,"M8"],[50,3.141592]])"));
  EXPECT_TRUE(commands(r, "_.BLOCK").empty()) << "one loose figure in a drawing";
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u);
}

TEST_F(ImportTest, CosmeticShapesKeepTheStyleLayerWithoutACosmeticLayer) {
  settings(std::string(kSettings) + "[Layer]\nCosm=\n");
  std::string text = kSettings;
  text.replace(text.find("Cosm=KOSM\n"), 10, "");
  settings(text);
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
      SHAPEATTR { SHAPETYP { 1 } COSMETIC { 1 } } LINE { POINT { 0 0 } POINT { 1 0 } } } } } })");
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 1u) << r.out;
  EXPECT_TRUE(listIs(lists[0], R"([[5020,"LINE"],[8,"VERDECKT"],[6,"BYLAYER"],[62,3],
      [10,[0,0,0]],[11,[1,0,0]]])"));
}

TEST_F(ImportTest, MultiLineTextsMoveToTheirAlignmentColumn) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
      TEXT { TEXT { "A\nB" } POINT { 1.5 2.25 } HEIGHT { 2 } ANGLE { 0 }
             TEXTRELPOS { 1 } TEXTALIGN { 2 } TEXTBW { 20.5 } }
      TEXT { TEXT { "top\nmiddle\nend" } POINT { 30 0 } HEIGHT { 2 } ANGLE { 90 }
             TEXTRELPOS { 9 } TEXTALIGN { 1 } TEXTBW { 12 } } } } } })");
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 2u) << r.out;
  // Exact half width: the anchor moves 10.25, not 10.
  EXPECT_TRUE(listIs(lists[0][6], "[10,[11.75,2.25,0]]"));
  EXPECT_TRUE(listIs(lists[0][8], "[71,2]"));
  EXPECT_EQ(lists[0][10], json::parse(R"([1,"A\\PB"])"));
  // Right column to left, two half widths along the text turned by 90.
  EXPECT_TRUE(listIs(lists[1][6], "[10,[30,-12,0]]"));
  EXPECT_TRUE(listIs(lists[1][8], "[71,7]"));
  EXPECT_EQ(lists[1][10], json::parse(R"([1,"top\\Pmiddle\\Pend"])"));
  EXPECT_TRUE(listIs(lists[1][11], "[50,1.570796]"));

  // A loose figure turned by 90 turns its text, and the shift turns with it:
  // the anchor lands where the same figure as a block puts it.
  r = import(R"(DRAWING { DRAWINGITEMS { FIGURE {
      INSERTPOINT { POINT { 100 0 } ROTATION { 90 } } FIGURITEMS {
      TEXT { TEXT { "A\nB" } POINT { 0 0 } HEIGHT { 2 } ANGLE { 0 }
             TEXTRELPOS { 1 } TEXTALIGN { 2 } TEXTBW { 20 } } } } } })");
  lists = made(r);
  ASSERT_EQ(lists.size(), 1u) << r.out;
  EXPECT_NEAR(lists[0][6][1][0].get<double>(), 100, 1e-12);
  EXPECT_NEAR(lists[0][6][1][1].get<double>(), 10, 1e-12);
  EXPECT_TRUE(listIs(lists[0][11], "[50,1.570796]"));
}

TEST_F(ImportTest, InterpolatedCurvesBecomePolylinesWithBulges) {
  // Three quarter circles: counter-clockwise, clockwise, counter-clockwise.
  std::string pts;
  auto add = [&](double cx, double cy, double from, double to) {
    for (int k = 0; k <= 9; ++k) {
      if (!pts.empty() && k == 0) continue;
      const double a = (from + (to - from) * k / 9.0) * M_PI / 180.0;
      pts += "POINT { " + std::to_string(cx + 10 * std::cos(a)) + " " +
             std::to_string(cy + 10 * std::sin(a)) + " } ";
    }
  };
  add(0, 0, 0, 90);
  add(0, 20, 270, 180);
  add(-20, 20, 0, 90);
  std::string circle;
  for (int k = 0; k <= 12; ++k) {
    const double a = k % 12 * 30 * M_PI / 180.0;
    circle += "POINT { " + std::to_string(50 + 5 * std::cos(a)) + " " +
              std::to_string(50 + 5 * std::sin(a)) + " } ";
  }
  HostRun r = import("DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS { ICRV2D { " + pts +
                     "} SHAPEATTR { SHAPETYP { 1 } } ICRV2D { POINT { 0 0 } POINT { 20 0 } "
                     "POINT { 25 10 } POINT { 0 10 } POINT { 0 0 } } ICRV2D { " +
                     circle + "} ICRV2D { POINT { 3 3 } } } } } }");
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 6u + 7u + 1u) << r.out;
  EXPECT_TRUE(listIs(lists[0], R"([[5020,"POLYLINE"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1],[100,"AcDb2dPolyline"],[66,1],[70,0],[10,[0,0,0]]])"));
  const double t = std::tan(M_PI / 8);
  const double bulges[] = {t, -t, t, 0.0};
  const double xs[] = {10, 0, -10, -20}, ys[] = {0, 10, 20, 30};
  for (int i = 0; i < 4; ++i) {
    const json& v = lists[static_cast<std::size_t>(1 + i)];
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v[0], json::parse(R"([5020,"VERTEX"])"));
    EXPECT_EQ(v[5], json::parse(R"([100,"AcDbVertex"])"));
    EXPECT_EQ(v[6], json::parse(R"([100,"AcDb2dVertex"])"));
    EXPECT_NEAR(v[7][1][0].get<double>(), xs[i], 1e-5);
    EXPECT_NEAR(v[7][1][1].get<double>(), ys[i], 1e-5);
    EXPECT_NEAR(v[8][1].get<double>(), bulges[i], 1e-4) << "vertex " << i;
  }
  EXPECT_TRUE(listIs(lists[5], R"([[5020,"SEQEND"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1]])"));
  // The closed quadrilateral: 70 = 1 and a last vertex on the first.
  EXPECT_TRUE(listIs(lists[6][7], "[70,1]"));
  EXPECT_TRUE(listIs(lists[6][2], R"([8,"VERDECKT"])"));
  EXPECT_TRUE(listIs(lists[7][7], "[10,[0,0,0]]"));
  EXPECT_TRUE(listIs(lists[11][7], "[10,[0,0,0]]"));
  EXPECT_TRUE(listIs(lists[11][8], "[42,0]"));
  EXPECT_EQ(lists[12][0], json::parse(R"([5020,"SEQEND"])"));
  // The curve that closes on one circle becomes a CIRCLE.
  EXPECT_EQ(lists[13][0], json::parse(R"([5020,"CIRCLE"])"));
  EXPECT_NEAR(lists[13][4][1][0].get<double>(), 50, 1e-5);
  EXPECT_NEAR(lists[13][5][1].get<double>(), 5, 1e-5);
  // The one-point curve makes nothing and is no error.
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u);
}

// Hatch boundaries: lines, an arc, an interpolated curve (two lines once
// approximated), a circle as a second loop.
constexpr const char* kHatchedFigure = R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
    #L1 LINE { POINT { 0 0 } POINT { 40 0 } }
    #A1 ARC { POINT { 40 0 } POINT { 50 10 } POINT { 40 20 } }
    #C1 ICRV2D { POINT { 40 20 } POINT { 20 25 } POINT { 0 20 } }
    #L2 LINE { POINT { 0 20 } POINT { 0 0 } }
    #K1 CIRCLE { POINT { 20 10 } RAD { 4 } }
    #T1 TEXT { TEXT { "X" } POINT { 0 0 } HEIGHT { 1 } TEXTRELPOS { 1 } TEXTALIGN { 1 } } }
  M2DHATCHES {
    M2DHATCH { ANGLE { 0 } DISTANCE { 0 } M2DHATCHLOOPS {
      M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { @L1 } } MOREF { REFTRG { @A1 } }
                                          MOREF { REFTRG { @C1 } } MOREF { REFTRG { @L2 } } } }
      M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { @K1 } } } } } }
    M2DHATCH { ANGLE { 30 } DISTANCE { 2 } M2DHATCHLOOPS {
      M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { @K1 } } MOREF { REFTRG { @T1 } } } } } }
  } } } })";

TEST_F(ImportTest, HatchesRebuildTheirBoundariesAndReferTheirEntities) {
  HostRun r = import(kHatchedFigure);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<json> all = r.calls("ads_entmake");
  std::vector<json> lists = made(r);
  // Shapes: line, arc, polyline (header, 2 + 1 vertices, end), line, circle, text.
  ASSERT_EQ(lists.size(), 10u + 1u) << r.out;
  std::vector<std::string> handles;
  for (const json& e : r.calls("ads_entlast")) handles.push_back(e["result"].get<std::string>());
  const json& hatch = lists[10];
  ASSERT_EQ(hatch[0], json::parse(R"([5020,"HATCH"])"));
  // The entities made for line 1, arc, curve, line 2 and circle.
  auto handleOf = [&](int made) {
    return r.calls("ads_entlast")[static_cast<std::size_t>(made)]["result"];
  };
  json expected = json::parse(R"([[5020,"HATCH"],[100,"AcDbEntity"],[8,"SCHRAFF"],
      [100,"AcDbHatch"],[62,8],[10,[0,0,0]],[210,[0,0,1]],[2,"_U"],[70,0],[71,1],[91,2],
      [92,1],[93,5],
      [72,1],[10,[0,0,0]],[11,[40,0,0]],
      [72,2],[10,[40,10,0]],[40,10],[50,-1.5707963267948966],[51,1.5707963267948966],[73,1],
      [72,1],[10,[40,20,0]],[11,[20,25,0]],[72,1],[10,[20,25,0]],[11,[0,20,0]],
      [72,1],[10,[0,20,0]],[11,[0,0,0]],
      [97,4],[330,"L1"],[330,"A1"],[330,"C1"],[330,"L2"],
      [92,16],[93,1],[72,2],[10,[20,10,0]],[40,4],[50,0],[51,6.283185307179586],[73,1],
      [97,1],[330,"K1"],
      [75,0],[76,1],[52,0.7853981633974483],[41,5],[77,0],[78,1],[53,0.7853981633974483],
      [43,0],[44,0],[45,-3.5355339059327373],[46,3.5355339059327378],[79,0],[98,1],
      [10,[0,0,0]]])");
  const char* labels[] = {"L1", "A1", "C1", "L2", "K1"};
  for (int i = 0; i < 5; ++i)
    for (json& g : expected)
      if (g[0] == 330 && g[1] == labels[i]) g[1] = handleOf(i);
  // The arc's start angle is reported in [0, 2pi): 270 degrees.
  expected[19][1] = 3 * M_PI / 2;
  std::string where;
  EXPECT_TRUE(sameValue(hatch, expected, where)) << where << "\n" << hatch.dump();
  EXPECT_EQ(all.size(), 12u) << "the second hatch is sent too";
  // The second hatch: the text has no entity, so one reference fewer than 97 says.
  const json& second = all.back()["list"];
  EXPECT_NE(second.dump().find("[97,2],[330,"), std::string::npos);
  EXPECT_NE(r.out.find("Shape f\xC3\xBCr Hatch nicht gefunden!"), std::string::npos);
  EXPECT_TRUE(listIs(second[second.size() - 12], "[52,1.3089969389957472]"));
  EXPECT_TRUE(listIs(second[second.size() - 11], "[41,2]"));
  if (all.back()["rc"] != 5100) {
    EXPECT_NE(r.out.find("Hatch konnte nicht erzeugt werden!"), std::string::npos);
  }
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u) << "a failed hatch does not fail the figure";
}

TEST_F(ImportTest, ARootFigureIsAlwaysABlockNamedAfterIt) {
  HostRun r = import(R"(FIGURE { NAME { "Sechskantschraube ISO 4017 M8x20 verzinkt" }
      INSERTPOINT { POINT { 10 20 } ROTATION { 90 } }
      FIGURITEMS { LINE { POINT { 0 0 } POINT { 5 0 } } } })");
  std::vector<json> blocks = commands(r, "_.BLOCK");
  ASSERT_EQ(blocks.size(), 1u) << r.out;
  EXPECT_EQ(blocks[0][1][1], "Sechskantschraube_ISO_4017_");
  EXPECT_TRUE(listIs(blocks[0][2], "[5002,[0,0,0]]"));
  EXPECT_EQ(blocks[0][3][0], 5007);
  EXPECT_EQ(blocks[0][4], json::parse(R"([5005,""])"));
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_TRUE(listIs(lists[0][4], "[10,[0,0,0]]")) << "block content stays in figure coordinates";
  EXPECT_TRUE(listIs(lists[1], R"([[5020,"INSERT"],[2,"Sechskantschraube_ISO_4017_"],
      [10,[10,20,0]],[50,1.5707963267948966]])"));
}

TEST_F(ImportTest, BlockNamesAreMadeUniqueWithACounter) {
  std::string fig =
      R"(FIGURE { NAME { "M8x20 DIN 912" } FIGURITEMS { CIRCLE { POINT { 0 0 } RAD { 4 } } } })";
  file("a.mf", fig);
  file("e.mf", R"(FIGURE { NAME { "" } FIGURITEMS { CIRCLE { POINT { 0 0 } RAD { 4 } } } })");
  file("b.mf", R"(FIGURE { NAME { "   " } FIGURITEMS { CIRCLE { POINT { 0 0 } RAD { 4 } } } })");
  std::string script;
  for (int i = 0; i < 3; ++i) script += "(C:MOXIopenps2 \"a.mf\")\n\n\n";
  for (int i = 0; i < 2; ++i) script += "(C:MOXIopenps2 \"e.mf\")\n\n\n";
  script += "(C:MOXIopenps2 \"b.mf\")\n\n\n";
  // Within one import: three figures and the drawing share the name.
  std::string same = R"(FIGURE { NAME { "M8x20 DIN 912" } GROUP { "YES" } FIGURITEMS {
      CIRCLE { POINT { 0 0 } RAD { 4 } } } } )";
  file("d.mf", "DRAWING { NAME { \"M8x20 DIN 912\" } DRAWINGITEMS { " + same + same + same + "} }");
  script += "(C:MOXIopenps2 \"d.mf\")\n\n\n";
  HostRun r = run(script);
  std::vector<std::string> names;
  for (const json& b : commands(r, "_.BLOCK")) names.push_back(b[1][1]);
  EXPECT_EQ(names,
            (std::vector<std::string>{"M8x20_DIN_912", "M8x20_DIN_9120", "M8x20_DIN_9121",
                                      "MOXISOL", "MOXISOL0", "___", "M8x20_DIN_9122",
                                      "M8x20_DIN_9123", "M8x20_DIN_9124", "M8x20_DIN_9125"}));
}

TEST_F(ImportTest, DrawingsOfSeveralFiguresNestTheirBlocks) {
  HostRun r = import(R"(DRAWING { NAME { "Baugruppe" } ANSICHTNO { 1 } DRAWINGITEMS {
      FIGURE { NAME { "Vorne" } GROUP { "YES" } INSERTPOINT { POINT { 100 0 } ROTATION { 0 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } }
      FIGURE { NAME { "Seite" } GROUP { "YES" } INSERTPOINT { POINT { 200 0 } ROTATION { 90 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } }
      FIGURE { NAME { "Oben" } GROUP { "YES" } INSERTPOINT { POINT { 0 300 } ROTATION { 0 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } } } })");
  std::vector<json> blocks = commands(r, "_.BLOCK");
  ASSERT_EQ(blocks.size(), 4u) << r.out;
  EXPECT_EQ(blocks[3][1][1], "Baugruppe");
  std::vector<json> inserts;
  for (const json& l : made(r))
    if (l[0][1] == "INSERT") inserts.push_back(l);
  ASSERT_EQ(inserts.size(), 4u);
  EXPECT_TRUE(listIs(inserts[1], R"([[5020,"INSERT"],[2,"Seite"],[10,[200,0,0]],
      [50,1.5707963267948966]])"));
  EXPECT_TRUE(listIs(inserts[3], R"([[5020,"INSERT"],[2,"Baugruppe"],[10,[0,0,0]],[50,0]])"));
  // The three figure inserts go into the drawing's content set, only the
  // drawing's insert into the set that is dragged.
  auto sets = r.calls("ads_draggen");
  ASSERT_EQ(sets.size(), 1u);
}

TEST_F(ImportTest, LowerCaseGroupAndSingleFigureDrawingsStayLoose) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { GROUP { "yes" }
      INSERTPOINT { POINT { 5 5 } ROTATION { 90 } }
      FIGURITEMS { LINE { POINT { 1 0 } POINT { 2 0 } } } } } })");
  EXPECT_TRUE(commands(r, "_.BLOCK").empty());
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_TRUE(listIs(lists[0][4], "[10,[5,6,0]]")) << "turned about the origin, then moved";
  EXPECT_TRUE(listIs(lists[0][5], "[11,[5,7,0]]"));
}

TEST_F(ImportTest, ShapeType4HidesShapesUntilTheNextAttributes) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
      LINE { POINT { 0 0 } POINT { 1 0 } }
      SHAPEATTR { SHAPETYP { 4 } }
      LINE { POINT { 0 0 } POINT { 2 0 } }
      TEXT { TEXT { "hidden" } POINT { 0 0 } HEIGHT { 1 } TEXTRELPOS { 1 } TEXTALIGN { 1 } }
      CIRCLE { POINT { 0 0 } RAD { 1 } }
      SHAPEATTR { SHAPETYP { 0 } }
      LINE { POINT { 0 0 } POINT { 3 0 } } } } } })");
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 2u) << r.out;
  EXPECT_TRUE(listIs(lists[1][5], "[11,[3,0,0]]"));
  EXPECT_EQ(r.calls("ads_printf").size(), 2u) << "only the two prompt line feeds";
}

TEST_F(ImportTest, InchModeScalesLooseFiguresAndBlockInsertions) {
  const std::string fig = R"(DRAWING { DRAWINGITEMS {
      FIGURE { INSERTPOINT { POINT { 254 0 } ROTATION { 90 } }
        FIGURITEMS { LINE { POINT { 25.4 0 } POINT { 50.8 0 } }
          TEXT { TEXT { "T" } POINT { 25.4 0 } HEIGHT { 2.54 } ANGLE { 0 } TEXTRELPOS { 1 } TEXTALIGN { 1 } } } }
      FIGURE { NAME { "B" } GROUP { "YES" } INSERTPOINT { POINT { 508 254 } ROTATION { 0 } }
        FIGURITEMS { CIRCLE { POINT { 25.4 25.4 } RAD { 12.7 } } } } } })";
  HostRun r = import(fig, "\n\n", "--imperial");
  std::vector<json> lists = made(r);
  ASSERT_EQ(lists.size(), 5u) << r.out;
  // Loose: scaled, turned by 90 degrees, moved to (10, 0).
  EXPECT_TRUE(listIs(lists[0][4], "[10,[10,1,0]]"));
  EXPECT_TRUE(listIs(lists[0][5], "[11,[10,2,0]]"));
  // The text follows its figure: anchor, height and angle.
  EXPECT_TRUE(listIs(lists[1][6], "[10,[10,1,0]]"));
  EXPECT_TRUE(listIs(lists[1][7], "[40,0.1]"));
  EXPECT_TRUE(listIs(lists[1][11], "[50,1.570796]"));
  // Block: scaled inside, inserted at the insertion point divided by 25.4.
  EXPECT_TRUE(listIs(lists[2], R"([[5020,"CIRCLE"],[8,"KONTUR"],[6,"Continuous"],[62,1],
      [10,[1,1,0]],[40,0.5]])"));
  EXPECT_TRUE(listIs(lists[3], R"([[5020,"INSERT"],[2,"B"],[10,[20,10,0]],[50,0]])"));
  EXPECT_EQ(lists[4][1][1], "MOXISOL") << "the two figures are wrapped into one unnamed block";
}

TEST_F(ImportTest, AFailingShapeStopsTheFigureBeforeItsHatches) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { GROUP { "YES" } FIGURITEMS {
      #K1 CIRCLE { POINT { 0 0 } RAD { 4 } }
      LINE { POINT { 0 0 } POINT { 1 0 } }
      ELLIPSE { POINT { 0 0 } RAD1 { 5 } RAD2 { 10 } ANGLE { 0 } }
      LINE { POINT { 0 0 } POINT { 2 0 } } }
    M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { M2DHATCHLOOPSHREFS {
      MOREF { REFTRG { @K1 } } } } } } } } } })");
  std::vector<json> all = r.calls("ads_entmake");
  ASSERT_EQ(all.size(), 3u) << r.out;
  EXPECT_TRUE(listIs(all[2]["list"][8], "[40,2]")) << "the ratio is sent as it is";
  EXPECT_EQ(all[2]["rc"], -5001);
  EXPECT_NE(r.out.find("Ellipse konnte nicht erzeugt werden!"), std::string::npos);
  EXPECT_TRUE(commands(r, "_.BLOCK").empty()) << "a failed block figure makes no block";
  EXPECT_TRUE(r.calls("ads_draggen").empty());
  EXPECT_EQ(commands(r, "_cmdecho").size(), 1u) << "the command ends with -1";
}

TEST_F(ImportTest, RefusedFilesAreReported) {
  file("none.mf", "000\nFIGURE { }\n");
  file("zero.mf", "0001 FIGURE { }\n");
  file("later.mf", "FIGURE { NAME { \"000\" } }\n");
  file("bad.mf", "FIGURE { NAME { \"x\" }\n");
  file("other.mf", "PART { NAME { \"x\" } }\n");
  HostRun r = run(
      "(C:MOXIopenps2 \"none.mf\")\n(C:MOXIopenps2 \"zero.mf\")\n(C:MOXIopenps2 \"missing.mf\")\n"
      "(C:MOXIopenps2 \"bad.mf\")\n(C:MOXIopenps2 \"other.mf\")\n(C:MOXIopenps2 "
      "\"later.mf\")\n\n\n");
  std::vector<std::string> texts;
  for (const json& p : r.calls("ads_printf")) texts.push_back(p["text"]);
  ASSERT_GE(texts.size(), 5u) << r.out;
  EXPECT_EQ(texts[0],
            "\nEs wurde kein Teil \xC3\xBC"
            "bergeben!\n");
  EXPECT_EQ(texts[1],
            "\nEs wurde kein Teil \xC3\xBC"
            "bergeben!\n");
  EXPECT_EQ(texts[2], "\nMetadatei missing.mf wurde nicht gefunden!\n");
  EXPECT_EQ(texts[3], "\nFehler in der Metadatei!\n");
  EXPECT_EQ(texts[4], "\nFehler in der Metadatei!\n");
  EXPECT_EQ(commands(r, "_.BLOCK").size(), 1u) << "000 later in the line is a part";
}

// The whole road of a 2D part: the viewer command starts the catalogue
// stand-in, which writes one of its parts; the import must take every one
// without a message, and the sample files of examples/ as well.
TEST_F(ImportTest, CatalogueAndExamplePartsImportCleanly) {
  for (const char* part : {"screw", "shaft", "bearing"}) {
    std::ofstream(dir / "script.scr", std::ios::binary) << "MOXIviewer\n0,0\n0\n";
    // Default settings, with the sample installation's linetypes.
    std::filesystem::remove(dir / "user" / "acad2d.cfg");
    const std::string cmd = "cd '" + dir.string() +
                            "' && env -u HALDRIX -u HALDRIX_SETUP -u HALDRIX_LANGUAGE "
                            "HALDRIX_USER='" +
                            (dir / "user").string() + "' DRAFTHOST_SUPPORT='" + DRW_SOURCE_DIR +
                            "/setup' MOXICATALOG_PART=" + part + " '" + binary() +
                            "' script.scr > out.txt 2> err.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string out = read(dir / "out.txt");
    EXPECT_NE(out.find("Drehwinkel: 0"), std::string::npos) << part << "\n" << out;
    EXPECT_EQ(out.find("nicht"), std::string::npos) << part << "\n" << out;
  }
  const std::string examples = std::string(DRW_SOURCE_DIR) + "/examples/metafiles/";
  for (const char* name : {"all_shapes.mf", "grouped_drawing.mf", "text_block.mf",
                           "hidden_section.mf", "bracket_figure.mf", "shaft_drawing.mf"}) {
    settings(kSettings);
    HostRun r = run("(C:MOXIopenps2 \"" + examples + name + "\")\n0,0\n0\n");
    EXPECT_NE(r.out.find("Drehwinkel: 0"), std::string::npos) << name << "\n" << r.out;
    EXPECT_EQ(r.out.find("nicht"), std::string::npos) << name << "\n" << r.out;
  }
}
