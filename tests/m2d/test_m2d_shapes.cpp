// Shape views: attributes with their defaults and found flags.
#include <gtest/gtest.h>

#include "m2d/shapes.h"
#include "m2d_test_support.h"

using m2dtest::dumpChildren;

TEST(M2dShapeAttr, ValuesTruncatedAndDefaults) {
  const struct {
    const char* text;
    int type, width, cosmetic;
    bool typeFound;
  } cases[] = {
      {"SHAPEATTR { SHAPETYP { 2 } SHAPEWIDTH { 3 } COSMETIC { 1 } }", 2, 3, 1, true},
      {"SHAPEATTR { SHAPETYP { 2.9 } SHAPEWIDTH { -1.5 } }", 2, -1, 0, true},
      {"SHAPEATTR { SHAPETYP { \"1\" } }", 0, 0, 0, false},
      {"SHAPEATTR { }", 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto tree = m2dtest::parse(c.text);
    ASSERT_NE(tree->root, nullptr);
    m2dShapeAttrC attr(tree->root);
    bool found = !c.typeFound;
    EXPECT_EQ(attr.shapeType(&found), c.type);
    EXPECT_EQ(found, c.typeFound);
    EXPECT_EQ(attr.shapeWidth(), c.width);
    EXPECT_EQ(attr.cosmetic(), c.cosmetic);
  }
}

TEST_M2D(M2dCircle, ReadsCentreAndRadius, "CIRCLE { POINT { 10 20 } RAD { 5 } }") {
  m2dCircleC circle(root);
  bool found = false;
  EXPECT_EQ(circle.centre(&found), (mVec2d{10, 20}));
  EXPECT_TRUE(found);
  EXPECT_EQ(circle.radius(&found), 5.0);
  EXPECT_TRUE(found);
}

TEST_M2D(M2dCircle, MissingRadiusIsCreatedEmpty, "CIRCLE { POINT { 10 20 } }") {
  m2dCircleC circle(root);
  bool found = true;
  EXPECT_EQ(circle.radius(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(dumpChildren(root), "POINT{10 20} RAD");
  EXPECT_TRUE(circle.setRadius(7));
  EXPECT_EQ(dumpChildren(root), "POINT{10 20} RAD{7}");
}

TEST_M2D(M2dArc, TwoPointsReadTheThirdAsOrigin, "ARC { POINT { 1 0 } POINT { 0 1 } }") {
  m2dArcC arc(root);
  bool found = true;
  EXPECT_EQ(arc.point(2, &found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
  EXPECT_EQ(dumpChildren(root), "POINT{1 0} POINT{0 1} POINT");
  EXPECT_EQ(arc.point(3, &found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
  EXPECT_EQ(arc.point(1, &found), (mVec2d{0, 1}));
  EXPECT_TRUE(found);
}

TEST_M2D(M2dLine, PointsAndMalformedPoint, "LINE { POINT { 1 2 } POINT { 3 4 5 } }") {
  m2dLineC line(root);
  bool found = false;
  EXPECT_EQ(line.start(&found), (mVec2d{1, 2}));
  EXPECT_TRUE(found);
  EXPECT_EQ(line.end(&found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
}

TEST_M2D(M2dEllipse, AttributesAndDefaults,
         "ELLIPSEARC { POINT { 1 2 } RAD1 { 10 } ANGLE1 { 30 } ANGLE2 { \"x\" } }") {
  m2dEllipseArcC arc(root);
  bool found = false;
  EXPECT_EQ(arc.centre(&found), (mVec2d{1, 2}));
  EXPECT_TRUE(found);
  EXPECT_EQ(arc.rad1(&found), 10.0);
  EXPECT_TRUE(found);
  EXPECT_EQ(arc.rad2(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(arc.angle(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(arc.angle1(&found), 30.0);
  EXPECT_TRUE(found);
  EXPECT_EQ(arc.angle2(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_FALSE(arc.setAngle2(5));  // a string is not overwritten
}

TEST_M2D(M2dText, AllAttributes,
         R"(TEXT { TEXT { "A\nB" } POINT { 5 55 } HEIGHT { 3.5 } ANGLE { 10 }
              TEXTRELPOS { 7 } TEXTALIGN { 2.7 } TEXTBW { 30 } TEXTBH { 8 } })") {
  m2dTextC text(root);
  bool found = false;
  EXPECT_EQ(text.text(&found), "A\nB");
  EXPECT_TRUE(found);
  EXPECT_EQ(text.point(), (mVec2d{5, 55}));
  EXPECT_EQ(text.height(), 3.5);
  EXPECT_EQ(text.angle(), 10.0);
  EXPECT_EQ(text.relPos(), 7);
  EXPECT_EQ(text.align(), 2);
  EXPECT_EQ(text.boxWidth(), 30.0);
  EXPECT_EQ(text.boxHeight(), 8.0);
}

TEST_M2D(M2dText, IdentifierTextAndMissingValues, "TEXT { TEXT { Hello } }") {
  m2dTextC text(root);
  bool found = true;
  EXPECT_EQ(text.text(&found), "");
  EXPECT_FALSE(found);
  for (auto get :
       {&m2dTextC::height, &m2dTextC::angle, &m2dTextC::boxWidth, &m2dTextC::boxHeight}) {
    found = true;
    EXPECT_EQ((text.*get)(&found), 0.0);
    EXPECT_FALSE(found);
  }
  EXPECT_EQ(text.relPos(&found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(text.align(&found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(text.point(&found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
}

TEST(M2dShapeViews, EmptyViewsGiveDefaultsAndChangeNothing) {
  m2dLineC line;
  m2dArcC arc;
  m2dCircleC circle;
  m2dTextC text;
  m2dIntCrvC curve;
  bool found = true;
  EXPECT_EQ(line.start(&found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
  EXPECT_FALSE(line.setStart({1, 1}));
  EXPECT_EQ(arc.radius(), 0.0);
  EXPECT_EQ(arc.transform(mMatrix3::rotation(10)), 0);
  EXPECT_EQ(circle.length(), 0.0);
  EXPECT_EQ(text.transform(mMatrix3::rotation(10)), 0);
  EXPECT_EQ(text.text(), "");
  EXPECT_EQ(curve.pointCount(), 0u);
  EXPECT_FALSE(curve.closed());
  std::vector<mVec2d> pts{{1, 1}};
  EXPECT_EQ(circle.toPoints(pts, 0), 0);
  EXPECT_TRUE(pts.empty());
}

TEST_M2D(M2dIntCrv, PointListIgnoresOtherKeys,
         "ICRV2D { POINT { 0 0 } HATCHIDX { 1 } POINT { 1 0 } POINT { 1 2 3 } POINT { 0 0 } }") {
  m2dIntCrvC curve(root);
  ASSERT_EQ(curve.pointCount(), 4u);
  bool found = false;
  EXPECT_EQ(curve.pointAt(1, &found), (mVec2d{1, 0}));
  EXPECT_TRUE(found);
  EXPECT_EQ(curve.pointAt(2, &found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
  EXPECT_EQ(curve.pointAt(4, &found), (mVec2d{0, 0}));
  EXPECT_FALSE(found);
  EXPECT_TRUE(curve.closed());
}

TEST(M2dIntCrv, Closedness) {
  const struct {
    const char* text;
    bool closed;
  } cases[] = {
      {"ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 0 0 } }", true},
      {"ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 0.000000005 -0.000000005 } }", true},
      {"ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 0.00000002 0 } }", false},
      {"ICRV2D { POINT { 0 0 } }", false},
      {"ICRV2D { POINT { 0 0 } POINT { 0 0 } }", true},
      {"ICRV2D { }", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto tree = m2dtest::parse(c.text);
    ASSERT_NE(tree->root, nullptr);
    EXPECT_EQ(m2dIntCrvC(tree->root).closed(), c.closed);
  }
}
