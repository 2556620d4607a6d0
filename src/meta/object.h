// Views over tree nodes: the base of every class of the object model.
//
// A view is a small handle bound to one node. It reads and writes attributes
// under that node by key; two views on one node see the same data. An empty
// view (no node) answers every question with null, 0 or a default and changes
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "meta/tree.h"

// A node predicate.
class metaNodeCompareInterfaceC {
 public:
  virtual ~metaNodeCompareInterfaceC() = default;
  // False for null.
  virtual bool matches(const metaTreeC* node) const = 0;
};

// Matches an identifier node whose text equals the key.
class metaNodeCompareKeyC : public metaNodeCompareInterfaceC {
 public:
  explicit metaNodeCompareKeyC(std::string_view key) : key_(key) {}
  // False for null or a node that is not that identifier.
  bool matches(const metaTreeC* node) const override { return node && node->isIdent(key_); }

 private:
  std::string key_;
};

// The binding shared by every view: the node and whether the view owns it.
// A view that owns its node destroys it (with its children and following
// siblings) when it is destroyed or rebound. Copying a view that owns its node
// gives the copy an owned deep copy made with the copy hooks; copying any other
// view shares the node.
class metaObjectVirtualDataBaseC {
 public:
  static constexpr std::uint32_t ownedFlag = 1;

  metaObjectVirtualDataBaseC() = default;
  metaObjectVirtualDataBaseC(metaTreeC* node, bool owned);
  metaObjectVirtualDataBaseC(const metaObjectVirtualDataBaseC& other);
  // Takes the binding over; the source is left empty. (There is no move
  // assignment on purpose: in the diamond of combined views a virtual base may
  // be assigned more than once, which a move would empty.)
  metaObjectVirtualDataBaseC(metaObjectVirtualDataBaseC&& other) noexcept;
  metaObjectVirtualDataBaseC& operator=(const metaObjectVirtualDataBaseC& other);
  virtual ~metaObjectVirtualDataBaseC();

  // Releases the old node if owned, then binds. Binding the node already
  // bound only changes the ownership.
  void bind(metaTreeC* node, bool owned);
  // Null for an empty view.
  metaTreeC* node() const { return node_; }
  bool isOwned() const { return (flags_ & ownedFlag) != 0; }
  bool isValid() const { return node_ != nullptr; }

 private:
  friend class metaDispatchBindingC;
  std::uint32_t flags_ = 0;
  metaTreeC* node_ = nullptr;
};

// Iterator over a sibling chain: next() moves on and returns true, or returns
// false and stays put at the last node.
class metaNodeIterC {
 public:
  explicit metaNodeIterC(metaTreeC* node) : node_(node) {}
  // Null when the chain is empty.
  metaTreeC* node() const { return node_; }
  // False (staying put) at the last node or on an empty chain.
  bool next() {
    if (!node_ || !node_->next) return false;
    node_ = node_->next;
    return true;
  }

 private:
  metaTreeC* node_;
};

// Range over a sibling chain for range-for loops.
class metaChainRange {
 public:
  class iterator {
   public:
    explicit iterator(metaTreeC* n) : n_(n) {}
    metaTreeC* operator*() const { return n_; }
    iterator& operator++() {
      n_ = n_->next;
      return *this;
    }
    bool operator!=(const iterator& o) const { return n_ != o.n_; }

   private:
    metaTreeC* n_;
  };
  explicit metaChainRange(metaTreeC* first) : first_(first) {}
  iterator begin() const { return iterator(first_); }
  iterator end() const { return iterator(nullptr); }

 private:
  metaTreeC* first_;
};

// Base of every view. View classes that may be combined with others in one
// class (a shape view that is also a reference view) derive from metaObjectC
// virtually, so the combination has one metaObjectC and one binding. Derived
// views bind through metaObjectVirtualDataBaseC(node, owned) in their
// constructors, as the virtual base is built by the most derived class.
class metaObjectC : public virtual metaObjectVirtualDataBaseC {
 public:
  metaObjectC() = default;
  // A view on node; it owns the node when owned is true.
  explicit metaObjectC(metaTreeC* node, bool owned = false)
      : metaObjectVirtualDataBaseC(node, owned) {}

  // --- The node itself
  // The node's identifier text; empty when it is no identifier or the view is empty.
  std::string_view keyName() const;
  // False for a null name, an empty view or a node that is no such identifier.
  bool isKey(const char* name) const;
  bool isKey(std::string_view name) const;

  // --- Children
  // Iterator at the first child (empty when there is none).
  metaNodeIterC children() const { return metaNodeIterC(node() ? node()->firstChild : nullptr); }
  // Range over the children; empty for an empty view.
  metaChainRange childNodes() const {
    return metaChainRange(node() ? node()->firstChild : nullptr);
  }
  // The i-th child of any key; null past the end or for an empty view.
  metaTreeC* childAt(std::size_t i) const;
  // 0 for an empty view.
  std::size_t childCount() const;
  // First child that is the identifier key; null when none.
  metaTreeC* findChild(std::string_view key) const;
  // Get-or-create: findChild, or a new empty identifier key appended as last
  // child. Null only for an empty view.
  metaTreeC* child(std::string_view key) const;
  // Non-owning view of child(key); empty for an empty view.
  metaObjectC attr(std::string_view key) const { return metaObjectC(child(key)); }
  // Nearest ancestor that is the identifier key; null when none.
  metaTreeC* findAncestor(std::string_view key) const;
  // Appends a new identifier key as last child and, when value is given, that
  // node (or a deep copy of it when copy is true) as the key's child; without
  // copy the value must be a free chain and is taken over. Returns the new key
  // node; null for an empty view.
  metaTreeC* addChild(std::string_view key, metaTreeC* value = nullptr, bool copy = false) const;
  // Appends node (or a deep copy when copy is true; without copy it must be a
  // free chain and is taken over) as last child. Null for an empty view or a
  // null node; otherwise the appended node.
  metaTreeC* appendChild(metaTreeC* node, bool copy = false) const;
  // Destroys all children; nothing for an empty view.
  void removeChildren() const;
  // Unlinks the bound node from parent and siblings; the view owns it
  // afterwards when owned is true. Nothing for an empty view.
  void detach(bool owned);
  // First node of the child chain that matches; with depth > 0 the children of
  // each node are searched too, depth-first, down to that many levels. Null
  // when none matches or the view is empty.
  metaTreeC* search(const metaNodeCompareInterfaceC& predicate, int depth = 0) const;

  // --- Typed access on an attribute key (the value is the first child).
  // Each getter sets *found (when given) to false and returns the default when
  // the first child is missing or of another kind.
  // Default 0.0.
  double getNumber(bool* found = nullptr) const;
  // Number truncated toward zero, clamped to the int range (NaN gives 0); default 0.
  int getInt(bool* found = nullptr) const;
  // Default empty.
  std::string getString(bool* found = nullptr) const;
  // Identifier text; default empty.
  std::string getIdent(bool* found = nullptr) const;
  // Setters: with no first child a new value is put in front of the children;
  // a first child of the same kind gets the new value (keeping its position);
  // a first child of another kind is left unchanged and false is returned.
  // False for an empty view.
  bool setNumber(double value) const;
  bool setInt(int value) const { return setNumber(value); }
  bool setString(std::string_view value) const;
  // As above, but replaces a first child of any kind except none.
  bool setIdent(std::string_view value) const;

  // --- Numeric vectors (children that are all numbers)
  // The children as doubles when there are exactly 2 numbers; else (0, 0), found false.
  void readPoint2d(double out[2], bool* found = nullptr) const;
  // Exactly 3 numbers; else (0, 0, 0), found false.
  void readPoint3d(double out[3], bool* found = nullptr) const;
  // Exactly 16 numbers, row by row; else the identity, found false.
  void readMatrix(double out[16], bool* found = nullptr) const;
  // All children as numbers; empty when any child is no number or the view is empty.
  std::vector<double> readNumbers() const;
  // Replaces all children with n number nodes; false for an empty view.
  bool writeVector(const double* values, std::size_t n) const;
  // Multiplies every number child by factor; other children are left alone.
  void scaleNumbers(double factor) const;

  // --- Binary blobs (CODE, SIZE, DATA attributes of this section)
  // Removes every child, then writes the three attributes; false for an empty view.
  bool storeBlob(int code, const void* data, std::size_t size) const;
  // Decodes DATA into buffer; the number of bytes written, or -1 when SIZE is
  // 0, larger than bufferSize, or the view is empty. code gets CODE when given.
  int readBlob(void* buffer, std::size_t bufferSize, int* code = nullptr) const;
};

// The 6-bit text encoding of blobs: ceil(4n/3) characters for n bytes.
std::string metaEncodeBlob(const void* data, std::size_t size);
// floor(6*length/8) bytes, at most bufferSize of them written; returns the
// number written. Characters outside the alphabet decode as 0.
std::size_t metaDecodeBlob(std::string_view text, void* buffer, std::size_t bufferSize);
