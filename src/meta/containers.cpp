// Cached list lookup and key containers.
#include "meta/containers.h"

#include <unordered_set>

metaObjListContainerC& metaObjListContainerC::operator=(const metaObjListContainerC& other) {
  metaObjectC::operator=(other);
  cache_.clear();
  cacheNode_ = nullptr;
  return *this;
}

void metaObjListContainerC::refresh(std::string_view key) const {
  if (stamp_ != metaTreeChangeCount || cacheNode_ != node() || cacheKey_ != key) {
    cache_.clear();
    cacheKey_.assign(key.data(), key.size());
    cacheNode_ = node();
    stamp_ = metaTreeChangeCount;
  }
}

metaTreeC* metaObjListContainerC::item(std::string_view key, std::size_t i) const {
  if (!node()) return nullptr;
  refresh(key);
  while (cache_.size() <= i) {
    metaTreeC* from = cache_.empty() ? node()->firstChild : cache_.back()->next;
    while (from && !from->isIdent(key)) from = from->next;
    if (!from) return nullptr;
    cache_.push_back(from);
  }
  return cache_[i];
}

std::size_t metaObjListContainerC::count(std::string_view key) const {
  if (!node()) return 0;
  item(key, SIZE_MAX - 1);
  return cache_.size();
}

bool metaObjListContainerC::ensure(std::string_view key, std::size_t n) const {
  if (!node()) return false;
  std::size_t have = count(key);
  if (have >= n) return true;
  // Build the missing keys as one chain and link it once.
  metaTreeC* first = nullptr;
  metaTreeC* last = nullptr;
  for (std::size_t i = have; i < n; ++i) {
    metaTreeC* k = metaTreeC::makeIdent(key);
    if (last) {
      last->next = k;
      k->prev = last;
    } else {
      first = k;
    }
    last = k;
  }
  node()->appendChild(first);
  return true;
}

std::vector<std::string> metaObjKeyContainerC::keys() const {
  std::vector<std::string> out;
  std::unordered_set<std::string_view> seen;
  for (metaTreeC* c : childNodes()) {
    if (c->value.isIdent() && seen.insert(c->value.text()).second)
      out.emplace_back(c->value.text());
  }
  return out;
}
