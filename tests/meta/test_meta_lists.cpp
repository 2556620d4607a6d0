// Cached list lookup and typed lists.
#include <gtest/gtest.h>

#include "meta/containers.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

TEST_TREE(ListCache, CountsOnlyItsKey, "ITEMS { FIGURE { 1 } NAME FIGURE { 2 } X FIGURE { 3 } }") {
  metaObjListContainerC list(tree);
  EXPECT_EQ(list.count("FIGURE"), 3u);
  EXPECT_EQ(metaObjectC(list.item("FIGURE", 1)).getNumber(), 2.0);
  EXPECT_EQ(list.item("FIGURE", 3), nullptr);
  EXPECT_EQ(list.count("NAME"), 1u);  // a second key does not reuse the first's cache
  EXPECT_EQ(list.count("none"), 0u);
  EXPECT_EQ(metaObjListContainerC().count("FIGURE"), 0u);
}

TEST_TREE(ListCache, RescansAfterAnyTreeChange, "ITEMS { FIGURE { 1 } FIGURE { 2 } }") {
  metaObjListContainerC list(tree);
  metaTreeC* second = list.item("FIGURE", 1);
  ASSERT_NE(second, nullptr);
  // A change in an unrelated tree makes the cache stale too.
  auto other = parse("OTHER");
  other->first->appendChild(metaTreeC::makeIdent("x"));
  // Insert a FIGURE before the second one: item 1 is now the new node.
  second->insertBefore(metaTreeC::makeIdent("FIGURE"));
  EXPECT_NE(list.item("FIGURE", 1), second);
  EXPECT_EQ(list.item("FIGURE", 2), second);
  EXPECT_EQ(list.count("FIGURE"), 3u);
}

TEST_TREE(ListCache, EnsureAppendsEmptyItems, "L { P A P }") {
  metaObjListContainerC list(tree);
  EXPECT_TRUE(list.ensure("P", 4));
  EXPECT_EQ(dump(tree), "L{P A P P P}");
  EXPECT_TRUE(list.ensure("P", 1));
  EXPECT_EQ(list.count("P"), 4u);
}

TEST(ListCache, IndexedLoopOverLongListIsLinear) {
  std::string text = "L {";
  for (int i = 0; i < 200000; ++i) text += " P { 1 } X";
  auto p = parse(text + " }");
  metaTypedListC<metaObjectC> list("P", p->first);
  double sum = 0;
  for (std::size_t i = 0; i < list.count(); ++i) sum += list.item(i).getNumber();
  EXPECT_EQ(sum, 200000.0);
}

TEST_TREE(TypedList, HandsOutViews, "H { M2DHATCH { ANGLE { 45 } } M2DHATCH { ANGLE { 30 } } }") {
  metaTypedListC<metaObjectC> hatches("M2DHATCH", tree);
  ASSERT_EQ(hatches.count(), 2u);
  EXPECT_EQ(hatches.item(1).attr("ANGLE").getNumber(), 30.0);
  EXPECT_FALSE(hatches.item(2).isValid());
  EXPECT_FALSE(hatches.item(2).isOwned());
  EXPECT_EQ(hatches.itemNode(0), tree->firstChild);
}
