// Load and copy hooks, references and the node index table.
//
// A resolved reference is kept losslessly: the REFTRG value node holds the
// target node in refTarget (refResolved set) next to its number, instead of a
// node address squeezed into the double. The number keeps the pre-order number
// read from the file (0 for none). A copy marks each target with a fresh number
// in its tag word (not an address), which the target's copy carries too.
#include "meta/hooks.h"

#include <algorithm>

namespace {

constexpr const char* kRefKey = "MOREF";
constexpr const char* kRefTargetKey = "REFTRG";

metaPrototypeRegistry makeHookRegistry() {
  metaPrototypeRegistry r;
  r.registerPrototype(kRefKey, std::make_unique<metaObjectRefC>(), 2);
  return r;
}

// True when node or any identifier below it (or, with siblings, any following
// top-level node) has a key registered in registry.
bool anyKeyIn(const metaPrototypeRegistry& registry, const metaTreeC* first, bool withSiblings) {
  if (registry.size() == 0) return false;
  bool found = false;
  metaWalkPreOrder(const_cast<metaTreeC*>(first), withSiblings, [&](metaTreeC* n) {
    if (!found && n->value.isIdent() && registry.lookup(n->value.text())) found = true;
  });
  return found;
}

// The REFTRG value node of a MOREF section, or null.
metaTreeC* refValueNode(const metaTreeC* moref) {
  if (!moref) return nullptr;
  for (metaTreeC* c = moref->firstChild; c; c = c->next) {
    if (c->isIdent(kRefTargetKey)) return c->firstChild;
  }
  return nullptr;
}

}  // namespace

metaPrototypeRegistry& metaLoadHookRegistry() {
  static metaPrototypeRegistry registry = makeHookRegistry();
  return registry;
}

metaPrototypeRegistry& metaCopyHookRegistry() {
  static metaPrototypeRegistry registry = makeHookRegistry();
  return registry;
}

// --- Hook slot bases: forward to the registered prototype.

int metaObjectCustomStorageC::storageHook(metaStorageSlot slot) const {
  return metaDispatch(metaLoadHookRegistry(), *this, 0,
                      [slot](const metaObjectCustomStorageC& p) { return p.storageHook(slot); });
}

int metaObjectCustomCopyC::copyMark() const {
  return metaDispatch(metaCopyHookRegistry(), *this, 0,
                      [](const metaObjectCustomCopyC& p) { return p.copyMark(); });
}

metaTreeC* metaObjectCustomCopyC::copyReplace() const {
  return metaDispatch(metaCopyHookRegistry(), *this, static_cast<metaTreeC*>(nullptr),
                      [](const metaObjectCustomCopyC& p) { return p.copyReplace(); });
}

int metaObjectCustomCopyC::copyRetarget() const {
  return metaDispatch(metaCopyHookRegistry(), *this, 0,
                      [](const metaObjectCustomCopyC& p) { return p.copyRetarget(); });
}

// --- References

metaTreeC* metaObjectRefC::target() const {
  metaTreeC* v = refValueNode(node());
  return v && v->refResolved() ? v->refTarget() : nullptr;
}

bool metaObjectRefC::setTarget(metaTreeC* target) const {
  if (!node()) return false;
  metaObjectC key(child(kRefTargetKey));
  if (!key.node()->firstChild) key.setNumber(0.0);
  metaTreeC* v = key.node()->firstChild;
  if (!v->value.isNumber()) return false;
  v->setRefTarget(target);
  v->setRefResolved(true);
  return true;
}

int metaObjectRefC::storageHook(metaStorageSlot slot) const {
  metaNodeIndexTable& table = metaNodeIndexTable::instance();
  switch (slot) {
    case metaStorageSlot::prepare:
      table.forgetRoot();
      return 0;
    case metaStorageSlot::resolve: {
      if (!node()) return 0;
      table.useTreeOf(node());
      metaObjectC key(child(kRefTargetKey));
      long long n = key.getInt();
      metaTreeC* target = table.nodeAt(n);
      // A value of another kind stays as it is and the reference stays unresolved.
      if (!key.setNumber(target ? static_cast<double>(n) : 0.0)) return 0;
      metaTreeC* v = key.node()->firstChild;
      v->setRefTarget(target);
      v->setRefResolved(true);
      return 0;
    }
    case metaStorageSlot::unresolve: {
      metaTreeC* v = refValueNode(node());
      if (!v || !v->refResolved() || !v->value.isNumber()) return 0;
      table.useTreeOf(node());
      v->value.setNumber(static_cast<double>(table.numberOf(v->refTarget())));
      v->setRefTarget(nullptr);
      v->setRefResolved(false);
      return 0;
    }
    case metaStorageSlot::forgetRoot:
      table.forgetRoot();
      return 0;
    case metaStorageSlot::spare:
    case metaStorageSlot::finish:
      return 0;
  }
  return 0;
}

namespace {
std::uint32_t lastCopyMark = 0;  // reset by every deep copy
}  // namespace

int metaObjectRefC::copyMark() const {
  metaNodeIndexTable::instance().forgetRoot();
  metaTreeC* t = target();
  if (t && t->tag() == 0) t->setTag(++lastCopyMark);
  return 0;
}

metaTreeC* metaObjectRefC::copyReplace() const {
  return nullptr;
}

int metaObjectRefC::copyRetarget() const {
  metaTreeC* v = refValueNode(node());
  if (!v || !v->refResolved()) return 0;
  metaNodeIndexTable& table = metaNodeIndexTable::instance();
  table.useTreeOf(node());
  // refTarget still names the source's target; its mark leads to the copy.
  metaTreeC* t = v->refTarget() ? table.nodeWithTag(v->refTarget()->tag()) : nullptr;
  v->setRefTarget(t);
  if (!t) v->value.setNumber(0.0);
  return 0;
}

// --- Load hooks

void metaRunLoadHooks(metaTreeC* first) {
  const metaPrototypeRegistry& registry = metaLoadHookRegistry();
  if (!first || registry.size() == 0) return;
  // One walk finds the nodes with a hooked key in post-order; the three slot
  // passes then visit just those, in that order. The hooks only touch the
  // children of their own node and add no hooked keys, so this is the same as
  // walking the whole tree three times.
  std::vector<metaTreeC*> hooked;
  metaWalkPostOrder(first, false, [&](metaTreeC* n) {
    if (n->value.isIdent() && registry.lookup(n->value.text())) hooked.push_back(n);
  });
  metaRunLoadHooksOn(first, hooked);
}

void metaRunLoadHooksOn(metaTreeC* first, const std::vector<metaTreeC*>& hooked) {
  if (!first || hooked.empty()) return;
  metaObjectCustomStorageC view;
  metaNodeIndexTable::instance().assumeRoot(first);
  for (metaStorageSlot slot :
       {metaStorageSlot::prepare, metaStorageSlot::resolve, metaStorageSlot::finish}) {
    for (metaTreeC* n : hooked) {
      view.bind(n, false);
      view.storageHook(slot);
    }
  }
  // The table served this load only; give its memory back.
  metaNodeIndexTable::instance().assumeRoot(nullptr);
  metaNodeIndexTable::instance().clear();
}

// --- Copies

namespace {

// Copies the chain pre-order like metaTreeC::copyChain, letting slot 0 supply
// replacements for whole subtrees.
metaTreeC* copyWithReplacements(const metaTreeC* src, bool withSiblings) {
  metaObjectCustomCopyC view;
  const metaPrototypeRegistry& registry = metaCopyHookRegistry();
  // Copy of s, or its replacement; sets `replaced` when its children must be skipped.
  auto cloneOrReplace = [&](const metaTreeC* s, bool& replaced) {
    replaced = false;
    if (s->value.isIdent() && registry.lookup(s->value.text())) {
      view.bind(const_cast<metaTreeC*>(s), false);
      if (metaTreeC* r = view.copyReplace()) {
        replaced = true;
        return r;
      }
    }
    metaTreeC* c = metaTreeC::makeNone();
    c->value = s->value;
    c->setTag(s->tag());
    c->setRefTarget(s->refTarget());
    c->setRefResolved(s->refResolved());
    return c;
  };
  // Links a (possibly multi-node) replacement chain and returns its last node.
  auto linkLast = [](metaTreeC* c, metaTreeC* parent) {
    metaTreeC* last = c;
    for (metaTreeC* n = c; n; n = n->next) {
      n->parent = parent;
      last = n;
    }
    return last;
  };

  bool replaced = false;
  const metaTreeC* s = src;
  metaTreeC* head = cloneOrReplace(s, replaced);
  metaTreeC* c = linkLast(head, nullptr);
  std::size_t depth = 0;
  for (;;) {
    if (!replaced && s->firstChild) {
      s = s->firstChild;
      metaTreeC* nc = cloneOrReplace(s, replaced);
      c->firstChild = nc;
      metaTreeC* parent = c;
      c = linkLast(nc, parent);
      ++depth;
      continue;
    }
    for (;;) {
      if (s->next && (depth > 0 || withSiblings)) {
        s = s->next;
        metaTreeC* nc = cloneOrReplace(s, replaced);
        c->next = nc;
        nc->prev = c;
        c = linkLast(nc, c->parent);
        break;
      }
      if (depth == 0) {
        ++metaTreeChangeCount;
        return head;
      }
      s = s->parent;
      c = c->parent;
      --depth;
      replaced = false;
    }
  }
}

}  // namespace

metaTreeC* metaDeepCopy(const metaTreeC* node, bool withSiblings) {
  if (!node) return nullptr;
  const metaPrototypeRegistry& registry = metaCopyHookRegistry();
  if (!anyKeyIn(registry, node, withSiblings))
    return withSiblings ? node->copyChain() : node->copy();

  auto* source = const_cast<metaTreeC*>(node);
  metaObjectCustomCopyC view;
  auto eachHooked = [&](metaTreeC* first, auto&& call) {
    metaWalkPostOrder(first, withSiblings, [&](metaTreeC* n) {
      if (!n->value.isIdent() || !registry.lookup(n->value.text())) return;
      view.bind(n, false);
      call();
    });
  };
  // Targets referenced from inside the source may lie outside it; remember
  // them so their marks can be cleared again afterwards.
  std::vector<metaTreeC*> marked;
  lastCopyMark = 0;
  metaWalkPostOrder(source, withSiblings, [&](metaTreeC* n) {
    if (n->refResolved() && n->refTarget()) marked.push_back(n->refTarget());
  });
  eachHooked(source, [&] { view.copyMark(); });
  metaTreeC* copy = copyWithReplacements(source, withSiblings);
  metaNodeIndexTable::instance().assumeRoot(copy);
  eachHooked(copy, [&] { view.copyRetarget(); });
  metaNodeIndexTable::instance().assumeRoot(nullptr);

  // Marks are scratch data: leave neither tree carrying them.
  for (metaTreeC* t : marked) t->setTag(0);
  metaWalkPreOrder(copy, true, [](metaTreeC* n) { n->setTag(0); });
  metaNodeIndexTable::instance().clear();
  return copy;
}

// --- Node index table

metaNodeIndexTable& metaNodeIndexTable::instance() {
  static metaNodeIndexTable table;
  return table;
}

void metaNodeIndexTable::forgetRoot() {
  root_ = nullptr;
  built_ = false;
}

void metaNodeIndexTable::offerPreOrder(const metaTreeC* root, std::vector<metaTreeC*>&& nodes) {
  offeredRoot_ = root;
  offeredStamp_ = metaTreeChangeCount;
  offered_ = std::move(nodes);
}

void metaNodeIndexTable::clear() {
  forgetRoot();
  offeredRoot_ = nullptr;
  std::vector<metaTreeC*>().swap(offered_);
  std::vector<metaTreeC*>().swap(nodes_);
  std::vector<std::uint32_t>().swap(byAddress_);
  std::vector<std::uint32_t>().swap(byTag_);
}

void metaNodeIndexTable::useTreeOf(const metaTreeC* node) {
  if (!node) return;
  const metaTreeC* root = assumedRoot_;
  if (!root) {
    root = node;
    while (root->parent) root = root->parent;
    while (root->prev) root = root->prev;
  }
  if (built_ && root_ == root) return;

  root_ = root;
  built_ = true;
  stamp_ = metaTreeChangeCount;
  nodes_.clear();
  byAddress_.clear();  // sorted on first use (only writers need it)
  byTag_.clear();
  if (offeredRoot_ == root && offeredStamp_ == metaTreeChangeCount) {
    // The offered list is this tree as it is now, and has no tagged nodes.
    nodes_.swap(offered_);
    offeredRoot_ = nullptr;
    std::vector<metaTreeC*>().swap(offered_);
    return;
  }
  // One pass; sized up front from the live node count to avoid regrowing.
  nodes_.reserve(metaTreeLiveNodes());
  metaWalkPreOrder(const_cast<metaTreeC*>(root), true, [&](metaTreeC* n) {
    if (n->tag() != 0) byTag_.push_back(static_cast<std::uint32_t>(nodes_.size()));
    nodes_.push_back(n);
  });
  std::sort(byTag_.begin(), byTag_.end(),
            [&](std::uint32_t a, std::uint32_t b) { return nodes_[a]->tag() < nodes_[b]->tag(); });
}

metaTreeC* metaNodeIndexTable::nodeAt(long long n) const {
  if (!built_ || n < 1 || static_cast<unsigned long long>(n) > nodes_.size()) return nullptr;
  return nodes_[static_cast<std::size_t>(n - 1)];
}

std::size_t metaNodeIndexTable::numberOf(const metaTreeC* node) {
  if (!built_ || !node) return 0;
  if (byAddress_.size() != nodes_.size()) {
    byAddress_.resize(nodes_.size());
    for (std::uint32_t i = 0; i < nodes_.size(); ++i) byAddress_[i] = i;
    std::sort(byAddress_.begin(), byAddress_.end(), [&](std::uint32_t a, std::uint32_t b) {
      return std::less<const metaTreeC*>()(nodes_[a], nodes_[b]);
    });
  }
  auto it = std::lower_bound(byAddress_.begin(), byAddress_.end(), node,
                             [&](std::uint32_t i, const metaTreeC* key) {
                               return std::less<const metaTreeC*>()(nodes_[i], key);
                             });
  if (it == byAddress_.end() || nodes_[*it] != node) return 0;
  return *it + 1;
}

metaTreeC* metaNodeIndexTable::nodeWithTag(std::uint32_t tag) const {
  if (!built_ || tag == 0) return nullptr;
  auto it =
      std::lower_bound(byTag_.begin(), byTag_.end(), tag,
                       [&](std::uint32_t i, std::uint32_t key) { return nodes_[i]->tag() < key; });
  if (it == byTag_.end() || nodes_[*it]->tag() != tag) return nullptr;
  return nodes_[*it];
}
