// Geometry: every slot of every shape key through the any-shape view, arc
// sense, steps, curve points and the vector helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "m2d/shapes.h"
#include "meta/meta_test_support.h"

using metatest::dump;
using metatest::parse;

// Found by argument lookup, from the failure messages too.
static std::ostream& operator<<(std::ostream& o, mVec2d v) {
  auto tidy = [](double d) { return std::fabs(d) < 1e-9 ? 0.0 : d; };
  return o << '(' << tidy(v.x) << ' ' << tidy(v.y) << ')';
}

namespace {

// Every slot of an any-shape view on item, in one line: length, box (lower
// left, upper right), the points at quarter-turn steps, the end points, the
// number of sections made, whether it transforms, then reverse() and the item
// it leaves; setEndPoints() with the old end points must bring it back.
std::string slots(metaTreeC* item) {
  mBaseShape2dC any(item);
  mVec2d ll{7, 7}, lr{7, 7}, ur{7, 7}, ul{7, 7}, s{7, 7}, e{7, 7};
  std::vector<mVec2d> pts{{7, 7}};
  any.boundingBox(ll, lr, ur, ul);
  std::ostringstream o;
  o << any.length() << " box " << ll << ur << " pts " << any.toPoints(pts, kPi / 2);
  for (mVec2d p : pts) o << p;
  metaTreeC* target = metaTreeC::makeIdent("T");
  o << " ends " << any.endPoints(s, e) << s << e << " seg " << any.toSegments(0, 1e-3, target)
    << " tr " << any.transform(mMatrix3()) << any.scale(1);
  metaTreeC::destroy(target);
  const std::string before = dump(item, false);
  o << " rev " << any.reverse() << ' ' << dump(item, false);
  if (any.setEndPoints(s, e) && dump(item, false) != before) o << " (not set back)";
  EXPECT_TRUE(lr == (mVec2d{ur.x, ll.y}) && ul == (mVec2d{ll.x, ur.y}));
  return o.str();
}

}  // namespace

// Keys without a geometry class (TEXT, SHAPEATTR) answer every slot with its
// default and stay as they are; so do the slots a class lacks.
TEST(M2dGeometry, EverySlotOfEveryKey) {
  const struct {
    const char* item;
    const char* slots;
  } cases[] = {
      {"LINE { POINT { 3 1 } POINT { 0 5 } }",
       "5 box (0 1)(3 5) pts 2(3 1)(0 5) ends 1(3 1)(0 5) seg 1 tr 11 rev 1 LINE{POINT{0 5} "
       "POINT{3 1}}"},
      {"CENTER { POINT { 0 0 } POINT { 0 2 } }",
       "2 box (0 0)(0 2) pts 2(0 0)(0 2) ends 1(0 0)(0 2) seg 1 tr 11 rev 1 CENTER{POINT{0 2} "
       "POINT{0 0}}"},
      {"ARC { POINT { 10 0 } POINT { 0 10 } POINT { -10 0 } }",
       "31.4159 box (-10 0)(10 10) pts 3(10 0)(0 10)(-10 0) ends 1(10 0)(-10 0) seg 1 tr 11 rev 1 "
       "ARC{POINT{-10 0} POINT{0 10} POINT{10 0}}"},
      {"ARC { POINT { -1 0 } POINT { 0 1 } POINT { 1 0 } }",
       "3.14159 box (-1 0)(1 1) pts 3(1 0)(0 1)(-1 0) ends 1(-1 0)(1 0) seg 1 tr 11 rev 1 "
       "ARC{POINT{1 0} POINT{0 1} POINT{-1 0}}"},
      {"ARC { POINT { 0 -10 } POINT { 0 10 } POINT { -10 0 } }",
       "47.1239 box (-10 -10)(10 10) pts 4(0 -10)(10 0)(0 10)(-10 0) ends 1(0 -10)(-10 0) seg 1 tr "
       "11 rev 1 ARC{POINT{-10 0} POINT{0 10} POINT{0 -10}}"},
      {"CIRCLE { POINT { 1 2 } RAD { 3 } }",
       "18.8496 box (-2 -1)(4 5) pts 5(4 2)(1 5)(-2 2)(1 -1)(4 2) ends 0(7 7)(7 7) seg 1 tr 11 rev "
       "0 CIRCLE{POINT{1 2} RAD{3}}"},
      {"ELLIPSE { POINT { 1 1 } RAD1 { 4 } RAD2 { 2 } ANGLE { 90 } }",
       "0 box (7 7)(7 7) pts 5(1 5)(-1 1)(1 -3)(3 1)(1 5) ends 0(7 7)(7 7) seg 56 tr 11 rev 0 "
       "ELLIPSE{POINT{1 1} RAD1{4} RAD2{2} ANGLE{90}}"},
      {"ELLIPSEARC { POINT { 0 0 } RAD1 { 4 } RAD2 { 2 } ANGLE { 0 } ANGLE1 { 270 } ANGLE2 { 90 } "
       "}",
       "0 box (7 7)(7 7) pts 3(0 -2)(4 0)(0 2) ends 0(7 7)(7 7) seg 28 tr 11 rev 0 "
       "ELLIPSEARC{POINT{0 0} RAD1{4} RAD2{2} ANGLE{0} ANGLE1{270} ANGLE2{90}}"},
      {"ICRV2D { POINT { 0 0 } HATCHIDX { 1 } POINT { 1 0 } POINT { 1 2 3 } POINT { 0 0 } }",
       "0 box (7 7)(7 7) pts 4(0 0)(1 0)(0 0)(0 0) ends 0(7 7)(7 7) seg 3 tr 11 rev 0 "
       "ICRV2D{POINT{0 0} HATCHIDX{1} POINT{1 0} POINT{0 0} POINT{0 0}}"},
      {"SPOINT { POINT { 2 3 } }",
       "0 box (2 3)(2 3) pts 1(2 3) ends 0(7 7)(7 7) seg 0 tr 11 rev 0 SPOINT{POINT{2 3}}"},
      {"TEXT { POINT { 1 1 } }",
       "0 box (7 7)(7 7) pts 0 ends 0(7 7)(7 7) seg 0 tr 01 rev 0 TEXT{POINT{1 1}}"},
      {"SHAPEATTR { }", "0 box (7 7)(7 7) pts 0 ends 0(7 7)(7 7) seg 0 tr 01 rev 0 SHAPEATTR"},
      {"LINE { }",
       "0 box (0 0)(0 0) pts 2(0 0)(0 0) ends 1(0 0)(0 0) seg 1 tr 11 rev 1 LINE{POINT{0 0} "
       "POINT{0 0}}"},
      {"ARC { POINT { 1 1 } }",
       "1.11072 box (0 0)(1.41421 1) pts 2(1.41421 0)(1 1) ends 1(1 1)(0 0) seg 1 tr 11 rev 1 "
       "ARC{POINT{0 0} POINT{0 0} POINT{1 1}}"},
      {"CIRCLE { RAD { -5 } }",
       "-31.4159 box (-5 -5)(5 5) pts 5(-5 0)(0 -5)(5 0)(0 5)(-5 0) ends 0(7 7)(7 7) seg 1 tr 11 "
       "rev 0 CIRCLE{RAD{-5} POINT{0 0}}"},
      {"ELLIPSEARC { RAD1 { 5 } ANGLE1 { 1e400 } }",
       "0 box (7 7)(7 7) pts 0 ends 0(7 7)(7 7) seg 0 tr 11 rev 0 ELLIPSEARC{RAD1{5} ANGLE1{inf} "
       "POINT{0 0} RAD2 ANGLE{0} ANGLE2}"},
  };
  for (const auto& c : cases) {
    auto p = parse(c.item);
    EXPECT_EQ(slots(p->first), c.slots) << c.item;
  }
  // The prototypes come back unbound after each call.
  for (const auto& entry : m2dGeometryRegistry().entries())
    EXPECT_FALSE(entry.prototype->isValid()) << entry.key;
}

// Steps: 0 means 5 degrees, and so do steps that would never end the walk.
TEST(M2dGeometry, ArcSenseAndSteps) {
  const struct {
    mVec2d p0, p1, p2;
    bool clockwise;
  } arcs[] = {{{1, 0}, {0, 1}, {-1, 0}, false}, {{-1, 0}, {0, 1}, {1, 0}, true},
              {{0, -1}, {1, 0}, {0, 1}, false}, {{0, 1}, {1, 0}, {0, -1}, true},
              {{1, 0}, {0, -1}, {0, 1}, true},  {{1, 0}, {0.6, 0.8}, {0, 1}, false}};
  for (const auto& a : arcs) {
    m2dArcC arc(parse("ARC")->release());
    arc.setPoint(0, a.p0), arc.setPoint(1, a.p1), arc.setPoint(2, a.p2);
    EXPECT_EQ(arc.clockwise(), a.clockwise) << a.p1.x << " " << a.p1.y;
    EXPECT_TRUE(arc.setPoint(2, a.p2) && !arc.setPoint(3, a.p2));
    metaTreeC::destroy(arc.node());
  }
  auto p = parse("CIRCLE { POINT { 1 2 } RAD { 3 } }");
  std::vector<mVec2d> pts;
  for (double step : {0.0, -1.0, std::nan(""), kPi / 36})
    EXPECT_EQ(mBaseShape2dC(p->first).toPoints(pts, step), 74);
}

// A curve's points are its POINT children with exactly two numbers (others
// read as (0 0), found false, and are rewritten whole by a transformation);
// it is closed when it ends within 1e-8 of where it starts.
TEST(M2dGeometry, CurvePoints) {
  const struct {
    const char* curve;
    const char* points;  // each point with its found flag, closed or open, the curve transformed
  } cases[] = {
      {"ICRV2D { POINT { 0 0 } HATCHIDX { 1 } POINT { 1 0 } POINT { 1 2 3 } POINT { \"a\" 1 } "
       "POINT { 1 \"b\" } POINT { 5 } POINT { 0 0 } }",
       "(0 0)1 (1 0)1 (0 0)0 (0 0)0 (0 0)0 (0 0)0 (0 0)1 (0 0)0 closed 1 ICRV2D{POINT{1 1} "
       "HATCHIDX{1} POINT{2 1} POINT{1 1} POINT{1 1} POINT{1 1} POINT{1 1} POINT{1 1}}"},
      {"ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 0.000000005 -0.000000005 } }",
       "(0 0)1 (1 0)1 (5e-09 -5e-09)1 (0 0)0 closed 1 ICRV2D{POINT{1 1} POINT{2 1} POINT{1 1}}"},
      {"ICRV2D { POINT { 0 0 } POINT { 1 0 } POINT { 0.00000002 0 } }",
       "(0 0)1 (1 0)1 (2e-08 0)1 (0 0)0 open 1 ICRV2D{POINT{1 1} POINT{2 1} POINT{1 1}}"},
      {"ICRV2D { POINT { 0 0 } POINT { 0 0 } }",
       "(0 0)1 (0 0)1 (0 0)0 closed 1 ICRV2D{POINT{1 1} POINT{1 1}}"},
      {"ICRV2D { POINT { 0 0 } }", "(0 0)1 (0 0)0 open 1 ICRV2D{POINT{1 1}}"},
  };
  for (const auto& c : cases) {
    auto p = parse(c.curve);
    const m2dIntCrvC curve(p->first);
    std::ostringstream got;
    bool found = true;
    for (std::size_t i = 0; i <= curve.pointCount(); ++i)
      got << curve.pointAt(i, &found) << found << ' ';
    got << (curve.closed() ? "closed " : "open ") << curve.transform(mMatrix3::translation({1, 1}))
        << ' ';
    EXPECT_EQ(got.str() + dump(p->first), c.points) << c.curve;
  }
  auto p =
      parse("SHAPES { ARC { POINT { 1e308 0 } POINT { 0 1e308 } POINT { -1e308 0 } } CIRCLE }");
  bool found = true;
  const m2dArcC arc(p->first->firstChild);
  EXPECT_TRUE(arc.point(3, &found) == mVec2d{} && !found && std::isnan(arc.length()));
  const m2dCircleC circle(p->first->lastChild());
  EXPECT_TRUE(circle.setCentre({1, 2}) && circle.setRadius(3));
  EXPECT_EQ(dump(circle.node(), false), "CIRCLE{POINT{1 2} RAD{3}}");
  EXPECT_EQ(mMatrix3::translation({5, 5}).applyLinear({1, 2}), (mVec2d{1, 2}));
}

// Directions run from 0 up to just below 360 degrees (a hair below wraps to
// the start); points count as on a circle within the tolerance, but never
// when the first three lie on one ray; parallel lines do not intersect.
TEST(M2dGeometry, VectorHelpers) {
  const struct {
    mVec2d v;
    double degrees;
  } directions[] = {{{1, 0}, 0},
                    {{0, 1}, 90},
                    {{-1, -1}, 225},
                    {{0, -1}, 270},
                    {{1, -1e-12}, 0},
                    {{0, 0}, 0},
                    {{1, -1e-6}, 360 - 1e-6 * 180 / kPi - 359.9999}};
  for (const auto& d : directions) EXPECT_NEAR(angleOf(d.v), d.degrees, 1e-7) << d.v;
  EXPECT_TRUE(pointsOnCircle({1, 0}, {0, 1}, {-1, 0}, {0, -1.0009}, 0.001));
  EXPECT_FALSE(pointsOnCircle({1, 0}, {0, 1}, {-1, 0}, {0, -1.0011}, 0.001));
  EXPECT_FALSE(pointsOnCircle({0, 0}, {1, 0}, {2, 0}, {3, 0}, 0.001));
  mVec2d out{7, 7};
  EXPECT_FALSE(lineIntersection({0, 0}, {1, 0}, {0, 1}, {1, 1}, out) || out != (mVec2d{7, 7}));
  EXPECT_EQ(circumcentre({12, 5}, {10, 7}, {8, 5}), (mVec2d{10, 5}));
}

// Lookups in a registry of keys that share first bytes, lengths and prefixes,
// against a plain search of its entries; and the cast kept per entry.
TEST(M2dGeometry, RegistryLookupsMatchAPlainSearch) {
  metaPrototypeRegistry r;
  const std::vector<std::string> keys = {"LINE", "LIN",    "LINES",  "L", "ARC",  "\xC3\xA4",
                                         "",     "CIRCLE", "CENTER", "C", "\x01", "ZZ"};
  for (const std::string& k : keys) {
    if (k == "CIRCLE") {
      EXPECT_TRUE(r.registerPrototype(k, std::make_unique<mBaseCircle2dC>(), 1));
    } else {
      EXPECT_TRUE(r.registerPrototype(k, std::make_unique<metaObjectC>(), 1));
    }
  }
  auto plain = [&](std::string_view key) -> metaObjectC* {
    for (const auto& e : r.entries())
      if (e.key == key) return e.prototype.get();
    return nullptr;
  };
  for (std::string_view key :
       {"LINE", "LIN",    "LINES",  "LI", "LINEX", "L",    "ARC", "AR", "ARCS",  "\xC3\xA4", "\xC3",
        "",     "CIRCLE", "CENTER", "C",  "CE",    "\x01", "ZZ",  "Z",  "POINT", "\xFF"}) {
    EXPECT_EQ(r.lookup(key), plain(key)) << key;
    EXPECT_EQ(r.lookup(key) != nullptr, std::find(keys.begin(), keys.end(), key) != keys.end())
        << key;
  }
  // The cast asked for in turn as two classes, then after a replacement.
  metaObjectC* circle = r.lookup("CIRCLE");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(r.lookupAs<mBaseShape2dC>("CIRCLE"), dynamic_cast<mBaseShape2dC*>(circle));
    EXPECT_NE(r.lookupAs<mBaseShape2dC>("CIRCLE"), nullptr);
    EXPECT_EQ(r.lookupAs<mBaseLine2dC>("CIRCLE"), nullptr);
    EXPECT_EQ(r.lookupAs<mBaseShape2dC>("LINE"), nullptr);
    EXPECT_EQ(r.lookupAs<metaObjectC>("LINE"), r.lookup("LINE"));
  }
  EXPECT_TRUE(r.registerPrototype("CIRCLE", std::make_unique<mBaseLine2dC>(), 2));
  EXPECT_EQ(r.lookupAs<mBaseLine2dC>("CIRCLE"), dynamic_cast<mBaseLine2dC*>(r.lookup("CIRCLE")));
  EXPECT_NE(r.lookupAs<mBaseLine2dC>("CIRCLE"), nullptr);
  EXPECT_EQ(r.lookupAs<mBaseCircle2dC>("CIRCLE"), nullptr);
  EXPECT_EQ(r.lookupAs<mBaseShape2dC>("NONE"), nullptr);
}

// The sweep in one walk gives the numbers of the single questions bit for bit
// and leaves the arc as they leave it.
TEST(M2dGeometry, CounterClockwiseSweepMatchesTheSingleQuestions) {
  for (const char* text :
       {"ARC { POINT { 1 0 } POINT { 0 1 } POINT { -1 0 } }",
        "ARC { POINT { -1 0 } POINT { 0 1 } POINT { 1 0 } }",
        "ARC { HATCHIDX { 2 } POINT { 0.3 -7 } POINT { 1e-3 2.5 } POINT { -4 0.25 } }",
        "ARC { POINT { 0 0 } POINT { 1 1 } POINT { 2 2 } }", "ARC { POINT { 1 0 } }", "ARC",
        "ARC { POINT { 1 0 x } POINT { -0 1 } POINT { 0 -1 } }"}) {
    auto single = parse(text);
    auto swept = parse(text);
    const m2dArcC a(single->first);
    const mVec2d c = a.centre();
    const double r = a.radius();
    double start = a.startAngle();
    double end = a.endAngle();
    if (a.clockwise()) std::swap(start, end);
    mVec2d c2{7, 7};
    double r2 = 7, start2 = 7, end2 = 7;
    m2dArcC(swept->first).counterClockwiseSweep(c2, r2, start2, end2);
    auto bits = [](double v) {
      char buf[48];
      std::snprintf(buf, sizeof buf, "%a", v);
      return std::string(buf);
    };
    EXPECT_EQ(bits(c2.x) + bits(c2.y) + bits(r2) + bits(start2) + bits(end2),
              bits(c.x) + bits(c.y) + bits(r) + bits(start) + bits(end))
        << text;
    EXPECT_EQ(dump(swept->first), dump(single->first)) << text;
  }
  mVec2d c{7, 7};
  double r = 7, s = 7, e = 7;
  m2dArcC().counterClockwiseSweep(c, r, s, e);
  EXPECT_TRUE(c.x == 0 && c.y == 0 && r == 0 && s == 0 && e == 0);
}
