// Document views: drawings, figures, placement, items, hatches and references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "m2d_test_support.h"

using m2dtest::find;

TEST_M2D(M2dDocument, DrawingNameFiguresAndKinds,
         R"(DRAWING { NAME { "Shaft" } ANSICHTNO { 3 }
              DRAWINGITEMS { FIGURE { NAME { "A" } } NAME { "x" } FIGURE { NAME { "B" } } } })") {
  m2dDocumentC doc(root);
  EXPECT_EQ(doc.kind(), m2dDocumentKind::drawing);
  bool found = false;
  EXPECT_EQ(doc.name(&found), "Shaft");
  EXPECT_TRUE(found);
  EXPECT_EQ(doc.viewNumber(&found), 3.0);
  EXPECT_TRUE(found);

  m2dDrawingC drawing(root);
  m2dFigureListC figures = drawing.figures();
  ASSERT_EQ(figures.count(), 2u);
  EXPECT_EQ(figures.item(0).name(), "A");
  EXPECT_EQ(figures.item(1).name(), "B");
  EXPECT_FALSE(figures.item(2).isValid());
  EXPECT_EQ(m2dDocumentC(figures.itemNode(1)).kind(), m2dDocumentKind::figure);
}

TEST_M2D(M2dDocument, KindOfOtherKeysAndEmptyView, "PART { NAME { 1 } }") {
  EXPECT_EQ(m2dDocumentC(root).kind(), m2dDocumentKind::none);
  EXPECT_EQ(m2dDocumentC().kind(), m2dDocumentKind::none);
  bool found = true;
  EXPECT_EQ(m2dDocumentC(root).name(&found), "");  // a number is no name
  EXPECT_FALSE(found);
  EXPECT_EQ(m2dDrawingC().figures().count(), 0u);
  EXPECT_FALSE(m2dFigureC().isGrouped());
  EXPECT_EQ(m2dFigureC().hatches().count(), 0u);
}

TEST_M2D(M2dDocument, DrawingWithoutItemsHasNoFigures, "DRAWING { NAME { \"x\" } }") {
  m2dDrawingC drawing(root);
  EXPECT_EQ(drawing.figures().count(), 0u);
  EXPECT_NE(drawing.findChild("DRAWINGITEMS"), nullptr);  // created by the getter
}

TEST(M2dDocument, GroupOnlyForTheStringYes) {
  const struct {
    const char* text;
    bool grouped;
  } cases[] = {
      {R"(FIGURE { GROUP { "YES" } })", true}, {R"(FIGURE { GROUP { "yes" } })", false},
      {R"(FIGURE { GROUP { YES } })", false},  {R"(FIGURE { GROUP { "YES " } })", false},
      {R"(FIGURE { NAME { "n" } })", false},   {R"(FIGURE { GROUP { } })", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto tree = m2dtest::parse(c.text);
    ASSERT_NE(tree->root, nullptr);
    EXPECT_EQ(m2dFigureC(tree->root).isGrouped(), c.grouped);
  }
}

TEST(M2dDocument, InsertionPointAndRotation) {
  const struct {
    const char* text;
    mVec2d point;
    bool pointFound;
    double rotation;
    bool rotationFound;
  } cases[] = {
      {"FIGURE { INSERTPOINT { POINT { 120.5, 80 } ROTATION { 30 } } }",
       {120.5, 80},
       true,
       30,
       true},
      {"FIGURE { INSERTPOINT { POINT { 1 2 3 } } }", {0, 0}, false, 0, false},
      {"FIGURE { INSERTPOINT { ROTATION { \"90\" } } }", {0, 0}, false, 0, false},
      {"FIGURE { NAME { \"no placement\" } }", {0, 0}, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto tree = m2dtest::parse(c.text);
    ASSERT_NE(tree->root, nullptr);
    m2dInsertionC ins = m2dFigureC(tree->root).insertion();
    bool pf = !c.pointFound, rf = !c.rotationFound;
    EXPECT_EQ(ins.point(&pf), c.point);
    EXPECT_EQ(pf, c.pointFound);
    EXPECT_EQ(ins.rotation(&rf), c.rotation);
    EXPECT_EQ(rf, c.rotationFound);
  }
}

TEST_M2D(M2dDocument, ItemsInFileOrder,
         R"(FIGURE { FIGURITEMS { SHAPEATTR { } LINE { } ARC { } CIRCLE { } ELLIPSE { }
              ELLIPSEARC { } TEXT { } ICRV2D { } SPOINT { } "str" } })") {
  std::vector<m2dItemKind> kinds;
  for (metaTreeC* item : m2dFigureC(root).items().childNodes())
    kinds.push_back(m2dItemKindOf(item));
  const std::vector<m2dItemKind> expected = {
      m2dItemKind::shapeAttr, m2dItemKind::line,       m2dItemKind::arc,  m2dItemKind::circle,
      m2dItemKind::ellipse,   m2dItemKind::ellipseArc, m2dItemKind::text, m2dItemKind::intCrv,
      m2dItemKind::other,     m2dItemKind::other};
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(m2dItemKindOf(nullptr), m2dItemKind::other);
}

TEST_M2D(M2dDocument, FigureWithoutSectionsIsEmpty, R"(FIGURE { NAME { "bare" } })") {
  m2dFigureC fig(root);
  EXPECT_EQ(fig.items().childCount(), 0u);
  EXPECT_EQ(fig.hatches().count(), 0u);
  EXPECT_FALSE(fig.isGrouped());
}

// Node numbers: FIGURE 1, FIGURITEMS 2, LINE 3, POINT 4, 0 5, 0 6, POINT 7, 10 8, 0 9,
// CIRCLE 10.
TEST_M2D(
    Hatch, ListsLoopsAndReferences,
    R"(FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 10 0 } } CIRCLE { POINT { 5 5 } RAD { 2 } } }
              M2DHATCHES {
                M2DHATCH { ANGLE { 45 } DISTANCE { 2.5 }
                  M2DHATCHLOOPS {
                    M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 3 } } MOREF { REFTRG { 10 } } } }
                    M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 999 } } } } } }
                M2DHATCH { } } })") {
  m2dHatchListC hatches = m2dFigureC(root).hatches();
  ASSERT_EQ(hatches.count(), 2u);
  m2dHatchC hatch = hatches.item(0);
  bool found = false;
  EXPECT_EQ(hatch.angle(&found), 45.0);
  EXPECT_TRUE(found);
  EXPECT_EQ(hatch.distance(&found), 2.5);
  EXPECT_TRUE(found);

  m2dHatchLoopListC loops = hatch.loops();
  ASSERT_EQ(loops.count(), 2u);
  m2dHatchLoopRefListC refs = loops.item(0).references();
  ASSERT_EQ(refs.count(), 2u);
  EXPECT_EQ(refs.item(0).target(), find(root, "LINE"));
  EXPECT_EQ(refs.item(1).target(), find(root, "CIRCLE"));
  EXPECT_TRUE(refs.item(1).shape().isKey("CIRCLE"));
  EXPECT_NEAR(refs.item(1).geometry().length(), 4 * kPi, 1e-12);
  EXPECT_EQ(refs.item(0).targetView<m2dLineC>().end(), (mVec2d{10, 0}));

  // An unresolved reference gives empty views.
  m2dHatchLoopRefListEntryC dangling = loops.item(1).references().item(0);
  EXPECT_TRUE(dangling.isValid());
  EXPECT_EQ(dangling.target(), nullptr);
  EXPECT_FALSE(dangling.shape().isValid());
  EXPECT_EQ(dangling.geometry().length(), 0.0);

  // The second hatch has the defaults.
  m2dHatchC empty = hatches.item(1);
  EXPECT_EQ(empty.angle(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(empty.distance(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(empty.loops().count(), 0u);
}

TEST(M2dDocument, RegistryHoldsDrawingAndFigure) {
  metaPrototypeRegistry& r = m2dDocumentRegistry();
  EXPECT_EQ(r.size(), 2u);
  EXPECT_NE(dynamic_cast<m2dDrawingC*>(r.lookup("DRAWING")), nullptr);
  EXPECT_NE(dynamic_cast<m2dFigureC*>(r.lookup("FIGURE")), nullptr);
}
