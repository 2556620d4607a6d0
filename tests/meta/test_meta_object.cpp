// Views: binding and ownership, children, typed attributes, vectors, blobs.
#include <gtest/gtest.h>

#include <cstring>

#include "meta/containers.h"
#include "meta/object.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

TEST(ViewEmpty, AnswersDefaultsAndChangesNothing) {
  metaObjectC v;
  bool found = true;
  EXPECT_FALSE(v.isValid());
  EXPECT_EQ(v.keyName(), "");
  EXPECT_FALSE(v.isKey("A"));
  EXPECT_EQ(v.child("A"), nullptr);
  EXPECT_EQ(v.findChild("A"), nullptr);
  EXPECT_EQ(v.childAt(0), nullptr);
  EXPECT_EQ(v.childCount(), 0u);
  EXPECT_EQ(v.addChild("A"), nullptr);
  EXPECT_EQ(v.getNumber(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(v.getString(&found), "");
  EXPECT_FALSE(v.setNumber(1));
  EXPECT_EQ(v.children().node(), nullptr);
  double pt[2] = {5, 5};
  v.readPoint2d(pt, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(pt[0], 0.0);
  EXPECT_EQ(v.search(metaNodeCompareKeyC("A"), 3), nullptr);
  v.detach(true);
  EXPECT_EQ(v.readBlob(pt, sizeof pt), -1);
}

TEST_TREE(ViewChildren, FindsByKeyAndIterates, "S { A { 1 } B A { 2 } C { D { E } } }") {
  metaObjectC s(tree);
  EXPECT_TRUE(s.isKey("S"));
  EXPECT_FALSE(s.isKey(static_cast<const char*>(nullptr)));
  EXPECT_EQ(s.keyName(), "S");
  EXPECT_EQ(s.childCount(), 4u);
  EXPECT_EQ(s.findChild("A"), s.childAt(0));  // the first occurrence counts
  EXPECT_TRUE(s.childAt(3)->isIdent("C"));
  EXPECT_EQ(s.childAt(4), nullptr);

  metaNodeIterC it = s.children();
  int steps = 0;
  while (it.next()) ++steps;
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(it.node()->isIdent("C"));  // stays put at the last

  metaObjectC e(s.search(metaNodeCompareKeyC("E"), 2));
  EXPECT_TRUE(e.isKey("E"));
  EXPECT_EQ(s.search(metaNodeCompareKeyC("E"), 1), nullptr);
  EXPECT_EQ(e.findAncestor("C"), s.childAt(3));
  EXPECT_EQ(e.findAncestor("S"), tree);
  EXPECT_EQ(e.findAncestor("A"), nullptr);
}

TEST_TREE(ViewChildren, AddAndAppend, "S { A }") {
  metaObjectC s(tree);
  metaTreeC* v = metaTreeC::makeNumber(3);
  s.addChild("N", v);
  s.addChild("M", v, true);
  s.addChild("E");
  s.appendChild(s.childAt(0), true);
  EXPECT_EQ(dump(tree), "S{A N{3} M{3} E A}");
  s.removeChildren();
  EXPECT_EQ(dump(tree), "S");
}

// Missing attributes yield defaults and leave an empty key behind.
TEST_TREE(ViewAttributes, GettersCreateMissingKeys, "CIRCLE { POINT { 1 2 } } NAME { 12 }") {
  metaObjectC circle(tree);
  bool found = true;
  EXPECT_EQ(circle.attr("RAD").getNumber(&found), 0.0);
  EXPECT_FALSE(found);
  EXPECT_EQ(dump(tree), "CIRCLE{POINT{1 2} RAD} NAME{12}");

  metaObjectC name(tree->next);
  EXPECT_EQ(name.getString(&found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(name.getNumber(&found), 12.0);
  EXPECT_TRUE(found);
}

struct TypedCase {
  const char* text;
  double number;
  int integer;
  const char* string;
  const char* ident;
};

// Printed by its fields: as raw bytes the padding would be uninitialised.
void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << c.text;
}

class ViewTyped : public ::testing::TestWithParam<TypedCase> {};

TEST_P(ViewTyped, ReadsOnlyTheRightKind) {
  auto p = parse(GetParam().text);
  metaObjectC k(p->first);
  EXPECT_EQ(k.getNumber(), GetParam().number);
  EXPECT_EQ(k.getInt(), GetParam().integer);
  EXPECT_EQ(k.getString(), GetParam().string);
  EXPECT_EQ(k.getIdent(), GetParam().ident);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ViewTyped,
    ::testing::Values(TypedCase{"K { 2.9 }", 2.9, 2, "", ""},
                      TypedCase{"K { -2.9 }", -2.9, -2, "", ""},
                      TypedCase{"K { \"s\" 1 }", 0, 0, "s", ""},
                      TypedCase{"K { ID }", 0, 0, "", "ID"}, TypedCase{"K", 0, 0, "", ""},
                      TypedCase{"K { 1e300 }", 1e300, 2147483647, "", ""},
                      TypedCase{"K { -1e300 }", -1e300, -2147483647 - 1, "", ""}));

TEST_TREE(ViewAttributes, SettersRespectTheKind, "S { N { 1 } T { \"a\" } I { x } E }") {
  metaObjectC s(tree);
  metaObjectC n = s.attr("N"), t = s.attr("T"), i = s.attr("I"), e = s.attr("E");
  int line = n.node()->firstChild->value.line;
  EXPECT_TRUE(n.setNumber(5));
  EXPECT_EQ(n.node()->firstChild->value.line, line);  // position kept
  EXPECT_FALSE(t.setNumber(5));                       // another kind stays
  EXPECT_TRUE(t.setString("b"));
  EXPECT_FALSE(n.setString("x"));
  EXPECT_TRUE(n.setIdent("Q"));  // setIdent replaces any kind
  EXPECT_TRUE(e.setInt(7));      // no value yet: created in front
  EXPECT_TRUE(i.setIdent("y"));
  EXPECT_EQ(dump(tree), "S{N{Q} T{\"b\"} I{y} E{7}}");
}

TEST_TREE(ViewAttributes, SetIdentLeavesNoneKind, "K") {
  tree->prependChildren(metaTreeC::makeNone());
  EXPECT_FALSE(metaObjectC(tree).setIdent("x"));
}

TEST_TREE(ViewVectors, PointsNeedExactCounts, "A { 1 2 } B { 1 2 3 } C { 1 \"2\" } D") {
  double p[3];
  bool found = false;
  metaObjectC(tree).readPoint2d(p, &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(p[1], 2.0);
  metaObjectC(tree->next).readPoint2d(p, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(p[0], 0.0);
  metaObjectC(tree->next).readPoint3d(p, &found);
  EXPECT_TRUE(found);
  metaObjectC(tree->next->next).readPoint2d(p, &found);
  EXPECT_FALSE(found);
  double m[16];
  metaObjectC(tree->next->next->next).readMatrix(m, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(m[0], 1.0);
  EXPECT_EQ(m[1], 0.0);
  EXPECT_EQ(m[15], 1.0);
}

TEST_TREE(ViewVectors, WriteAndScale, "A { 1 \"s\" }") {
  metaObjectC a(tree);
  a.scaleNumbers(2);  // strings are not numbers and stay
  EXPECT_EQ(dump(tree), "A{2 \"s\"}");
  double v[16];
  for (int i = 0; i < 16; ++i) v[i] = i;
  a.writeVector(v, 16);
  double m[16];
  bool found = false;
  a.readMatrix(m, &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(m[15], 15.0);
  EXPECT_EQ(a.readNumbers().size(), 16u);
}

TEST(ViewBlob, RoundTripsAndRefusesBadSizes) {
  EXPECT_EQ(metaEncodeBlob("\x00\x00\x00", 3), "0000");
  EXPECT_EQ(metaEncodeBlob("\xff", 1), ";M");  // 111111 11(0000)
  auto p = parse("S { OLD }");
  metaObjectC s(p->first);
  unsigned char bytes[5] = {1, 2, 250, 0, 77};
  ASSERT_TRUE(s.storeBlob(9, bytes, sizeof bytes));
  EXPECT_EQ(s.findChild("OLD"), nullptr);
  EXPECT_EQ(s.attr("DATA").getString().size(), 7u);  // ceil(4*5/3)
  unsigned char out[8] = {};
  int code = 0;
  EXPECT_EQ(s.readBlob(out, sizeof out, &code), 5);
  EXPECT_EQ(code, 9);
  EXPECT_EQ(std::memcmp(out, bytes, 5), 0);
  EXPECT_EQ(s.readBlob(out, 4), -1);  // larger than the buffer
  s.attr("SIZE").setNumber(0);
  EXPECT_EQ(s.readBlob(out, sizeof out), -1);
}

TEST(ViewOwnership, OwningViewsCopyDeepAndFree) {
  auto p = parse("A { 1 } B");
  metaTreeC* chain = p->first;
  p->first = nullptr;
  metaObjectC owner(chain, true);
  metaObjectC shared = owner.node() ? metaObjectC(owner.node()) : metaObjectC();
  EXPECT_FALSE(shared.isOwned());
  metaObjectC copy(owner);
  EXPECT_TRUE(copy.isOwned());
  EXPECT_NE(copy.node(), owner.node());
  EXPECT_EQ(dump(copy.node()), "A{1} B");  // following siblings come along
  metaObjectC assigned;
  assigned = copy;
  EXPECT_EQ(dump(assigned.node()), "A{1} B");
  assigned = assigned;  // self-assignment does nothing
  EXPECT_EQ(dump(assigned.node()), "A{1} B");
  metaObjectC moved(std::move(assigned));
  EXPECT_TRUE(moved.isOwned());
  EXPECT_FALSE(assigned.isValid());
  moved.bind(nullptr, false);  // frees the old tree (checked by the sanitizers)
}

TEST_TREE(ViewOwnership, DetachTakesOwnership, "S { A { 1 } B }") {
  metaObjectC a(tree->firstChild);
  a.detach(true);
  EXPECT_TRUE(a.isOwned());
  EXPECT_EQ(dump(tree), "S{B}");
  EXPECT_EQ(a.node()->parent, nullptr);
}

// --- Key containers

TEST_TREE(KeyContainer, FindsAndCreates, "S { A B A C }") {
  metaObjKeyContainerC s(tree);
  EXPECT_EQ(s.find("A"), tree->firstChild);
  EXPECT_EQ(s.find("Z"), nullptr);
  EXPECT_NE(s.get("Z"), nullptr);
  EXPECT_EQ(s.keys(), (std::vector<std::string>{"A", "B", "C", "Z"}));
  EXPECT_TRUE(s.getView<metaObjectC>("B").isKey("B"));
}
