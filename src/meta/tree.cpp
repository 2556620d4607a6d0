// Tree nodes and their link operations. Nothing here recurses: files may nest
// blocks a million deep.
#include "meta/tree.h"

std::uint32_t metaTreeChangeCount = 0;

void metaValueC::setNone() {
  kind_ = metaKindNone;
  number_ = 0.0;
  std::string().swap(text_);
}

void metaValueC::setText(metaValueKind kind, std::string_view text) {
  kind_ = kind;
  number_ = 0.0;
  text_.assign(text.data(), text.size());
}

void metaValueC::setIdent(std::string_view text) {
  setText(metaKindIdent, text);
}
void metaValueC::setString(std::string_view text) {
  setText(metaKindString, text);
}

void metaValueC::setNumber(double value) {
  if (kind_ != metaKindNumber) std::string().swap(text_);
  kind_ = metaKindNumber;
  number_ = value;
}

metaTreeC* metaTreeC::makeIdent(std::string_view text, std::int32_t line) {
  auto* n = new metaTreeC;
  n->value.setIdent(text);
  n->value.line = line;
  n->value.column = line < 0 ? -1 : 0;
  return n;
}

metaTreeC* metaTreeC::makeString(std::string_view text, std::int32_t line) {
  auto* n = new metaTreeC;
  n->value.setString(text);
  n->value.line = line;
  n->value.column = line < 0 ? -1 : 0;
  return n;
}

metaTreeC* metaTreeC::makeNumber(double value, std::int32_t line) {
  auto* n = new metaTreeC;
  n->value.setNumber(value);
  n->value.line = line;
  n->value.column = line < 0 ? -1 : 0;
  return n;
}

metaTreeC* metaTreeC::makeNone() {
  return new metaTreeC;
}

void metaTreeC::destroy(metaTreeC* node) {
  if (!node) return;
  if (node->prev) {
    node->prev->next = nullptr;
  } else if (node->parent && node->parent->firstChild == node) {
    node->parent->firstChild = nullptr;
  }
  ++metaTreeChangeCount;
  // Splice each node's children in front of its next sibling, then free the
  // node: every node is visited once as a chain member, so this is linear.
  metaTreeC* n = node;
  while (n) {
    if (n->firstChild) {
      metaTreeC* last = n->firstChild;
      while (last->next) last = last->next;
      last->next = n->next;
      n->next = n->firstChild;
    }
    metaTreeC* following = n->next;
    delete n;
    n = following;
  }
}

static bool isFreeChain(const metaTreeC* chain) {
  return chain && !chain->parent && !chain->prev;
}

// Sets the parent of every chain member and returns the last one.
static metaTreeC* adoptChain(metaTreeC* chain, metaTreeC* parent) {
  metaTreeC* last = chain;
  for (metaTreeC* n = chain; n; n = n->next) {
    n->parent = parent;
    last = n;
  }
  return last;
}

bool metaTreeC::prependChildren(metaTreeC* chain) {
  if (!isFreeChain(chain) || chain == this) return false;
  metaTreeC* last = adoptChain(chain, this);
  last->next = firstChild;
  if (firstChild) firstChild->prev = last;
  firstChild = chain;
  ++metaTreeChangeCount;
  return true;
}

bool metaTreeC::appendChild(metaTreeC* chain) {
  if (!isFreeChain(chain) || chain == this) return false;
  metaTreeC* tail = lastChild();
  adoptChain(chain, this);
  if (tail) {
    tail->next = chain;
    chain->prev = tail;
  } else {
    firstChild = chain;
  }
  ++metaTreeChangeCount;
  return true;
}

bool metaTreeC::insertAfter(metaTreeC* chain) {
  if (!isFreeChain(chain) || chain == this) return false;
  metaTreeC* last = adoptChain(chain, parent);
  last->next = next;
  if (next) next->prev = last;
  next = chain;
  chain->prev = this;
  ++metaTreeChangeCount;
  return true;
}

bool metaTreeC::insertBefore(metaTreeC* chain) {
  if (!isFreeChain(chain) || chain == this) return false;
  metaTreeC* last = adoptChain(chain, parent);
  chain->prev = prev;
  if (prev) {
    prev->next = chain;
  } else if (parent) {
    parent->firstChild = chain;
  }
  last->next = this;
  prev = last;
  ++metaTreeChangeCount;
  return true;
}

void metaTreeC::detach() {
  if (prev) {
    prev->next = next;
  } else if (parent && parent->firstChild == this) {
    parent->firstChild = next;
  }
  if (next) next->prev = prev;
  parent = nullptr;
  next = nullptr;
  prev = nullptr;
  ++metaTreeChangeCount;
}

void metaTreeC::removeChildren() {
  if (firstChild) destroy(firstChild);
}

std::size_t metaTreeC::chainCount() const {
  std::size_t count = 0;
  for (const metaTreeC* n = this; n; n = n->next) ++count;
  return count;
}

metaTreeC* metaTreeC::nthSibling(std::size_t n) {
  metaTreeC* node = this;
  while (node && n > 0) {
    node = node->next;
    --n;
  }
  return node;
}

metaTreeC* metaTreeC::lastChild() const {
  metaTreeC* n = firstChild;
  while (n && n->next) n = n->next;
  return n;
}

std::size_t metaTreeC::subtreeCount() const {
  std::size_t count = 0;
  metaWalkPreOrder(const_cast<metaTreeC*>(this), false, [&](metaTreeC*) { ++count; });
  return count;
}

static metaTreeC* cloneOne(const metaTreeC* src) {
  auto* c = metaTreeC::makeNone();
  c->value = src->value;
  c->tag = src->tag;
  c->refTarget = src->refTarget;
  c->refResolved = src->refResolved;
  return c;
}

// Walks the source pre-order, building the copy alongside with the same links.
static metaTreeC* copyNodes(const metaTreeC* src, bool withSiblings) {
  const metaTreeC* s = src;
  metaTreeC* head = cloneOne(s);
  metaTreeC* c = head;
  std::size_t depth = 0;
  for (;;) {
    if (s->firstChild) {
      s = s->firstChild;
      metaTreeC* nc = cloneOne(s);
      nc->parent = c;
      c->firstChild = nc;
      c = nc;
      ++depth;
      continue;
    }
    for (;;) {
      if (s->next && (depth > 0 || withSiblings)) {
        s = s->next;
        metaTreeC* nc = cloneOne(s);
        nc->parent = c->parent;
        nc->prev = c;
        c->next = nc;
        c = nc;
        break;
      }
      if (depth == 0) {
        ++metaTreeChangeCount;
        return head;
      }
      s = s->parent;
      c = c->parent;
      --depth;
    }
  }
}

metaTreeC* metaTreeC::copy() const {
  return copyNodes(this, false);
}
metaTreeC* metaTreeC::copyChain() const {
  return copyNodes(this, true);
}
