// Malformed shapes: every operation answers something and nothing crashes
// (run under the sanitizers too).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "m2d_test_support.h"

namespace {

// Items that are wrong in every way the reader lets through.
const char* const kMalformedItems[] = {
    "LINE { }",
    "LINE { POINT { \"a\" \"b\" } POINT { 1 } }",
    "ARC { POINT { 1 1 } POINT { 1 1 } POINT { 1 1 } }",
    "ARC { POINT { 0 0 } POINT { 1 1 } POINT { 2 2 } }",
    "ARC { HATCHIDX { 3 } POINT { 1e308 -1e308 } POINT { -1e308 1e308 } POINT { 1e308 1e308 } }",
    "ARC { POINT { 1e-320 0 } POINT { 0 1e-320 } POINT { -1e-320 0 } }",
    "CIRCLE { RAD { -5 } }",
    "CIRCLE { POINT { 1e308 1e308 } RAD { 1e308 } }",
    "ELLIPSE { RAD1 { 0 } RAD2 { 0 } ANGLE { 1e300 } }",
    "ELLIPSEARC { RAD1 { 5 } RAD2 { 0 } ANGLE1 { -1e300 } ANGLE2 { 1e300 } }",
    "ELLIPSEARC { RAD1 { 0 } RAD2 { 5 } ANGLE1 { 10 } ANGLE2 { 10 } }",
    "ICRV2D { }",
    "ICRV2D { POINT { 0 0 } POINT { 0 0 } POINT { 0 0 } POINT { 0 0 } POINT { 0 0 } }",
    "ICRV2D { POINT { 0 0 } POINT { 1e308 0 } POINT { -1e308 0 } POINT { 0 1e308 } POINT { 5 } }",
    "SPOINT { }",
    "TEXT { POINT { \"x\" } HEIGHT { \"h\" } ANGLE { ANGLE } }",
    "CENTER { POINT { 1 2 3 } }",
    "SHAPEATTR { SHAPETYP { 1e300 } }",
};

}  // namespace

TEST(M2dMalformed, EverySlotOnEveryBrokenItem) {
  for (const char* text : kMalformedItems) {
    SCOPED_TRACE(text);
    auto tree = m2dtest::parse(std::string("FIGURE { FIGURITEMS { ") + text + " } }");
    ASSERT_NE(tree->root, nullptr) << tree->error;
    m2dFigureC fig(tree->root);
    metaTreeC* item = fig.items().node()->firstChild;
    mBaseShape2dC any(item);
    mVec2d a, b, c, d;
    std::vector<mVec2d> pts;
    metaTreeC* target = metaTreeC::makeIdent("tmp");
    any.length();
    any.boundingBox(a, b, c, d);
    any.toPoints(pts, 0);
    EXPECT_LE(pts.size(), 200u);
    any.toSegments(0, 0.001, target);
    any.endPoints(a, b);
    any.reverse();
    any.setEndPoints(a, b);
    fig.rotateItems(37);
    fig.moveItems({1e308, -1e308});
    fig.scaleItems(1e300);
    fig.scaleItems(1 / 25.4);
    any.toSegments(0, 0.001, target);
    m2dArcC(item).clockwise();
    m2dEllipseArcC(item).startPoint();
    m2dEllipseC(item).ratio();
    m2dShapeAttrC(item).shapeType();
    metaTreeC::destroy(target);
  }
}

TEST(M2dMalformed, DocumentsOfTheWrongShape) {
  for (const char* text : {"DRAWING { DRAWINGITEMS { FIGURE { } 7 \"s\" FIGURE } }",
                           "FIGURE { M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { "
                           "M2DHATCHLOOPSHREFS { MOREF { } MOREF { REFTRG { -4 } } "
                           "MOREF { REFTRG { \"1\" } } MOREF { REFTRG { 1 } } } } } } } }",
                           "FIGURE { INSERTPOINT { POINT { } ROTATION { } } GROUP { 1 } }"}) {
    SCOPED_TRACE(text);
    auto tree = m2dtest::parse(text);
    ASSERT_NE(tree->root, nullptr) << tree->error;
    m2dDocumentC doc(tree->root);
    if (doc.kind() == m2dDocumentKind::drawing) {
      m2dFigureListC figs = m2dDrawingC(tree->root).figures();
      EXPECT_EQ(figs.count(), 2u);
      for (std::size_t i = 0; i < figs.count(); ++i) figs.item(i).rotateItems(10);
      continue;
    }
    m2dFigureC fig(tree->root);
    EXPECT_FALSE(fig.isGrouped());
    EXPECT_EQ(fig.insertion().point(), (mVec2d{0, 0}));
    m2dHatchListC hatches = fig.hatches();
    for (std::size_t h = 0; h < hatches.count(); ++h) {
      m2dHatchLoopListC loops = hatches.item(h).loops();
      for (std::size_t l = 0; l < loops.count(); ++l) {
        m2dHatchLoopRefListC refs = loops.item(l).references();
        ASSERT_EQ(refs.count(), 4u);
        for (std::size_t r = 0; r < 3; ++r) EXPECT_EQ(refs.item(r).target(), nullptr);
        // A reference to the figure itself is no shape: its geometry does nothing.
        EXPECT_EQ(refs.item(3).target(), tree->root);
        EXPECT_FALSE(refs.item(3).geometry().isGeometry());
      }
    }
  }
}
