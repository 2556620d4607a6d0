// The transfer rules that no metafile import through drafthost reaches or can
// show, run inside the host library: bulges of wide arcs, result-buffer chains,
// block wrapping outside an import, the shape-reference index across imports
// and commands, and host-table look-ups with missing arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>

#include "dxf_writer.h"
#include "host.h"
#include "m2d/document.h"
#include "m2d/shapes.h"
#include "meta/reader.h"
#include "plugin/interface_settings.h"
#include "transfer/host_tables.h"
#include "transfer/import.h"
#include "transfer/line_styles.h"
#include "transfer/polylines_hatches.h"

namespace {

TEST(TransferRules, BulgeIsTheTangentOfAQuarterOfTheIncludedAngle) {
  const double r = std::sqrt(0.5) * 10;
  struct Case {
    const char* name;
    mVec2d p1, p2, p3, c;
    double bulge;
  } cases[] = {
      {"quarter, counter-clockwise",
       {10, 0},
       {r, r},
       {0, 10},
       {0, 0},
       std::tan(std::numbers::pi / 8)},
      {"quarter, clockwise", {0, 10}, {r, r}, {10, 0}, {0, 0}, -std::tan(std::numbers::pi / 8)},
      {"half circle", {10, 0}, {0, 10}, {-10, 0}, {0, 0}, 1.0},
      {"three quarters", {10, 0}, {-10, 0}, {0, -10}, {0, 0}, std::tan(3 * std::numbers::pi / 8)},
      {"three quarters, clockwise",
       {0, -10},
       {-10, 0},
       {10, 0},
       {0, 0},
       -std::tan(3 * std::numbers::pi / 8)},
      {"off the origin", {12, 5}, {5 + r, 5 + r}, {5, 12}, {5, 5}, std::tan(std::numbers::pi / 8)},
      {"zero chord", {1, 1}, {2, 2}, {1, 1}, {1.5, 1.5}, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(arcBulge(c.p1, c.p2, c.p3, c.c), c.bulge, 1e-12) << c.name;
}

class TransferHostTest : public ::testing::Test {
 protected:
  TransferHostTest() : host(out) {}

  // Top-level nodes of a parsed text, which the index takes as shapes.
  std::vector<metaTreeC*> nodes(metaObjectC& tree, const std::string& text) {
    std::string error;
    tree = readMetaBuffer(text.data(), text.size(), true, &error);
    EXPECT_TRUE(tree.isValid()) << error;
    std::vector<metaTreeC*> v;
    for (metaTreeC* n = tree.node(); n; n = n->next) v.push_back(n);
    return v;
  }
  // The entity found for a shape; 0 for none.
  int32_t found(InterfaceSettings& s, const metaTreeC* shape) {
    ads_name e = {0, 0};
    return findShapeEntity(s, shape, e) ? e[0] : 0;
  }

  std::ostringstream out;
  drafthost::Host host;
  InterfaceSettings settings;
};

TEST_F(TransferHostTest, ResultBufferChainsAndTableLookUpsWithoutArguments) {
  resbuf* piece = ads_buildlist(70, 1, 0);
  EXPECT_EQ(appendResbufChain(nullptr, piece), nullptr) << "released, not lost";
  resbuf* chain = ads_buildlist(70, 1, 0);
  EXPECT_EQ(appendResbufChain(chain, nullptr), chain);
  EXPECT_EQ(appendResbufChain(chain, ads_buildlist(71, 2, 72, 3, 0))->restype, 72);
  ads_relrb(chain);
  EXPECT_FALSE(tableHasEntry(nullptr, "0"));
  EXPECT_FALSE(layerExists(nullptr));
  EXPECT_EQ(hatchEdgeCount(m2dHatchLoopC()), 0);
  EXPECT_EQ(colourFromText(settings, ""), 0) << "no colour text is BYBLOCK";
  ads_name unknown = {999999, 0};
  ads_point p = {1, 2, 0};
  EXPECT_EQ(entityKind(unknown), -1);
  EXPECT_EQ(lineEndpoints(unknown, p, p), 0);
  EXPECT_EQ(p[0] + p[1], 3.0);
  host.drawing.addEntity("INSERT",
                         {drafthost::Group::str(0, "INSERT"), drafthost::Group::str(2, "*X12")});
  ASSERT_EQ(ads_entlast(unknown), RTNORM);
  EXPECT_EQ(entityKind(unknown), 240) << "an anonymous block's insert";
}

TEST_F(TransferHostTest, BlocksWrappedOutsideAnImportCountOnFromTheTakenNames) {
  ads_name set, callerSet;
  ads_ssadd(nullptr, nullptr, callerSet);
  for (const char* taken : {"M8x20_DIN_912", "m8x20_din_9120"})
    ASSERT_TRUE(host.drawing.defineBlock(taken, {0, 0, 0}, {}));
  const ads_point from = {0, 0, 0}, to = {1, 0, 0};
  resbuf* list = ads_buildlist(RTDXF0, "LINE", 10, from, 11, to, 0);
  ASSERT_EQ(ads_entmake(list), RTNORM);
  ads_relrb(list);
  ads_name line;
  ads_entlast(line);
  ads_ssadd(line, nullptr, set);
  EXPECT_EQ(wrapSelectionInBlock(settings, "M8x20 DIN 912", set, 5, 6, 0.5, callerSet), 1);
  EXPECT_NE(host.drawing.blocks().find("M8x20_DIN_9121"), nullptr);
  ads_ssfree(set);
  ads_ssfree(callerSet);
}

// An import sees only the entries of its own shapes; a node listed twice
// names its later entity; another command's list, or a list that now stands
// where an earlier one stood, is indexed afresh.
TEST_F(TransferHostTest, ShapeReferencesBelongToTheirImportAndCommand) {
  metaObjectC first, second, many;
  std::vector<metaTreeC*> a = nodes(first, "A { } B { }");
  std::vector<metaTreeC*> c = nodes(second, "C { } D { } E { }");
  auto& refs = settings.shapeRefs();
  refs = {{a[0], {1, 0}}, {a[1], {3, 0}}, {a[0], {5, 0}}};
  EXPECT_EQ(found(settings, a[0]), 5);
  EXPECT_EQ(found(settings, nullptr), 0);
  resbuf* ref = hatchBoundaryRef(settings, a[1]);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->restype * 100 + ref->resval.rlname[0], 33003);
  ads_relrb(ref);
  {
    ShapeRefFloor floor(settings);
    EXPECT_EQ(found(settings, a[0]), 0) << "made before the import";
    refs.push_back({a[1], {9, 0}});
    EXPECT_EQ(found(settings, a[1]), 9);
  }
  EXPECT_EQ(found(settings, a[0]), 5);
  InterfaceSettings next;
  EXPECT_EQ(found(next, a[1]), 0);
  next.shapeRefs().push_back({a[1], {7, 0}});
  EXPECT_EQ(found(next, a[1]), 7);
  EXPECT_EQ(found(next, a[0]), 0);
  refs.clear();
  ShapeRefFloor floor(settings);
  refs = {{c[0], {3, 0}}, {c[1], {4, 0}}, {c[2], {5, 0}}};
  EXPECT_EQ(found(settings, c[0]), 3);
  EXPECT_EQ(found(settings, a[0]), 0);

  // Thousands of shapes, looked up while the list grows.
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "S { } ";
  std::vector<metaTreeC*> s = nodes(many, text);
  refs.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    refs.push_back({s[i], {static_cast<int32_t>(i + 1), 0}});
    if (i % 7 == 0) {
      ASSERT_EQ(found(settings, s[i / 2]), static_cast<int32_t>(i / 2 + 1));
      if (i + 1 < s.size()) {
        ASSERT_EQ(found(settings, s[i + 1]), 0);
      }
    }
  }
  for (std::size_t i = 0; i < s.size(); ++i)
    ASSERT_EQ(found(settings, s[i]), static_cast<int32_t>(i + 1));
}

// A figure whose hatches name some of its many shapes, imported from a file
// (which frees every shape no reference names once its entity is made) and
// from a tree the caller keeps (which frees nothing): the same calls, the
// same messages and the same drawing.
struct ImportRun {
  std::string trace, messages, dxf;
};

ImportRun importBoth(const std::string& text, bool fromFile) {
  std::ostringstream out, trace;
  ImportRun run;
  {
    drafthost::Host host(out);
    host.trace = &trace;
    InterfaceSettings settings;
    ads_name set;
    ads_ssadd(nullptr, nullptr, set);
    if (fromFile) {
      const std::string path = ::testing::TempDir() + "freed_items.mf";
      std::ofstream(path, std::ios::binary) << text;
      EXPECT_EQ(importMetafile(settings, path, set, 0, 3.0, 4.0, 30.0), 1);
      std::remove(path.c_str());
    } else {
      metaObjectC doc = readMetaBuffer(text.data(), text.size(), true);
      ShapeRefFloor floor(settings);
      EXPECT_EQ(importFigure(settings, m2dFigureC(doc.node()), set, 1, 3.0, 4.0, 30.0), 1);
    }
    ads_ssfree(set);
    std::ostringstream dxf;
    drafthost::writeDxf(host.drawing, drafthost::DxfOptions{}, dxf);
    run.dxf = dxf.str();
  }
  run.trace = trace.str();
  run.messages = out.str();
  return run;
}

TEST(TransferImport, ShapesFreedDuringTheImportGiveTheSameDrawing) {
  std::string lines;
  for (int i = 0; i < 1000; ++i)
    lines +=
        "LINE { POINT { " + std::to_string(i) + " 0 } POINT { 0 " + std::to_string(i) + " } }\n";
  std::string more;
  for (int i = 0; i < 300; ++i)
    more +=
        "ARC { POINT { 10 0 } POINT { 7.0710678 7.0710678 } POINT { 0 10 } }\n"
        "CIRCLE { POINT { " +
        std::to_string(i) + " 5 } RAD { 2 } }\nTEXT { TEXT { \"t" + std::to_string(i) +
        "\" } POINT { 5 55 } HEIGHT { 3.5 } ANGLE { 0 }\n"
        "  TEXTRELPOS { 7 } TEXTALIGN { 1 } TEXTBW { 30 } TEXTBH { 8 } }\n";
  // 1000 lines of 7 nodes each come before the shapes the hatches name (in
  // pre-order numbers); a text is named too, which no hatch can use.
  std::string hatches =
      "M2DHATCHES {\n"
      "  M2DHATCH { ANGLE { 45 } DISTANCE { 2.5 } M2DHATCHLOOPS {\n"
      "    M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 7025 } } MOREF { REFTRG { 7032 } "
      "}\n"
      "      MOREF { REFTRG { 7039 } } MOREF { REFTRG { 7049 } } MOREF { REFTRG { 7056 } } } } }\n"
      "    M2DHATCHLINES { LINE { POINT { 0 0 } POINT { 1 1 } } } }\n"
      "  M2DHATCH { ANGLE { 0 } DISTANCE { 1 } M2DHATCHLOOPS {\n"
      "    M2DHATCHLOOP { M2DHATCHLOOPSHREFS { MOREF { REFTRG { 7063 } } MOREF { REFTRG { 7079 } "
      "}\n"
      "      MOREF { REFTRG { 7085 } } MOREF { REFTRG { 7103 } } } } }\n"
      "    M2DHATCHLINES { LINE { POINT { 0 0 } POINT { 1 1 } } } }\n"
      "}\n";
  const std::string text =
      "FIGURE {\n  NAME { \"Freed as it goes\" }\n  ANSICHTNO { 1 }\n  GROUP { \"YES\" }\n"
      "  INSERTPOINT { POINT { 120.5, 80 } ROTATION { 10 } }\n  FIGUREPREFS { UNITBASE { 1 } }\n"
      "  FIGURITEMS {\n" +
      lines +
      "    SHAPEATTR { SHAPETYP { 0 } SHAPEWIDTH { 2 } COSMETIC { 0 } }\n"
      "    LINE { POINT { 0 0 } POINT { 60 0 } }\n"
      "    LINE { POINT { 60 0 } POINT { 60 30 } }\n"
      "    ARC { POINT { 60 30 } POINT { 54.1421 44.1421 } POINT { 40 50 } }\n"
      "    LINE { POINT { 40 50 } POINT { 0 50 } }\n"
      "    LINE { POINT { 0 50 } POINT { 0 0 } }\n"
      "    CIRCLE { POINT { 20 25 } RAD { 6.5 } }\n" +
      more + lines + "  }\n" + hatches + "}\n";
  const std::size_t before = metaTreeLiveNodes();
  const ImportRun kept = importBoth(text, false);
  const ImportRun freed = importBoth(text, true);
  EXPECT_EQ(metaTreeLiveNodes(), before);
  EXPECT_GT(kept.dxf.size(), 100000u);
  // The boundaries were found: their entities are named in the hatches.
  EXPECT_NE(kept.trace.find("[330,\""), std::string::npos);
  EXPECT_NE(kept.messages.find("Hatch nicht gefunden!"), std::string::npos);
  EXPECT_EQ(freed.messages, kept.messages);
  EXPECT_EQ(freed.trace, kept.trace);
  EXPECT_EQ(freed.dxf, kept.dxf);
}

}  // namespace
