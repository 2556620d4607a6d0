// Prototype registries: polymorphism by section key. A view of any shape or
// document looks its node's key up in its class's registry and forwards the
// call to the prototype registered there, bound for the duration of the call
// to the view's node.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "meta/object.h"

class metaPrototypeRegistry {
 public:
  struct Entry {
    int priority;
    std::string key;
    std::unique_ptr<metaObjectC> prototype;
    // The prototype cast to the class last asked for by lookupAs (null when
    // it is none of that class): dispatch asks once per call, always for the
    // same class, and a dynamic_cast costs more than the rest of the lookup.
    mutable const std::type_info* castType = nullptr;
    mutable void* cast = nullptr;
  };

  // Stores the prototype under key unless an entry for key of equal or higher
  // priority exists (then the new prototype is destroyed). An entry of lower
  // priority is replaced. Returns true when stored; false for a null prototype.
  // Prototypes must have an empty binding.
  bool registerPrototype(std::string_view key, std::unique_ptr<metaObjectC> prototype,
                         int priority);
  // The prototype for key, or null. A key whose first byte starts no entry
  // (most keys of a file) is turned away here without a call.
  metaObjectC* lookup(std::string_view key) const {
    if (!key.empty() && !firstBytes_.test(static_cast<unsigned char>(key[0]))) return nullptr;
    const Entry* e = find(key);
    return e ? e->prototype.get() : nullptr;
  }
  // dynamic_cast<V*>(lookup(key)), with the cast made once per entry.
  template <class V>
  V* lookupAs(std::string_view key) const {
    if (!key.empty() && !firstBytes_.test(static_cast<unsigned char>(key[0]))) return nullptr;
    const Entry* e = find(key);
    if (!e) return nullptr;
    if (e->castType != &typeid(V)) {
      e->cast = dynamic_cast<V*>(e->prototype.get());
      e->castType = &typeid(V);
    }
    return static_cast<V*>(e->cast);
  }
  // The entries sorted by key (byte order).
  const std::vector<Entry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }

 private:
  // Index of the first entry whose key is not below key.
  std::size_t lowerBound(std::string_view key) const;
  // The entry for key, or null: among the entries of the key's first byte,
  // lengths compared before bytes.
  const Entry* find(std::string_view key) const;

  std::vector<Entry> entries_;
  std::bitset<256> firstBytes_;  // first bytes of the keys: most misses stop here
  // groupStart_[b]: index of the first entry whose key starts with byte b or a
  // later one (the entries are sorted); groupStart_[256] is the number of entries.
  std::array<std::uint32_t, 257> groupStart_{};
};

// Binds a prototype (not owning) to a node for the lifetime of the guard and
// then restores the prototype's previous binding.
class metaDispatchBindingC {
 public:
  metaDispatchBindingC(metaObjectVirtualDataBaseC& prototype, metaTreeC* node);
  ~metaDispatchBindingC();
  metaDispatchBindingC(const metaDispatchBindingC&) = delete;
  metaDispatchBindingC& operator=(const metaDispatchBindingC&) = delete;

 private:
  metaObjectVirtualDataBaseC& prototype_;
  std::uint32_t savedFlags_;
  metaTreeC* savedNode_;
};

// The prototype of class V that should take a call made on self: the one
// registered for the key of self's node. Null when the node is no identifier,
// nothing (or nothing of class V) is registered, or the prototype is self —
// then self does the operation's default.
template <class V>
V* metaDispatchPrototype(const metaPrototypeRegistry& registry, const V& self) {
  metaTreeC* n = self.node();
  if (!n || !n->value.isIdent()) return nullptr;
  V* proto = registry.template lookupAs<V>(n->value.text());
  if (!proto || proto == &self) return nullptr;
  return proto;
}

// Dispatch by key: calls op(prototype) with the prototype bound to self's node,
// or returns fallback when no other prototype takes the call.
//   double m2dShapeBaseC::length() const {
//     return metaDispatch(registry(), *this, 0.0,
//                         [](const m2dShapeBaseC& p) { return p.length(); });
//   }
template <class V, class R, class Op>
R metaDispatch(const metaPrototypeRegistry& registry, const V& self, R fallback, Op&& op) {
  V* proto = metaDispatchPrototype(registry, self);
  if (!proto) return fallback;
  metaDispatchBindingC guard(*proto, self.node());
  return op(*proto);
}
