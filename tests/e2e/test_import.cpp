// Metafile import through drafthost: the entity lists the plug-in sends for
// every shape kind, polylines and hatches, blocks, inch mode and failures.
// REFTRG numbers are pre-order positions among all words and strings of a file.
#include "drafthost_run.h"

namespace {

constexpr const char* kSettings =
    "[Layer]\nSolidHeavy=KONTUR\nSolidLight=DUENN\nHidden=VERDECKT\nCenter=MITTE\n"
    "HeavyDashDot=STRICHPUNKT\nHatch=SCHRAFF\nCosm=KOSM\n"
    "[LineType]\nSolidHeavy=Continuous\nSolidLight=Continuous\nHidden=BYLAYER\n"
    "Center=BYLAYER\nHeavyDashDot=BYBLOCK\nHatch=Continuous\n"
    "[LineColor]\nSolidHeavy=1\nSolidLight=2\nHidden=3\nCenter=4\nHeavyDashDot=5\nHatch=8\n";

// Points on a circle, `steps` of them per turn and the first again at the end.
std::string circlePoints(double cx, double cy, double r, int steps) {
  std::string pts;
  for (int k = 0; k <= steps; ++k) {
    const double a = k % steps * 2 * std::numbers::pi / steps;
    pts += "POINT { " + std::to_string(cx + r * std::cos(a)) + " " +
           std::to_string(cy + r * std::sin(a)) + " } ";
  }
  return pts;
}

}  // namespace

class ImportTest : public E2eTest {
 protected:
  ImportTest() { writeSettings(kSettings); }

  // Imports part.mf with the given answers to the drag and rotation prompts.
  HostRun import(const std::string& metafile, const std::string& options = "") {
    write("part.mf", metafile);
    return run("(C:MOXIopenps2 \"part.mf\")\n\n\n", "", options);
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
      TEXT { TEXT { "A\nB" } POINT { 1.5 2.25 } HEIGHT { 2 } ANGLE { 0 }
             TEXTRELPOS { 1 } TEXTALIGN { 2 } TEXTBW { 20.5 } }
      TEXT { TEXT { "top\nmiddle\nend" } POINT { 30 0 } HEIGHT { 2 } ANGLE { 90 }
             TEXTRELPOS { 9 } TEXTALIGN { 1 } TEXTBW { 12 } }
      SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 4 } }
      LINE { POINT { 0 0 } POINT { 1 0 } }
    } } } })");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(listIs(r.made(), R"([
      [[5020,"LINE"],[8,"KONTUR"],[6,"Continuous"],[62,1],[10,[1,2,0]],[11,[3.5,4,0]]],
      [[5020,"ARC"],[8,"DUENN"],[6,"Continuous"],[62,2],[10,[0,0,0]],[40,10],[50,0],
       [51,1.5707963267948966]],
      [[5020,"ARC"],[8,"VERDECKT"],[6,"BYLAYER"],[62,3],[10,[0,0,0]],[40,10],[50,0],
       [51,1.5707963267948966]],
      [[5020,"CIRCLE"],[8,"MITTE"],[6,"BYLAYER"],[62,4],[10,[5,6,0]],[40,2.5]],
      [[5020,"ELLIPSE"],[100,"AcDbEntity"],[8,"STRICHPUNKT"],[6,"BYBLOCK"],[100,"AcDbEllipse"],
       [62,5],[10,[1,1,0]],[11,[10,0,0]],[40,0.5],[41,0],[42,6.283185307179586]],
      [[5020,"ELLIPSE"],[100,"AcDbEntity"],[8,"KOSM"],[6,"BYBLOCK"],[100,"AcDbEllipse"],
       [62,5],[10,[0,0,0]],[11,[0,4,0]],[40,0.5],[41,0],[42,3.141592653589793]],
      [[5020,"MTEXT"],[100,"AcDbEntity"],[8,"KONTUR"],[6,"Continuous"],[62,1],
       [100,"AcDbMText"],[10,[2.25,3.75,0]],[40,3.5],[71,5],[72,1],[1,"M8"],[50,3.141592]],
      [[5020,"MTEXT"],[100,"AcDbEntity"],[8,"KONTUR"],[6,"Continuous"],[62,1],
       [100,"AcDbMText"],[10,[11.75,2.25,0]],[40,2],[71,2],[72,1],[1,"A\\PB"],[50,0]],
      [[5020,"MTEXT"],[100,"AcDbEntity"],[8,"KONTUR"],[6,"Continuous"],[62,1],[100,"AcDbMText"],
       [10,[30,-12,0]],[40,2],[71,7],[72,1],[1,"top\\Pmiddle\\Pend"],[50,1.570796]],
      [[5020,"LINE"],[8,"KONTUR"],[6,"Continuous"],[62,1],[10,[0,0,0]],[11,[1,0,0]]]])"))
      << "clockwise arcs swap their angles; cosmetic shapes go to the cosmetic layer; unknown "
         "types and widths are solid heavy; text angles use pi as 3.141592; multi-line texts "
         "move to their alignment column by exact half widths along their own direction";
  EXPECT_TRUE(r.commands("_.BLOCK").empty()) << "one loose figure in a drawing";
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u);
}

TEST_F(ImportTest, InterpolatedCurvesBecomePolylinesWithBulges) {
  // Three quarter circles (counter-clockwise, clockwise, counter-clockwise),
  // a closed quadrilateral, a curve that closes on one circle, one point.
  std::string pts;
  auto add = [&](double cx, double cy, double from, double to) {
    for (int k = pts.empty() ? 0 : 1; k <= 9; ++k) {
      const double a = (from + (to - from) * k / 9.0) * std::numbers::pi / 180.0;
      pts += "POINT { " + std::to_string(cx + 10 * std::cos(a)) + " " +
             std::to_string(cy + 10 * std::sin(a)) + " } ";
    }
  };
  add(0, 0, 0, 90);
  add(0, 20, 270, 180);
  add(-20, 20, 0, 90);
  HostRun r = import("DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS { ICRV2D { " + pts +
                     "} SHAPEATTR { SHAPETYP { 1 } } ICRV2D { POINT { 0 0 } POINT { 20 0 } "
                     "POINT { 25 10 } POINT { 0 10 } POINT { 0 0 } } ICRV2D { " +
                     circlePoints(50, 50, 5, 12) + "} ICRV2D { POINT { 3 3 } } } } } }");
  std::vector<json> lists = r.made();
  ASSERT_EQ(lists.size(), 6u + 7u + 1u) << r.out;
  EXPECT_TRUE(listIs(lists[0], R"([[5020,"POLYLINE"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1],[100,"AcDb2dPolyline"],[66,1],[70,0],[10,[0,0,0]]])"));
  EXPECT_TRUE(listIs(lists[1], R"([[5020,"VERTEX"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1],[100,"AcDbVertex"],[100,"AcDb2dVertex"],[10,[10,0,0]],
      [42,0.41421]])",
                     1e-4));
  json vertices = json::array();
  for (std::size_t i = 1; i < 5; ++i)
    vertices.push_back({lists[i][0][1], lists[i][7][1][0], lists[i][7][1][1], lists[i][8][1]});
  EXPECT_TRUE(listIs(vertices, R"([["VERTEX",10,0,0.41421],["VERTEX",0,10,-0.41421],
      ["VERTEX",-10,20,0.41421],["VERTEX",-20,30,0]])",
                     1e-4));
  EXPECT_TRUE(listIs(lists[5], R"([[5020,"SEQEND"],[100,"AcDbEntity"],[8,"KONTUR"],
      [6,"Continuous"],[62,1]])"));
  // The closed quadrilateral: 70 = 1 and a last vertex on the first.
  EXPECT_TRUE(listIs({lists[6][2], lists[6][7], lists[7][7], lists[11][7], lists[11][8]},
                     R"([[8,"VERDECKT"],[70,1],[10,[0,0,0]],[10,[0,0,0]],[42,0]])"));
  // The curve closing on one circle becomes that circle.
  EXPECT_TRUE(listIs({lists[12][0], lists[13][0], lists[13][4], lists[13][5]},
                     R"([[5020,"SEQEND"],[5020,"CIRCLE"],[10,[50,50,0]],[40,5]])", 1e-5));
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u) << "the one-point curve is no error";
}

// Hatch boundaries: lines, an arc, an interpolated curve (two lines once
// approximated), a circle as a second loop; the second hatch also names a text.
TEST_F(ImportTest, HatchesRebuildTheirBoundariesAndReferTheirEntities) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS {
      LINE { POINT { 0 0 } POINT { 40 0 } }
      ARC { POINT { 40 0 } POINT { 50 10 } POINT { 40 20 } }
      ICRV2D { POINT { 40 20 } POINT { 20 25 } POINT { 0 20 } }
      LINE { POINT { 0 20 } POINT { 0 0 } }
      CIRCLE { POINT { 20 10 } RAD { 4 } }
      TEXT { TEXT { "X" } POINT { 0 0 } HEIGHT { 1 } TEXTRELPOS { 1 } TEXTALIGN { 1 } } }
    M2DHATCHES {
      M2DHATCH { ANGLE { 0 } DISTANCE { 0 } M2DHATCHLOOPS {
        M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 5 } } MOREF { REFTRG { 12 } }
                                            MOREF { REFTRG { 22 } } MOREF { REFTRG { 32 } } } }
        M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 39 } } } } } }
      M2DHATCH { ANGLE { 30 } DISTANCE { 2 } M2DHATCHLOOPS {
        M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 39 } } MOREF { REFTRG { 45 } } } } } }
    } } } })");
  ASSERT_EQ(r.status, 0) << r.err;
  // Shapes: line, arc, polyline (header, 2 + 1 vertices, end), line, circle, text.
  std::vector<json> lists = r.made();
  ASSERT_EQ(lists.size(), 10u + 1u) << r.out;
  // The handles of the entities made for line 1, arc, curve, line 2 and circle.
  std::string h[5];
  for (int i = 0; i < 5; ++i) h[i] = r.calls("ads_entlast")[i]["result"].dump();
  // The arc's start angle is reported in [0, 2pi): 270 degrees.
  EXPECT_TRUE(listIs(lists[10], R"([[5020,"HATCH"],[100,"AcDbEntity"],[8,"SCHRAFF"],
      [100,"AcDbHatch"],[62,8],[10,[0,0,0]],[210,[0,0,1]],[2,"_U"],[70,0],[71,1],[91,2],
      [92,1],[93,5],
      [72,1],[10,[0,0,0]],[11,[40,0,0]],
      [72,2],[10,[40,10,0]],[40,10],[50,4.71238898038469],[51,1.5707963267948966],[73,1],
      [72,1],[10,[40,20,0]],[11,[20,25,0]],[72,1],[10,[20,25,0]],[11,[0,20,0]],
      [72,1],[10,[0,20,0]],[11,[0,0,0]],
      [97,4],[330,)" + h[0] + "],[330," +
                                    h[1] + "],[330," + h[2] + "],[330," + h[3] + R"(],
      [92,16],[93,1],[72,2],[10,[20,10,0]],[40,4],[50,0],[51,6.283185307179586],[73,1],
      [97,1],[330,)" + h[4] + R"(],
      [75,0],[76,1],[52,0.7853981633974483],[41,5],[77,0],[78,1],[53,0.7853981633974483],
      [43,0],[44,0],[45,-3.5355339059327373],[46,3.5355339059327378],[79,0],[98,1],
      [10,[0,0,0]]])"));
  // The second hatch: the text has no entity, so one reference fewer than 97
  // says, which the host refuses; a failed hatch does not fail the figure.
  const json second = r.calls("ads_entmake").back();
  EXPECT_TRUE(contains(second["list"].dump(), "[97,2],[330,"));
  EXPECT_TRUE(listIs({second["rc"], second["list"][23], second["list"][24]},
                     "[-5001,[52,1.3089969389957472],[41,2]]"));
  EXPECT_TRUE(contains(r.out, "Shape für Hatch nicht gefunden!\n\nHatch konnte nicht erzeugt"));
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u);
}

TEST_F(ImportTest, HatchEdgesOfEllipsesAndOfACurveClosingOnACircle) {
  HostRun r = import(
      "DRAWING { DRAWINGITEMS { FIGURE { FIGURITEMS { "
      "ELLIPSE { POINT { 1 2 } RAD1 { 10 } RAD2 { 5 } ANGLE { 90 } } "
      "ELLIPSEARC { POINT { 0 0 } RAD1 { 4 } RAD2 { 2 } ANGLE { 0 } ANGLE1 { 90 } ANGLE2 { 270 } } "
      "ICRV2D { " +
      circlePoints(0, 0, 5, 4) +
      "} } M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { M2DHATCHLOOPSHREFS { "
      "MOREF { REFTRG { 5 } } MOREF { REFTRG { 15 } } MOREF { REFTRG { 29 } } } } } } } } } }");
  std::vector<json> lists = r.made();
  ASSERT_EQ(lists.size(), 4u) << r.out;
  const json& hatch = lists[3];
  // Edges counter-clockwise: the ellipse whole, the arc from 90 to 270
  // degrees, the curve's circle; then the three entities as boundary objects.
  EXPECT_TRUE(listIs(json(std::vector<json>(hatch.begin() + 11, hatch.begin() + 34)), R"([
      [92,1],[93,3],
      [72,3],[10,[1,2,0]],[11,[0,10,0]],[40,0.5],[50,0],[51,6.283185307179586],[73,1],
      [72,3],[10,[0,0,0]],[11,[4,0,0]],[40,0.5],[50,1.5707963267948966],
      [51,4.71238898038469],[73,1],
      [72,2],[10,[0,0,0]],[40,5],[50,0],[51,6.283185307179586],[73,1],[97,3]])"));
  EXPECT_EQ(lists[2][0], json::parse(R"([5020,"CIRCLE"])"));
}

// A loose figure's transformation rewrites the points of its shapes (the
// first one loses its third number): references to a number inside a point,
// or to a line tucked inside a point, name no shape; the real line still does.
TEST_F(ImportTest, ReferencesIntoRewrittenShapesNameNoShape) {
  HostRun r = import(
      "DRAWING { DRAWINGITEMS { FIGURE { INSERTPOINT { POINT { 5 0 } ROTATION { 90 } } FIGURITEMS "
      "{ LINE { POINT { 0 0 7 } POINT { 10 0 } } LINE { POINT { 0 0 LINE { POINT { 1 1 } POINT "
      "{ 2 2 } } } POINT { 0 10 } } } M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { "
      "M2DHATCHLOOPSHREFS { MOREF { REFTRG { 15 } } MOREF { REFTRG { 11 } } MOREF { REFTRG { 22 } "
      "} } } } } } } } }");
  EXPECT_EQ(count(r.out, "Shape f\xC3\xBCr Hatch nicht gefunden!"), 2u) << r.out;
  const json hatch = r.calls("ads_entmake").back()["list"];
  EXPECT_EQ(count(hatch.dump(), "[330,"), 1u) << hatch.dump();
  EXPECT_TRUE(contains(hatch.dump(), "[330," + r.calls("ads_entlast")[0]["result"].dump() + "]"));
}

TEST_F(ImportTest, ARootFigureIsAlwaysABlockNamedAfterIt) {
  HostRun r = import(R"(FIGURE { NAME { "Sechskantschraube ISO 4017 M8x20 verzinkt" }
      INSERTPOINT { POINT { 10 20 } ROTATION { 90 } }
      FIGURITEMS { LINE { POINT { 0 0 } POINT { 5 0 } } } })");
  std::vector<json> blocks = r.commands("_.BLOCK");
  ASSERT_EQ(blocks.size(), 1u) << r.out;
  EXPECT_TRUE(listIs({blocks[0][1], blocks[0][2], blocks[0][3][0], blocks[0][4]},
                     R"([[5005,"Sechskantschraube_ISO_4017_"],[5002,[0,0,0]],5007,[5005,""]])"));
  std::vector<json> lists = r.made();
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_TRUE(listIs(lists[0][4], "[10,[0,0,0]]")) << "block content stays in figure coordinates";
  EXPECT_TRUE(listIs(lists[1], R"([[5020,"INSERT"],[2,"Sechskantschraube_ISO_4017_"],
      [10,[10,20,0]],[50,1.5707963267948966]])"));
}

TEST_F(ImportTest, BlockNamesAreMadeUniqueWithACounter) {
  const std::string circle = "FIGURITEMS { CIRCLE { POINT { 0 0 } RAD { 4 } } } } ";
  write("a.mf", "FIGURE { NAME { \"M8x20 DIN 912\" } " + circle);
  write("e.mf", "FIGURE { NAME { \"\" } " + circle);
  write("b.mf", "FIGURE { NAME { \"   \" } " + circle);
  // Within one import: three figures and the drawing share the name.
  const std::string same = "FIGURE { NAME { \"M8x20 DIN 912\" } GROUP { \"YES\" } " + circle;
  write("d.mf",
        "DRAWING { NAME { \"M8x20 DIN 912\" } DRAWINGITEMS { " + same + same + same + "} }");
  std::string script;
  for (const char* f : {"a", "a", "a", "e", "e", "b", "d"})
    script += std::string("(C:MOXIopenps2 \"") + f + ".mf\")\n\n\n";
  std::vector<std::string> names;
  for (const json& b : run(script).commands("_.BLOCK")) names.push_back(b[1][1]);
  EXPECT_EQ(names,
            (Args{"M8x20_DIN_912", "M8x20_DIN_9120", "M8x20_DIN_9121", "MOXISOL", "MOXISOL0", "___",
                  "M8x20_DIN_9122", "M8x20_DIN_9123", "M8x20_DIN_9124", "M8x20_DIN_9125"}));
}

TEST_F(ImportTest, DrawingsOfSeveralFiguresNestTheirBlocks) {
  HostRun r = import(R"(DRAWING { NAME { "Baugruppe" } ANSICHTNO { 1 } DRAWINGITEMS {
      FIGURE { NAME { "Vorne" } GROUP { "YES" } INSERTPOINT { POINT { 100 0 } ROTATION { 0 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } }
      FIGURE { NAME { "Seite" } GROUP { "YES" } INSERTPOINT { POINT { 200 0 } ROTATION { 90 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } }
      FIGURE { NAME { "Oben" } GROUP { "YES" } INSERTPOINT { POINT { 0 300 } ROTATION { 0 } }
               FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } } } })");
  std::vector<json> blocks = r.commands("_.BLOCK");
  ASSERT_EQ(blocks.size(), 4u) << r.out;
  EXPECT_EQ(blocks[3][1][1], "Baugruppe");
  const std::vector<json> made = r.made();  // each figure's line and insert, the drawing's insert
  ASSERT_EQ(made.size(), 7u);
  EXPECT_TRUE(listIs({made[3], made[6]}, R"([
      [[5020,"INSERT"],[2,"Seite"],[10,[200,0,0]],[50,1.5707963267948966]],
      [[5020,"INSERT"],[2,"Baugruppe"],[10,[0,0,0]],[50,0]]])"));
  EXPECT_EQ(r.calls("ads_draggen").size(), 1u) << "only the drawing's insert is dragged";
}

// A lower-case group in a drawing of one figure stays loose (turned about the
// origin, then moved), and a multi-line text's shift turns with it, landing
// where the same figure as a block puts it; shape type 4 hides shapes until the
// next attributes; cosmetic shapes keep their style's layer when there is no
// cosmetic layer.
TEST_F(ImportTest, LooseFiguresHiddenShapesAndCosmeticsWithoutALayer) {
  std::string settings = kSettings;
  writeSettings(settings.replace(settings.find("Cosm=KOSM\n"), 10, ""));
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { GROUP { "yes" }
      INSERTPOINT { POINT { 5 5 } ROTATION { 90 } } FIGURITEMS {
      LINE { POINT { 1 0 } POINT { 2 0 } }
      TEXT { TEXT { "A\nB" } POINT { 0 0 } HEIGHT { 2 } ANGLE { 0 } TEXTRELPOS { 1 } TEXTALIGN { 2 }
             TEXTBW { 20 } }
      SHAPEATTR { SHAPETYP { 4 } }
      LINE { POINT { 0 0 } POINT { 2 0 } }
      TEXT { TEXT { "hidden" } POINT { 0 0 } HEIGHT { 1 } TEXTRELPOS { 1 } TEXTALIGN { 1 } }
      CIRCLE { POINT { 0 0 } RAD { 1 } }
      SHAPEATTR { SHAPETYP { 1 } COSMETIC { 1 } }
      LINE { POINT { 0 0 } POINT { 3 0 } } } } } })");
  EXPECT_TRUE(r.commands("_.BLOCK").empty());
  EXPECT_TRUE(listIs(r.made(), R"([
      [[5020,"LINE"],[8,"KONTUR"],[6,"Continuous"],[62,1],[10,[5,6,0]],[11,[5,7,0]]],
      [[5020,"MTEXT"],[100,"AcDbEntity"],[8,"KONTUR"],[6,"Continuous"],[62,1],[100,"AcDbMText"],
       [10,[5,15,0]],[40,2],[71,2],[72,1],[1,"A\\PB"],[50,1.570796]],
      [[5020,"LINE"],[8,"VERDECKT"],[6,"BYLAYER"],[62,3],[10,[5,5,0]],[11,[5,8,0]]]])"));
  EXPECT_EQ(r.calls("ads_printf").size(), 2u) << "only the two prompt line feeds";
}

TEST_F(ImportTest, InchModeScalesLooseFiguresAndBlockInsertions) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS {
      FIGURE { INSERTPOINT { POINT { 254 0 } ROTATION { 90 } }
        FIGURITEMS { LINE { POINT { 25.4 0 } POINT { 50.8 0 } }
          TEXT { TEXT { "T" } POINT { 25.4 0 } HEIGHT { 2.54 } ANGLE { 0 } TEXTRELPOS { 1 }
                 TEXTALIGN { 1 } } } }
      FIGURE { NAME { "B" } GROUP { "YES" } INSERTPOINT { POINT { 508 254 } ROTATION { 0 } }
        FIGURITEMS { CIRCLE { POINT { 25.4 25.4 } RAD { 12.7 } } } } } })",
                     "--imperial");
  std::vector<json> lists = r.made();
  ASSERT_EQ(lists.size(), 5u) << r.out;
  // Loose: scaled, turned by 90 degrees, moved to (10, 0); the text follows
  // with anchor, height and angle. Block: scaled inside, inserted at the
  // insertion point divided by 25.4; both figures wrapped into one block.
  EXPECT_TRUE(listIs({lists[0][4], lists[0][5], lists[1][6], lists[1][7], lists[1][11]},
                     "[[10,[10,1,0]],[11,[10,2,0]],[10,[10,1,0]],[40,0.1],[50,1.570796]]"));
  EXPECT_TRUE(listIs({lists[2], lists[3]}, R"([
      [[5020,"CIRCLE"],[8,"KONTUR"],[6,"Continuous"],[62,1],[10,[1,1,0]],[40,0.5]],
      [[5020,"INSERT"],[2,"B"],[10,[20,10,0]],[50,0]]])"));
  EXPECT_EQ(lists[4][1][1], "MOXISOL");
}

// Inch mode needs the drawing's MEASUREMENT 0 (reported as a long) and a
// settings file that allows it.
TEST_F(ImportTest, InchModeFollowsMeasurementAndInchAllowed) {
  write("part.mf", "FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 25.4 0 } } } }");
  const std::string once = "(C:MOXIopenps2 \"part.mf\")\n\n\n";
  const std::string twice = once + "SETVAR MEASUREMENT 0\n" + once;
  struct Case {
    const char* name;
    std::string script, options, allowed;
    std::vector<double> ends;  // x of the line's end, per import
  } cases[] = {
      {"imperial", once, "--imperial", "", {1}},
      {"metric, then imperial", twice, "", "", {25.4, 1}},
      {"not allowed", once, "--imperial", "InchAllowed=nein", {25.4}},
  };
  for (const Case& c : cases) {
    writeSettings(std::string(kSettings) + "[Options]\n" + c.allowed + "\n");
    HostRun r = run(c.script, "", c.options);
    json ends = json::array();
    for (const json& l : r.made())
      if (l[0][1] == "LINE") ends.push_back(l[5][1][0]);
    EXPECT_TRUE(listIs(ends, json(c.ends).dump())) << c.name;
    for (const json& v : r.calls("ads_getvar")) EXPECT_EQ(v["result"][0], 5010) << c.name;
  }
}

TEST_F(ImportTest, AFailingShapeStopsTheFigureBeforeItsHatches) {
  HostRun r = import(R"(DRAWING { DRAWINGITEMS { FIGURE { GROUP { "YES" } FIGURITEMS {
      CIRCLE { POINT { 0 0 } RAD { 4 } }
      LINE { POINT { 0 0 } POINT { 1 0 } }
      ELLIPSE { POINT { 0 0 } RAD1 { 5 } RAD2 { 10 } ANGLE { 0 } }
      LINE { POINT { 0 0 } POINT { 2 0 } } }
    M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { M2DHATCHLOOPSHREFS {
      MOREF { REFTRG { 7 } } } } } } } } } })");
  std::vector<json> all = r.calls("ads_entmake");
  ASSERT_EQ(all.size(), 3u) << r.out;
  EXPECT_TRUE(listIs(all[2]["list"][8], "[40,2]")) << "the ratio is sent as it is";
  EXPECT_EQ(all[2]["rc"], -5001);
  EXPECT_TRUE(contains(r.out, "Ellipse konnte nicht erzeugt werden!"));
  EXPECT_TRUE(r.commands("_.BLOCK").empty()) << "a failed block figure makes no block";
  EXPECT_TRUE(r.calls("ads_draggen").empty());
  EXPECT_EQ(r.commands("_cmdecho").size(), 1u) << "the command ends with -1";
}

TEST_F(ImportTest, RefusedFilesAreReported) {
  // A turned block whose rotation overflows on the way to radians is refused
  // by the host.
  const std::pair<std::string, const char*> files[] = {
      {"none", "000\nFIGURE { }\n"},
      {"zero", "0001 FIGURE { }\n"},
      {"missing", nullptr},
      {"bad", "FIGURE { NAME { \"x\" }\n"},
      {"other", "PART { NAME { \"x\" } }\n"},
      {"short", "00\n0 FIGURE { }\n"},
      {"turned",
       "FIGURE { NAME { \"turned\" } INSERTPOINT { POINT { 0 0 } ROTATION { 1e308 } } "
       "FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } } }"},
      {"later", "FIGURE { NAME { \"000\" } }\n"}};
  std::string script;
  for (const auto& [name, text] : files) {
    if (text) write(name + ".mf", text);
    script += "(C:MOXIopenps2 \"" + name + ".mf\")\n";
  }
  HostRun r = run(script + "\n\n");
  EXPECT_EQ(r.texts("ads_printf"),
            (Args{"\nEs wurde kein Teil übergeben!\n", "\nEs wurde kein Teil übergeben!\n",
                  "\nMetadatei missing.mf wurde nicht gefunden!\n", "\nFehler in der Metadatei!\n",
                  "\nFehler in der Metadatei!\n", "\nFehler in der Metadatei!\n",
                  "\nFehler beim Erzeugen des Blocks turned\n", "\n", "\n"}))
      << r.out;
  EXPECT_EQ(r.commands("_.BLOCK").size(), 2u) << "000 later in the line is a part";
}

// Without a trace drafthost stores simple lists straight from the result
// buffers; the drawing must be the one the traced path makes, to the byte.
TEST_F(ImportTest, TheDrawingIsTheSameWithAndWithoutATrace) {
  ASSERT_EQ(run("", "", "--dxf out.dxf").status, 0);
  const std::size_t emptyDrawing = read("out.dxf").size();
  for (const char* name : {"all_shapes", "bracket_figure", "grouped_drawing", "hatched_flange",
                           "hidden_section", "shaft_drawing", "text_block"}) {
    write("part.mf", readFile(source(std::string("examples/metafiles/") + name + ".mf")));
    std::string dxf[2], out[2];
    for (int traced = 0; traced < 2; ++traced) {
      HostRun r = run("(C:MOXIopenps2 \"part.mf\")\n10,5\n30\n(C:MOXIopenps2 \"part.mf\")\n\n\n",
                      "", "--dxf out.dxf", traced == 1);
      ASSERT_EQ(r.status, 0) << name << r.err;
      dxf[traced] = read("out.dxf");
      out[traced] = r.out;
    }
    EXPECT_GT(dxf[0].size(), emptyDrawing + 1000) << name << out[0];
    EXPECT_TRUE(dxf[0] == dxf[1]) << name << ": the DXF differs";
    EXPECT_EQ(out[0], out[1]) << name;
  }
}
