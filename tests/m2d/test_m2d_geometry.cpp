// Geometry classes: derived values, slots and dispatch by key.
#include <gtest/gtest.h>

#include <vector>

#include "m2d/geometry.h"
#include "m2d/shapes.h"
#include "m2d_test_support.h"

using m2dtest::dumpChildren;

TEST(M2dGeometryRegistry, KeysAndClasses) {
  metaPrototypeRegistry& r = m2dGeometryRegistry();
  EXPECT_EQ(r.size(), 8u);
  EXPECT_NE(dynamic_cast<mBaseLine2dC*>(r.lookup("LINE")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseLine2dC*>(r.lookup("CENTER")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseArc2dC*>(r.lookup("ARC")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseCircle2dC*>(r.lookup("CIRCLE")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseEllipse2dC*>(r.lookup("ELLIPSE")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseEllipseArc2dC*>(r.lookup("ELLIPSEARC")), nullptr);
  EXPECT_NE(dynamic_cast<mBaseIntCrv2dC*>(r.lookup("ICRV2D")), nullptr);
  EXPECT_NE(dynamic_cast<mBasePoint2dC*>(r.lookup("SPOINT")), nullptr);
  EXPECT_EQ(r.lookup("TEXT"), nullptr);
  EXPECT_EQ(r.lookup("SHAPEATTR"), nullptr);
}

TEST(M2dArc, CentreRadiusAnglesAndSense) {
  const struct {
    mVec2d p0, p1, p2;
    double start, end;
    bool clockwise;
    double length;
  } cases[] = {
      {{1, 0}, {0, 1}, {-1, 0}, 0, 180, false, kPi},
      {{-1, 0}, {0, 1}, {1, 0}, 180, 0, true, kPi},
      {{0, -1}, {1, 0}, {0, 1}, 270, 90, false, kPi},
      {{0, 1}, {1, 0}, {0, -1}, 90, 270, true, kPi},
      {{1, 0}, {0, -1}, {0, 1}, 0, 90, true, 1.5 * kPi},
      {{1, 0}, {0.7071067811865476, 0.7071067811865476}, {0, 1}, 0, 90, false, 0.5 * kPi},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.p0.x << "," << c.p0.y << " -> " << c.p2.x << "," << c.p2.y);
    auto tree = m2dtest::parse("ARC { POINT { 0 0 } POINT { 0 0 } POINT { 0 0 } }");
    m2dArcC arc(tree->root);
    arc.setPoint(0, c.p0);
    arc.setPoint(1, c.p1);
    arc.setPoint(2, c.p2);
    EXPECT_VEC_NEAR(arc.centre(), 0, 0, 1e-12);
    EXPECT_NEAR(arc.radius(), 1.0, 1e-12);
    EXPECT_NEAR(arc.startAngle(), c.start, 1e-9);
    EXPECT_NEAR(arc.endAngle(), c.end, 1e-9);
    EXPECT_EQ(arc.clockwise(), c.clockwise);
    EXPECT_NEAR(arc.length(), c.length, 1e-9);
  }
}

TEST_M2D(M2dArc, CollinearPointsCentreAtOrigin,
         "ARC { POINT { 3 4 } POINT { 4 5 } POINT { 5 6 } }") {
  m2dArcC arc(root);
  EXPECT_EQ(arc.centre(), (mVec2d{0, 0}));
  EXPECT_DOUBLE_EQ(arc.radius(), 5.0);
}

TEST_M2D(M2dArc, ToPointsRunCounterClockwiseAndClose,
         "ARC { POINT { -1 0 } POINT { 0 1 } POINT { 1 0 } }") {
  m2dArcC arc(root);
  std::vector<mVec2d> pts;
  // Clockwise: the points run from the end point to the start point.
  ASSERT_EQ(arc.toPoints(pts, 0), 38);
  EXPECT_VEC_NEAR(pts.front(), 1, 0, 1e-12);
  EXPECT_VEC_NEAR(pts[1], 0.9961946980917455, 0.08715574274765817, 1e-12);
  EXPECT_VEC_NEAR(pts.back(), -1, 0, 1e-12);
  // A step that lands on the end still ends on the end point.
  ASSERT_EQ(arc.toPoints(pts, kPi / 2), 3);
  EXPECT_VEC_NEAR(pts[1], 0, 1, 1e-12);
  EXPECT_VEC_NEAR(pts[2], -1, 0, 1e-12);
  // A negative step is taken as the default rather than walking forever.
  EXPECT_EQ(arc.toPoints(pts, -1), 38);
}

TEST_M2D(M2dArc, BoundingBoxEndPointsAndReverse,
         "ARC { POINT { 10 0 } POINT { 0 10 } POINT { -10 0 } }") {
  m2dArcC arc(root);
  mVec2d ll, lr, ur, ul;
  arc.boundingBox(ll, lr, ur, ul);
  EXPECT_VEC_NEAR(ll, -10, 0, 1e-12);
  EXPECT_VEC_NEAR(lr, 10, 0, 1e-12);
  EXPECT_VEC_NEAR(ur, 10, 10, 1e-12);
  EXPECT_VEC_NEAR(ul, -10, 10, 1e-12);

  mVec2d s, e;
  ASSERT_EQ(arc.endPoints(s, e), 1);
  EXPECT_EQ(s, (mVec2d{10, 0}));
  EXPECT_EQ(e, (mVec2d{-10, 0}));
  ASSERT_EQ(arc.reverse(), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{-10 0} POINT{0 10} POINT{10 0}");
  EXPECT_TRUE(arc.clockwise());
  arc.boundingBox(ll, lr, ur, ul);  // same curve, same box
  EXPECT_VEC_NEAR(ll, -10, 0, 1e-12);
  EXPECT_VEC_NEAR(ur, 10, 10, 1e-12);

  ASSERT_EQ(arc.setEndPoints({0, -10}, {-10, 0}), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{0 -10} POINT{0 10} POINT{-10 0}");
  arc.boundingBox(ll, lr, ur, ul);  // three quarters: 270 -> 180 through 0 and 90
  EXPECT_VEC_NEAR(ll, -10, -10, 1e-12);
  EXPECT_VEC_NEAR(ur, 10, 10, 1e-12);
}

TEST_M2D(M2dCircle, LengthBoxAndPoints, "CIRCLE { POINT { 1 2 } RAD { 3 } }") {
  m2dCircleC circle(root);
  EXPECT_DOUBLE_EQ(circle.length(), 6 * kPi);
  mVec2d ll, lr, ur, ul;
  circle.boundingBox(ll, lr, ur, ul);
  EXPECT_EQ(ll, (mVec2d{-2, -1}));
  EXPECT_EQ(lr, (mVec2d{4, -1}));
  EXPECT_EQ(ur, (mVec2d{4, 5}));
  EXPECT_EQ(ul, (mVec2d{-2, 5}));

  std::vector<mVec2d> pts;
  ASSERT_EQ(circle.toPoints(pts, 0), 74);  // 73 loop points, the last a hair below 2 pi, + closing
  EXPECT_VEC_NEAR(pts[0], 4, 2, 1e-12);
  EXPECT_VEC_NEAR(pts[72], 4, 2, 1e-9);
  EXPECT_VEC_NEAR(pts[73], 4, 2, 1e-12);
  ASSERT_EQ(circle.toPoints(pts, kPi / 2), 5);
  EXPECT_VEC_NEAR(pts[2], -2, 2, 1e-12);
  EXPECT_VEC_NEAR(pts[4], 4, 2, 1e-12);
  mVec2d s{7, 7}, e{7, 7};
  EXPECT_EQ(circle.endPoints(s, e), 0);  // no end points: outputs untouched
  EXPECT_EQ(s, (mVec2d{7, 7}));
  EXPECT_EQ(circle.reverse(), 0);
}

TEST_M2D(M2dEllipse, AxesRatioAndRotation,
         "ELLIPSE { POINT { 0 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } }") {
  m2dEllipseC ellipse(root);
  mVec2d first, second;
  ellipse.axes(first, second);
  EXPECT_VEC_NEAR(first, 8.660254, 5, 1e-6);
  EXPECT_VEC_NEAR(second, -2.5, 4.330127, 1e-6);
  EXPECT_DOUBLE_EQ(ellipse.ratio(), 2.0);
  ASSERT_EQ(ellipse.transform(mMatrix3::rotation(90)), 1);
  EXPECT_NEAR(ellipse.angle(), 120.0, 1e-9);
  EXPECT_EQ(ellipse.rad1(), 10.0);
  EXPECT_EQ(ellipse.rad2(), 5.0);
  ASSERT_EQ(ellipse.transform(mMatrix3::translation({3, 4})), 1);
  EXPECT_VEC_NEAR(ellipse.centre(), 3, 4, 1e-12);
  EXPECT_NEAR(ellipse.angle(), 120.0, 1e-9);
  EXPECT_EQ(ellipse.length(), 0.0);  // no length slot
}

TEST_M2D(M2dEllipse, ToPointsFollowTheEllipse,
         "ELLIPSE { POINT { 1 1 } RAD1 { 4 } RAD2 { 2 } ANGLE { 90 } }") {
  m2dEllipseC ellipse(root);
  std::vector<mVec2d> pts;
  ASSERT_EQ(ellipse.toPoints(pts, kPi / 2), 5);
  EXPECT_VEC_NEAR(pts[0], 1, 5, 1e-12);
  EXPECT_VEC_NEAR(pts[1], -1, 1, 1e-12);
  EXPECT_VEC_NEAR(pts[2], 1, -3, 1e-12);
  EXPECT_VEC_NEAR(pts[4], 1, 5, 1e-12);
}

TEST_M2D(M2dEllipseArc, ParametersAfterRotationAndMove,
         "ELLIPSEARC { POINT { 2 1 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } ANGLE1 { 20 } ANGLE2 { "
         "135 } }") {
  m2dEllipseArcC arc(root);
  const mVec2d s0 = arc.startPoint();
  const mVec2d e0 = arc.endPoint();
  const mVec2d s0Expected =
      mVec2d{2, 1} + rotate({10 * std::cos(20 * kPi / 180), 5 * std::sin(20 * kPi / 180)}, 30);
  EXPECT_VEC_NEAR(s0, s0Expected.x, s0Expected.y, 1e-12);
  ASSERT_EQ(arc.transform(mMatrix3::rotation(90)), 1);
  EXPECT_NEAR(arc.angle(), 120, 1e-9);
  EXPECT_NEAR(arc.angle1(), 20, 1e-9);
  EXPECT_NEAR(arc.angle2(), 135, 1e-9);
  EXPECT_VEC_NEAR(arc.centre(), -1, 2, 1e-12);
  EXPECT_VEC_NEAR(arc.startPoint(), -s0.y, s0.x, 1e-9);
  EXPECT_VEC_NEAR(arc.endPoint(), -e0.y, e0.x, 1e-9);
  ASSERT_EQ(arc.transform(mMatrix3::translation({10, 0})), 1);
  EXPECT_NEAR(arc.angle1(), 20, 1e-9);
  EXPECT_NEAR(arc.angle2(), 135, 1e-9);
  EXPECT_VEC_NEAR(arc.startPoint(), 10 - s0.y, s0.x, 1e-9);
}

TEST_M2D(
    M2dEllipseArc, MirrorRunsTheParametersBack,
    "ELLIPSEARC { POINT { 0 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 0 } ANGLE1 { 30 } ANGLE2 { 90 } }") {
  m2dEllipseArcC arc(root);
  mMatrix3 mirror;  // y -> -y
  mirror.m[4] = -1;
  ASSERT_EQ(arc.transform(mirror), 1);
  EXPECT_NEAR(arc.angle(), 0, 1e-9);
  EXPECT_NEAR(arc.angle1(), 330, 1e-9);
  EXPECT_NEAR(arc.angle2(), 270, 1e-9);
}

TEST_M2D(
    M2dEllipseArc, ZeroSemiAxisKeepsParameters,
    "ELLIPSEARC { POINT { 0 0 } RAD1 { 10 } RAD2 { 0 } ANGLE { 0 } ANGLE1 { 30 } ANGLE2 { 90 } }") {
  m2dEllipseArcC arc(root);
  ASSERT_EQ(arc.transform(mMatrix3::rotation(45)), 1);
  EXPECT_NEAR(arc.angle(), 45, 1e-9);
  EXPECT_EQ(arc.angle1(), 30);
  EXPECT_EQ(arc.angle2(), 90);
  std::vector<mVec2d> pts;
  EXPECT_GT(arc.toPoints(pts, 0), 2);
}

TEST_M2D(
    M2dEllipseArc, ToPointsFromFirstToSecondParameter,
    "ELLIPSEARC { POINT { 0 0 } RAD1 { 4 } RAD2 { 2 } ANGLE { 0 } ANGLE1 { 270 } ANGLE2 { 90 } }") {
  m2dEllipseArcC arc(root);
  std::vector<mVec2d> pts;
  ASSERT_EQ(arc.toPoints(pts, kPi / 2), 3);  // 270 -> 360 -> 90
  EXPECT_VEC_NEAR(pts[0], 0, -2, 1e-12);
  EXPECT_VEC_NEAR(pts[1], 4, 0, 1e-12);
  EXPECT_VEC_NEAR(pts[2], 0, 2, 1e-12);
  EXPECT_VEC_NEAR(arc.startPoint(), 0, -2, 1e-12);
  EXPECT_VEC_NEAR(arc.endPoint(), 0, 2, 1e-12);
}

TEST_M2D(M2dLine, SlotsOfALine, "LINE { POINT { 3 1 } POINT { 0 5 } }") {
  m2dLineC line(root);
  EXPECT_DOUBLE_EQ(line.length(), 5.0);
  mVec2d ll, lr, ur, ul;
  line.boundingBox(ll, lr, ur, ul);
  EXPECT_EQ(ll, (mVec2d{0, 1}));
  EXPECT_EQ(ur, (mVec2d{3, 5}));
  std::vector<mVec2d> pts;
  EXPECT_EQ(line.toPoints(pts, 0), 2);
  ASSERT_EQ(line.reverse(), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{0 5} POINT{3 1}");
  ASSERT_EQ(line.setEndPoints({1, 1}, {2, 2}), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{1 1} POINT{2 2}");
  ASSERT_EQ(line.scale(2), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{2 2} POINT{4 4}");
}

TEST_M2D(M2dPoint, SlotsOfAPoint, "SPOINT { POINT { 2 3 } }") {
  mBaseShape2dC any(root);
  EXPECT_TRUE(any.isGeometry());
  EXPECT_EQ(any.length(), 0.0);
  mVec2d ll, lr, ur, ul;
  any.boundingBox(ll, lr, ur, ul);
  EXPECT_EQ(ll, (mVec2d{2, 3}));
  EXPECT_EQ(ul, (mVec2d{2, 3}));
  std::vector<mVec2d> pts;
  EXPECT_EQ(any.toPoints(pts, 0), 1);
  EXPECT_EQ(any.transform(mMatrix3::translation({1, 1})), 1);
  EXPECT_EQ(any.scale(2), 1);
  EXPECT_EQ(dumpChildren(root), "POINT{6 8}");
  mVec2d s, e;
  EXPECT_EQ(any.endPoints(s, e), 0);
}

// Every slot through an any-shape view: the class of the key, or the defaults.
TEST_M2D(M2dAnyShape, DispatchByKeyAndDefaults,
         R"(ITEMS { LINE { POINT { 0 0 } POINT { 3 4 } } CENTER { POINT { 0 0 } POINT { 0 2 } }
                    CIRCLE { POINT { 0 0 } RAD { 1 } } TEXT { POINT { 1 1 } } SHAPEATTR { } })") {
  metaTreeC* line = root->firstChild;
  metaTreeC* centre = line->next;
  metaTreeC* circle = centre->next;
  metaTreeC* text = circle->next;
  metaTreeC* attr = text->next;
  mBaseShape2dC any;
  any.bind(line, false);
  EXPECT_DOUBLE_EQ(any.length(), 5.0);
  any.bind(centre, false);
  EXPECT_DOUBLE_EQ(any.length(), 2.0);
  any.bind(circle, false);
  EXPECT_DOUBLE_EQ(any.length(), 2 * kPi);
  mVec2d s{9, 9}, e{9, 9};
  EXPECT_EQ(any.endPoints(s, e), 0);  // circles have no end points
  EXPECT_EQ(s, (mVec2d{9, 9}));

  const std::string before = dumpChildren(root);
  for (metaTreeC* n : {text, attr}) {
    any.bind(n, false);
    EXPECT_FALSE(any.isGeometry());
    EXPECT_EQ(any.length(), 0.0);
    mVec2d ll{7, 7}, lr{7, 7}, ur{7, 7}, ul{7, 7};
    any.boundingBox(ll, lr, ur, ul);
    EXPECT_EQ(ll, (mVec2d{7, 7}));
    EXPECT_EQ(any.transform(mMatrix3::rotation(90)), 0);
    std::vector<mVec2d> pts{{1, 1}};
    EXPECT_EQ(any.toPoints(pts, 0), 0);
    EXPECT_TRUE(pts.empty());
    EXPECT_EQ(any.scale(3), 1);
    EXPECT_EQ(any.toSegments(0, 0.001, root), 0);
    EXPECT_EQ(any.endPoints(s, e), 0);
    EXPECT_EQ(any.setEndPoints(s, e), 0);
    EXPECT_EQ(any.reverse(), 0);
  }
  EXPECT_EQ(dumpChildren(root), before);

  // The prototypes come back unbound after each call.
  for (const auto& entry : m2dGeometryRegistry().entries()) {
    EXPECT_FALSE(entry.prototype->isValid()) << entry.key;
  }
}

TEST_M2D(M2dAnyShape, ToSegmentsThroughPoints,
         "TMP { CIRCLE { POINT { 5 5 } RAD { 10 } } LINE { POINT { 0 0 } POINT { 1 0 } } }") {
  metaTreeC* target = metaTreeC::makeIdent("tmp");
  mBaseShape2dC any(root->firstChild);
  // A circle's polygon closes on itself: one CIRCLE section.
  EXPECT_EQ(any.toSegments(0, 0.001, target), 1);
  any.bind(root->firstChild->next, false);
  EXPECT_EQ(any.toSegments(0, 0.001, target), 1);
  EXPECT_EQ(dumpChildren(target), "CIRCLE{POINT{5 5} RAD{10}} LINE{POINT{0 0} POINT{1 0}}");
  metaTreeC::destroy(target);
}
