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
    entries_[at].castType = nullptr;
    entries_[at].cast = nullptr;
    return true;
  }
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                  Entry{priority, std::string(key), std::move(prototype)});
  // Registration is rare; the groups are simply counted anew.
  std::size_t i = 0;
  for (std::size_t b = 0; b < 256; ++b) {
    while (i < entries_.size() &&
           (entries_[i].key.empty() || static_cast<unsigned char>(entries_[i].key[0]) < b))
      ++i;
    groupStart_[b] = static_cast<std::uint32_t>(i);
  }
  groupStart_[256] = static_cast<std::uint32_t>(entries_.size());
  return true;
}

const metaPrototypeRegistry::Entry* metaPrototypeRegistry::find(std::string_view key) const {
  if (key.empty()) {
    // An empty key sorts before every other one.
    return !entries_.empty() && entries_[0].key.empty() ? &entries_[0] : nullptr;
  }
  const auto b = static_cast<unsigned char>(key[0]);
  for (std::size_t i = groupStart_[b]; i < groupStart_[b + 1]; ++i) {
    const std::string& k = entries_[i].key;
    if (k.size() == key.size() && std::string_view(k) == key) return &entries_[i];
  }
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
