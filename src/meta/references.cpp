#include "meta/references.h"

#include <algorithm>
#include <deque>

bool ReferencableObject::releaseIfUnreferenced() {
  if (refCount_ > 0) return false;
  delete this;
  return true;
}

void ReferingObject::notify(const NotificationEvent&, void*) {}

bool NotifyingObject::releaseIfUnreferenced() {
  if (referenceCount() > 0) return false;
  if (!listeners_.empty()) {
    NotificationEventDying dying(this);
    // Each pair is taken off before it hears the news, so a listener that
    // looks at the object finds itself already detached.
    std::deque<std::pair<ReferingObject*, void*>> pending(listeners_.begin(), listeners_.end());
    listeners_.clear();
    while (!pending.empty()) {
      auto [listener, cookie] = pending.front();
      pending.pop_front();
      listener->notify(dying, cookie);
    }
  }
  return ReferencableObject::releaseIfUnreferenced();
}

void NotifyingObject::addListener(ReferingObject* listener, void* cookie) {
  auto same = [&](const auto& p) { return p.first == listener && p.second == cookie; };
  if (std::none_of(listeners_.begin(), listeners_.end(), same))
    listeners_.emplace_back(listener, cookie);
}

void NotifyingObject::removeListener(ReferingObject* listener, void* cookie) {
  auto it = std::find(listeners_.begin(), listeners_.end(), std::make_pair(listener, cookie));
  if (it != listeners_.end()) listeners_.erase(it);
}

void NotifyingObject::removeListener(ReferingObject* listener) {
  std::erase_if(listeners_, [&](const auto& p) { return p.first == listener; });
}

void NotifyingObject::notify(const NotificationEvent& event) {
  for (const auto& [listener, cookie] : listeners_) listener->notify(event, cookie);
}
