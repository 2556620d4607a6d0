// Tree links, change counting, copies and walks.
#include <gtest/gtest.h>

#include <vector>

#include "meta/tree.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

namespace {

metaTreeC* chainOf(std::initializer_list<const char*> keys) {
  metaTreeC* first = nullptr;
  metaTreeC* last = nullptr;
  for (const char* k : keys) {
    metaTreeC* n = metaTreeC::makeIdent(k);
    if (last) {
      last->insertAfter(n);
    } else {
      first = n;
    }
    last = n;
  }
  return first;
}

}  // namespace

TEST(TreeLinks, EveryOperationKeepsTheChainAndCounts) {
  auto p = parse("R { b }");
  metaTreeC* r = p->first;
  metaTreeC* b = r->firstChild;

  metaTreeC* xy = chainOf({"x", "y"});
  metaTreeC* z = chainOf({"z"});
  metaTreeC* a = chainOf({"a"});
  metaTreeC* cd = chainOf({"c", "d"});
  std::uint32_t before = metaTreeChangeCount;
  EXPECT_TRUE(r->prependChildren(xy));
  EXPECT_TRUE(r->appendChild(z));
  EXPECT_TRUE(b->insertBefore(a));
  EXPECT_TRUE(b->insertAfter(cd));
  EXPECT_EQ(dump(r), "R{x y a b c d z}");
  EXPECT_EQ(metaTreeChangeCount - before, 4u);

  for (metaTreeC* c = r->firstChild; c; c = c->next) {
    EXPECT_EQ(c->parent, r);
    if (c->next) {
      EXPECT_EQ(c->next->prev, c);
    }
  }
  EXPECT_EQ(r->firstChild->prev, nullptr);
  EXPECT_EQ(r->childCount(), 7u);
  EXPECT_EQ(r->firstChild->nthSibling(3), b);
  EXPECT_EQ(r->firstChild->nthSibling(7), nullptr);
  EXPECT_TRUE(r->lastChild()->isIdent("z"));

  before = metaTreeChangeCount;
  b->detach();
  EXPECT_EQ(dump(r), "R{x y a c d z}");
  EXPECT_EQ(b->parent, nullptr);
  metaTreeC::destroy(b);
  metaTreeC* x = r->firstChild;
  x->detach();  // first child: the parent's link moves on
  metaTreeC::destroy(x);
  EXPECT_EQ(dump(r), "R{y a c d z}");
  r->removeChildren();
  EXPECT_EQ(r->firstChild, nullptr);
  EXPECT_GE(metaTreeChangeCount - before, 3u);
}

TEST(TreeLinks, RefusesChainsThatAreNotFree) {
  auto p = parse("R { a b }");
  metaTreeC* a = p->first->firstChild;
  EXPECT_FALSE(p->first->appendChild(a->next));  // still linked
  EXPECT_FALSE(p->first->appendChild(nullptr));
  EXPECT_FALSE(a->insertAfter(a));
  EXPECT_EQ(dump(p->first), "R{a b}");
}

TEST(TreeDestroy, DestroyingAMiddleNodeCutsTheChainThere) {
  auto p = parse("R { a b c }");
  metaTreeC::destroy(p->first->firstChild->next);  // b and everything after it
  EXPECT_EQ(dump(p->first), "R{a}");
  metaTreeC::destroy(p->first->firstChild);
  EXPECT_EQ(p->first->firstChild, nullptr);
}

TEST(TreeCopy, CopiesValuesTagsAndPositions) {
  auto p = parse("A { 1 \"s\" B { x } } C");
  p->first->tag = 7;
  metaTreeC* one = p->first->copy();
  EXPECT_EQ(dump(one), "A{1 \"s\" B{x}}");
  EXPECT_EQ(one->next, nullptr);
  EXPECT_EQ(one->tag, 7u);
  EXPECT_EQ(one->firstChild->value.line, 1);
  EXPECT_EQ(one->firstChild->parent, one);
  metaTreeC* all = p->first->copyChain();
  EXPECT_EQ(dump(all), "A{1 \"s\" B{x}} C");
  metaTreeC::destroy(one);
  metaTreeC::destroy(all);
}

TEST(TreeWalk, PreAndPostOrder) {
  auto p = parse("A { B { 1 } C } D { 2 }");
  std::string pre, post;
  metaWalkPreOrder(p->first, true, [&](metaTreeC* n) { metatest::dumpNode(n, pre); });
  metaWalkPostOrder(p->first, true, [&](metaTreeC* n) { metatest::dumpNode(n, post); });
  EXPECT_EQ(pre, "AB1CD2");
  EXPECT_EQ(post, "1BCA2D");
  std::string firstOnly;
  metaWalkPostOrder(p->first, false, [&](metaTreeC* n) { metatest::dumpNode(n, firstOnly); });
  EXPECT_EQ(firstOnly, "1BCA");
}

TEST(TreeValue, SettingAnotherKindDropsTheText) {
  metaValueC v;
  EXPECT_TRUE(v.isNone());
  EXPECT_EQ(v.line, -1);
  v.setString("abc");
  v.setNumber(2.5);
  EXPECT_TRUE(v.isNumber());
  EXPECT_EQ(v.text(), "");
  EXPECT_EQ(v.number(), 2.5);
  v.setIdent("K");
  EXPECT_EQ(v.number(), 0.0);
  EXPECT_EQ(v.text(), "K");
}
