#include "meta/references.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Heard {
  const NotificationEvent* event;
  NotifyingObject* source;
  void* cookie;
  bool dying;
};

class Recorder : public ReferingObject {
 public:
  void notify(const NotificationEvent& e, void* cookie) override {
    heard.push_back({&e, e.source(), cookie, dynamic_cast<const NotificationEventDying*>(&e) != nullptr});
  }
  std::vector<Heard> heard;
};

class Watched : public NotifyingObject {
 public:
  explicit Watched(bool* destroyed) : destroyed_(destroyed) {}
  ~Watched() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};

int a = 1, b = 2;

TEST(NotifyingObject, SameListenerAndCookieIsKeptOnce) {
  bool gone = false;
  Watched w(&gone);
  Recorder r;
  w.addListener(&r, &a);
  w.addListener(&r, &a);
  EXPECT_EQ(w.listenerCount(), 1u);
  w.addListener(&r, &b);
  EXPECT_EQ(w.listenerCount(), 2u);

  NotificationEvent e(&w);
  w.notify(e);
  ASSERT_EQ(r.heard.size(), 2u);
  EXPECT_EQ(r.heard[0].cookie, &a);
  EXPECT_EQ(r.heard[1].cookie, &b);
  EXPECT_EQ(r.heard[0].source, &w);
}

TEST(NotifyingObject, RemoveListenerByCookieOrWhole) {
  bool gone = false;
  Watched w(&gone);
  Recorder r, other;
  w.addListener(&r, &a);
  w.addListener(&r, &b);
  w.addListener(&other, &a);
  w.removeListener(&r, &a);
  EXPECT_EQ(w.listenerCount(), 2u);
  w.removeListener(&r);
  EXPECT_EQ(w.listenerCount(), 1u);
  w.removeListener(&r, &b);  // nothing left of r: no effect
  EXPECT_EQ(w.listenerCount(), 1u);
}

TEST(NotifyingObject, NotifyWithoutListenersDoesNothing) {
  bool gone = false;
  Watched w(&gone);
  NotificationEvent e(&w);
  w.notify(e);
  EXPECT_FALSE(gone);
}

TEST(NotifyingObject, ReleaseOnlyWhenUnreferencedAndTellsEachListenerOnce) {
  bool gone = false;
  auto* w = new Watched(&gone);
  Recorder r1, r2;
  w->addListener(&r1, &a);
  w->addListener(&r2, &b);
  w->addReference();
  EXPECT_EQ(w->referenceCount(), 1);
  EXPECT_FALSE(w->releaseIfUnreferenced());
  EXPECT_FALSE(gone);
  EXPECT_TRUE(r1.heard.empty());

  NotifyingObject* source = w;
  w->removeReference();
  EXPECT_TRUE(w->releaseIfUnreferenced());
  EXPECT_TRUE(gone);
  ASSERT_EQ(r1.heard.size(), 1u);
  ASSERT_EQ(r2.heard.size(), 1u);
  EXPECT_TRUE(r1.heard[0].dying);
  EXPECT_EQ(r1.heard[0].source, source);
  EXPECT_EQ(r2.heard[0].cookie, &b);
}

TEST(ReferencableObject, DestroyedDirectlyDropsListenersSilently) {
  Recorder r;
  {
    bool gone = false;
    Watched w(&gone);
    w.addListener(&r);
  }
  EXPECT_TRUE(r.heard.empty());
}

}  // namespace
