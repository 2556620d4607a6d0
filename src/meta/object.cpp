// The view base: binding, children and typed attribute access.
#include "meta/object.h"

#include <array>
#include <cmath>
#include <limits>

#include "meta/hooks.h"

// --- Binding

metaObjectVirtualDataBaseC::metaObjectVirtualDataBaseC(metaTreeC* node, bool owned)
    : flags_(owned && node ? ownedFlag : 0), node_(node) {}

metaObjectVirtualDataBaseC::metaObjectVirtualDataBaseC(const metaObjectVirtualDataBaseC& other) {
  if (other.isOwned()) {
    node_ = metaDeepCopy(other.node_, true);
    flags_ = ownedFlag;
  } else {
    node_ = other.node_;
  }
}

metaObjectVirtualDataBaseC::metaObjectVirtualDataBaseC(metaObjectVirtualDataBaseC&& other) noexcept
    : flags_(other.flags_), node_(other.node_) {
  other.flags_ = 0;
  other.node_ = nullptr;
}

metaObjectVirtualDataBaseC& metaObjectVirtualDataBaseC::operator=(
    const metaObjectVirtualDataBaseC& other) {
  if (this == &other) return *this;
  if (other.isOwned()) {
    bind(metaDeepCopy(other.node_, true), true);
  } else {
    bind(other.node_, false);
  }
  return *this;
}

metaObjectVirtualDataBaseC::~metaObjectVirtualDataBaseC() {
  if (isOwned()) metaTreeC::destroy(node_);
}

void metaObjectVirtualDataBaseC::bind(metaTreeC* node, bool owned) {
  if (node != node_ && isOwned()) metaTreeC::destroy(node_);
  node_ = node;
  flags_ = owned && node ? ownedFlag : 0;
}

// --- The node and its children

std::string_view metaObjectC::keyName() const {
  if (!node() || !node()->value.isIdent()) return {};
  return node()->value.text();
}

bool metaObjectC::isKey(const char* name) const {
  return name && isKey(std::string_view(name));
}

bool metaObjectC::isKey(std::string_view name) const {
  return node() && node()->isIdent(name);
}

metaTreeC* metaObjectC::childAt(std::size_t i) const {
  if (!node() || !node()->firstChild) return nullptr;
  return node()->firstChild->nthSibling(i);
}

std::size_t metaObjectC::childCount() const {
  return node() ? node()->childCount() : 0;
}

metaTreeC* metaObjectC::findChild(std::string_view key) const {
  if (!node()) return nullptr;
  for (metaTreeC* c = node()->firstChild; c; c = c->next) {
    if (c->isIdent(key)) return c;
  }
  return nullptr;
}

metaTreeC* metaObjectC::child(std::string_view key) const {
  if (!node()) return nullptr;
  metaTreeC* last = nullptr;
  for (metaTreeC* c = node()->firstChild; c; c = c->next) {
    if (c->isIdent(key)) return c;
    last = c;
  }
  metaTreeC* created = metaTreeC::makeIdent(key);
  if (last) {
    last->insertAfter(created);
  } else {
    node()->prependChildren(created);
  }
  return created;
}

metaTreeC* metaObjectC::findAncestor(std::string_view key) const {
  if (!node()) return nullptr;
  for (metaTreeC* a = node()->parent; a; a = a->parent) {
    if (a->isIdent(key)) return a;
  }
  return nullptr;
}

metaTreeC* metaObjectC::addChild(std::string_view key, metaTreeC* value, bool copy) const {
  if (!node()) return nullptr;
  metaTreeC* keyNode = metaTreeC::makeIdent(key);
  if (value) {
    metaTreeC* v = copy ? metaDeepCopy(value, false) : value;
    if (!keyNode->appendChild(v) && copy) metaTreeC::destroy(v);
  }
  node()->appendChild(keyNode);
  return keyNode;
}

metaTreeC* metaObjectC::appendChild(metaTreeC* child, bool copy) const {
  if (!node() || !child) return nullptr;
  metaTreeC* c = copy ? metaDeepCopy(child, false) : child;
  if (!node()->appendChild(c)) {
    if (copy) metaTreeC::destroy(c);
    return nullptr;
  }
  return c;
}

void metaObjectC::removeChildren() const {
  if (node()) node()->removeChildren();
}

void metaObjectC::detach(bool owned) {
  metaTreeC* n = node();
  if (!n) return;
  n->detach();
  // Rebinding the same node only changes the ownership.
  bind(n, owned);
}

// Depth-first over the child chain, descending at most `depth` levels.
metaTreeC* metaObjectC::search(const metaNodeCompareInterfaceC& predicate, int depth) const {
  if (!node() || !node()->firstChild) return nullptr;
  metaTreeC* n = node()->firstChild;
  int level = 0;
  while (n) {
    if (predicate.matches(n)) return n;
    if (n->firstChild && level < depth) {
      n = n->firstChild;
      ++level;
      continue;
    }
    while (n && !n->next) {
      if (level == 0) return nullptr;
      n = n->parent;
      --level;
    }
    if (n) n = n->next;
  }
  return nullptr;
}

// --- Typed access

namespace {

const metaTreeC* firstOfKind(const metaTreeC* key, metaValueKind kind, bool* found) {
  const metaTreeC* v = key ? key->firstChild : nullptr;
  bool ok = v && v->value.kind() == kind;
  if (found) *found = ok;
  return ok ? v : nullptr;
}

// Puts a new value node in front of the children, or updates a first child of
// the same kind; `replaceAny` also takes a first child of any kind but none.
template <class Set>
bool setFirst(metaTreeC* key, metaValueKind kind, bool replaceAny, Set&& set) {
  if (!key) return false;
  metaTreeC* v = key->firstChild;
  if (!v) {
    v = metaTreeC::makeNone();
    set(v->value);
    return key->prependChildren(v);
  }
  if (v->value.kind() == kind || (replaceAny && !v->value.isNone())) {
    set(v->value);
    return true;
  }
  return false;
}

}  // namespace

double metaObjectC::getNumber(bool* found) const {
  const metaTreeC* v = firstOfKind(node(), metaKindNumber, found);
  return v ? v->value.number() : 0.0;
}

int metaObjectC::getInt(bool* found) const {
  const metaTreeC* v = firstOfKind(node(), metaKindNumber, found);
  if (!v) return 0;
  double d = std::trunc(v->value.number());
  if (std::isnan(d)) return 0;
  if (d <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  if (d >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  return static_cast<int>(d);
}

std::string metaObjectC::getString(bool* found) const {
  const metaTreeC* v = firstOfKind(node(), metaKindString, found);
  return v ? std::string(v->value.text()) : std::string();
}

std::string metaObjectC::getIdent(bool* found) const {
  const metaTreeC* v = firstOfKind(node(), metaKindIdent, found);
  return v ? std::string(v->value.text()) : std::string();
}

bool metaObjectC::setNumber(double value) const {
  return setFirst(node(), metaKindNumber, false, [&](metaValueC& v) { v.setNumber(value); });
}

bool metaObjectC::setString(std::string_view value) const {
  return setFirst(node(), metaKindString, false, [&](metaValueC& v) { v.setString(value); });
}

bool metaObjectC::setIdent(std::string_view value) const {
  return setFirst(node(), metaKindIdent, true, [&](metaValueC& v) { v.setIdent(value); });
}

// --- Numeric vectors

namespace {

bool readExactly(const metaTreeC* key, double* out, std::size_t n) {
  if (!key) return false;
  std::size_t i = 0;
  for (const metaTreeC* c = key->firstChild; c; c = c->next, ++i) {
    if (i >= n || !c->value.isNumber()) return false;
    out[i] = c->value.number();
  }
  return i == n;
}

}  // namespace

void metaObjectC::readPoint2d(double out[2], bool* found) const {
  bool ok = readExactly(node(), out, 2);
  if (!ok) out[0] = out[1] = 0.0;
  if (found) *found = ok;
}

void metaObjectC::readPoint3d(double out[3], bool* found) const {
  bool ok = readExactly(node(), out, 3);
  if (!ok) out[0] = out[1] = out[2] = 0.0;
  if (found) *found = ok;
}

void metaObjectC::readMatrix(double out[16], bool* found) const {
  bool ok = readExactly(node(), out, 16);
  if (!ok) {
    for (int i = 0; i < 16; ++i) out[i] = (i % 5 == 0) ? 1.0 : 0.0;
  }
  if (found) *found = ok;
}

std::vector<double> metaObjectC::readNumbers() const {
  std::vector<double> values;
  if (!node()) return values;
  for (const metaTreeC* c = node()->firstChild; c; c = c->next) {
    if (!c->value.isNumber()) return {};
    values.push_back(c->value.number());
  }
  return values;
}

bool metaObjectC::writeVector(const double* values, std::size_t n) const {
  if (!node()) return false;
  node()->removeChildren();
  metaTreeC* first = nullptr;
  metaTreeC* last = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    metaTreeC* v = metaTreeC::makeNumber(values[i]);
    if (last) {
      last->next = v;
      v->prev = last;
    } else {
      first = v;
    }
    last = v;
  }
  if (first) node()->prependChildren(first);
  return true;
}

// Only number children are scaled: reading a string as a number is meaningless.
void metaObjectC::scaleNumbers(double factor) const {
  if (!node()) return;
  for (metaTreeC* c = node()->firstChild; c; c = c->next) {
    if (c->value.isNumber()) c->value.setNumber(c->value.number() * factor);
  }
}

// --- Blobs

namespace {

constexpr char kBlobAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ,;";

}  // namespace

std::string metaEncodeBlob(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve((size * 4 + 2) / 3);
  unsigned acc = 0;
  int bits = 0;
  for (std::size_t i = 0; i < size; ++i) {
    acc = (acc << 8) | bytes[i];
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out.push_back(kBlobAlphabet[(acc >> bits) & 63]);
    }
    acc &= (1u << bits) - 1;
  }
  if (bits > 0) out.push_back(kBlobAlphabet[(acc << (6 - bits)) & 63]);
  return out;
}

std::size_t metaDecodeBlob(std::string_view text, void* buffer, std::size_t bufferSize) {
  static const auto table = [] {
    std::array<unsigned char, 256> t{};
    for (unsigned i = 0; i < 64; ++i)
      t[static_cast<unsigned char>(kBlobAlphabet[i])] = static_cast<unsigned char>(i);
    return t;
  }();
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t written = 0;
  unsigned acc = 0;
  int bits = 0;
  for (char ch : text) {
    acc = (acc << 6) | table[static_cast<unsigned char>(ch)];
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      if (written >= bufferSize) return written;
      out[written++] = static_cast<unsigned char>((acc >> bits) & 0xFF);
      acc &= (1u << bits) - 1;
    }
  }
  return written;
}

bool metaObjectC::storeBlob(int code, const void* data, std::size_t size) const {
  if (!node()) return false;
  node()->removeChildren();
  attr("CODE").setInt(code);
  attr("SIZE").setNumber(static_cast<double>(size));
  attr("DATA").setString(metaEncodeBlob(data, size));
  return true;
}

int metaObjectC::readBlob(void* buffer, std::size_t bufferSize, int* code) const {
  if (!node()) return -1;
  int size = attr("SIZE").getInt();
  if (size <= 0 || static_cast<std::size_t>(size) > bufferSize) return -1;
  if (code) *code = attr("CODE").getInt();
  std::string data = attr("DATA").getString();
  return static_cast<int>(metaDecodeBlob(data, buffer, static_cast<std::size_t>(size)));
}
