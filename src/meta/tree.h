// The generic tree a metafile is read into: nodes carrying one typed value each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Bumped by every structural change of any tree; list views compare it to see
// whether their cached lookups are still good. Process-wide, unsynchronised.
extern std::uint32_t metaTreeChangeCount;

// Number of tree nodes alive in the process (all trees).
std::size_t metaTreeLiveNodes();

enum metaValueKind : std::uint32_t {
  metaKindNone = 0,
  metaKindIdent = 1,
  metaKindString = 2,
  metaKindNumber = 3,
};

// The value of one node: nothing, an identifier, a byte string or a double,
// plus the source line it came from. Texts of up to 8 bytes are stored in
// place. Longer ones that are short enough are shared through a process-wide
// table of texts: a file repeats the same few keys and names over and over,
// so each node then just points at the one copy. The rest live on the heap.
// Sixteen bytes in all, since a file holds millions of values.
class metaValueC {
 public:
  metaValueC() { u_.number = 0.0; }
  metaValueC(const metaValueC& other);
  metaValueC& operator=(const metaValueC& other);
  ~metaValueC() {
    // Numbers and short texts own nothing: no call for most values.
    if (store_ != kInPlace) releaseText();
  }

  metaValueKind kind() const { return static_cast<metaValueKind>(kind_ & kKindMask); }
  bool isNone() const { return kind() == metaKindNone; }
  bool isIdent() const { return kind() == metaKindIdent; }
  bool isString() const { return kind() == metaKindString; }
  bool isNumber() const { return kind() == metaKindNumber; }
  // 0.0 unless the value is a number.
  double number() const { return isNumber() ? u_.number : 0.0; }
  // Empty unless the value is an identifier or a string.
  std::string_view text() const {
    if (!isIdent() && !isString()) return {};
    if (store_ == kInPlace) return std::string_view(u_.inPlace, size_);
    if (size_ != kLongText) return std::string_view(u_.text, size_);
    return longText();
  }

  // Setting another kind releases the old text.
  void setNone();
  void setIdent(std::string_view text);
  void setString(std::string_view text);
  void setNumber(double value);

  // The position's second field: 0 for values read from a file, -1 otherwise.
  // (Nothing reads it, so it is derived rather than stored.)
  std::int32_t column() const { return line < 0 ? -1 : 0; }

 private:
  friend class metaTreeC;
  static constexpr std::uint8_t kKindMask = 3;
  void setKind(metaValueKind kind) {
    kind_ = static_cast<std::uint8_t>((kind_ & ~kKindMask) | kind);
  }

  // Where a text lives: in place, in the shared table, or on the heap.
  // Values that are no text are always kInPlace.
  enum Store : std::uint8_t { kInPlace, kShared, kHeap };
  // size_ of heap texts this long or longer; their heap block holds the
  // length right before the text (so texts of any length fit).
  static constexpr std::uint16_t kLongText = 0xFFFF;
  static constexpr std::size_t kInPlaceSize = 8;
  static constexpr std::size_t kMaxSharedSize = 64;

  void setText(metaValueKind kind, std::string_view text);
  void releaseText() {
    if (store_ != kInPlace) releaseOwnedText();
    size_ = 0;
  }
  void releaseOwnedText();
  std::string_view longText() const;

  union {
    double number;
    const char* text;  // shared or heap text
    char inPlace[kInPlaceSize];
  } u_;

 public:
  // Source line (1-based); -1 for values made by program code.
  std::int32_t line = -1;

 private:
  // Whole bytes rather than bit fields: they are read on every text access.
  // Bits 0-1 of kind_ are the kind; the bits above belong to the node that
  // holds the value (its flags live there so that a node is 48 bytes), and
  // setting or assigning a value leaves them alone.
  std::uint8_t kind_ = metaKindNone;
  std::uint8_t store_ = kInPlace;
  std::uint16_t size_ = 0;  // text length, up to kLongText
};

class metaTreeC;

// The links of a tree node.
struct MTreeNode {
  metaTreeC* parent = nullptr;
  metaTreeC* next = nullptr;
  metaTreeC* prev = nullptr;
  metaTreeC* firstChild = nullptr;
};

// One node. A node owns its children and the siblings that follow it; use
// destroy() rather than delete. Chains handed to the link operations must be
// free (no parent, no previous sibling) and must not contain the node they are
// linked to. Every link operation bumps metaTreeChangeCount.
class metaTreeC : public MTreeNode {
 public:
  metaTreeC() = default;
  metaTreeC(const metaTreeC&) = delete;
  // Nodes come from a process-wide pool (unsynchronised, like the rest of the
  // model) that hands its memory back when the last node is gone.
  static void* operator new(std::size_t size);
  static void operator delete(void* p);
  metaTreeC& operator=(const metaTreeC&) = delete;

  // New free nodes; the value position is (-1, -1) unless a line is given.
  static metaTreeC* makeIdent(std::string_view text, std::int32_t line = -1);
  static metaTreeC* makeString(std::string_view text, std::int32_t line = -1);
  static metaTreeC* makeNumber(double value, std::int32_t line = -1);
  static metaTreeC* makeNone();

  // Destroys the node, its children and every following sibling, after
  // unlinking it from its parent and previous sibling. Iterative. Null is ignored.
  static void destroy(metaTreeC* node);

  // Puts a free chain in front of the children. False (nothing done) for a
  // null or non-free chain.
  bool prependChildren(metaTreeC* chain);
  // Puts a free chain after the last child. False for a null or non-free chain.
  bool appendChild(metaTreeC* chain);
  // Puts a free chain right after this node. False for a null or non-free chain.
  bool insertAfter(metaTreeC* chain);
  // Puts a free chain right before this node. False for a null or non-free chain.
  bool insertBefore(metaTreeC* chain);
  // Unlinks the node (with its children) from parent and siblings.
  void detach();
  // Destroys all children.
  void removeChildren();

  // Number of nodes from this one to the end of its sibling chain (>= 1).
  std::size_t chainCount() const;
  // The n-th sibling counting this node as 0; null past the end.
  metaTreeC* nthSibling(std::size_t n);
  // Number of children.
  std::size_t childCount() const { return firstChild ? firstChild->chainCount() : 0; }
  // The last child, or null.
  metaTreeC* lastChild() const;
  // Number of nodes of this subtree (this node and everything below it).
  std::size_t subtreeCount() const;

  // Free deep copy of this node and its children (values, tag words and
  // reference handles copied, positions kept). Iterative. Never null.
  metaTreeC* copy() const;
  // As copy(), for this node and all its following siblings.
  metaTreeC* copyChain() const;

  bool isIdent(std::string_view key) const { return value.isIdent() && value.text() == key; }

  // The node a resolved reference value points at; null when none.
  metaTreeC* refTarget() const { return hasExtra() ? extraTarget() : nullptr; }
  void setRefTarget(metaTreeC* target);
  // Tells a resolved reference value (possibly to none) from a plain value.
  bool refResolved() const { return (value.kind_ & kResolvedBit) != 0; }
  void setRefResolved(bool resolved) {
    value.kind_ = static_cast<std::uint8_t>(resolved ? value.kind_ | kResolvedBit
                                                     : value.kind_ & ~kResolvedBit);
  }
  // Scratch word used while copying trees with references: a mark number
  // that the copy of a marked node carries too; zero otherwise.
  std::uint32_t tag() const { return hasExtra() ? extraTag() : 0; }
  void setTag(std::uint32_t tag);

  metaValueC value;

 private:
  // Flags kept in the value's spare bits. Few nodes have a reference target
  // or a tag, so those live in a side table keyed by the node; the extra bit
  // says the node has an entry there.
  static constexpr std::uint8_t kResolvedBit = 4;
  static constexpr std::uint8_t kExtraBit = 8;
  bool hasExtra() const { return (value.kind_ & kExtraBit) != 0; }
  metaTreeC* extraTarget() const;
  std::uint32_t extraTag() const;
  void dropExtra();

  ~metaTreeC() {
    if (hasExtra()) dropExtra();
  }
};

// Iterative walks. `first` and, when withSiblings, its following siblings are
// the top level of the walk. The visitor may change the children of the node
// it is given but nothing else of the tree.
//
// Pre-order: a node, then its children, then its next sibling.
template <class Visit>
void metaWalkPreOrder(metaTreeC* first, bool withSiblings, Visit&& visit) {
  metaTreeC* n = first;
  std::size_t depth = 0;
  while (n) {
    visit(n);
    if (n->firstChild) {
      n = n->firstChild;
      ++depth;
      continue;
    }
    while (n) {
      if (n->next && (depth > 0 || withSiblings)) {
        n = n->next;
        break;
      }
      if (depth == 0) return;
      n = n->parent;
      --depth;
    }
  }
}

// Post-order: a node's children before the node, then its next sibling.
template <class Visit>
void metaWalkPostOrder(metaTreeC* first, bool withSiblings, Visit&& visit) {
  if (!first) return;
  std::size_t depth = 0;
  metaTreeC* n = first;
  while (n->firstChild) {
    n = n->firstChild;
    ++depth;
  }
  while (n) {
    // Find the successor before the visit so the visitor may touch the children.
    metaTreeC* succ = nullptr;
    std::size_t succDepth = depth;
    if (n->next && (depth > 0 || withSiblings)) {
      succ = n->next;
      while (succ->firstChild) {
        succ = succ->firstChild;
        ++succDepth;
      }
    } else if (depth > 0) {
      succ = n->parent;
      --succDepth;
    }
    visit(n);
    n = succ;
    depth = succDepth;
  }
}
