// Figure transformations on every kind of item, texts included.
#include <gtest/gtest.h>

#include <string>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "m2d_test_support.h"

using m2dtest::dumpChildren;

namespace {

const char* const kFigure = R"(FIGURE { FIGURITEMS {
  SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 1 } }
  LINE { POINT { 1 0 } POINT { 2 0 } }
  ARC { POINT { 1 0 } POINT { 0 1 } POINT { -1 0 } }
  CIRCLE { POINT { 1 0 } RAD { 2 } }
  ELLIPSE { POINT { 1 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } }
  ELLIPSEARC { POINT { 1 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } ANGLE1 { 20 } ANGLE2 { 135 } }
  ICRV2D { POINT { 1 0 } POINT { 2 0 } POINT { 2 1 } }
  TEXT { TEXT { "t" } POINT { 1 0 } HEIGHT { 2.5 } ANGLE { 10 } TEXTBW { 20 } TEXTBH { 5 } }
  SPOINT { POINT { 1 0 } }
  DIMENSION { POINT { 1 0 } }
} })";

// The items one per line.
std::string items(const m2dFigureC& fig) {
  std::string out;
  for (metaTreeC* item : fig.items().childNodes()) {
    std::string one;
    m2dtest::dumpInto(item, one);
    out += one + "\n";
  }
  return out;
}

}  // namespace

TEST_M2D(M2dFigureTransform, RotateMoveAndScaleEveryKind, kFigure) {
  m2dFigureC fig(root);
  const std::string original = items(fig);

  fig.rotateItems(90);
  EXPECT_EQ(items(fig),
            "SHAPEATTR{SHAPETYP{2} SHAPEWIDTH{1}}\n"
            "LINE{POINT{0 1} POINT{0 2}}\n"
            "ARC{POINT{0 1} POINT{-1 0} POINT{0 -1}}\n"
            "CIRCLE{POINT{0 1} RAD{2}}\n"
            "ELLIPSE{POINT{0 1} RAD1{10} RAD2{5} ANGLE{120}}\n"
            "ELLIPSEARC{POINT{0 1} RAD1{10} RAD2{5} ANGLE{120} ANGLE1{20} ANGLE2{135}}\n"
            "ICRV2D{POINT{0 1} POINT{0 2} POINT{-1 2}}\n"
            "TEXT{TEXT{\"t\"} POINT{0 1} HEIGHT{2.5} ANGLE{100} TEXTBW{20} TEXTBH{5}}\n"
            "SPOINT{POINT{0 1}}\n"
            "DIMENSION{POINT{1 0}}\n");

  fig.moveItems({10, 5});
  EXPECT_EQ(items(fig),
            "SHAPEATTR{SHAPETYP{2} SHAPEWIDTH{1}}\n"
            "LINE{POINT{10 6} POINT{10 7}}\n"
            "ARC{POINT{10 6} POINT{9 5} POINT{10 4}}\n"
            "CIRCLE{POINT{10 6} RAD{2}}\n"
            "ELLIPSE{POINT{10 6} RAD1{10} RAD2{5} ANGLE{120}}\n"
            "ELLIPSEARC{POINT{10 6} RAD1{10} RAD2{5} ANGLE{120} ANGLE1{20} ANGLE2{135}}\n"
            "ICRV2D{POINT{10 6} POINT{10 7} POINT{9 7}}\n"
            "TEXT{TEXT{\"t\"} POINT{10 6} HEIGHT{2.5} ANGLE{100} TEXTBW{20} TEXTBH{5}}\n"
            "SPOINT{POINT{10 6}}\n"
            "DIMENSION{POINT{1 0}}\n");

  fig.scaleItems(2);
  const std::string scaled =
      "SHAPEATTR{SHAPETYP{2} SHAPEWIDTH{1}}\n"
      "LINE{POINT{20 12} POINT{20 14}}\n"
      "ARC{POINT{20 12} POINT{18 10} POINT{20 8}}\n"
      "CIRCLE{POINT{20 12} RAD{4}}\n"
      "ELLIPSE{POINT{20 12} RAD1{20} RAD2{10} ANGLE{120}}\n"
      "ELLIPSEARC{POINT{20 12} RAD1{20} RAD2{10} ANGLE{120} ANGLE1{20} ANGLE2{135}}\n"
      "ICRV2D{POINT{20 12} POINT{20 14} POINT{18 14}}\n"
      "TEXT{TEXT{\"t\"} POINT{20 12} HEIGHT{5} ANGLE{100} TEXTBW{40} TEXTBH{10}}\n"
      "SPOINT{POINT{20 12}}\n"
      "DIMENSION{POINT{1 0}}\n";
  EXPECT_EQ(items(fig), scaled);

  fig.scaleItems(0);
  EXPECT_EQ(items(fig), scaled);
  EXPECT_NE(items(fig), original);
}

TEST_M2D(M2dFigureTransform, ScaleZeroChangesNothingAtAll, kFigure) {
  m2dFigureC fig(root);
  const std::string before = items(fig);
  const std::uint32_t changes = metaTreeChangeCount;
  fig.scaleItems(0);
  EXPECT_EQ(items(fig), before);
  EXPECT_EQ(metaTreeChangeCount, changes);
}

TEST_M2D(M2dFigureTransform, ScaleToInches, kFigure) {
  m2dFigureC fig(root);
  fig.scaleItems(1 / 25.4);
  metaTreeC* items = fig.items().node();
  m2dCircleC circle(m2dtest::find(items, "CIRCLE"));
  EXPECT_DOUBLE_EQ(circle.radius(), 2 / 25.4);
  EXPECT_DOUBLE_EQ(circle.centre().x, 1 / 25.4);
  m2dArcC arc(m2dtest::find(items, "ARC"));
  EXPECT_DOUBLE_EQ(arc.point(2).x, -1 / 25.4);
  m2dEllipseArcC earc(m2dtest::find(items, "ELLIPSEARC"));
  EXPECT_DOUBLE_EQ(earc.rad2(), 5 / 25.4);
  EXPECT_EQ(earc.angle1(), 20);
  m2dTextC text(m2dtest::find(items, "TEXT"));
  EXPECT_DOUBLE_EQ(text.height(), 2.5 / 25.4);
  EXPECT_EQ(text.angle(), 10);
}

// A well-formed figure is transformed without any structural change, so list
// caches (a curve's point list) stay good however long the curve is.
TEST_M2D(M2dFigureTransform, NoStructuralChangeOnWellFormedItems, kFigure) {
  m2dFigureC fig(root);
  items(fig);
  const std::uint32_t changes = metaTreeChangeCount;
  fig.rotateItems(33);
  fig.moveItems({1, 2});
  fig.scaleItems(3);
  EXPECT_EQ(metaTreeChangeCount, changes);
}

TEST_M2D(M2dFigureTransform, TextWithoutAngleGetsOne,
         "FIGURE { FIGURITEMS { TEXT { POINT { 2 0 } } } }") {
  m2dFigureC fig(root);
  fig.rotateItems(45);
  m2dTextC text(fig.items().node()->firstChild);
  EXPECT_DOUBLE_EQ(text.angle(), 45);
  EXPECT_VEC_NEAR(text.point(), std::sqrt(2.0), std::sqrt(2.0), 1e-12);
  fig.moveItems({1, 1});
  EXPECT_DOUBLE_EQ(text.angle(), 45);  // a move does not turn it
}

TEST(M2dFigureTransform, NullAndEmptySections) {
  scaleItems(nullptr, 2);
  rotateItems(nullptr, 90);
  moveItems(nullptr, {1, 1});
  m2dFigureC empty;
  empty.rotateItems(90);
  auto tree = m2dtest::parse("FIGURE { NAME { \"n\" } }");
  m2dFigureC fig(tree->root);
  fig.moveItems({1, 1});
  EXPECT_EQ(dumpChildren(tree->root), "NAME{\"n\"} FIGURITEMS");
}
