// References: numbering in the file, resolution after loading, copies.
#include <gtest/gtest.h>

#include "meta/hooks.h"
#include "meta/reader.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

namespace {

metaTreeC* refAt(metaTreeC* root, int nth) {
  int seen = 0;
  metaTreeC* found = nullptr;
  metaWalkPreOrder(root, true, [&](metaTreeC* n) {
    if (n->isIdent("MOREF") && seen++ == nth) found = n;
  });
  return found;
}

}  // namespace

// 1 DRAWING, 2 NAME, 3 "D", 4 ITEMS, 5 LINE, 6 P, 7 1, 8 MOREF, 9 REFTRG, 10 n
constexpr const char* kDrawing =
    "DRAWING { NAME { \"D\" } ITEMS { LINE { P { 1 } } MOREF { REFTRG { %s } } } } TAIL { X }";

std::string drawingWith(const char* n) {
  char buf[256];
  std::snprintf(buf, sizeof buf, kDrawing, n);
  return buf;
}

struct RefCase {
  const char* number;
  const char* target;  // dump of the target, or "" for none
};

class RefResolve : public ::testing::TestWithParam<RefCase> {};

TEST_P(RefResolve, PreOrderNumberOfTheWholeFile) {
  auto p = parse(drawingWith(GetParam().number));
  ASSERT_NE(p->first, nullptr) << p->error;
  metaObjectRefC ref(refAt(p->first, 0));
  metaTreeC* t = ref.target();
  if (*GetParam().target) {
    ASSERT_NE(t, nullptr);
    std::string d;
    metatest::dumpNode(t, d);
    EXPECT_EQ(d, GetParam().target);
  } else {
    EXPECT_EQ(t, nullptr);
    EXPECT_FALSE(ref.targetView<metaObjectC>().isValid());
  }
}

INSTANTIATE_TEST_SUITE_P(Numbers, RefResolve,
                         ::testing::Values(RefCase{"1", "DRAWING"}, RefCase{"2", "NAME"},
                                           RefCase{"3", "\"D\""}, RefCase{"5", "LINE"},
                                           RefCase{"8", "MOREF"}, RefCase{"12", "X"},
                                           RefCase{"5.9", "LINE"}, RefCase{"0", ""},
                                           RefCase{"-3", ""}, RefCase{"13", ""},
                                           RefCase{"1e30", ""}, RefCase{"\"5\"", ""}));

TEST(RefResolve, WithoutHooksNothingResolves) {
  auto p = metatest::parse(drawingWith("5"), false);
  EXPECT_EQ(metaObjectRefC(refAt(p->first, 0)).target(), nullptr);
}

TEST(RefResolve, NumbersCountTheTreeBeforeAnyResolution) {
  // The first MOREF lacks REFTRG (it gets created); the second still counts
  // the file as written: 1 R, 2 MOREF, 3 A, 4 MOREF, 5 REFTRG, 6 3.
  auto p = parse("R { MOREF A MOREF { REFTRG { 3 } } }");
  EXPECT_TRUE(metaObjectRefC(refAt(p->first, 1)).target()->isIdent("A"));
  EXPECT_EQ(metaObjectRefC(refAt(p->first, 0)).target(), nullptr);
}

TEST(RefResolve, TopLevelNodesAfterTheFirstAreNotWalked) {
  auto p = parse("A B { MOREF { REFTRG { 1 } } }");
  EXPECT_EQ(metaObjectRefC(refAt(p->first, 0)).target(), nullptr);
}

TEST(RefUnresolve, TurnsTheTargetBackIntoItsNumber) {
  auto p = parse(drawingWith("5"));
  metaObjectRefC ref(refAt(p->first, 0));
  metaObjectCustomStorageC(ref.node()).storageHook(metaStorageSlot::unresolve);
  EXPECT_EQ(ref.target(), nullptr);
  EXPECT_EQ(metaObjectC(ref.findChild("REFTRG")).getNumber(), 5.0);
  metaNodeIndexTable::instance().clear();
}

const char* kFigure =
    "FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 1 0 } } CIRCLE { RAD { 2 } } }"
    " M2DHATCHES { M2DHATCH { M2DHATCHLOOPS { M2DHATCHLOOP { M2DHATCHLOOPSHREFS {"
    " MOREF { REFTRG { 3 } } MOREF { REFTRG { 10 } } MOREF { REFTRG { 0 } } } } } } } }";

TEST(RefCopy, CopiesRetargetIntoTheCopy) {
  auto p = parse(kFigure);
  ASSERT_NE(p->first, nullptr) << p->error;
  metaTreeC* line = metaObjectRefC(refAt(p->first, 0)).target();
  metaTreeC* circle = metaObjectRefC(refAt(p->first, 1)).target();
  ASSERT_TRUE(line && line->isIdent("LINE"));
  ASSERT_TRUE(circle && circle->isIdent("CIRCLE"));

  metaTreeC* chain = p->first;
  p->first = nullptr;
  metaObjectC owner(chain, true);
  metaObjectC copy(owner);
  ASSERT_NE(copy.node(), owner.node());
  metaTreeC* copyLine = metaObjectRefC(refAt(copy.node(), 0)).target();
  metaTreeC* copyCircle = metaObjectRefC(refAt(copy.node(), 1)).target();
  ASSERT_NE(copyLine, nullptr);
  EXPECT_NE(copyLine, line);
  EXPECT_TRUE(copyLine->isIdent("LINE"));
  EXPECT_EQ(copyLine->parent->parent, copy.node());
  EXPECT_EQ(copyCircle->parent->parent, copy.node());
  EXPECT_EQ(metaObjectRefC(refAt(copy.node(), 2)).target(), nullptr);
  // The source keeps its own targets and no scratch marks remain.
  EXPECT_EQ(metaObjectRefC(refAt(owner.node(), 0)).target(), line);
  EXPECT_EQ(line->tag, 0u);
  EXPECT_EQ(copyLine->tag, 0u);
}

TEST(RefCopy, ReferencesOutsideTheCopiedPartResolveToNone) {
  auto p = parse(kFigure);
  metaTreeC* hatches = metaObjectC(p->first).findChild("M2DHATCHES");
  metaTreeC* copy = metaDeepCopy(hatches, false);
  EXPECT_EQ(metaObjectRefC(refAt(copy, 0)).target(), nullptr);
  metaTreeC::destroy(copy);
}

TEST(RefCopy, PlainCopyWithoutReferencesAndSetTarget) {
  auto p = parse("A { B { 1 } }");
  metaTreeC* c = metaDeepCopy(p->first, true);
  EXPECT_EQ(dump(c), "A{B{1}}");
  metaTreeC::destroy(c);
  metaObjectC a(p->first);
  metaObjectRefC ref(a.addChild("MOREF"));
  EXPECT_TRUE(ref.setTarget(p->first->firstChild));
  EXPECT_EQ(ref.target(), p->first->firstChild);
  EXPECT_FALSE(metaObjectRefC().setTarget(nullptr));
}
