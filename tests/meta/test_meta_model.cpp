// Tree links and copies; views (children, typed attributes, vectors,
// blobs, ownership); key and list containers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "meta/containers.h"
#include "meta/hooks.h"
#include "meta_test_support.h"

using metatest::dump;
using metatest::parse;

// A free chain of nodes, e.g. chain("x y").
static metaTreeC* chain(const char* text) {
  return parse(text)->release();
}

// Each link operation keeps parents and both sibling directions right and
// counts as one change; chains that are not free are refused untouched.
TEST(Tree, LinkOperations) {
  auto p = parse("R { b }");
  metaTreeC *r = p->first, *b = r->firstChild, *xy = chain("x y"), *cd = chain("c d");
  const std::uint32_t before = metaTreeChangeCount;
  // insertBefore the first child, then in the middle.
  EXPECT_TRUE(b->insertBefore(chain("a")) && r->prependChildren(xy) && r->appendChild(chain("z")) &&
              b->insertAfter(cd) && b->insertBefore(chain("m")));
  EXPECT_EQ(metaTreeChangeCount - before, 5u);
  EXPECT_EQ(dump(r), "R{x y a m b c d z}");
  for (metaTreeC* c = r->firstChild; c; c = c->next) {
    EXPECT_TRUE(c->parent == r && (c->prev ? c->prev->next : r->firstChild) == c);
  }
  EXPECT_TRUE(r->childCount() == 8 && r->firstChild->nthSibling(4) == b);
  EXPECT_TRUE(!r->firstChild->nthSibling(8) && r->lastChild()->isIdent("z"));

  EXPECT_FALSE(r->appendChild(b) || r->insertAfter(nullptr) || b->insertBefore(b));  // not free
  for (metaTreeC* gone : {b, r->firstChild}) {  // the first child: the parent's link moves on
    gone->detach();
    metaTreeC::destroy(gone);
  }
  EXPECT_EQ(dump(r), "R{y a m c d z}");
  metaTreeC::destroy(r->firstChild->nthSibling(3));  // cuts the chain there
  EXPECT_EQ(dump(r), "R{y a m}");
  r->removeChildren();
  EXPECT_EQ(dump(r), "R");
}

// Copies keep values (long texts too), tag words and lines.
TEST(Tree, CopiesAndValues) {
  auto p = parse("A { 1 \"a text too long to live in place\" B { x } } C");
  p->first->setTag(7);
  metaTreeC *one = p->first->copy(), *all = p->first->copyChain();
  EXPECT_EQ(dump(one), "A{1 \"a text too long to live in place\" B{x}}");
  EXPECT_EQ(dump(all), dump(p->first));
  EXPECT_TRUE(one->tag() == 7 && one->firstChild->value.line == 1 &&
              one->lastChild()->firstChild->parent == one->lastChild());
  metaTreeC::destroy(one);
  metaTreeC::destroy(all);
}

// Reference targets and tag words read back as set, follow copies and are
// dropped with their node.
TEST(Tree, TargetsAndTagsOutsideTheNode) {
  auto p = parse("A { B C }");
  metaTreeC *a = p->first, *b = a->firstChild, *c = b->next;
  EXPECT_TRUE(!b->refTarget() && b->tag() == 0);
  b->setRefTarget(nullptr);
  b->setTag(0);
  EXPECT_TRUE(!b->refTarget() && b->tag() == 0);
  b->setRefTarget(c);
  c->setTag(3);
  b->setRefResolved(true);
  EXPECT_TRUE(b->refTarget() == c && b->refTarget()->tag() == 3 && c->refTarget() == nullptr);
  metaTreeC* copy = a->copy();
  const metaTreeC* copyB = copy->firstChild;
  EXPECT_TRUE(copyB->refResolved() && copyB->refTarget() == c && copyB->next->tag() == 3);
  metaTreeC::destroy(copy);
  b->setRefTarget(a);
  c->setTag(0);
  EXPECT_TRUE(b->refTarget() == a && c->tag() == 0 && b->tag() == 0);
}

// Texts of every length survive setting, copying and setting from themselves,
// whether they sit in place, in the shared table or on the heap.
TEST(Tree, TextsOfEveryLength) {
  const std::string texts[] = {"",
                               "8 bytes!",
                               "nine byte",
                               std::string(64, 'k'),
                               std::string(65, 'h'),
                               std::string("with\0nul", 9),
                               std::string(65534, 'y'),
                               std::string(65535, 'z'),
                               std::string(100000, 'x')};
  for (const std::string& t : texts) {
    metaValueC v;
    v.setIdent(t);
    metaValueC copy(v), assigned;
    assigned.setString("something else, long enough to be shared");
    assigned = v;
    EXPECT_TRUE(v.isIdent() && v.text() == t && copy.isIdent() && copy.text() == t &&
                assigned.isIdent() && assigned.text() == t)
        << t.size();
    v.setString(v.text());
    const metaValueC& same = copy;
    copy = same;
    EXPECT_TRUE(v.isString() && v.text() == t && copy.text() == t) << t.size();
    v.setNumber(2.5);
    EXPECT_TRUE(v.text().empty() && v.number() == 2.5 && assigned.text() == t);
  }
}

// A big tree freed in file order, part by part, as an import does: the live
// count follows, what is left stays intact, a new read fills the freed room
// and nodes freed out of order are reused.
TEST(Tree, NodesFreedInFileOrderAndReadAgain) {
  const std::size_t before = metaTreeLiveNodes();
  std::string text = "ITEMS {";
  for (int i = 0; i < 30000; ++i) text += " P { " + std::to_string(i) + " }";
  text += " }";
  auto big = parse(text);
  ASSERT_TRUE(big->first) << big->error;
  EXPECT_EQ(metaTreeLiveNodes() - before, 1u + 2u * 30000u);

  // The first two thirds go, one item after the other.
  for (int i = 0; i < 20000; ++i) {
    metaTreeC* item = big->first->firstChild;
    item->detach();
    metaTreeC::destroy(item);
  }
  EXPECT_EQ(metaTreeLiveNodes() - before, 1u + 2u * 10000u);
  EXPECT_EQ(big->first->childCount(), 10000u);
  EXPECT_EQ(big->first->firstChild->firstChild->value.number(), 20000.0);

  // Read again while the rest is alive; then every other item of the rest
  // goes and new nodes take their places.
  auto again = parse(text);
  ASSERT_TRUE(again->first) << again->error;
  EXPECT_EQ(dump(again->first->firstChild->nthSibling(29999)), "P{29999}");
  for (metaTreeC* item = big->first->firstChild; item && item->next; item = item->next) {
    metaTreeC* gone = item->next;
    gone->detach();
    metaTreeC::destroy(gone);
  }
  EXPECT_EQ(big->first->childCount(), 5000u);
  for (metaTreeC* item = big->first->firstChild; item; item = item->next)
    item->appendChild(metaTreeC::makeIdent("NEW"));
  EXPECT_EQ(dump(big->first->firstChild->nthSibling(4999)), "P{29998 NEW}");
  EXPECT_EQ(dump(again->first->firstChild, false), "P{0}");
  EXPECT_EQ(again->first->subtreeCount(), 1u + 2u * 30000u);

  big.reset();
  again.reset();
  EXPECT_EQ(metaTreeLiveNodes(), before);
}

// An empty view answers null, 0 or a default to everything and changes nothing.
TEST(View, EmptyViewsAnswerDefaults) {
  metaObjectC v;
  metaObjListContainerC list;
  metaObjKeyContainerC keys;
  double pt[2] = {5, 5};
  bool f[5] = {true, true, true, true, true};
  const struct {
    const char* name;
    bool ok;
  } cases[] = {
      {"changes", (v.removeChildren(), v.scaleNumbers(2), v.detach(true), !v.isValid())},
      {"binding", !v.isValid() && !v.isOwned() && v.keyName().empty() && !v.isKey("A")},
      {"children", !v.children().node() && !v.childAt(0) && v.childCount() == 0},
      {"lookups", !v.findChild("A") && !v.findAncestor("A") && !v.search(metaNodeCompareKeyC(""))},
      {"additions", !v.attr("A").isValid() && !v.addChild("A") && !v.appendChild(nullptr)},
      {"getters", v.getNumber(&f[0]) == 0.0 && v.getInt(&f[1]) == 0 && v.getString(&f[2]).empty() &&
                      v.getIdent(&f[3]).empty() && !f[0] && !f[1] && !f[2] && !f[3]},
      {"setters", !v.setNumber(1) && !v.setString("s") && !v.setIdent("i")},
      {"vectors", (v.readPoint2d(pt, &f[4]), pt[0] == 0.0 && !f[4]) && v.readNumbers().empty() &&
                      !v.writeVector(pt, 2)},
      {"blobs", !v.storeBlob(1, pt, 1) && v.readBlob(pt, sizeof pt) == -1},
      {"list", list.count("P") == 0 && !list.item("P", 0) && !list.ensure("P", 1)},
      {"key container", keys.keys().empty() && !keys.get("A") && !keys.find("A")},
      {"reference", !metaObjectRefC().target() && !metaObjectRefC().setTarget(nullptr)},
  };
  for (const auto& c : cases) EXPECT_TRUE(c.ok) << c.name;
}

TEST(View, ChildrenSearchAndAdditions) {
  auto p = parse("S { A { 1 } B A { 2 } C { D { E } } } 5");
  metaObjectC s(p->first);
  EXPECT_TRUE(s.keyName() == "S" && metaObjectC(p->first->next).keyName().empty());
  EXPECT_TRUE(s.findChild("A") == s.childAt(0) && !s.childAt(4));  // the first A counts
  EXPECT_FALSE(metaObjectC(s.childAt(1)).childAt(0) || s.isKey(static_cast<const char*>(nullptr)));
  metaNodeIterC it = s.children();
  int steps = 0;
  while (it.next()) ++steps;
  EXPECT_TRUE(steps == 3 && it.node()->isIdent("C"));  // stays put at the last
  metaObjectC e(s.search(metaNodeCompareKeyC("E"), 2));
  EXPECT_TRUE(e.isKey("E") && !s.search(metaNodeCompareKeyC("E"), 1));
  EXPECT_EQ(s.search(metaNodeCompareKeyC("Z"), 9), nullptr);
  EXPECT_TRUE(e.findAncestor("C") == s.childAt(3) && e.findAncestor("S") == p->first);
  EXPECT_EQ(e.findAncestor("A"), nullptr);

  metaTreeC* three = metaTreeC::makeNumber(3);
  s.removeChildren();
  s.addChild("N", three);
  s.addChild("M", three, true);
  s.addChild("L", three);  // a linked value is not taken
  s.addChild("E");
  EXPECT_NE(s.appendChild(s.childAt(0), true), nullptr);
  EXPECT_EQ(s.appendChild(s.childAt(0)), nullptr);
  EXPECT_TRUE(s.appendChild(chain("F"))->isIdent("F"));
  EXPECT_EQ(dump(p->first), "S{N{3} M{3} L E N{3} F} 5");
}

// Getters read the first child of their own kind; anything else is the
// default with found false. Integers are truncated and clamped.
TEST(View, TypedGetters) {
  const struct {
    const char* text;
    const char* values;  // number int 'string' 'ident', then the three found flags
  } cases[] = {{"K { -2.9 }", "-2.9 -2 '' '' 100"},
               {"K { 1e300 }", "1e+300 2147483647 '' '' 100"},
               {"K { -1e300 }", "-1e+300 -2147483648 '' '' 100"},
               {"K { \"s\" 1 }", "0 0 's' '' 010"},
               {"K { ID }", "0 0 '' 'ID' 001"}};
  for (const auto& c : cases) {
    auto p = parse(c.text);
    metaObjectC k(p->first);
    bool n, s, i;
    std::ostringstream got;
    got << k.getNumber(&n) << ' ' << k.getInt() << " '" << k.getString(&s) << "' '"
        << k.getIdent(&i) << "' " << n << s << i;
    EXPECT_EQ(got.str(), c.values) << c.text;
  }
  auto p = parse("K { 0 }");
  metaObjectC(p->first).setNumber(std::nan(""));
  EXPECT_EQ(metaObjectC(p->first).getInt(), 0);
}

// Setters: a missing value is put in front; a value of another kind stays
// (only setIdent replaces any kind but none); a missing key is created.
TEST(View, SettersKeepTheKind) {
  auto p = parse("S { N { 1 } T { \"a\" } I { x } E }");
  metaObjectC s(p->first);
  metaObjectC n = s.attr("N"), t = s.attr("T"), i = s.attr("I"), e = s.attr("E");
  EXPECT_TRUE(n.setNumber(5) && t.setString("b") && e.setInt(7) && i.setIdent("y"));
  EXPECT_EQ(n.node()->firstChild->value.line, 1);  // position kept
  EXPECT_FALSE(t.setNumber(5) || n.setString("x"));
  EXPECT_TRUE(n.setIdent("Q") && s.attr("NEW").setString("n"));
  EXPECT_EQ(dump(p->first), "S{N{Q} T{\"b\"} I{y} E{7} NEW{\"n\"}}");
  e.node()->firstChild->value.setNone();
  EXPECT_FALSE(e.setIdent("x"));
}

// Points and matrices need exactly their count of numbers (else zeros or the
// identity); only numbers are scaled; a vector replaces all children.
TEST(View, NumericVectors) {
  auto p = parse("A { 1 2 } B { 1 2 3 } C { 1 \"2\" } D");
  metaObjectC a(p->first), b(a.node()->next), c(b.node()->next), d(c.node()->next);
  double v[16];
  bool f[4];
  a.readPoint2d(v, &f[0]);
  b.readPoint2d(v + 2, &f[1]);
  b.readPoint3d(v + 4, &f[2]);
  a.readPoint3d(v + 7, &f[3]);
  c.readPoint2d(v + 10);
  EXPECT_EQ(std::vector<double>(v, v + 12),
            std::vector<double>({1, 2, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(f[0] && !f[1] && f[2] && !f[3] && c.readNumbers().empty());
  d.readMatrix(v);
  EXPECT_EQ(std::vector<double>(v, v + 6), std::vector<double>({1, 0, 0, 0, 0, 1}));
  c.scaleNumbers(2);
  EXPECT_EQ(dump(c.node(), false), "C{2 \"2\"}");
  for (int i = 0; i < 16; ++i) v[i] = i;
  d.writeVector(v, 16);
  d.readMatrix(v, &f[0]);
  EXPECT_TRUE(f[0] && d.readNumbers().at(15) == 15.0);
}

TEST(View, BlobsRoundTripAndRefuseBadSizes) {
  EXPECT_EQ(metaEncodeBlob("\0\0\0", 3) + metaEncodeBlob("\xff", 1), "0000;M");  // 111111 11(0000)
  unsigned char out[8] = {};
  EXPECT_EQ(metaDecodeBlob("000~", out, 2), 2u);  // the buffer limits; ~ decodes as 0
  auto p = parse("S { OLD }");
  metaObjectC s(p->first);
  const unsigned char bytes[5] = {1, 2, 250, 0, 77};
  ASSERT_TRUE(s.storeBlob(9, bytes, sizeof bytes));
  EXPECT_EQ(dump(s.node()), "S{CODE{9} SIZE{5} DATA{\"0gbW04Q\"}}");
  int code = 0;
  EXPECT_TRUE(s.readBlob(out, sizeof out, &code) == 5 && code == 9 && !std::memcmp(out, bytes, 5));
  EXPECT_EQ(s.readBlob(out, 4), -1);  // larger than the buffer
  s.attr("SIZE").setNumber(0);
  EXPECT_EQ(s.readBlob(out, sizeof out), -1);
}

// Copying an owning view deep-copies the node with its following siblings;
// any other view shares. Detaching can take the node over.
TEST(View, OwnershipCopiesDeepAndFrees) {
  metaObjectC owner(chain("A { 1 } B"), true);
  metaObjectC shared(owner.node());
  metaObjectC copy(owner), sharedCopy(shared), assigned;
  EXPECT_TRUE(copy.isOwned() && copy.node() != owner.node() && dump(copy.node()) == "A{1} B");
  EXPECT_TRUE(!sharedCopy.isOwned() && sharedCopy.node() == owner.node());
  assigned = copy;
  assigned = assigned;
  EXPECT_TRUE(assigned.isOwned() && dump(assigned.node()) == "A{1} B");
  assigned = shared;  // frees its own copy (the sanitizers check)
  metaObjectC moved(std::move(copy));
  EXPECT_TRUE(assigned.node() == owner.node() && moved.isOwned() && !copy.isValid());
  moved.bind(moved.node(), false);  // the same node: only the ownership changes
  EXPECT_FALSE(moved.isOwned());
  moved.bind(moved.node(), true);
  metaObjectC a(owner.node()->firstChild);
  a.detach(true);
  EXPECT_TRUE(a.isOwned() && !a.node()->parent && dump(owner.node()) == "A B");
}

TEST(Containers, KeysAndCachedLists) {
  auto p = parse("S { A B A C 5 } L { P { 1 } NAME P { 2 } X P { 3 } }");
  metaObjKeyContainerC s(p->first);
  EXPECT_TRUE(s.find("A") == p->first->firstChild && !s.find("Z") && s.get("Z"));
  EXPECT_TRUE(s.getView<metaObjectC>("B").isKey("B"));
  EXPECT_EQ(s.keys(), (std::vector<std::string>{"A", "B", "C", "Z"}));

  metaObjListContainerC list(p->first->next);
  EXPECT_TRUE(list.count("P") == 3 && metaObjectC(list.item("P", 1)).getNumber() == 2.0);
  EXPECT_TRUE(list.count("NAME") == 1 && !list.item("P", 3));  // a cache per key
  metaTreeC* second = list.item("P", 1);
  second->insertBefore(chain("P"));  // any change of any tree empties the cache
  EXPECT_EQ(list.item("P", 2), second);
  metaObjListContainerC copy(list), assigned;
  assigned = list;
  EXPECT_TRUE(copy.count("P") == 4 && assigned.ensure("P", 6) && assigned.ensure("P", 1));
  EXPECT_EQ(dump(list.node()), "L{P{1} NAME P P{2} X P{3} P P}");
  metaTypedListC<metaObjectC> typed("P", list.node());
  EXPECT_TRUE(typed.count() == 6 && typed.item(2).getNumber() == 2.0 && !typed.item(6).isValid());
  EXPECT_TRUE(metaObjListObjectContainerC(list.node()).itemView<metaObjectC>("X", 0).isKey("X"));
}
