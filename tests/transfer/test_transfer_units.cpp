// The transfer module's own rules, run inside the host library: bulges, block
// names, style indices, the metafile probe, result-buffer chains, MTEXT
// placement, unique block names against the host's table, and the lookup of
// boundary entities.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host.h"
#include "m2d/document.h"
#include "m2d/shapes.h"
#include "meta/reader.h"
#include "plugin/interface_settings.h"
#include "transfer/entities.h"
#include "transfer/import.h"
#include "transfer/polylines_hatches.h"

namespace {

namespace fs = std::filesystem;

TEST(TransferRules, BulgeIsTheTangentOfAQuarterOfTheIncludedAngle) {
  const double r = std::sqrt(0.5) * 10;
  struct Case {
    const char* what;
    mVec2d p1, p2, p3, c;
    double bulge;
  } cases[] = {
      {"quarter, counter-clockwise", {10, 0}, {r, r}, {0, 10}, {0, 0}, std::tan(M_PI / 8)},
      {"quarter, clockwise", {0, 10}, {r, r}, {10, 0}, {0, 0}, -std::tan(M_PI / 8)},
      {"half circle", {10, 0}, {0, 10}, {-10, 0}, {0, 0}, 1.0},
      {"three quarters", {10, 0}, {-10, 0}, {0, -10}, {0, 0}, std::tan(3 * M_PI / 8)},
      {"three quarters, clockwise", {0, -10}, {-10, 0}, {10, 0}, {0, 0}, -std::tan(3 * M_PI / 8)},
      {"off the origin", {12, 5}, {5 + r, 5 + r}, {5, 12}, {5, 5}, std::tan(M_PI / 8)},
      {"zero chord", {1, 1}, {2, 2}, {1, 1}, {1.5, 1.5}, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(arcBulge(c.p1, c.p2, c.p3, c.c), c.bulge, 1e-12) << c.what;
}

TEST(TransferRules, BlockNamesFromTexts) {
  const struct {
    const char* text;
    const char* name;
  } cases[] = {
      {"M8x20 DIN 912", "M8x20_DIN_912"},
      {"", ""},
      {"   ", "___"},
      {"Gr\xF6\xDF"
       "e-1.5",
       "Gr__e_1_5"},
      {"0123456789012345678901234567890123456789", "012345678901234567890123456"},
      {"abcdefghijklmnopqrstuvwxyz ABC", "abcdefghijklmnopqrstuvwxyz_"},
  };
  for (const auto& c : cases) EXPECT_EQ(blockNameFromText(c.text), c.name) << c.text;
}

TEST(TransferRules, StyleIndexOfShapeTypeAndWidth) {
  const int cases[][3] = {{0, 1, 1}, {0, 0, 0}, {0, 2, 0}, {1, 0, 2}, {1, 1, 2},
                          {2, 1, 3}, {2, 2, 4}, {2, 3, 4}, {2, 0, 0}, {2, 4, 0},
                          {3, 1, 0}, {4, 1, 0}, {-1, 1, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(styleIndexForShape(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(TransferRules, ProbeLooksAtTheFirstLineOnly) {
  const fs::path dir = fs::temp_directory_path() / ("drw_probe_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const struct {
    const char* text;
    int result;
  } cases[] = {{"000", 0},
               {"000\nFIGURE { }", 0},
               {"0001 x", 0},
               {"1000", 1},
               {"00\n0", 1},
               {"", 1},
               {"FIGURE { NAME { \"000\" } }", 1},
               {" 000", 1}};
  for (const auto& c : cases) {
    std::ofstream(dir / "f.mf", std::ios::binary) << c.text;
    EXPECT_EQ(probeMetafile((dir / "f.mf").string()), c.result) << c.text;
  }
  EXPECT_EQ(probeMetafile((dir / "missing.mf").string()), -1);
  fs::remove_all(dir);
}

TEST(TransferRules, MTextPlacementOfSingleAndMultiLineTexts) {
  const struct {
    const char* text;
    int relPos, align;
    double width, x;
    int attachment;
    const char* out;
  } cases[] = {
      {"A", 5, 1, 20, 1.5, 5, "A"},          {"A\nB", 1, 2, 20, 11.5, 2, "A\\PB"},
      {"A\nB", 3, 1, 20, -18.5, 1, "A\\PB"}, {"A\nB\n", 8, 3, 7, 5.0, 9, "A\\PB\\P"},
      {"A\nB", 5, 2, 20.5, 1.5, 5, "A\\PB"},
  };
  for (const auto& c : cases) {
    MTextPlacement p = mtextPlacement(c.text, 1.5, -2.0, c.relPos, c.align, c.width, 0.0);
    EXPECT_DOUBLE_EQ(p.x, c.x) << c.text << " " << c.relPos;
    EXPECT_DOUBLE_EQ(p.y, -2.0);
    EXPECT_EQ(p.attachment, c.attachment) << c.text << " " << c.relPos;
    EXPECT_EQ(p.text, c.out);
  }
}

class TransferHostTest : public ::testing::Test {
 protected:
  TransferHostTest() : host(out) {}

  static resbuf* shortGroup(int code, int v) { return ads_buildlist(code, v, 0); }

  std::ostringstream out;
  drafthost::Host host;
  InterfaceSettings settings;
};

TEST_F(TransferHostTest, ResultBufferChainsJoinPieceByPiece) {
  EXPECT_EQ(appendResbufChain(nullptr, shortGroup(70, 1)), nullptr);
  resbuf* chain = shortGroup(70, 1);
  EXPECT_EQ(appendResbufChain(chain, nullptr), chain);
  resbuf* last = appendResbufChain(chain, ads_buildlist(71, 2, 72, 3, 0));
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->restype, 72);
  last = appendResbufChain(last, shortGroup(73, 4));
  EXPECT_EQ(last->restype, 73);
  int n = 0;
  for (resbuf* rb = chain; rb; rb = rb->rbnext) ++n;
  EXPECT_EQ(n, 4);
  ads_relrb(chain);
}

TEST_F(TransferHostTest, UniqueBlockNamesCountOnFromTheTakenOnes) {
  ads_name set, callerSet;
  ads_ssadd(nullptr, nullptr, callerSet);
  for (const char* taken : {"M8x20_DIN_912", "m8x20_din_9120"})
    ASSERT_TRUE(host.drawing.defineBlock(taken, {0, 0, 0}, {}));
  const ads_point from = {0, 0, 0}, to = {1, 0, 0};
  resbuf* list = ads_buildlist(RTDXF0, "LINE", 10, from, 11, to, 0);
  ASSERT_EQ(ads_entmake(list), RTNORM);
  ads_relrb(list);
  ads_name line;
  ads_entlast(line);
  ads_ssadd(line, nullptr, set);
  EXPECT_EQ(wrapSelectionInBlock(settings, "M8x20 DIN 912", set, 5, 6, 0.5, callerSet), 1);
  EXPECT_NE(host.drawing.blocks().find("M8x20_DIN_9121"), nullptr);
  ads_ssfree(set);
  ads_ssfree(callerSet);
}

TEST_F(TransferHostTest, InsertFailureIsReportedWithTheBlockName) {
  ads_name empty, callerSet;
  ads_ssadd(nullptr, nullptr, empty);
  ads_ssadd(nullptr, nullptr, callerSet);
  // The host refuses an INSERT turned by no number.
  EXPECT_EQ(wrapSelectionInBlock(settings, "Leer", empty, 0, 0, std::nan(""), callerSet), -1);
  EXPECT_NE(out.str().find("Fehler beim Erzeugen des Blocks Leer"), std::string::npos) << out.str();
  ads_ssfree(empty);
  ads_ssfree(callerSet);
}

TEST_F(TransferHostTest, BoundaryReferencesFindTheLatestEntityOfAShape) {
  std::string error;
  metaObjectC tree = readMetaBuffer("A { } B { }", 11, true, &error);
  ASSERT_TRUE(tree.isValid()) << error;
  metaTreeC* a = tree.node();
  metaTreeC* b = a->next;
  settings.shapeRefs().push_back({a, {1, 2}});
  settings.shapeRefs().push_back({b, {3, 4}});
  settings.shapeRefs().push_back({a, {5, 6}});
  ads_name e = {0, 0};
  ASSERT_TRUE(findShapeEntity(settings, a, e));
  EXPECT_EQ(e[0], 5);
  EXPECT_FALSE(findShapeEntity(settings, nullptr, e));
  resbuf* ref = hatchBoundaryRef(settings, b);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->restype, 330);
  EXPECT_EQ(ref->resval.rlname[0], 3);
  ads_relrb(ref);
  {
    // Entries made before an import are not looked at during it.
    ShapeRefFloor floor(settings);
    EXPECT_FALSE(findShapeEntity(settings, a, e));
    settings.shapeRefs().push_back({b, {9, 9}});
    ASSERT_TRUE(findShapeEntity(settings, b, e));
    EXPECT_EQ(e[0], 9);
  }
  ASSERT_TRUE(findShapeEntity(settings, a, e));
  EXPECT_EQ(e[0], 5);
  // Another command's list: nothing of the old one is found.
  InterfaceSettings next;
  EXPECT_EQ(hatchBoundaryRef(next, a), nullptr);
  next.shapeRefs().push_back({b, {7, 8}});
  ASSERT_TRUE(findShapeEntity(next, b, e));
  EXPECT_EQ(e[0], 7);
  EXPECT_FALSE(findShapeEntity(next, a, e));
}

TEST_F(TransferHostTest, AnImportFindsItsShapesWhereAnEarlierListStood) {
  // The next command's list may live where the last one did and grow past it
  // before its first hatch: its shapes must still be found.
  std::string error;
  metaObjectC first = readMetaBuffer("A { } B { }", 11, true, &error);
  metaObjectC second = readMetaBuffer("C { } D { } E { }", 17, true, &error);
  ASSERT_TRUE(first.isValid() && second.isValid()) << error;
  metaTreeC* a = first.node();
  metaTreeC* c = second.node();
  ads_name e = {0, 0};
  {
    ShapeRefFloor floor(settings);
    settings.shapeRefs().push_back({a, {1, 1}});
    settings.shapeRefs().push_back({a->next, {2, 2}});
    ASSERT_TRUE(findShapeEntity(settings, a, e));
  }
  settings.shapeRefs().clear();
  ShapeRefFloor floor(settings);
  settings.shapeRefs().push_back({c, {3, 3}});
  settings.shapeRefs().push_back({c->next, {4, 4}});
  settings.shapeRefs().push_back({c->next->next, {5, 5}});
  ASSERT_TRUE(findShapeEntity(settings, c, e));
  EXPECT_EQ(e[0], 3);
  EXPECT_FALSE(findShapeEntity(settings, a, e));
}

TEST_F(TransferHostTest, EdgeCountsOfLoops) {
  const char* text =
      "LOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 15 } } MOREF { REFTRG { 25 } } "
      "MOREF { REFTRG { 31 } } MOREF { REFTRG { 99 } } } } "
      "ICRV2D { POINT { 0 0 } POINT { 10 0 } POINT { 10 5 } } "
      "CIRCLE { POINT { 0 0 } RAD { 1 } } "
      "TEXT { TEXT { \"x\" } }";
  std::string error;
  metaObjectC tree = readMetaBuffer(text, std::strlen(text), true, &error);
  ASSERT_TRUE(tree.isValid()) << error;
  m2dHatchLoopC loop(tree.node());
  // Curve: two lines; circle: 1; text: 1; unresolved: 1.
  EXPECT_EQ(hatchEdgeCount(loop), 5);
  EXPECT_EQ(hatchEdgeCount(m2dHatchLoopC()), 0);
  metaTreeC* curve = tree.node()->next;
  resbuf* edges = hatchEdges(curve);
  int lines = 0;
  for (resbuf* rb = edges; rb; rb = rb->rbnext)
    if (rb->restype == 72) ++lines;
  EXPECT_EQ(lines, 2);
  ads_relrb(edges);
  EXPECT_EQ(hatchEdges(curve->next->next), nullptr) << "a text has no edge";
  EXPECT_EQ(hatchEdges(nullptr), nullptr);
}

TEST_F(TransferHostTest, EllipseAndArcEdgesRunCounterClockwise) {
  const char* text =
      "ELLIPSE { POINT { 1 2 } RAD1 { 10 } RAD2 { 5 } ANGLE { 90 } } "
      "ELLIPSEARC { POINT { 0 0 } RAD1 { 4 } RAD2 { 2 } ANGLE { 0 } ANGLE1 { 90 } ANGLE2 { 270 } } "
      "ARC { POINT { 0 10 } POINT { 7.0710678118654755 7.0710678118654755 } POINT { 10 0 } }";
  std::string error;
  metaObjectC tree = readMetaBuffer(text, std::strlen(text), true, &error);
  ASSERT_TRUE(tree.isValid()) << error;
  auto groups = [](resbuf* chain) {
    drafthost::GroupList g = drafthost::fromChain(chain);
    ads_relrb(chain);
    return g;
  };
  metaTreeC* ellipse = tree.node();
  drafthost::GroupList e = groups(hatchEdges(ellipse));
  ASSERT_EQ(e.size(), 7u);
  EXPECT_EQ(e[0].code, 72);
  EXPECT_EQ(e[0].integer, 3);
  EXPECT_DOUBLE_EQ(e[1].point[0], 1);
  EXPECT_DOUBLE_EQ(e[1].point[1], 2);
  EXPECT_NEAR(e[2].point[0], 0, 1e-12);
  EXPECT_NEAR(e[2].point[1], 10, 1e-12);
  EXPECT_DOUBLE_EQ(e[3].real, 0.5);
  EXPECT_DOUBLE_EQ(e[4].real, 0);
  EXPECT_DOUBLE_EQ(e[5].real, 6.283185307179586);
  EXPECT_EQ(e[6].code, 73);
  EXPECT_EQ(e[6].integer, 1);
  drafthost::GroupList a = groups(hatchEdges(ellipse->next));
  ASSERT_EQ(a.size(), 7u);
  EXPECT_DOUBLE_EQ(a[4].real, M_PI / 2);
  EXPECT_DOUBLE_EQ(a[5].real, 3 * M_PI / 2);
  // A clockwise arc from 90 to 0 degrees: the angles change places, 73 stays 1.
  drafthost::GroupList c = groups(hatchEdges(ellipse->next->next));
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[0].integer, 2);
  EXPECT_NEAR(c[3].real, 0, 1e-12);
  EXPECT_NEAR(c[4].real, M_PI / 2, 1e-12);
  EXPECT_EQ(c[5].integer, 1);
}

TEST_F(TransferHostTest, ACurveThatClosesOnACircleBoundsAHatchThroughItsCircle) {
  std::string pts;
  for (int k = 0; k <= 12; ++k) {
    const double a = k % 12 * 30 * M_PI / 180;
    pts += "POINT { " + std::to_string(5 * std::cos(a)) + " " + std::to_string(5 * std::sin(a)) +
           " } ";
  }
  const fs::path file = fs::temp_directory_path() / ("drw_circle_" + std::to_string(::getpid()));
  std::ofstream(file) << "FIGURE { FIGURITEMS { ICRV2D { " + pts +
                             "} } M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { "
                             "M2DHATCHLOOPSHREFS { MOREF { REFTRG { 3 } } } } } } } }";
  settings.hatchLayer() = "0";
  ads_name set;
  ads_ssadd(nullptr, nullptr, set);
  ASSERT_EQ(importMetafile(settings, file.string(), set, 0, 0, 0, 0), 1) << out.str();
  fs::remove(file);
  ads_ssfree(set);
  ASSERT_EQ(settings.shapeRefs().size(), 1u);
  const drafthost::Entity* circle =
      host.drawing.entity(static_cast<drafthost::EntityId>(settings.shapeRefs()[0].entity[0]));
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->type, "CIRCLE");
  const drafthost::Entity* hatch = nullptr;
  for (drafthost::EntityId id = 1; host.drawing.entity(id); ++id)
    if (host.drawing.entity(id)->type == "HATCH") hatch = host.drawing.entity(id);
  ASSERT_NE(hatch, nullptr) << out.str();
  // The loop: one circle edge (93 1; 72 2, centre, radius, 0 to 2 pi,
  // counter-clockwise), then the curve's entity as its boundary object.
  const std::vector<drafthost::Group>& g = hatch->groups;
  auto at =
      std::find_if(g.begin(), g.end(), [](const drafthost::Group& x) { return x.code == 92; });
  ASSERT_GE(g.end() - at, 10) << "a loop with its edge and reference";
  EXPECT_EQ(at[1].code, 93);
  EXPECT_EQ(at[1].integer, 1);
  EXPECT_EQ(at[2].code, 72);
  EXPECT_EQ(at[2].integer, 2);
  EXPECT_NEAR(at[3].point[0], 0, 1e-5);
  EXPECT_NEAR(at[3].point[1], 0, 1e-5);
  EXPECT_NEAR(at[4].real, 5, 1e-5);
  EXPECT_EQ(at[5].real, 0.0);
  EXPECT_EQ(at[6].real, 2 * M_PI);
  EXPECT_EQ(at[7].integer, 1);
  EXPECT_EQ(at[8].code, 97);
  EXPECT_EQ(at[8].integer, 1);
  EXPECT_EQ(at[9].code, 330);
  EXPECT_EQ(at[9].name[0], settings.shapeRefs()[0].entity[0]);
}

// The figure transformation rewrites the first point (three numbers become
// two): a reference to its third number, or to a line tucked inside a point,
// must not follow the rewritten node, only report a shape it cannot find.
TEST_F(TransferHostTest, ReferencesIntoRewrittenShapesNameNoShape) {
  const fs::path file = fs::temp_directory_path() / ("drw_refs_" + std::to_string(::getpid()));
  // Pre-order numbers: 11 the first LINE, 15 the third number of its first
  // POINT, 22 the LINE inside the second LINE's point. A loose figure: its
  // items are turned and moved in place.
  std::ofstream(file) << "DRAWING { DRAWINGITEMS { FIGURE { "
                         "INSERTPOINT { POINT { 5 0 } ROTATION { 90 } } FIGURITEMS { "
                         "LINE { POINT { 0 0 7 } POINT { 10 0 } } "
                         "LINE { POINT { 0 0 LINE { POINT { 1 1 } POINT { 2 2 } } } "
                         "POINT { 0 10 } } } "
                         "M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { "
                         "M2DHATCHLOOPSHREFS { MOREF { REFTRG { 15 } } MOREF { REFTRG { 11 } } "
                         "MOREF { REFTRG { 22 } } } } } } } } } }";
  settings.hatchLayer() = "0";
  ads_name set;
  ads_ssadd(nullptr, nullptr, set);
  importMetafile(settings, file.string(), set, 0, 0, 0, 0);
  fs::remove(file);
  ads_ssfree(set);
  std::size_t missing = 0;
  for (std::size_t p = out.str().find("Shape f"); p != std::string::npos;
       p = out.str().find("Shape f", p + 1))
    ++missing;
  EXPECT_EQ(missing, 2u) << out.str();
  // The real line was transformed and is the one boundary found.
  ASSERT_GE(settings.shapeRefs().size(), 1u);
  const drafthost::Entity* line =
      host.drawing.entity(static_cast<drafthost::EntityId>(settings.shapeRefs()[0].entity[0]));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->type, "LINE");
}

}  // namespace

TEST_F(TransferHostTest, ThousandsOfShapesAreFoundWhileTheListGrows) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "S { } ";
  std::string error;
  metaObjectC tree = readMetaBuffer(text.data(), text.size(), true, &error);
  ASSERT_TRUE(tree.isValid()) << error;
  ShapeRefFloor floor(settings);
  std::vector<metaTreeC*> nodes;
  for (metaTreeC* n = tree.node(); n; n = n->next) nodes.push_back(n);
  ads_name e = {0, 0};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    settings.shapeRefs().push_back({nodes[i], {static_cast<int32_t>(i), 0}});
    if (i % 7 == 0) {  // look-ups between additions, old and new
      ASSERT_TRUE(findShapeEntity(settings, nodes[i / 2], e));
      EXPECT_EQ(e[0], static_cast<int32_t>(i / 2));
      if (i + 1 < nodes.size()) {
        EXPECT_FALSE(findShapeEntity(settings, nodes[i + 1], e));
      }
    }
  }
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    ASSERT_TRUE(findShapeEntity(settings, nodes[i], e)) << i;
    EXPECT_EQ(e[0], static_cast<int32_t>(i));
  }
}
