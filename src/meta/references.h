// Reference counting and change notification for long-lived shared objects.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// An object that destroys itself when its last user lets go of it.
class ReferencableObject {
 public:
  ReferencableObject() = default;
  ReferencableObject(const ReferencableObject&) = delete;
  ReferencableObject& operator=(const ReferencableObject&) = delete;
  virtual ~ReferencableObject() = default;

  // Destroys the object and returns true when no reference is held; otherwise
  // returns false and changes nothing. After true the object is gone.
  virtual bool releaseIfUnreferenced();
  virtual void addReference() { ++refCount_; }
  // Lowers the count only; never destroys.
  virtual void removeReference() { --refCount_; }
  int referenceCount() const { return refCount_; }

 private:
  int refCount_ = 0;
};

class NotificationEvent;

// A listener. The default notify ignores every event.
class ReferingObject {
 public:
  virtual ~ReferingObject() = default;
  virtual void notify(const NotificationEvent& event, void* cookie);
};

class NotifyingObject;

// Base of every event; the source is not owned.
class NotificationEvent {
 public:
  explicit NotificationEvent(NotifyingObject* source) : source_(source) {}
  virtual ~NotificationEvent() = default;
  NotifyingObject* source() const { return source_; }

 private:
  NotifyingObject* source_;
};

// Sent once to every listener when the source is released.
class NotificationEventDying : public NotificationEvent {
 public:
  using NotificationEvent::NotificationEvent;
};

// A referencable object with listeners. Listeners are held by raw pointer and
// are not owned: whoever registers one removes it before destroying it.
class NotifyingObject : public ReferencableObject {
 public:
  NotifyingObject() = default;
  // Drops the listeners without telling them.
  ~NotifyingObject() override = default;

  // When unreferenced, tells each listener once (detaching it first) that the
  // object dies, then destroys it and returns true.
  bool releaseIfUnreferenced() override;

  // Adds the pair unless the same listener is already there with the same cookie.
  void addListener(ReferingObject* listener, void* cookie = nullptr);
  void removeListener(ReferingObject* listener, void* cookie);
  // Removes every pair of the listener, whatever its cookie.
  void removeListener(ReferingObject* listener);
  // Delivers the event to every pair in the order they were added.
  void notify(const NotificationEvent& event);

  std::size_t listenerCount() const { return listeners_.size(); }

 private:
  std::vector<std::pair<ReferingObject*, void*>> listeners_;
};
