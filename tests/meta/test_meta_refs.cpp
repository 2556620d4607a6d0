// Prototype registries and dispatch by key; references: numbering in the
// file, resolution after loading, turning back into numbers, copies.
#include <gtest/gtest.h>

#include "meta/hooks.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

namespace {

// The n-th MOREF of the tree (pre-order, from 0).
metaObjectRefC refAt(metaTreeC* root, int nth) {
  metaTreeC* found = nullptr;
  metaWalkPreOrder(root, true, [&](metaTreeC* n) {
    if (n->isIdent("MOREF") && nth-- == 0) found = n;
  });
  return metaObjectRefC(found);
}

// The value of a reference's target; "-" when there is none.
std::string targetOf(const metaObjectRefC& ref) {
  const std::string d = ref.target() ? dump(ref.target(), false) : "-";
  return d.substr(0, d.find('{'));
}

}  // namespace

// Of two prototypes for one key the one of higher priority is kept. (Dispatch
// by key is pinned through the geometry and document views of the 2D model.)
TEST(Registry, HigherPriorityWins) {
  metaPrototypeRegistry r;
  auto* first = new metaObjectC;
  EXPECT_TRUE(r.registerPrototype("SQ", std::unique_ptr<metaObjectC>(first), 3));
  EXPECT_FALSE(r.registerPrototype("SQ", std::make_unique<metaObjectC>(), 3) ||
               r.registerPrototype("SQ", std::make_unique<metaObjectC>(), 2) ||
               r.registerPrototype("X", nullptr, 9));
  EXPECT_TRUE(r.lookup("SQ") == first &&
              r.registerPrototype("SQ", std::make_unique<metaObjectC>(), 4));
  EXPECT_TRUE(r.lookup("SQ") != first && r.size() == 1);
  EXPECT_TRUE(!r.lookup("") && !r.lookup("SR") && !r.lookup("B"));
}

// The target is the node with that 1-based pre-order number in the whole
// file, counted before anything is resolved.
TEST(References, ResolveByPreOrderNumber) {
  // 1 DRAWING, 2 NAME, 3 "D", 4 ITEMS, 5 LINE, 6 P, 7 1, 8 MOREF, 9 REFTRG, 10 n, 11 TAIL, 12 X
  const std::string drawing =
      "DRAWING { NAME { \"D\" } ITEMS { LINE { P { 1 } } MOREF { REFTRG { # } } } } TAIL { X }";
  const struct {
    const char* number;
    const char* target;
  } cases[] = {{"1", "DRAWING"}, {"3", "\"D\""},  {"5", "LINE"}, {"8", "MOREF"},
               {"12", "X"},      {"5.9", "LINE"}, {"0", "-"},    {"-3", "-"},
               {"13", "-"},      {"1e30", "-"},   {"\"5\"", "-"}};
  for (const auto& c : cases) {
    std::string text = drawing;
    text.replace(text.find('#'), 1, c.number);
    auto p = parse(text);
    EXPECT_EQ(targetOf(refAt(p->first, 0)), c.target) << c.number;
    EXPECT_EQ(refAt(p->first, 0).targetView<metaObjectC>().isValid(), *c.target != '-');
  }
  EXPECT_EQ(targetOf(refAt(parse("A { MOREF { REFTRG { 1 } } }", false)->first, 0)), "-");
  // A MOREF without REFTRG does not shift the numbers; top-level nodes after
  // the first are not walked.
  auto p = parse("R { MOREF A MOREF { REFTRG { 3 } } } B { MOREF { REFTRG { 1 } } }");
  EXPECT_EQ(
      targetOf(refAt(p->first, 0)) + targetOf(refAt(p->first, 1)) + targetOf(refAt(p->first, 2)),
      "-A-");
}

// Before writing, resolved references turn back into the numbers of their
// targets; setTarget points a reference anywhere (or at none).
TEST(References, UnresolveAndSetTarget) {
  auto p = parse("R { A { 1 } MOREF { REFTRG { 2 } } MOREF { REFTRG { x } } MOREF }");
  metaObjectRefC ref = refAt(p->first, 0);
  EXPECT_EQ(targetOf(ref), "A");
  for (int i = 0; i < 4; ++i) {
    metaObjectCustomStorageC(refAt(p->first, i % 3).node()).storageHook(metaStorageSlot::unresolve);
  }
  EXPECT_EQ(targetOf(ref), "-");
  EXPECT_EQ(dump(p->first), "R{A{1} MOREF{REFTRG{2}} MOREF{REFTRG{x}} MOREF{REFTRG{0}}}");
  EXPECT_TRUE(ref.setTarget(p->first->firstChild) && targetOf(ref) == "A");
  EXPECT_FALSE(refAt(p->first, 1).setTarget(nullptr));  // REFTRG holds no number
  metaObjectRefC fresh(metaObjectC(p->first).addChild("MOREF"));
  EXPECT_TRUE(fresh.storageHook(metaStorageSlot::unresolve) == 0 && fresh.setTarget(nullptr));
  EXPECT_EQ(dump(fresh.node()), "MOREF{REFTRG{0}}");
  EXPECT_EQ(metaObjectRefC().storageHook(metaStorageSlot::resolve), 0);
  metaNodeIndexTable::instance().clear();
}

// Copies point their references at the copies of the targets; targets
// outside the copied part resolve to none; no scratch marks stay behind.
TEST(References, CopiesRetargetIntoTheCopy) {
  metaObjectC owner(
      parse("FIGURE { ITEMS { LINE { P { 0 } } CIRCLE { RAD { 2 } } } HATCH { LOOP {"
            " MOREF { REFTRG { 3 } } MOREF { REFTRG { 6 } } MOREF { REFTRG { 0 } } } } }")
          ->release(),
      true);
  metaTreeC* line = refAt(owner.node(), 0).target();
  metaObjectC copy(owner);
  metaTreeC* copyLine = refAt(copy.node(), 0).target();
  ASSERT_TRUE(line && copyLine && copyLine != line);
  EXPECT_EQ(copyLine->parent->parent, copy.node());
  EXPECT_EQ(refAt(copy.node(), 1).target()->parent->parent, copy.node());
  EXPECT_EQ(targetOf(refAt(copy.node(), 1)) + targetOf(refAt(copy.node(), 2)), "CIRCLE-");
  EXPECT_TRUE(refAt(owner.node(), 0).target() == line && line->tag() + copyLine->tag() == 0);

  metaTreeC* hatch = metaDeepCopy(owner.node()->lastChild(), false);
  EXPECT_EQ(dump(hatch), "HATCH{LOOP{MOREF{REFTRG{0}} MOREF{REFTRG{0}} MOREF{REFTRG{0}}}}");
  EXPECT_EQ(targetOf(refAt(hatch, 0)), "-");
  metaTreeC::destroy(hatch);
  metaTreeC* plain = metaDeepCopy(owner.node()->firstChild, false);  // no reference inside
  EXPECT_EQ(dump(plain), "ITEMS{LINE{P{0}} CIRCLE{RAD{2}}}");
  metaTreeC::destroy(plain);
  EXPECT_EQ(metaDeepCopy(nullptr, true), nullptr);
}

namespace {

// Notes the first child of every ORDER node it is run for.
std::vector<std::string> resolvedOrder;

class OrderProbeC : public metaObjectCustomStorageC {
 public:
  int storageHook(metaStorageSlot slot) const override {
    if (slot == metaStorageSlot::resolve) resolvedOrder.push_back(dump(node()->firstChild, false));
    return 0;
  }
};

}  // namespace

// Load hooks run over the first top-level item in post-order, also when an
// item has several blocks (the later ones go in front of the earlier ones).
TEST(References, LoadHooksRunInPostOrder) {
  metaLoadHookRegistry().registerPrototype("ORDER", std::make_unique<OrderProbeC>(), 1);
  for (const char* text :
       {"R { ORDER { a } X { ORDER { b } ORDER { c ORDER { d } } } ORDER { e } } ORDER { f }",
        "ORDER { a }", "R { ORDER { a } { ORDER { b } } } ORDER { x }",
        "R { X { ORDER { p } } { ORDER { q } } ORDER { r } }", "ORDER { ORDER { ORDER { z } } }"}) {
    resolvedOrder.clear();
    auto p = parse(text);
    std::vector<std::string> want;
    metaWalkPostOrder(p->first, false, [&](metaTreeC* n) {
      if (n->isIdent("ORDER")) want.push_back(dump(n->firstChild, false));
    });
    EXPECT_EQ(resolvedOrder, want) << text;
    EXPECT_FALSE(want.empty()) << text;
  }
}
