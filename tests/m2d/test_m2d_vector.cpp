// Vector helpers: angleOf, circumcentre, line intersection, pointsOnCircle, matrices.
#include <gtest/gtest.h>

#include "m2d/vector2d.h"
#include "m2d_test_support.h"

TEST(M2dVector, AngleOfDirections) {
  const struct {
    mVec2d v;
    double degrees;
  } cases[] = {
      {{1, 0}, 0.0},
      {{0, 1}, 90.0},
      {{-1, 0}, 180.0},
      {{0, -1}, 270.0},
      {{1, 1}, 45.0},
      {{-1, -1}, 225.0},
      {{1, -1e-12}, 0.0},                                   // snapped onto the axis
      {{1, -1e-6}, 360.0 - 1e-6 * 180.0 / kPi - 359.9999},  // just below 360 wraps by 359.9999
      {{0, 0}, 0.0},                                        // no direction: defined as 0
      {{5, 0}, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v.x << ", " << c.v.y);
    EXPECT_NEAR(angleOf(c.v), c.degrees, 1e-7);
  }
  EXPECT_NEAR(angleOf({1, -1e-6}), 0.00004, 5e-6);  // "about 0.00004"
}

TEST(M2dVector, CircumcentreThreePointsAndCollinear) {
  EXPECT_VEC_NEAR(circumcentre({1, 0}, {0, 1}, {-1, 0}), 0, 0, 1e-12);
  EXPECT_VEC_NEAR(circumcentre({12, 5}, {10, 7}, {8, 5}), 10, 5, 1e-12);
  EXPECT_VEC_NEAR(circumcentre({1, 1}, {2, 2}, {3, 3}), 0, 0, 0);
  mVec2d out{7, 7};
  EXPECT_FALSE(lineIntersection({0, 0}, {1, 0}, {0, 1}, {1, 1}, out));
  EXPECT_VEC_NEAR(out, 7, 7, 0);
  EXPECT_TRUE(lineIntersection({0, 0}, {1, 0}, {3, -1}, {3, 1}, out));
  EXPECT_VEC_NEAR(out, 3, 0, 1e-12);
}

TEST(M2dVector, PointsOnCircleToleranceAndRays) {
  EXPECT_TRUE(pointsOnCircle({1, 0}, {0, 1}, {-1, 0}, {0, -1}, 0.001));
  EXPECT_TRUE(pointsOnCircle({1, 0}, {0, 1}, {-1, 0}, {0, -1.0009}, 0.001));
  EXPECT_FALSE(pointsOnCircle({1, 0}, {0, 1}, {-1, 0}, {0, -1.0011}, 0.001));
  // a, b, c on one ray from a: never a circle.
  EXPECT_FALSE(pointsOnCircle({0, 0}, {1, 0}, {2, 0}, {3, 0}, 0.001));
  // Duplicate points have no direction and do not count as one ray.
  EXPECT_FALSE(pointsOnCircle({0, 0}, {0, 0}, {2, 0}, {50, 0}, 0.001));
}

TEST(M2dVector, MatrixRotationAndTranslation) {
  const mMatrix3 r = mMatrix3::rotation(90);
  EXPECT_VEC_NEAR(r.apply({1, 0}), 0, 1, 1e-15);
  EXPECT_VEC_NEAR(r.apply({0, 2}), -2, 0, 1e-15);
  const mMatrix3 t = mMatrix3::translation({10, 5});
  EXPECT_VEC_NEAR(t.apply({1, 1}), 11, 6, 0);
  EXPECT_VEC_NEAR(t.applyLinear({1, 1}), 1, 1, 0);
  EXPECT_VEC_NEAR(rotate({10, 0}, 30), 8.660254037844386, 5, 1e-12);
}
