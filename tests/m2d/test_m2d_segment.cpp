// segmentCurve: lines, arcs and circles from the points of a curve.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "m2d/geometry.h"
#include "m2d/shapes.h"
#include "m2d_test_support.h"

using m2dtest::dumpChildren;

namespace {

// Segments of a point chain at the import's tolerance, dumped.
std::string segments(const std::vector<mVec2d>& pts, int* count = nullptr) {
  metaTreeC* target = metaTreeC::makeIdent("tmp");
  int n = segmentPoints(pts, 0.001, target);
  std::string out = dumpChildren(target);
  metaTreeC::destroy(target);
  if (count) *count = n;
  return out;
}

std::vector<mVec2d> onCircle(mVec2d c, double r, double fromDeg, double toDeg, double stepDeg) {
  std::vector<mVec2d> pts;
  for (double a = fromDeg; a <= toDeg + 1e-9; a += stepDeg) {
    pts.push_back({c.x + r * std::cos(a * kPi / 180), c.y + r * std::sin(a * kPi / 180)});
  }
  return pts;
}

}  // namespace

TEST(M2dSegmentCurve, StraightRuns) {
  const struct {
    std::vector<mVec2d> pts;
    const char* expected;
  } cases[] = {
      {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}},
       "LINE{POINT{0 0} POINT{3 0}} LINE{POINT{3 0} POINT{4 0}} LINE{POINT{4 0} POINT{5 0}}"},
      {{{0, 0}, {1, 0}, {2, 0}, {3, 0}},
       "LINE{POINT{0 0} POINT{1 0}} LINE{POINT{1 0} POINT{2 0}} LINE{POINT{2 0} POINT{3 0}}"},
      // A corner stops the merging.
      {{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}},
       "LINE{POINT{0 0} POINT{2 0}} LINE{POINT{2 0} POINT{2 2}} LINE{POINT{2 2} POINT{2 3}} "
       "LINE{POINT{2 3} POINT{2 4}}"},
      {{{0, 0}, {1, 1}}, "LINE{POINT{0 0} POINT{1 1}}"},
      {{{0, 0}}, ""},
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(segments(c.pts), c.expected);
  }
}

TEST(M2dSegmentCurve, FullCircle) {
  std::vector<mVec2d> pts = onCircle({0, 0}, 10, 0, 350, 10);
  pts.push_back(pts.front());
  int n = 0;
  EXPECT_EQ(segments(pts, &n), "CIRCLE{POINT{0 0} RAD{10}}");
  EXPECT_EQ(n, 1);
}

TEST(M2dSegmentCurve, ArcFollowedByLines) {
  std::vector<mVec2d> pts = onCircle({0, 0}, 10, 0, 90, 10);
  pts.insert(pts.end(), {{-5, 10}, {-10, 10}, {-15, 10}});
  int n = 0;
  EXPECT_EQ(segments(pts, &n),
            "ARC{POINT{10 0} POINT{9.84808 1.73648} POINT{0 10}} LINE{POINT{0 10} POINT{-5 10}} "
            "LINE{POINT{-5 10} POINT{-10 10}} LINE{POINT{-10 10} POINT{-15 10}}");
  EXPECT_EQ(n, 4);
}

TEST(M2dSegmentCurve, MixedCurve) {
  // A straight run, a half circle over (0, 0)-(20, 0), a straight run.
  std::vector<mVec2d> pts = {{-30, 0}, {-20, 0}, {-10, 0}};
  for (mVec2d p : onCircle({10, 0}, 10, 0, 180, 30)) pts.push_back({20 - p.x, p.y});
  pts.insert(pts.end(), {{30, 0}, {40, 0}});
  EXPECT_EQ(segments(pts),
            "LINE{POINT{-30 0} POINT{0 0}} ARC{POINT{0 0} POINT{1.33975 5} POINT{20 0}} "
            "LINE{POINT{20 0} POINT{30 0}} LINE{POINT{30 0} POINT{40 0}}");
}

TEST(M2dSegmentCurve, TwoArcsInARow) {
  // An S: a half circle up, then one down; the second starts where the first ends.
  std::vector<mVec2d> pts = onCircle({10, 0}, 10, 180, 360, 15);
  for (mVec2d p : onCircle({30, 0}, 10, 180, 360, 15)) {
    if (p.x > 20.5) pts.push_back({p.x, -p.y});
  }
  int n = 0;
  const std::string dump = segments(pts, &n);
  EXPECT_EQ(n, 2) << dump;
  EXPECT_EQ(dump.rfind("ARC{POINT{0 0}", 0), 0u) << dump;
  EXPECT_NE(dump.find("ARC{POINT{20 0}"), std::string::npos) << dump;
}

TEST(M2dSegmentCurve, SameSegmentsEveryTime) {
  std::vector<mVec2d> pts;
  for (int i = 0; i < 500; ++i) pts.push_back({i * 0.1, std::sin(i * 0.05) * 3});
  EXPECT_EQ(segments(pts), segments(pts));
}

TEST(M2dSegmentCurve, LongStraightRunIsLinear) {
  // Every point merges into the first line: a copying removal would take minutes here.
  std::vector<mVec2d> pts;
  for (int i = 0; i < 400000; ++i) pts.push_back({static_cast<double>(i), 0});
  EXPECT_EQ(segments(pts),
            "LINE{POINT{0 0} POINT{399997 0}} LINE{POINT{399997 0} POINT{399998 0}} "
            "LINE{POINT{399998 0} POINT{399999 0}}");
}

TEST_M2D(M2dSegmentCurve, OfACurveAndAfterExistingChildren,
         "ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 2 0 } POINT { 3 0 } POINT { 4 0 } }") {
  m2dIntCrvC curve(root);
  metaTreeC* target = metaTreeC::makeIdent("tmp");
  metaObjectC(target).addChild("KEEP");
  EXPECT_EQ(curve.segmentCurve(0.001, target), 3);
  EXPECT_EQ(curve.toSegments(1.0, 0.001, target), 3);  // the step does not matter
  EXPECT_EQ(dumpChildren(target),
            "KEEP LINE{POINT{0 0} POINT{2 0}} LINE{POINT{2 0} POINT{3 0}} "
            "LINE{POINT{3 0} POINT{4 0}} LINE{POINT{0 0} POINT{2 0}} LINE{POINT{2 0} POINT{3 0}} "
            "LINE{POINT{3 0} POINT{4 0}}");
  EXPECT_EQ(curve.segmentCurve(0.001, nullptr), 0);
  metaTreeC::destroy(target);
}
