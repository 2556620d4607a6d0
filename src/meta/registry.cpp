// Sorted prototype registries and the rebinding used by dispatch.
#include "meta/registry.h"

std::size_t metaPrototypeRegistry::lowerBound(std::string_view key) const {
  std::size_t lo = 0;
  std::size_t hi = entries_.size();
  if (hi < 6) {
    while (lo < hi && std::string_view(entries_[lo].key) < key) ++lo;
    return lo;
  }
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (std::string_view(entries_[mid].key) < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

bool metaPrototypeRegistry::registerPrototype(std::string_view key,
                                              std::unique_ptr<metaObjectC> prototype,
                                              int priority) {
  if (!prototype) return false;
  if (!key.empty()) firstBytes_.set(static_cast<unsigned char>(key[0]));
  std::size_t at = lowerBound(key);
  if (at < entries_.size() && entries_[at].key == key) {
    if (entries_[at].priority >= priority) return false;
    entries_[at].priority = priority;
    entries_[at].prototype = std::move(prototype);
    return true;
  }
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                  Entry{priority, std::string(key), std::move(prototype)});
  return true;
}

metaObjectC* metaPrototypeRegistry::lookup(std::string_view key) const {
  if (!key.empty() && !firstBytes_.test(static_cast<unsigned char>(key[0]))) return nullptr;
  std::size_t at = lowerBound(key);
  if (at < entries_.size() && entries_[at].key == key) return entries_[at].prototype.get();
  return nullptr;
}

metaDispatchBindingC::metaDispatchBindingC(metaObjectVirtualDataBaseC& prototype, metaTreeC* node)
    : prototype_(prototype), savedFlags_(prototype.flags_), savedNode_(prototype.node_) {
  prototype_.flags_ = 0;
  prototype_.node_ = node;
}

metaDispatchBindingC::~metaDispatchBindingC() {
  prototype_.flags_ = savedFlags_;
  prototype_.node_ = savedNode_;
}
