// Reference counting and change notification.
#include "meta/references.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string heard;  // what the listeners and the watched objects report

// Logs "cookie:kind:listeners the source still has" for every event.
class Recorder : public ReferingObject {
 public:
  void notify(const NotificationEvent& e, void* cookie) override {
    heard += std::to_string(*static_cast<int*>(cookie)) +
             (dynamic_cast<const NotificationEventDying*>(&e) ? ":dying:" : ":event:") +
             std::to_string(e.source()->listenerCount()) + " ";
  }
};

class Watched : public NotifyingObject {
 public:
  ~Watched() override { heard += "gone "; }
};

int one = 1, two = 2, three = 3;

}  // namespace

// Each (listener, cookie) pair is kept once and hears events in the order the
// pairs were added; release happens only without references, and then every
// listener hears once, already detached, that the object dies. An object
// destroyed directly tells nobody.
TEST(NotifyingObject, ListenersAndRelease) {
  auto* w = new Watched;
  Recorder r, other;
  w->addListener(&r, &one);
  w->addListener(&r, &one);
  w->addListener(&other, &three);
  w->addListener(&r, &two);
  w->notify(NotificationEvent(w));
  w->removeListener(&r, &one);
  w->removeListener(&r, &one);  // already gone: no effect
  EXPECT_EQ(w->listenerCount(), 2u);
  w->addReference();
  EXPECT_FALSE(w->releaseIfUnreferenced() || w->ReferencableObject::releaseIfUnreferenced());
  w->removeReference();
  EXPECT_TRUE(w->referenceCount() == 0 && w->releaseIfUnreferenced());
  EXPECT_EQ(heard, "1:event:3 3:event:3 2:event:3 3:dying:0 2:dying:0 gone ");

  heard.clear();
  EXPECT_TRUE((new Watched)->releaseIfUnreferenced());  // no listeners
  {
    Watched direct;
    direct.addListener(&r, &one);
    direct.addListener(&other, &two);
    direct.removeListener(&r);
    EXPECT_EQ(direct.listenerCount(), 1u);
  }
  EXPECT_EQ(heard, "gone gone ");
}
