// Tree nodes and their link operations. Nothing here recurses: files may nest
// blocks a million deep.
#include "meta/tree.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

std::uint32_t metaTreeChangeCount = 0;

// --- Node pool
//
// Files hold hundreds of thousands of small nodes; carving them from big
// chunks and recycling them through a free list is much cheaper than one heap
// block each. Sanitizer builds use the heap directly so that use-after-free
// stays visible.
#if defined(__SANITIZE_ADDRESS__)
#define DRW_META_NO_POOL 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRW_META_NO_POOL 1
#endif
#endif

#ifndef DRW_META_NO_POOL
namespace {

// Each chunk keeps its own free list and count of live nodes, so that a chunk
// whose nodes are all gone goes back to the system at once: an import that
// frees a big tree as it goes, in file order, then needs no more memory than
// the part still alive. The chunk allocated from is kept even when empty, so
// that a node made and freed over and over does not churn.
class NodePool {
 public:
  void* allocate() {
    Chunk* c = current_;
    Slot* s = c->free;
    if (s)
      c->free = s->next;
    else if (c->used < kChunkNodes)
      s = &c->begin[c->used++];
    else
      return allocateInOtherChunk();
    ++c->live;
    ++live_;
    return s;
  }

  void release(void* p) {
    auto* s = static_cast<Slot*>(p);
    Chunk* c = chunkOf(s);
    s->next = c->free;
    c->free = s;
    --c->live;
    --live_;
    // A chunk that was full, or is now empty, changes lists; the current
    // one is on none.
    if (c != current_ && (c->live == 0 || !c->listed)) settle(c);
  }

  std::size_t live() const { return live_; }

  NodePool() = default;
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;
  ~NodePool() {
    for (Chunk* c : chunks_) ::operator delete(c);
  }

 private:
  union Slot {
    Slot* next;
    alignas(metaTreeC) unsigned char bytes[sizeof(metaTreeC)];
  };
  // Large enough that the C library maps each chunk on its own.
  static constexpr std::size_t kChunkNodes = 4096;
  static constexpr std::uintptr_t kChunkBytes = sizeof(Slot) * kChunkNodes;

  // Sits in front of its nodes in one heap block.
  struct Chunk {
    Slot* begin = nullptr;
    Slot* free = nullptr;
    std::size_t used = 0;  // nodes handed out from begin onwards
    std::size_t live = 0;
    // The list of chunks with free nodes, other than the current one.
    Chunk* prevListed = nullptr;
    Chunk* nextListed = nullptr;
    bool listed = false;
  };

  static bool holds(const Chunk* c, const Slot* s) {
    return reinterpret_cast<std::uintptr_t>(s) - reinterpret_cast<std::uintptr_t>(c->begin) <
           kChunkBytes;
  }

  // Nodes are mostly freed in the order they were made, so the chunk of the
  // last one freed usually holds the next one too.
  Chunk* chunkOf(const Slot* s) {
    if (holds(last_, s)) return last_;
    return last_ = findChunk(s);
  }

  // chunks_ is sorted by address: the chunk is the last one starting at or
  // before the node.
  [[gnu::noinline]] Chunk* findChunk(const Slot* s) const {
    const auto at = reinterpret_cast<std::uintptr_t>(s);
    auto it = std::upper_bound(chunks_.begin(), chunks_.end(), at, [](std::uintptr_t a, Chunk* c) {
      return a < reinterpret_cast<std::uintptr_t>(c->begin);
    });
    return *(it - 1);
  }

  // Kept out of allocate() so that the common case stays small enough to inline.
  [[gnu::noinline]] void* allocateInOtherChunk() {
    if (Chunk* c = firstListed_) {
      unlist(c);
      current_ = c;
    } else {
      current_ = addChunk();
    }
    return allocate();
  }

  Chunk* addChunk() {
    void* block = ::operator new(sizeof(Chunk) + kChunkBytes);
    Chunk* c = new (block) Chunk;
    c->begin = reinterpret_cast<Slot*>(c + 1);
    const auto at = std::lower_bound(chunks_.begin(), chunks_.end(), c,
                                     [](Chunk* a, Chunk* b) { return a->begin < b->begin; });
    chunks_.insert(at, c);
    return c;
  }

  [[gnu::noinline]] void settle(Chunk* c) {
    if (c->live > 0) {
      list(c);
      return;
    }
    if (c->listed) unlist(c);
    if (last_ == c) last_ = &none_;
    const auto at = std::lower_bound(chunks_.begin(), chunks_.end(), c,
                                     [](Chunk* a, Chunk* b) { return a->begin < b->begin; });
    chunks_.erase(at);
    ::operator delete(c);
  }

  void list(Chunk* c) {
    c->listed = true;
    c->prevListed = nullptr;
    c->nextListed = firstListed_;
    if (firstListed_) firstListed_->prevListed = c;
    firstListed_ = c;
  }

  void unlist(Chunk* c) {
    if (c->prevListed)
      c->prevListed->nextListed = c->nextListed;
    else
      firstListed_ = c->nextListed;
    if (c->nextListed) c->nextListed->prevListed = c->prevListed;
    c->listed = false;
    c->prevListed = c->nextListed = nullptr;
  }

  // Stands for "no chunk": full, holding no address, so the first allocation
  // takes the slow path and no node is ever found in it.
  Chunk none_{nullptr, nullptr, kChunkNodes, 0, nullptr, nullptr, false};
  Chunk* current_ = &none_;
  Chunk* last_ = &none_;
  Chunk* firstListed_ = nullptr;
  std::vector<Chunk*> chunks_;  // sorted by address
  std::size_t live_ = 0;
};

// The pool outlives every static that may still free trees in its
// destructor: it goes when the last node does after static destruction has
// begun. That matters for the plug-in, whose unload would otherwise lose the
// pool's chunks every time the host unloads and loads it again.
NodePool* pool = nullptr;
bool closing = false;

NodePool& nodePool() {
  if (!pool) pool = new NodePool;
  return *pool;
}

void dropPoolIfUnused() {
  if (closing && pool && pool->live() == 0) {
    delete pool;
    pool = nullptr;
  }
}

// Constructed at load time, so destroyed after the statics made later.
struct PoolReaper {
  ~PoolReaper() {
    closing = true;
    dropPoolIfUnused();
  }
} reaper;

}  // namespace
#endif

static std::size_t liveNodes = 0;

std::size_t metaTreeLiveNodes() {
  return liveNodes;
}

// Memory for one node. Shared by operator new and the make functions, which
// construct in place so that the reader's hot path has no call for it.
static inline void* allocateNode() {
  ++liveNodes;
#ifdef DRW_META_NO_POOL
  return ::operator new(sizeof(metaTreeC));
#else
  return nodePool().allocate();
#endif
}

void* metaTreeC::operator new(std::size_t size) {
  (void)size;  // always sizeof(metaTreeC): nothing derives from it
  return allocateNode();
}

void metaTreeC::operator delete(void* p) {
  if (p) --liveNodes;
#ifdef DRW_META_NO_POOL
  ::operator delete(p);
#else
  if (p) {
    nodePool().release(p);
    dropPoolIfUnused();
  }
#endif
}

// --- Shared texts
//
// Keys and names come from a small vocabulary, so one copy of each serves
// every value that holds it. The table is process-wide and unsynchronised,
// like the node pool; it counts the values pointing into it and hands its
// memory back once none is left (at once when it has grown large, otherwise
// when the process ends). It stops taking new texts when full, so a file of
// all-different texts costs no more than heap copies would.
namespace {

class TextTable {
 public:
  // The stored copy of text, or null when the table is full.
  const char* find(std::string_view text) {
    if (slots_.empty()) slots_.resize(kFirstSlots);
    const std::uint32_t h = hash(text);
    std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    for (; slots_[i].text; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.hash == h && s.size == text.size() &&
          std::memcmp(s.text, text.data(), text.size()) == 0)
        return s.text;
    }
    if (count_ >= kMaxTexts) return nullptr;
    if ((count_ + 1) * 2 > slots_.size()) {
      grow();
      mask = slots_.size() - 1;
      for (i = h & mask; slots_[i].text; i = (i + 1) & mask) {
      }
    }
    slots_[i] = Slot{store(text), static_cast<std::uint32_t>(text.size()), h};
    ++count_;
    return slots_[i].text;
  }

  void addUser() { ++users_; }
  // True when the last user is gone and the table may go.
  bool dropUser() { return --users_ == 0; }
  std::size_t users() const { return users_; }
  bool large() const { return count_ > kKeepTexts; }

 private:
  struct Slot {
    const char* text = nullptr;
    std::uint32_t size = 0;
    std::uint32_t hash = 0;
  };
  static constexpr std::size_t kFirstSlots = 256;
  static constexpr std::size_t kMaxTexts = 1 << 16;
  static constexpr std::size_t kKeepTexts = 1024;
  static constexpr std::size_t kBlockSize = 1 << 14;

  // Eight bytes at a time (the last word may overlap the one before): shared
  // texts are longer than eight bytes.
  static std::uint32_t hash(std::string_view text) {
    std::uint64_t h = text.size();
    std::size_t i = 0;
    std::uint64_t w;
    for (; i + 8 < text.size(); i += 8) {
      std::memcpy(&w, text.data() + i, 8);
      h = (h ^ w) * 0x9E3779B97F4A7C15u;
      h ^= h >> 29;
    }
    std::memcpy(&w, text.data() + text.size() - 8, 8);
    h = (h ^ w) * 0x9E3779B97F4A7C15u;
    return static_cast<std::uint32_t>(h >> 32);
  }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (!s.text) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].text) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  const char* store(std::string_view text) {
    if (room_ < text.size()) {
      blocks_.push_back(std::make_unique<char[]>(kBlockSize));
      fill_ = blocks_.back().get();
      room_ = kBlockSize;
    }
    char* at = fill_;
    std::memcpy(at, text.data(), text.size());
    fill_ += text.size();
    room_ -= text.size();
    return at;
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* fill_ = nullptr;
  std::size_t room_ = 0;
  std::size_t users_ = 0;
};

// Made on first use and kept through static destruction for as long as
// values still point into it (see the node pool).
TextTable* texts = nullptr;
bool textsClosing = false;

TextTable& textTable() {
  if (!texts) texts = new TextTable;
  return *texts;
}

void releaseSharedText() {
  if (texts->dropUser() && (textsClosing || texts->large())) {
    delete texts;
    texts = nullptr;
  }
}

struct TextTableReaper {
  ~TextTableReaper() {
    textsClosing = true;
    if (texts && texts->users() == 0) {
      delete texts;
      texts = nullptr;
    }
  }
} textReaper;

}  // namespace

// --- Reference targets and tag words
//
// One process-wide table (unsynchronised, like the rest of the model) of the
// few nodes that have either, keyed by the node. The table goes once no entry
// is in use.
namespace {

struct NodeExtra {
  metaTreeC* target = nullptr;
  std::uint32_t tag = 0;
};

std::unordered_map<const metaTreeC*, NodeExtra>* extras = nullptr;

NodeExtra& extraOf(const metaTreeC* node) {
  if (!extras) extras = new std::unordered_map<const metaTreeC*, NodeExtra>;
  return (*extras)[node];
}

}  // namespace

metaTreeC* metaTreeC::extraTarget() const {
  return extras->find(this)->second.target;
}

std::uint32_t metaTreeC::extraTag() const {
  return extras->find(this)->second.tag;
}

void metaTreeC::setRefTarget(metaTreeC* target) {
  if (!hasExtra() && !target) return;
  extraOf(this).target = target;
  value.kind_ |= kExtraBit;
}

void metaTreeC::setTag(std::uint32_t tag) {
  if (!hasExtra() && !tag) return;
  extraOf(this).tag = tag;
  value.kind_ |= kExtraBit;
}

void metaTreeC::dropExtra() {
  extras->erase(this);
  value.kind_ &= static_cast<std::uint8_t>(~kExtraBit);
  if (extras->empty()) {
    delete extras;
    extras = nullptr;
  }
}

// --- Values

metaValueC::metaValueC(const metaValueC& other) : line(other.line) {
  u_.number = 0.0;
  *this = other;
}

metaValueC& metaValueC::operator=(const metaValueC& other) {
  if (this == &other) return *this;
  line = other.line;
  if (other.isIdent() || other.isString()) {
    if (other.store_ == kShared) {
      // Another user of the same shared copy: no lookup needed.
      textTable().addUser();
      releaseText();
      u_.text = other.u_.text;
      store_ = kShared;
      size_ = other.size_;
      setKind(other.kind());
    } else {
      setText(other.kind(), other.text());
    }
  } else {
    releaseText();
    setKind(other.kind());
    u_.number = other.u_.number;
  }
  return *this;
}

std::string_view metaValueC::longText() const {
  std::size_t size;
  std::memcpy(&size, u_.text - sizeof size, sizeof size);
  return std::string_view(u_.text, size);
}

void metaValueC::releaseOwnedText() {
  if (store_ == kHeap) {
    delete[](u_.text - sizeof(std::size_t));
  } else {
    releaseSharedText();
  }
  store_ = kInPlace;
}

void metaValueC::setNone() {
  releaseText();
  setKind(metaKindNone);
  u_.number = 0.0;
}

void metaValueC::setText(metaValueKind kind, std::string_view text) {
  // The text may live in this very value: take the new copy before
  // releasing the old one.
  if (text.size() <= kInPlaceSize) {
    // Two overlapping fixed-size copies instead of a library call: most
    // texts of a file are this short.
    char buf[kInPlaceSize] = {};
    const char* from = text.data();
    const std::size_t n = text.size();
    if (n >= 4) {
      std::memcpy(buf, from, 4);
      std::memcpy(buf + n - 4, from + n - 4, 4);
    } else if (n >= 2) {
      std::memcpy(buf, from, 2);
      std::memcpy(buf + n - 2, from + n - 2, 2);
    } else if (n == 1) {
      buf[0] = from[0];
    }
    releaseText();
    std::memcpy(u_.inPlace, buf, kInPlaceSize);
    store_ = kInPlace;
    size_ = static_cast<std::uint16_t>(text.size());
  } else if (const char* shared =
                 text.size() <= kMaxSharedSize ? textTable().find(text) : nullptr) {
    textTable().addUser();
    releaseText();
    u_.text = shared;
    store_ = kShared;
    size_ = static_cast<std::uint16_t>(text.size());
  } else {
    const std::size_t size = text.size();
    char* heap = new char[sizeof size + size];
    std::memcpy(heap, &size, sizeof size);
    std::memcpy(heap + sizeof size, text.data(), size);
    releaseText();
    u_.text = heap + sizeof size;
    store_ = kHeap;
    size_ = size < kLongText ? static_cast<std::uint16_t>(size) : kLongText;
  }
  setKind(kind);
}

void metaValueC::setIdent(std::string_view text) {
  setText(metaKindIdent, text);
}
void metaValueC::setString(std::string_view text) {
  setText(metaKindString, text);
}

void metaValueC::setNumber(double value) {
  releaseText();
  setKind(metaKindNumber);
  u_.number = value;
}

metaTreeC* metaTreeC::makeIdent(std::string_view text, std::int32_t line) {
  auto* n = ::new (allocateNode()) metaTreeC;
  n->value.setIdent(text);
  n->value.line = line;
  return n;
}

metaTreeC* metaTreeC::makeString(std::string_view text, std::int32_t line) {
  auto* n = ::new (allocateNode()) metaTreeC;
  n->value.setString(text);
  n->value.line = line;
  return n;
}

metaTreeC* metaTreeC::makeNumber(double value, std::int32_t line) {
  auto* n = ::new (allocateNode()) metaTreeC;
  n->value.setNumber(value);
  n->value.line = line;
  return n;
}

metaTreeC* metaTreeC::makeNone() {
  return ::new (allocateNode()) metaTreeC;
}

void metaTreeC::destroy(metaTreeC* node) {
  if (!node) return;
  if (node->prev) {
    node->prev->next = nullptr;
  } else if (node->parent && node->parent->firstChild == node) {
    node->parent->firstChild = nullptr;
  }
  ++metaTreeChangeCount;
  // Post-order through the parent links: go down to a leaf, free it, go on
  // with its next sibling or, when it was the last, with its parent (now a
  // leaf). Every node is visited once; no stack.
  metaTreeC* n = node;
  std::size_t depth = 0;
  for (;;) {
    while (n->firstChild) {
      n = n->firstChild;
      ++depth;
    }
    metaTreeC* following = n->next;
    metaTreeC* parent = n->parent;
    delete n;
    if (following) {
      n = following;
    } else if (depth > 0) {
      --depth;
      n = parent;
      n->firstChild = nullptr;
    } else {
      return;
    }
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
  c->setTag(src->tag());
  c->setRefTarget(src->refTarget());
  c->setRefResolved(src->refResolved());
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

static_assert(sizeof(metaValueC) == 16, "values are many: keep them at sixteen bytes");
static_assert(sizeof(metaTreeC) <= 48, "nodes are many: keep them small");
