#include "groups.h"

#include <cstdlib>
#include <cstring>

#include "plugin/ads.h"

namespace drafthost {

namespace {

constexpr ValueKind kindOfCode(int c) {
  switch (c) {
    case RTREAL:
    case RTANG:
      return ValueKind::Real;
    case RTPOINT:
    case RT3DPOINT:
      return ValueKind::Point;
    case RTSHORT:
      return ValueKind::Short;
    case RTSTR:
    case RTDXF0:
      return ValueKind::String;
    case RTENAME:
    case RTPICKS:
    case -1:
    case -2:
      return ValueKind::Name;
    case RTLONG:
      return ValueKind::Long;
    default:
      break;
  }
  if ((c >= 0 && c <= 9) || c == 100 || c == 102 || c == 105 || (c >= 300 && c <= 309) ||
      (c >= 410 && c <= 419) || (c >= 430 && c <= 439) || (c >= 470 && c <= 479) || c == 999 ||
      (c >= 1000 && c <= 1009))
    return ValueKind::String;
  if ((c >= 10 && c <= 39) || c == 210 || (c >= 1010 && c <= 1039)) return ValueKind::Point;
  if ((c >= 40 && c <= 59) || (c >= 140 && c <= 149) || (c >= 460 && c <= 469) ||
      (c >= 1040 && c <= 1042))
    return ValueKind::Real;
  if ((c >= 60 && c <= 79) || (c >= 170 && c <= 179) || (c >= 270 && c <= 299) ||
      (c >= 370 && c <= 389) || (c >= 400 && c <= 409) || (c >= 1060 && c <= 1070))
    return ValueKind::Short;
  if ((c >= 90 && c <= 99) || (c >= 420 && c <= 429) || (c >= 440 && c <= 459) || c == 1071)
    return ValueKind::Long;
  if (c >= 330 && c <= 369) return ValueKind::Name;
  return ValueKind::None;
}

}  // namespace

// Every group of every list comes through kindOf, mostly with a DXF group
// code: the table answers those in one step.
constexpr std::array<ValueKind, kKindTableSize> kKindTable = [] {
  std::array<ValueKind, kKindTableSize> table{};
  for (int i = 0; i < kKindTableSize; ++i) table[static_cast<std::size_t>(i)] = kindOfCode(i);
  return table;
}();

ValueKind kindOfOther(int c) {
  return kindOfCode(c);
}

namespace {

// Result buffers freed lately, linked through rbnext, for the next chains: an
// import makes and frees a chain for every entity, and calloc and free would
// cost more than filling the buffers. Each buffer is still a block of its
// own from calloc, so a caller that frees one itself does nothing wrong.
struct SpareBuffers {
  resbuf* head = nullptr;
  std::size_t count = 0;
};
// Under AddressSanitizer every buffer goes back to free, so that a buffer
// used after ads_relrb is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kMaxSpares = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kMaxSpares = 0;
#else
constexpr std::size_t kMaxSpares = 1024;
#endif
#else
constexpr std::size_t kMaxSpares = 1024;
#endif

SpareBuffers& spares() {
  static SpareBuffers s;
  return s;
}

// Strings of freed buffers, by size, for the strings of the next chains: a
// list for an entity holds its type and layer, and malloc and free for them
// would cost more than the rest of the list. A string's size is taken as its
// length when freed, which its block holds whatever the caller did with it,
// and a kept block is given again only for a string of that very size. Each
// is still a block of its own from malloc.
constexpr std::size_t kMaxPooledSize = 32;
constexpr std::size_t kPooledPerSize = 16;
// Under AddressSanitizer every string goes back to free, as the buffers do.
constexpr bool kPoolStrings = kMaxSpares > 0;
struct SpareStrings {
  std::array<std::array<char*, kPooledPerSize>, kMaxPooledSize + 1> items{};
  std::array<std::size_t, kMaxPooledSize + 1> count{};
};

SpareStrings& spareStrings() {
  static SpareStrings s;
  return s;
}

}  // namespace

char* newString(const char* text, std::size_t size) {
  SpareStrings& s = spareStrings();
  char* out = nullptr;
  if (size <= kMaxPooledSize && s.count[size] > 0)
    out = s.items[size][--s.count[size]];
  else
    out = static_cast<char*>(std::malloc(size));
  if (out) std::memcpy(out, text, size);
  return out;
}

void freeString(char* text) {
  if (!text) return;
  SpareStrings& s = spareStrings();
  const std::size_t size = std::strlen(text) + 1;
  if (kPoolStrings && size <= kMaxPooledSize && s.count[size] < kPooledPerSize)
    s.items[size][s.count[size]++] = text;
  else
    std::free(text);
}

resbuf* newBuffer() {
  SpareBuffers& s = spares();
  if (!s.head) return static_cast<resbuf*>(std::calloc(1, sizeof(resbuf)));
  resbuf* rb = s.head;
  s.head = rb->rbnext;
  --s.count;
  std::memset(static_cast<void*>(rb), 0, sizeof(resbuf));
  return rb;
}

Group Group::str(int code, std::string value) {
  Group g;
  g.code = code;
  g.kind = ValueKind::String;
  g.text = std::move(value);
  return g;
}
Group Group::number(int code, double value) {
  Group g;
  g.code = code;
  g.kind = ValueKind::Real;
  g.real = value;
  return g;
}
Group Group::pt(int code, Point value) {
  Group g;
  g.code = code;
  g.kind = ValueKind::Point;
  g.point = value;
  return g;
}
Group Group::integral(int code, int32_t value) {
  Group g;
  g.code = code;
  g.kind = kindOf(code) == ValueKind::Long ? ValueKind::Long : ValueKind::Short;
  g.integer = value;
  return g;
}
Group Group::ename(int code, std::array<int32_t, 2> value) {
  Group g;
  g.code = code;
  g.kind = ValueKind::Name;
  g.name = value;
  return g;
}

GroupList fromChain(const resbuf* rb, bool* complete) {
  GroupList out;
  if (complete) *complete = true;
  // A chain longer than this is taken for a loop in the caller's list.
  constexpr std::size_t kMaxLength = 1u << 22;
  // One allocation for the whole list: entity lists are short, and growing
  // the vector group by group would cost several.
  std::size_t length = 0;
  for (const resbuf* x = rb; x && length < kMaxLength; x = x->rbnext) ++length;
  out.reserve(length);
  for (; rb; rb = rb->rbnext) {
    const ValueKind kind = kindOf(rb->restype);
    if (kind == ValueKind::None || out.size() >= kMaxLength) {
      if (complete) *complete = false;
      break;
    }
    // Filled where it lies: a Group is large enough for a copy to count.
    Group& g = out.emplace_back();
    g.code = rb->restype;
    g.kind = kind;
    switch (g.kind) {
      case ValueKind::String:
        g.text = rb->resval.rstring ? rb->resval.rstring : "";
        break;
      case ValueKind::Real:
        g.real = rb->resval.rreal;
        break;
      case ValueKind::Point:
        g.point = {rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2]};
        break;
      case ValueKind::Short:
        g.integer = rb->resval.rint;
        break;
      case ValueKind::Long:
        g.integer = rb->resval.rlong;
        break;
      case ValueKind::Name:
        g.name = {rb->resval.rlname[0], rb->resval.rlname[1]};
        break;
      case ValueKind::None:
        break;
    }
  }
  return out;
}

resbuf* toChain(const GroupList& groups) {
  resbuf* head = nullptr;
  resbuf** tail = &head;
  for (const Group& g : groups) {
    resbuf* rb = newBuffer();
    if (!rb) break;
    rb->restype = static_cast<short>(g.code);
    switch (g.kind) {
      case ValueKind::String:
        rb->resval.rstring = newString(g.text.c_str(), g.text.size() + 1);
        break;
      case ValueKind::Real:
        rb->resval.rreal = g.real;
        break;
      case ValueKind::Point:
        for (int i = 0; i < 3; ++i) rb->resval.rpoint[i] = g.point[i];
        break;
      case ValueKind::Short:
        rb->resval.rint = static_cast<short>(g.integer);
        break;
      case ValueKind::Long:
        rb->resval.rlong = g.integer;
        break;
      case ValueKind::Name:
        rb->resval.rlname[0] = g.name[0];
        rb->resval.rlname[1] = g.name[1];
        break;
      case ValueKind::None:
        break;
    }
    *tail = rb;
    tail = &rb->rbnext;
  }
  return head;
}

void freeChain(resbuf* rb) {
  SpareBuffers& s = spares();
  while (rb) {
    resbuf* next = rb->rbnext;
    if (kindOf(rb->restype) == ValueKind::String) freeString(rb->resval.rstring);
    if (s.count < kMaxSpares) {
      rb->rbnext = s.head;
      s.head = rb;
      ++s.count;
    } else {
      std::free(rb);
    }
    rb = next;
  }
}

const Group* findGroup(const GroupList& groups, int code) {
  for (const Group& g : groups)
    if (g.code == code) return &g;
  return nullptr;
}

Group* findGroup(GroupList& groups, int code) {
  for (Group& g : groups)
    if (g.code == code) return &g;
  return nullptr;
}

}  // namespace drafthost
