// The DXF writer: groups and their order, angle units, handles and owners,
// texts, ACIS encoding, and the time a large drawing takes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "drawing.h"
#include "dxf_writer.h"

using namespace drafthost;

namespace {

using Pair = std::pair<int, std::string>;
using Pairs = std::vector<Pair>;

Pairs write(const Drawing& dwg, int measurement = 1) {
  std::ostringstream out;
  DxfOptions options;
  options.measurement = measurement;
  EXPECT_TRUE(writeDxf(dwg, options, out));
  std::istringstream in(out.str());
  Pairs pairs;
  std::string code, value;
  while (std::getline(in, code) && std::getline(in, value))
    pairs.emplace_back(std::stoi(code), value);
  return pairs;
}

// The groups of the first object of `type` after the section `section`.
Pairs object(const Pairs& p, const std::string& section, const std::string& type, int nth = 0) {
  std::size_t i = 0;
  while (i < p.size() && !(p[i].first == 2 && p[i].second == section)) ++i;
  for (; i < p.size(); ++i)
    if (p[i].first == 0 && p[i].second == type && nth-- == 0) break;
  Pairs out;
  if (i < p.size()) out.push_back(p[i++]);
  for (; i < p.size() && p[i].first != 0; ++i) out.push_back(p[i]);
  return out;
}

std::string value(const Pairs& obj, int code, int nth = 0) {
  for (const Pair& x : obj)
    if (x.first == code && nth-- == 0) return x.second;
  return "<none>";
}

double number(const Pairs& obj, int code, int nth = 0) {
  std::string v = value(obj, code, nth);
  return v == "<none>" ? -1e300 : std::stod(v);
}

std::string header(const Pairs& p, const std::string& name) {
  for (std::size_t i = 0; i + 1 < p.size(); ++i)
    if (p[i].first == 9 && p[i].second == name) return p[i + 1].second;
  return "<none>";
}

const Point kO{0, 0, 0};

void make(Drawing& dwg, GroupList list) {
  std::string error;
  ASSERT_TRUE(dwg.entmake(list, &error)) << error;
}

Group S(int c, std::string v) {
  return Group::str(c, std::move(v));
}
Group R(int c, double v) {
  return Group::number(c, v);
}
Group P(int c, Point v) {
  return Group::pt(c, v);
}
Group I(int c, int32_t v) {
  return Group::integral(c, v);
}

}  // namespace

TEST(DxfWriter, LineGoesOutWithHandleOwnerAndSubclasses) {
  Drawing dwg;
  make(dwg, {S(0, "LINE"), S(8, "kontur"), I(62, 3), P(10, {1, 2, 0}), P(11, {3.5, -4, 0})});
  dwg.layers().find("kontur")->color = 1;
  Pairs p = write(dwg);
  Pairs line = object(p, "ENTITIES", "LINE");
  std::string owner = value(object(p, "TABLES", "BLOCK_RECORD"), 5);
  const Pairs golden = {{0, "LINE"},       {5, dwg.entity(1)->handle},
                        {330, owner},      {100, "AcDbEntity"},
                        {8, "kontur"},     {62, "3"},
                        {100, "AcDbLine"}, {10, "1.0"},
                        {20, "2.0"},       {30, "0.0"},
                        {11, "3.5"},       {21, "-4.0"},
                        {31, "0.0"}};
  EXPECT_EQ(line, golden);
  EXPECT_EQ(value(object(p, "TABLES", "BLOCK_RECORD"), 2), "*Model_Space");
  Pairs layer = object(p, "TABLES", "LAYER", 1);
  EXPECT_EQ(value(layer, 2), "kontur");
  EXPECT_EQ(value(layer, 62), "1");
  EXPECT_EQ(value(layer, 6), "CONTINUOUS");
}

TEST(DxfWriter, AnglesGoOutInTheUnitEachGroupWants) {
  Drawing dwg;
  make(dwg, {S(0, "CIRCLE"), P(10, kO), R(40, 5)});
  make(dwg, {S(0, "ARC"), P(10, kO), R(40, 5), R(50, kPi / 6), R(51, kPi / 2)});
  make(dwg, {S(0, "ELLIPSE"), P(10, kO), P(11, {4, 0, 0}), R(40, 0.5), R(41, 0.5), R(42, 1.5)});
  make(dwg, {S(0, "MTEXT"), P(10, kO), R(40, 2.5), S(1, "x"), R(50, kPi / 2)});
  ASSERT_TRUE(dwg.defineBlock("B", kO, {}));
  make(dwg, {S(0, "INSERT"), S(2, "b"), P(10, kO), R(50, kPi)});
  GroupList hatch = {
      S(0, "HATCH"),  P(10, kO),        P(210, {0, 0, 1}), S(2, "_U"),
      I(70, 0),       I(71, 1),         I(91, 1),          I(92, 0),
      I(93, 2),       I(72, 2),         P(10, {1, 2, 7}),  R(40, 3),
      R(50, kPi / 4), R(51, kPi),       I(73, 1),          I(72, 3),
      P(10, kO),      P(11, {2, 0, 0}), R(40, 0.5),        R(50, kPi),
      R(51, 2 * kPi), I(73, 1),         I(97, 1),          Group::ename(330, {1, kEntityTag}),
      I(75, 0),       I(76, 1),         R(52, kPi / 3),    R(41, 2),
      I(77, 0),       I(78, 1),         R(53, kPi / 3),    R(43, 0),
      R(44, 0),       R(45, -1),        R(46, 1),          I(79, 0),
      I(98, 1),       P(10, {4, 5, 6})};
  make(dwg, hatch);
  Pairs p = write(dwg);

  Pairs arc = object(p, "ENTITIES", "ARC");
  EXPECT_NEAR(number(arc, 50), 30, 1e-12);
  EXPECT_NEAR(number(arc, 51), 90, 1e-12);
  Pairs ellipse = object(p, "ENTITIES", "ELLIPSE");
  EXPECT_EQ(number(ellipse, 41), 0.5) << "ellipse parameters stay radians";
  EXPECT_EQ(number(ellipse, 42), 1.5);
  Pairs text = object(p, "ENTITIES", "MTEXT");
  EXPECT_NEAR(number(text, 50), 90, 1e-12);
  EXPECT_NEAR(number(text, 11), 0, 1e-12);
  EXPECT_NEAR(number(text, 21), 1, 1e-12);
  EXPECT_NEAR(number(object(p, "ENTITIES", "INSERT"), 50), 180, 1e-12);

  Pairs h = object(p, "ENTITIES", "HATCH");
  EXPECT_NEAR(number(h, 50, 0), 45, 1e-12) << "arc edge";
  EXPECT_NEAR(number(h, 51, 0), 180, 1e-12);
  EXPECT_NEAR(number(h, 50, 1), 180, 1e-12) << "ellipse edge";
  EXPECT_NEAR(number(h, 51, 1), 360, 1e-12);
  EXPECT_NEAR(number(h, 52), 60, 1e-12);
  EXPECT_NEAR(number(h, 53), 60, 1e-12);
  EXPECT_EQ(number(h, 40, 1), 0.5) << "ratio untouched";
  // Edge and seed points are 2D; the elevation point keeps its z.
  EXPECT_EQ(value(h, 30, 0), "0.0");
  EXPECT_EQ(value(h, 30, 1), "<none>");
  EXPECT_EQ(number(h, 10, 3), 4);
  EXPECT_EQ(number(h, 20, 3), 5);
  // The boundary object is named by handle and carries the hatch as reactor.
  EXPECT_EQ(value(h, 330, 1), dwg.entity(1)->handle);
  Pairs circle = object(p, "ENTITIES", "CIRCLE");
  EXPECT_EQ(value(circle, 102, 0), "{ACAD_REACTORS");
  EXPECT_EQ(value(circle, 330, 0), value(h, 5));
}

TEST(DxfWriter, HeaderHandlesAndOwnersHangTogether) {
  Drawing dwg;
  LinetypeRecord dashed;
  dashed.name = "Dashed";
  dashed.handle = dwg.newHandle();
  dashed.pattern = {12.7, -6.35};
  dwg.linetypes().add(dashed);
  make(dwg, {S(0, "LINE"), S(6, "DASHED"), P(10, kO), P(11, {1, 1, 0})});
  make(dwg, {S(0, "POLYLINE"), I(66, 1), I(70, 1), P(10, kO)});
  make(dwg, {S(0, "VERTEX"), P(10, {1, 0, 0}), R(42, 0.5)});
  make(dwg, {S(0, "SEQEND")});
  ASSERT_TRUE(dwg.defineBlock("Teil", {1, 2, 0}, {1}));
  make(dwg, {S(0, "INSERT"), S(2, "TEIL"), P(10, {5, 5, 0})});

  for (int m : {0, 1}) {
    Pairs p = write(dwg, m);
    EXPECT_EQ(header(p, "$ACADVER"), "AC1015");
    EXPECT_EQ(header(p, "$DWGCODEPAGE"), "ANSI_1252");
    EXPECT_EQ(header(p, "$INSUNITS"), m ? "4" : "1");
    EXPECT_EQ(header(p, "$MEASUREMENT"), m ? "1" : "0");
    // Handles unique and below the seed; every owner and pointer exists.
    std::set<std::string> handles;
    std::string type;
    for (const Pair& x : p) {
      if (x.first == 0) type = x.second;
      // (Within the header, "SECTION" is the type: its $HANDSEED is no handle.)
      if ((x.first == 5 && type != "SECTION") || (x.first == 105 && type == "DIMSTYLE")) {
        EXPECT_TRUE(handles.insert(x.second).second) << "handle " << x.second << " twice";
      }
    }
    unsigned long seed = std::stoul(header(p, "$HANDSEED"), nullptr, 16);
    for (const std::string& h : handles) EXPECT_LT(std::stoul(h, nullptr, 16), seed);
    for (const Pair& x : p)
      if ((x.first == 330 || x.first == 340 || x.first == 350 || x.first == 390) &&
          x.second != "0") {
        EXPECT_TRUE(handles.count(x.second)) << x.first << " " << x.second;
      }
    std::vector<std::string> sections;
    for (std::size_t i = 0; i + 1 < p.size(); ++i)
      if (p[i] == Pair{0, "SECTION"}) sections.push_back(p[i + 1].second);
    EXPECT_EQ(sections, (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS",
                                                  "ENTITIES", "OBJECTS"}));
    EXPECT_EQ(p.back(), (Pair{0, "EOF"}));
  }

  Pairs p = write(dwg);
  Pairs lt = object(p, "TABLES", "LTYPE", 3);
  EXPECT_EQ(value(lt, 2), "Dashed");
  EXPECT_EQ(value(lt, 73), "2");
  EXPECT_NEAR(number(lt, 40), 19.05, 1e-12);
  EXPECT_EQ(number(lt, 49, 0), 12.7);
  EXPECT_EQ(number(lt, 49, 1), -6.35);
  EXPECT_EQ(value(object(p, "ENTITIES", "LINE"), 6), "<none>") << "the line went into the block";
  // The block holds the line (with the table's spelling of its linetype).
  Pairs blockLine = object(p, "BLOCKS", "LINE");
  EXPECT_EQ(value(blockLine, 6), "Dashed");
  EXPECT_EQ(value(blockLine, 330), dwg.blocks().find("teil")->handle);
  EXPECT_EQ(value(object(p, "BLOCKS", "BLOCK", 2), 2), "Teil");
  EXPECT_EQ(number(object(p, "BLOCKS", "BLOCK", 2), 20), 2);
  Pairs insert = object(p, "ENTITIES", "INSERT");
  EXPECT_EQ(value(insert, 2), "Teil");
  // Vertices and their SEQEND belong to the polyline.
  std::string poly = value(object(p, "ENTITIES", "POLYLINE"), 5);
  EXPECT_EQ(value(object(p, "ENTITIES", "VERTEX"), 330), poly);
  EXPECT_EQ(value(object(p, "ENTITIES", "SEQEND"), 330), poly);
  EXPECT_EQ(value(object(p, "ENTITIES", "VERTEX"), 100, 2), "AcDb2dVertex");
  EXPECT_EQ(number(object(p, "ENTITIES", "VERTEX"), 42), 0.5);
}

TEST(DxfWriter, ExtentsAreTheEntitiesReal3dExtentWithBlocksPlacedScaledAndTurned) {
  Drawing dwg;
  EXPECT_EQ(header(write(dwg), "$EXTMIN"), "0.0") << "an empty drawing";
  make(dwg, {S(0, "CIRCLE"), P(10, {5, 0, 0}), R(40, 1)});
  ASSERT_TRUE(dwg.defineBlock("B", {4, 0, 0}, {1}));
  make(dwg, {S(0, "INSERT"), S(2, "B"), P(10, {10, 0, 0}), R(41, 2), R(42, 2), R(50, kPi / 2)});
  Pairs p = write(dwg);
  // The block spans (4..6, -1..1) about its base (4, 0): doubled and turned
  // by 90 degrees about (10, 0) it spans (8..12, -0..4).
  auto corner = [&](const char* name) {
    for (std::size_t i = 0; i + 3 < p.size(); ++i)
      if (p[i] == Pair{9, name})
        return std::vector<double>{std::stod(p[i + 1].second), std::stod(p[i + 2].second),
                                   std::stod(p[i + 3].second)};
    return std::vector<double>{};
  };
  auto near = [](const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (std::abs(a[i] - b[i]) > 1e-9) return false;
    return true;
  };
  // A flat drawing has flat extents: circles reach out in their plane only.
  EXPECT_TRUE(near(corner("$EXTMIN"), {8, 0, 0}));
  EXPECT_TRUE(near(corner("$EXTMAX"), {12, 4, 0}));

  // An ellipse along x with ratio 0.5, and a circle of radius 1 standing in
  // the world's y-z plane: its object coordinates (2, 3, 5) are the world's
  // (5, 2, 3) by the arbitrary-axis rule.
  Drawing solid;
  make(solid, {S(0, "ELLIPSE"), P(10, kO), P(11, {10, 0, 0}), R(40, 0.5)});
  make(solid, {S(0, "CIRCLE"), P(10, {2, 3, 5}), R(40, 1), P(210, {1, 0, 0})});
  p = write(solid);
  EXPECT_TRUE(near(corner("$EXTMIN"), {-10, -5, 0}));
  EXPECT_TRUE(near(corner("$EXTMAX"), {10, 5, 4}));
}

TEST(DxfWriter, TextsKeepTheirBytesAndSplitInto250Pieces) {
  Drawing dwg;
  std::string text = std::string(260, 'a') + "\xD8" + "b\nc";
  make(dwg, {S(0, "MTEXT"), P(10, kO), S(1, text)});
  Pairs m = object(write(dwg), "ENTITIES", "MTEXT");
  EXPECT_EQ(value(m, 3), std::string(250, 'a'));
  EXPECT_EQ(value(m, 1), std::string(10, 'a') + "\xD8" + "b^Jc")
      << "Windows-1252 bytes as they are; a line feed would break the file";
  EXPECT_EQ(value(m, 3, 1), "<none>");
}

TEST(DxfWriter, ValuesTakeTheFormTheirCodeWantsAndMissingGroupsGetDefaults) {
  Drawing dwg;
  // Host-made entities skip the checks: numbers of the wrong type, a
  // non-finite value and missing required groups must still give a sound file.
  dwg.addEntity("LINE", {Group::number(62, 3.0), Group::integral(39, 2), P(10, {1, 1, 0})});
  dwg.addEntity("ELLIPSE", {P(10, kO), R(40, HUGE_VAL)});
  Pairs p = write(dwg);
  Pairs line = object(p, "ENTITIES", "LINE");
  EXPECT_EQ(value(line, 62), "3");
  EXPECT_EQ(value(line, 39), "2.0");
  EXPECT_EQ(value(line, 11), "0.0") << "a missing end point is the origin";
  Pairs ellipse = object(p, "ENTITIES", "ELLIPSE");
  EXPECT_EQ(value(ellipse, 40), "0.0");
  EXPECT_EQ(value(ellipse, 11), "1.0") << "unit major axis";
  EXPECT_NEAR(number(ellipse, 42), 2 * kPi, 1e-15);
  EXPECT_EQ(value(ellipse, 8), "0");
}

TEST(DxfWriter, AcisTextIsEncodedAsRelease2000StoresIt) {
  struct Case {
    std::string plain, encoded;
  } cases[] = {
      {"", ""},         {"A", "^ "}, {"B Z", "] E"}, {"@_", "_@"}, {"body $-1 #", "=0;& {rn |"},
      {"\t\x80", " `"},
  };
  for (const Case& c : cases) EXPECT_EQ(encodeSatLine(c.plain), c.encoded) << c.plain;

  Drawing dwg;
  std::string longLine(300, 'x');
  dwg.addEntity("3DSOLID",
                {S(100, "AcDbEntity"), S(100, "AcDbModelerGeometry"), I(70, 1), S(1, "700 0 1 0"),
                 S(1, longLine.substr(0, 255)), S(3, longLine.substr(255))});
  Pairs s = object(write(dwg), "ENTITIES", "3DSOLID");
  EXPECT_EQ(value(s, 1, 0), encodeSatLine("700 0 1 0"));
  EXPECT_EQ(value(s, 1, 1), std::string(255, '\x27'));
  EXPECT_EQ(value(s, 3, 0), std::string(45, '\x27'));
  EXPECT_EQ(value(s, 100, 1), "AcDbModelerGeometry");
}

TEST(DxfWriter, HundredThousandEntitiesAreAllWritten) {
  Drawing dwg;
  for (int i = 0; i < 100000; ++i)
    dwg.addEntity(i % 2 ? "LINE" : "ARC",
                  i % 2 ? GroupList{P(10, {double(i), 0, 0}), P(11, {double(i), 1, 0})}
                        : GroupList{P(10, {double(i), 0, 0}), R(40, 1), R(50, 0), R(51, 1)});
  std::ostringstream out;
  ASSERT_TRUE(writeDxf(dwg, {}, out));
  const std::string text = out.str();
  std::size_t lines = 0, arcs = 0;
  for (std::size_t p = text.find("\nAcDbLine\n"); p != std::string::npos;
       p = text.find("\nAcDbLine\n", p + 1))
    ++lines;
  for (std::size_t p = text.find("\nAcDbArc\n"); p != std::string::npos;
       p = text.find("\nAcDbArc\n", p + 1))
    ++arcs;
  EXPECT_EQ(lines, 50000u);
  EXPECT_EQ(arcs, 50000u);
}
