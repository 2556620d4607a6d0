// Sections read as lists of children with one key, and sections whose
// children are found by key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "meta/object.h"

// A section read as a list of the children with one key. Found nodes are
// cached; any structural change of any tree (metaTreeChangeCount) empties the
// cache before its next use, so indexed access in a loop is linear overall.
// Copies of the view start with an empty cache.
class metaObjListContainerC : public virtual metaObjectC {
 public:
  metaObjListContainerC() = default;
  explicit metaObjListContainerC(metaTreeC* node, bool owned = false)
      : metaObjectVirtualDataBaseC(node, owned) {}
  metaObjListContainerC(const metaObjListContainerC& other)
      : metaObjectVirtualDataBaseC(other), metaObjectC(other) {}
  metaObjListContainerC& operator=(const metaObjListContainerC& other);

  // Number of children with that key; 0 for an empty view.
  std::size_t count(std::string_view key) const;
  // The i-th child with that key (from 0, file order); null past the end.
  metaTreeC* item(std::string_view key, std::size_t i) const;
  // Appends empty key nodes until n children with that key exist; false for an empty view.
  bool ensure(std::string_view key, std::size_t n) const;

 private:
  // Brings the cache up to date with the tree and the key.
  void refresh(std::string_view key) const;

  mutable std::vector<metaTreeC*> cache_;
  mutable std::string cacheKey_;
  mutable metaTreeC* cacheNode_ = nullptr;
  mutable std::uint32_t stamp_ = 0;
};

// A list whose items are handed out as views of class Item.
class metaObjListObjectContainerC : public metaObjListContainerC {
 public:
  metaObjListObjectContainerC() = default;
  explicit metaObjListObjectContainerC(metaTreeC* node, bool owned = false)
      : metaObjectVirtualDataBaseC(node, owned) {}

  // A non-owning view of item(key, i); empty past the end.
  template <class Item>
  Item itemView(std::string_view key, std::size_t i) const {
    Item v;
    v.bind(item(key, i), false);
    return v;
  }
};

// A typed list with a fixed item key:
//   class m2dFigureListC : public metaTypedListC<m2dFigureC> { ... "FIGURE" ... };
template <class Item>
class metaTypedListC : public metaObjListObjectContainerC {
 public:
  // key must outlive the list (a string literal).
  explicit metaTypedListC(const char* key, metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false), key_(key) {}

  // 0 for an empty view.
  std::size_t count() const { return metaObjListContainerC::count(key_); }
  // An empty view past the end.
  Item item(std::size_t i) const { return itemView<Item>(key_, i); }
  // The node of item i; null past the end.
  metaTreeC* itemNode(std::size_t i) const { return metaObjListContainerC::item(key_, i); }
  // False for an empty view.
  bool ensure(std::size_t n) const { return metaObjListContainerC::ensure(key_, n); }
  const char* key() const { return key_; }

 private:
  const char* key_;
};

// A section whose children are found by key (the first of each key counts).
class metaObjKeyContainerC : public virtual metaObjectC {
 public:
  metaObjKeyContainerC() = default;
  explicit metaObjKeyContainerC(metaTreeC* node, bool owned = false)
      : metaObjectVirtualDataBaseC(node, owned) {}

  // The child with that key, or null.
  metaTreeC* find(std::string_view key) const { return findChild(key); }
  // Get-or-create; null for an empty view.
  metaTreeC* get(std::string_view key) const { return child(key); }
  // A non-owning view of get(key); empty for an empty view.
  template <class V>
  V getView(std::string_view key) const {
    V v;
    v.bind(child(key), false);
    return v;
  }
  // The keys of all identifier children in order, each once; empty for an empty view.
  std::vector<std::string> keys() const;
};
