// Document views: kinds by key, figure lists, hatches and their boundary
// references; attribute access with found flags; empty views.
#include <gtest/gtest.h>

#include <sstream>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "meta/meta_test_support.h"

using metatest::dump;
using metatest::parse;

TEST(M2dDocument, KindsFiguresAndHatches) {
  auto p =
      parse(R"(DRAWING { NAME { "Shaft" } ANSICHTNO { 3 } DRAWINGITEMS { FIGURE { NAME { "A" } }
      NAME { "x" } FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 10 0 } }
        CIRCLE { POINT { 5 5 } RAD { 2 } } }
      M2DHATCHES { M2DHATCH { ANGLE { 45 } DISTANCE { 2.5 } M2DHATCHLOOPS {
        M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 14 } } MOREF { REFTRG { 21 } } } }
        M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 999 } } } } } } M2DHATCH } } } }
      PART 5)");
  const m2dDrawingC drawing(p->first);
  const m2dFigureListC figures = drawing.figures();
  ASSERT_EQ(figures.count(), 2u);
  const m2dFigureC figure = figures.item(1);
  std::ostringstream kinds;
  for (const metaTreeC* n : {p->first, figures.itemNode(0), p->first->next, p->first->nthSibling(2),
                             static_cast<metaTreeC*>(nullptr)})
    kinds << static_cast<int>(m2dDocumentC(const_cast<metaTreeC*>(n)).kind());
  EXPECT_EQ(kinds.str(), "12000");  // drawing, figure, then none
  EXPECT_TRUE(drawing.name() == "Shaft" && drawing.viewNumber() == 3 &&
              figures.item(0).name() == "A");
  EXPECT_FALSE(figures.item(2).isValid());

  const m2dHatchListC hatches = figure.hatches();
  ASSERT_EQ(hatches.count(), 2u);
  EXPECT_TRUE(hatches.item(0).angle() == 45 && hatches.item(0).distance() == 2.5);
  const m2dHatchLoopListC loops = hatches.item(0).loops();
  ASSERT_EQ(loops.count(), 2u);
  const m2dHatchLoopRefListC refs = loops.item(0).references();
  ASSERT_EQ(refs.count(), 2u);
  EXPECT_TRUE(refs.item(0).shape().isKey("LINE") && refs.item(1).shape().isKey("CIRCLE"));
  EXPECT_NEAR(refs.item(1).geometry().length(), 4 * kPi, 1e-12);
  EXPECT_EQ(refs.item(0).targetView<m2dLineC>().end(), (mVec2d{10, 0}));
  // An unresolved reference gives empty views; a hatch without loops has none.
  const m2dHatchLoopRefListEntryC dangling = loops.item(1).references().item(0);
  EXPECT_TRUE(dangling.isValid() && !dangling.shape().isValid());
  EXPECT_EQ(dangling.geometry().length(), 0.0);
  EXPECT_EQ(hatches.item(1).loops().count(), 0u);
}

// Attributes read the first child of their key: numbers (ints truncated),
// quoted strings only, points of exactly two numbers; anything else is the
// default with found false, and a missing key is created empty.
TEST(M2dDocument, AttributesAndFoundFlags) {
  const struct {
    const char* section;
    const char* values;  // number int 'string' (point) found flags, then the section
  } cases[] = {{"S { V { 2.9 } }", "2.9 2 '' (0 0) 1100 S{V{2.9}}"},
               {"S { V { -2.9 } }", "-2.9 -2 '' (0 0) 1100 S{V{-2.9}}"},
               {"S { V { \"s\" } }", "0 0 's' (0 0) 0010 S{V{\"s\"}}"},
               {"S { V { s } }", "0 0 '' (0 0) 0000 S{V{s}}"},
               {"S { V { 1, 2 } }", "1 1 '' (1 2) 1101 S{V{1 2}}"},
               {"S { V { 1 2 3 } }", "1 1 '' (0 0) 1100 S{V{1 2 3}}"},
               {"S", "0 0 '' (0 0) 0000 S{V}"}};
  for (const auto& c : cases) {
    auto p = parse(c.section);
    const m2dBaseObjC s(p->first);
    bool f[4];
    std::ostringstream got;
    const mVec2d pt = s.pointAttr("V", &f[3]);
    got << s.numberAttr("V", &f[0]) << ' ' << s.intAttr("V", &f[1]) << " '"
        << s.stringAttr("V", &f[2]) << "' (" << pt.x << ' ' << pt.y << ") " << f[0] << f[1] << f[2]
        << f[3] << ' ' << dump(p->first);
    EXPECT_EQ(got.str(), c.values) << c.section;
  }
  // A malformed point is rewritten whole; a value of another kind is kept.
  auto p = parse("TEXT { POINT { 1 2 3 } HEIGHT { \"h\" } }");
  const m2dTextC text(p->first);
  EXPECT_TRUE(text.setPoint({4, 5}) && !text.setHeight(2) && text.setAngle(30));
  EXPECT_EQ(dump(p->first), "TEXT{POINT{4 5} HEIGHT{\"h\"} ANGLE{30}}");
}

// A view bound to nothing answers defaults, changes nothing and reports
// that it did nothing.
TEST(M2dDocument, EmptyViewsAnswerDefaults) {
  mVec2d v{7, 7};
  bool found = true;
  std::vector<mVec2d> pts{v};
  const struct {
    const char* name;
    bool ok;
  } cases[] = {
      {"line", m2dLineC().start(&found) == mVec2d{} && !found && !m2dLineC().setStart(v) &&
                   m2dLineC().transform(mMatrix3()) == 0 && m2dLineC().endPoints(v, v) == 0 &&
                   m2dLineC().setEndPoints(v, v) == 0 && m2dLineC().reverse() == 0},
      {"arc", m2dArcC().radius() == 0 && m2dArcC().transform(mMatrix3()) == 0 &&
                  m2dArcC().endPoints(v, v) == 0 && m2dArcC().setEndPoints(v, v) == 0},
      {"circle", m2dCircleC().length() == 0 && m2dCircleC().toPoints(pts, 0) == 0 && pts.empty() &&
                     m2dCircleC().transform(mMatrix3()) == 0},
      {"ellipses",
       m2dEllipseC().transform(mMatrix3()) == 0 && m2dEllipseC().toPoints(pts, 0) == 0 &&
           m2dEllipseArcC().transform(mMatrix3()) == 0 && m2dEllipseArcC().toPoints(pts, 0) == 0},
      {"curve", m2dIntCrvC().pointCount() == 0 && !m2dIntCrvC().closed() &&
                    m2dIntCrvC().transform(mMatrix3()) == 0 && m2dIntCrvC().points().empty()},
      {"point",
       mBasePoint2dC().transform(mMatrix3()) == 0 && mBasePoint2dC().toPoints(pts, 0) == 0},
      {"text", m2dTextC().transform(mMatrix3()) == 0 && m2dTextC().text().empty() &&
                   !m2dTextC().setPoint(v)},
      {"any shape", !mBaseShape2dC().isGeometry() && mBaseShape2dC().length() == 0},
      {"documents", m2dDrawingC().figures().count() == 0 && !m2dFigureC().isGrouped() &&
                        m2dFigureC().hatches().count() == 0 &&
                        m2dFigureC().insertion().point() == mVec2d{}},
      {"item kinds", m2dItemKindOf(nullptr) == m2dItemKind::other},
  };
  for (const auto& c : cases) EXPECT_TRUE(c.ok) << c.name;
  m2dFigureC().rotateItems(90);
  scaleItems(nullptr, 2);
}
