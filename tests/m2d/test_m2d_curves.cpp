// Golden outputs: the sections segmentCurve makes of point chains, and the
// figure transformations on every kind of item.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "m2d/attributes.h"
#include "m2d/document.h"
#include "m2d/shapes.h"
#include "meta/meta_test_support.h"

using metatest::dump;
using metatest::parse;

namespace {

// Points on a circle from one angle to another (degrees, inclusive).
std::vector<mVec2d> arc(mVec2d c, double r, double from, double to, double step) {
  std::vector<mVec2d> pts;
  for (double a = from; a <= to + 1e-9; a += step)
    pts.push_back({c.x + r * std::cos(a * kPi / 180), c.y + r * std::sin(a * kPi / 180)});
  return pts;
}

std::vector<mVec2d> operator+(std::vector<mVec2d> a, const std::vector<mVec2d>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

// Four points on one circle start an arc that grows while the points stay on
// it, and becomes a circle when the chain comes back to its start; line
// pieces in one direction merge, a corner stops them.
TEST(M2dSegmentCurve, SectionsOfPointChains) {
  std::vector<mVec2d> s = arc({10, 0}, 10, 180, 360, 15), mirrored;
  for (mVec2d p : arc({30, 0}, 10, 195, 360, 15)) mirrored.push_back({p.x, -p.y});
  const struct {
    const char* name;
    std::vector<mVec2d> points;
    const char* sections;
  } cases[] = {
      {"straight run",
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}},
       "LINE{POINT{0 0} POINT{3 0}} LINE{POINT{3 0} POINT{4 0}} LINE{POINT{4 0} POINT{5 0}}"},
      {"corner",
       {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}},
       "LINE{POINT{0 0} POINT{2 0}} LINE{POINT{2 0} POINT{2 2}} LINE{POINT{2 2} POINT{2 3}} "
       "LINE{POINT{2 3} POINT{2 4}}"},
      {"one piece", {{0, 0}, {1, 1}}, "LINE{POINT{0 0} POINT{1 1}}"},
      {"one point", {{0, 0}}, ""},
      {"full circle", arc({0, 0}, 10, 0, 360, 10), "CIRCLE{POINT{0 0} RAD{10}}"},
      {"arc, then lines", arc({0, 0}, 10, 0, 90, 10) + std::vector<mVec2d>{{-5, 10}, {-10, 10}},
       "ARC{POINT{10 0} POINT{9.84808 1.73648} POINT{0 10}} LINE{POINT{0 10} POINT{-5 10}} "
       "LINE{POINT{-5 10} POINT{-10 10}}"},
      {"lines, arc, lines",
       std::vector<mVec2d>{{-30, 0}, {-20, 0}, {-10, 0}} + arc({10, 0}, 10, 180, 360, 30) +
           std::vector<mVec2d>{{30, 0}, {40, 0}},
       "LINE{POINT{-30 0} POINT{0 0}} ARC{POINT{0 0} POINT{1.33975 -5} POINT{20 0}} "
       "LINE{POINT{20 0} POINT{30 0}} LINE{POINT{30 0} POINT{40 0}}"},
      {"two arcs in a row", s + mirrored,
       "ARC{POINT{0 0} POINT{0.340742 -2.58819} POINT{20 0}} "
       "ARC{POINT{20 0} POINT{20.3407 2.58819} POINT{40 0}}"},
  };
  for (const auto& c : cases) {
    auto target = parse("T { KEEP }");  // sections go after what is there
    const int made = segmentPoints(c.points, 0.001, target->first);
    EXPECT_EQ(dump(target->first->firstChild->next), c.sections) << c.name;
    EXPECT_EQ(made + 1u, target->first->childCount()) << c.name;
  }
  EXPECT_EQ(segmentPoints(s, 0.001, nullptr), 0);
}

// Every item follows its figure: geometry through its class, texts by anchor,
// angle and sizes; other keys stay. Well-formed items are rewritten in place,
// without a structural change (list caches stay good).
TEST(M2dFigureTransform, RotateMoveAndScaleEveryKind) {
  auto p = parse(R"(FIGURE { FIGURITEMS {
      SHAPEATTR { SHAPETYP { 2 } } LINE { POINT { 1 0 } POINT { 2 0 } }
      ARC { POINT { 1 0 } POINT { 0 1 } POINT { -1 0 } } CIRCLE { POINT { 1 0 } RAD { 2 } }
      ELLIPSE { POINT { 1 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } }
      ELLIPSEARC { POINT { 1 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 30 } ANGLE1 { 20 } ANGLE2 { 135 } }
      ICRV2D { POINT { 1 0 } POINT { 2 0 } POINT { 2 1 } }
      TEXT { TEXT { "t" } POINT { 1 0 } HEIGHT { 2.5 } ANGLE { 10 } TEXTBW { 20 } TEXTBH { 5 } }
      SPOINT { POINT { 1 0 } } DIMENSION { POINT { 1 0 } } } })");
  const m2dFigureC fig(p->first);
  const std::uint32_t changes = metaTreeChangeCount;
  fig.rotateItems(90);
  EXPECT_EQ(dump(fig.items().node()),
            "FIGURITEMS{SHAPEATTR{SHAPETYP{2}} LINE{POINT{0 1} POINT{0 2}} "
            "ARC{POINT{0 1} POINT{-1 0} POINT{0 -1}} CIRCLE{POINT{0 1} RAD{2}} "
            "ELLIPSE{POINT{0 1} RAD1{10} RAD2{5} ANGLE{120}} "
            "ELLIPSEARC{POINT{0 1} RAD1{10} RAD2{5} ANGLE{120} ANGLE1{20} ANGLE2{135}} "
            "ICRV2D{POINT{0 1} POINT{0 2} POINT{-1 2}} "
            "TEXT{TEXT{\"t\"} POINT{0 1} HEIGHT{2.5} ANGLE{100} TEXTBW{20} TEXTBH{5}} "
            "SPOINT{POINT{0 1}} DIMENSION{POINT{1 0}}}");
  fig.moveItems({10, 5});
  fig.scaleItems(2);
  fig.scaleItems(0);  // nothing at all
  EXPECT_EQ(dump(fig.items().node()),
            "FIGURITEMS{SHAPEATTR{SHAPETYP{2}} LINE{POINT{20 12} POINT{20 14}} "
            "ARC{POINT{20 12} POINT{18 10} POINT{20 8}} CIRCLE{POINT{20 12} RAD{4}} "
            "ELLIPSE{POINT{20 12} RAD1{20} RAD2{10} ANGLE{120}} "
            "ELLIPSEARC{POINT{20 12} RAD1{20} RAD2{10} ANGLE{120} ANGLE1{20} ANGLE2{135}} "
            "ICRV2D{POINT{20 12} POINT{20 14} POINT{18 14}} "
            "TEXT{TEXT{\"t\"} POINT{20 12} HEIGHT{5} ANGLE{100} TEXTBW{40} TEXTBH{10}} "
            "SPOINT{POINT{20 12}} DIMENSION{POINT{1 0}}}");
  EXPECT_EQ(metaTreeChangeCount, changes);
}

// Ellipse arcs keep their parameters under turns and moves; a mirror runs
// them back; with a zero semi-axis they cannot be recovered and are kept. A
// text without an angle gets one from a turn, not from a move.
TEST(M2dFigureTransform, ParametersAndTextAngles) {
  mMatrix3 mirror;  // y -> -y
  mirror.m[4] = -1;
  const struct {
    const char* item;
    mMatrix3 m;
    const char* result;
  } cases[] = {
      {"ELLIPSEARC { POINT { 0 0 } RAD1 { 10 } RAD2 { 5 } ANGLE { 0 } ANGLE1 { 30 } ANGLE2 { 90 } "
       "}",
       mirror, "ELLIPSEARC{POINT{0 0} RAD1{10} RAD2{5} ANGLE{0} ANGLE1{330} ANGLE2{270}}"},
      {"ELLIPSEARC { POINT { 2 1 } RAD1 { 10 } RAD2 { 0 } ANGLE { 0 } ANGLE1 { 30 } ANGLE2 { 90 } "
       "}",
       mMatrix3::rotation(45),
       "ELLIPSEARC{POINT{0.707107 2.12132} RAD1{10} RAD2{0} ANGLE{45} ANGLE1{30} ANGLE2{90}}"},
      {"TEXT { POINT { 2 0 } }", mMatrix3::rotation(45), "TEXT{POINT{1.41421 1.41421} ANGLE{45}}"},
      {"TEXT { POINT { 2 0 } }", mMatrix3::translation({1, 1}), "TEXT{POINT{3 1}}"},
  };
  for (const auto& c : cases) {
    auto p = parse(std::string("FIGURITEMS { ") + c.item + " }");
    metaTreeC* item = p->first->firstChild;
    EXPECT_EQ(
        item->isIdent("TEXT") ? m2dTextC(item).transform(c.m) : mBaseShape2dC(item).transform(c.m),
        1);
    EXPECT_EQ(dump(item, false), c.result) << c.item;
  }
}

namespace {

// Every node of a chain with numbers as their exact bits, so that -0.0 and
// 0.0 and the last rounding tell apart.
std::string exactDump(const metaTreeC* first) {
  std::string out;
  for (const metaTreeC* n = first; n; n = n->next) {
    char buf[48];
    if (n->value.isNumber()) {
      std::snprintf(buf, sizeof buf, " %a", n->value.number());
      out += buf;
    } else {
      out += ' ' + std::string(n->value.text());
    }
    if (n->firstChild) out += '{' + exactDump(n->firstChild) + '}';
  }
  return out;
}

// What the figure transformations did in one walk per matrix: each item
// through the any-shape view's dispatch by key, texts on their own.
void transformByDispatch(metaTreeC* items, const mMatrix3& m) {
  for (metaTreeC* item = items->firstChild; item; item = item->next) {
    const mBaseShape2dC shape(item);
    if (shape.isGeometry()) {
      shape.transform(m);
    } else if (item->isIdent("TEXT")) {
      m2dTextC(item).transform(m);
    }
  }
}

void scaleByDispatch(metaTreeC* items, double f) {
  for (metaTreeC* item = items->firstChild; item; item = item->next) {
    const mBaseShape2dC shape(item);
    if (shape.isGeometry()) {
      shape.scale(f);
    } else if (item->isIdent("TEXT")) {
      m2dTextC(item).scale(f);
    }
  }
}

// Items of every kind, with signed zeros, missing and malformed points.
constexpr const char* kMixedItems =
    "FIGURITEMS { SHAPEATTR { SHAPETYP { 1 } } "
    "LINE { POINT { -0 0 } POINT { 1.5 -0 } } LINE { POINT { 3 } } LINE { } "
    "CENTER { POINT { -0 -0 } POINT { 1e300 -1e-300 } } SPOINT { POINT { 0.1 0.2 } } "
    "ARC { HATCHIDX { 3 } POINT { 0 1 } POINT { 1 0 } POINT { 0 -1 } } ARC { POINT { -0 2 } } "
    "CIRCLE { RAD { 2 } } CIRCLE { POINT { 1 -0 } RAD { 2 } } "
    "ELLIPSE { POINT { 1 2 } RAD1 { 3 } RAD2 { 1 } ANGLE { 30 } } "
    "ELLIPSEARC { POINT { -0 0 } RAD1 { 3 } RAD2 { 1 } ANGLE { 0 } ANGLE1 { 10 } ANGLE2 { 200 } } "
    "ELLIPSEARC { POINT { 1 1 } RAD1 { 3 } RAD2 { 0 } ANGLE { 10 } ANGLE1 { 10 } ANGLE2 { 20 } } "
    "ICRV2D { POINT { 0 -0 } NOTE { 1 } POINT { 1 1 } POINT { 2 x } POINT { 3 -0.25 } } "
    "TEXT { POINT { -0 5 } TEXT { \"a\" } } TEXT { ANGLE { 10 } } HATCH { POINT { 1 1 } } "
    "LINE { POINT { 8 1 } POINT { 2 10 } } CIRCLE { POINT { 1 9 } RAD { 1 } } 7 \"s\" }";

// The numbers 8, 9 and 10 become infinity, -infinity and NaN, which a file
// cannot spell.
void makeUnspellable(metaTreeC* first) {
  for (metaTreeC* n = first; n; n = n->next) {
    const double v = n->value.number();
    if (v == 8) n->value.setNumber(INFINITY);
    if (v == 9) n->value.setNumber(-INFINITY);
    if (v == 10) n->value.setNumber(NAN);
    makeUnspellable(n->firstChild);
  }
}

std::unique_ptr<metatest::Parsed> mixedItems() {
  auto p = parse(kMixedItems);
  makeUnspellable(p->first);
  return p;
}

}  // namespace

TEST(M2dFigureTransform, OneWalkMatchesOneDispatchWalkPerMatrix) {
  const mMatrix3 matrices[] = {mMatrix3::rotation(0),    mMatrix3::translation({0, 0}),
                               mMatrix3::rotation(-0.0), mMatrix3::translation({-0.0, -0.0}),
                               mMatrix3::rotation(37.5), mMatrix3::translation({-0.0, 3.25}),
                               mMatrix3::rotation(90),   mMatrix3::translation({1e-17, -2})};
  const std::size_t count = std::size(matrices);
  for (std::size_t from = 0; from < count; ++from) {
    for (std::size_t n = 0; from + n <= count && n <= 4; ++n) {
      auto expected = mixedItems();
      auto actual = mixedItems();
      for (std::size_t i = from; i < from + n; ++i)
        transformByDispatch(expected->first, matrices[i]);
      transformItems(actual->first, matrices + from, n);
      EXPECT_EQ(exactDump(actual->first), exactDump(expected->first)) << from << ' ' << n;
    }
  }
  auto expected = mixedItems();
  auto actual = mixedItems();
  transformByDispatch(expected->first, mMatrix3::rotation(-30));
  transformByDispatch(expected->first, mMatrix3::translation({-0.0, 0.0}));
  rotateItems(actual->first, -30);
  moveItems(actual->first, {-0.0, 0.0});
  EXPECT_EQ(exactDump(actual->first), exactDump(expected->first));
  transformItems(nullptr, matrices, 2);
}

TEST(M2dFigureTransform, ScaleMatchesDispatch) {
  for (double f : {1.0 / 25.4, -1.0, 0.0, -0.0, 3.0}) {
    auto expected = mixedItems();
    auto actual = mixedItems();
    if (f != 0.0) scaleByDispatch(expected->first, f);
    scaleItems(actual->first, f);
    EXPECT_EQ(exactDump(actual->first), exactDump(expected->first)) << f;
  }
}

TEST(M2dFigureTransform, FirstChildrenAsNthChildWithCreate) {
  for (const char* text :
       {"S { }", "S { A { 1 } }", "S { P { 1 } A P }", "S { P P P P }", "S { A }"}) {
    for (std::size_t n = 0; n <= 3; ++n) {
      auto expected = parse(text);
      auto actual = parse(text);
      std::vector<metaTreeC*> e, a(n);
      for (std::size_t i = 0; i < n; ++i) e.push_back(m2dNthChild(expected->first, "P", i, true));
      m2dFirstChildren(actual->first, "P", n, a.data());
      EXPECT_EQ(dump(actual->first), dump(expected->first)) << text << ' ' << n;
      auto position = [](const metaTreeC* c) {
        std::size_t k = 0;
        for (; c->prev; c = c->prev) ++k;
        return k;
      };
      for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(position(a[i]), position(e[i]));
    }
  }
  metaTreeC* out[2] = {nullptr, nullptr};
  m2dFirstChildren(nullptr, "P", 2, out);
  EXPECT_EQ(out[0], nullptr);
  EXPECT_EQ(out[1], nullptr);
}
