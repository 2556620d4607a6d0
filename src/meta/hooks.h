// Load hooks, copy hooks and references (MOREF sections).
//
// After a file is read, sections whose key has a load-hook prototype get three
// post-order passes (prepare, resolve, finish). While trees are copied,
// sections whose key has a copy-hook prototype mark, replace and retarget.
// MOREF { REFTRG { n } } is such a section: n is the 1-based pre-order number
// of the target node in the whole file, and after loading the REFTRG value
// holds the target node itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "meta/object.h"
#include "meta/registry.h"

// Hook slots run by the loader (and by a writer for slots 1 to 3).
enum class metaStorageSlot {
  resolve = 0,     // after loading: turn stored data into its in-memory form
  unresolve = 1,   // before writing: turn the in-memory form back into file data
  forgetRoot = 2,  // before writing: forget the node index table's root
  spare = 3,       // unused
  prepare = 4,     // before resolving
  finish = 5,      // after resolving
};

// A view with load/store hook slots. The base forwards each slot to the
// prototype registered for the node's key in metaLoadHookRegistry(); without
// one a slot does nothing and returns 0.
class metaObjectCustomStorageC : public virtual metaObjectC {
 public:
  metaObjectCustomStorageC() = default;
  explicit metaObjectCustomStorageC(metaTreeC* node) : metaObjectVirtualDataBaseC(node, false) {}
  // 0 when no prototype takes the slot.
  virtual int storageHook(metaStorageSlot slot) const;
};

// A view with copy hook slots, forwarded through metaCopyHookRegistry().
class metaObjectCustomCopyC : public virtual metaObjectC {
 public:
  metaObjectCustomCopyC() = default;
  explicit metaObjectCustomCopyC(metaTreeC* node) : metaObjectVirtualDataBaseC(node, false) {}
  // Slot 1, on the source before copying: mark what the copy must find again. 0 by default.
  virtual int copyMark() const;
  // Slot 0, per node while copying: a free replacement chain for the node and
  // its children, or null to copy it plainly (the default).
  virtual metaTreeC* copyReplace() const;
  // Slot 2, on the copy afterwards: fix what the marks point at. 0 by default.
  virtual int copyRetarget() const;
};

// View of a MOREF section.
class metaObjectRefC : public metaObjectCustomStorageC, public metaObjectCustomCopyC {
 public:
  metaObjectRefC() = default;
  explicit metaObjectRefC(metaTreeC* node) : metaObjectVirtualDataBaseC(node, false) {}

  // The referenced node; null when unresolved, resolved to none, or the view is empty.
  metaTreeC* target() const;
  // A non-owning view of the target; an empty view when there is none.
  template <class V>
  V targetView() const {
    V v;
    v.bind(target(), false);
    return v;
  }
  // Points the reference at node (null for none); false for an empty view or
  // when REFTRG holds a value that is no number.
  bool setTarget(metaTreeC* node) const;

  int storageHook(metaStorageSlot slot) const override;
  int copyMark() const override;
  metaTreeC* copyReplace() const override;
  int copyRetarget() const override;
};

// Registries of the hook prototypes; both hold MOREF from the start.
metaPrototypeRegistry& metaLoadHookRegistry();
metaPrototypeRegistry& metaCopyHookRegistry();

// Runs the load hooks over first and everything below it (not over the top
// level nodes after it). Nothing when no node there has a load-hook key.
void metaRunLoadHooks(metaTreeC* first);
// As metaRunLoadHooks, for a caller that already has the nodes below first
// (first included) whose key has a load hook, in post-order.
void metaRunLoadHooksOn(metaTreeC* first, const std::vector<metaTreeC*>& hooked);

// Deep copy of node with its children, and with its following siblings when
// withSiblings, running the copy hooks: references inside the copied nodes
// point at the copies of their targets (references to nodes outside resolve to
// none). Null for null.
metaTreeC* metaDeepCopy(const metaTreeC* node, bool withSiblings);

// Pre-order table of one tree, with lookups by node and by tag word. One per
// process, built lazily for a named root and kept until another root is named.
class metaNodeIndexTable {
 public:
  // The process-wide table.
  static metaNodeIndexTable& instance();

  // Forgets the root: the next use builds afresh.
  void forgetRoot();
  // Builds the table for the tree that holds node (its topmost ancestor and the
  // siblings of that one) unless it is already built for that root.
  void useTreeOf(const metaTreeC* node);
  // Releases the memory held; the table is then not built.
  void clear();
  // While set, every node given to useTreeOf is taken to belong to the tree of
  // root, which spares a climb to the top per reference (deep trees with many
  // references would make that quadratic). Null unsets it.
  void assumeRoot(const metaTreeC* root) { assumedRoot_ = root; }
  // Offers the pre-order list of the tree of root (its topmost node and the
  // siblings of that one), as a reader has it at hand: the next build for
  // that root takes the list instead of walking the tree, unless the tree has
  // changed since. The nodes must carry no tag words, as freshly read ones.
  void offerPreOrder(const metaTreeC* root, std::vector<metaTreeC*>&& nodes);

  bool isBuilt() const { return built_; }
  std::size_t size() const { return nodes_.size(); }
  // The n-th node (1-based pre-order number); null outside 1..size().
  metaTreeC* nodeAt(long long n) const;
  // 1-based pre-order number of node; 0 when it is not in the table.
  std::size_t numberOf(const metaTreeC* node);
  // The node whose tag word equals tag; null when none (or tag is 0).
  metaTreeC* nodeWithTag(std::uint32_t tag) const;

 private:
  const metaTreeC* root_ = nullptr;
  const metaTreeC* assumedRoot_ = nullptr;
  bool built_ = false;
  std::uint32_t stamp_ = 0;  // metaTreeChangeCount at build time
  std::vector<metaTreeC*> nodes_;
  const metaTreeC* offeredRoot_ = nullptr;
  std::uint32_t offeredStamp_ = 0;  // metaTreeChangeCount when offered
  std::vector<metaTreeC*> offered_;
  std::vector<std::uint32_t> byAddress_;
  std::vector<std::uint32_t> byTag_;
};
