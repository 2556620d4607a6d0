// Prototype registries and dispatch by key.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "meta/registry.h"
#include "meta_test_support.h"

namespace {

// A small view hierarchy that dispatches area() by key.
class shapeView : public virtual metaObjectC {
 public:
  shapeView() = default;
  explicit shapeView(metaTreeC* n) : metaObjectVirtualDataBaseC(n, false) {}
  static metaPrototypeRegistry& registry() {
    static metaPrototypeRegistry r;
    return r;
  }
  virtual double area() const {
    return metaDispatch(registry(), *this, -1.0, [](const shapeView& p) { return p.area(); });
  }
  virtual std::string name() const { return "shape"; }
};

class squareView : public shapeView {
 public:
  double area() const override {
    double s = attr("SIDE").getNumber();
    return s * s;
  }
  std::string name() const override { return "square"; }
};

class squareView2 : public squareView {
 public:
  std::string name() const override { return "square2"; }
};

// Registered for a key but does not override area(): falls back to the default.
class blankView : public shapeView {};

}  // namespace

TEST(Registry, PriorityDecidesBetweenEqualKeys) {
  metaPrototypeRegistry r;
  auto* first = new squareView;
  EXPECT_TRUE(r.registerPrototype("SQ", std::unique_ptr<metaObjectC>(first), 3));
  EXPECT_FALSE(r.registerPrototype("SQ", std::make_unique<squareView2>(), 3));  // equal keeps
  EXPECT_EQ(r.lookup("SQ"), first);
  EXPECT_FALSE(r.registerPrototype("SQ", std::make_unique<squareView2>(), 2));  // lower keeps
  EXPECT_TRUE(r.registerPrototype("SQ", std::make_unique<squareView2>(), 4));   // higher wins
  EXPECT_EQ(dynamic_cast<shapeView*>(r.lookup("SQ"))->name(), "square2");
  EXPECT_FALSE(r.registerPrototype("X", nullptr, 9));
  EXPECT_EQ(r.size(), 1u);
}

TEST(Registry, SortedAndFoundWithFewAndManyEntries) {
  metaPrototypeRegistry r;
  const char* keys[] = {"LINE",   "ARC",    "CIRCLE", "ELLIPSE", "ELLIPSEARC", "ICRV2D",
                        "SPOINT", "CENTER", "A",      "ZZ",      "M"};
  int added = 0;
  for (const char* k : keys) {
    r.registerPrototype(k, std::make_unique<shapeView>(), 1);
    ++added;
    for (int i = 0; i < added; ++i) EXPECT_NE(r.lookup(keys[i]), nullptr) << keys[i] << added;
    EXPECT_EQ(r.lookup("B"), nullptr);
    EXPECT_EQ(r.lookup(""), nullptr);
    EXPECT_EQ(r.lookup("ZZZ"), nullptr);
  }
  for (std::size_t i = 1; i < r.entries().size(); ++i) {
    EXPECT_LT(r.entries()[i - 1].key, r.entries()[i].key);
  }
}

TEST(Dispatch, ForwardsByKeyAndRestoresThePrototype) {
  shapeView::registry().registerPrototype("SQUARE", std::make_unique<squareView>(), 2);
  shapeView::registry().registerPrototype("BLANK", std::make_unique<blankView>(), 2);
  auto p = metatest::parse("SQUARE { SIDE { 3 } } BLANK OTHER 5");
  metaTreeC* n = p->first;
  EXPECT_EQ(shapeView(n).area(), 9.0);
  EXPECT_EQ(shapeView(n->next).area(), -1.0);
  EXPECT_EQ(shapeView(n->next->next).area(), -1.0);
  EXPECT_EQ(shapeView(n->next->next->next).area(), -1.0);  // not an identifier
  EXPECT_EQ(shapeView().area(), -1.0);
  auto* proto = dynamic_cast<shapeView*>(shapeView::registry().lookup("SQUARE"));
  EXPECT_FALSE(proto->isValid());  // binding restored after the call
  EXPECT_EQ(proto->area(), 0.0);   // the prototype itself: empty view, default attribute
}
