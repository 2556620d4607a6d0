// Attribute access on top of the generic view operations.
#include "m2d/attributes.h"

#include "meta/object.h"

double m2dReadNumber(metaTreeC* section, std::string_view key, bool* found) {
  return metaObjectC(section).attr(key).getNumber(found);
}

int m2dReadInt(metaTreeC* section, std::string_view key, bool* found) {
  return metaObjectC(section).attr(key).getInt(found);
}

std::string m2dReadString(metaTreeC* section, std::string_view key, bool* found) {
  return metaObjectC(section).attr(key).getString(found);
}

bool m2dWriteNumber(metaTreeC* section, std::string_view key, double value) {
  return metaObjectC(section).attr(key).setNumber(value);
}

mVec2d m2dPointOf(const metaTreeC* keyNode, bool* found) {
  const metaTreeC* a = keyNode ? keyNode->firstChild : nullptr;
  const metaTreeC* b = a ? a->next : nullptr;
  bool ok = a && b && !b->next && a->value.isNumber() && b->value.isNumber();
  if (found) *found = ok;
  if (!ok) return {};
  return {a->value.number(), b->value.number()};
}

bool m2dSetPointOf(metaTreeC* keyNode, mVec2d p) {
  if (!keyNode) return false;
  metaTreeC* a = keyNode->firstChild;
  metaTreeC* b = a ? a->next : nullptr;
  if (a && b && !b->next && a->value.isNumber() && b->value.isNumber()) {
    a->value.setNumber(p.x);
    b->value.setNumber(p.y);
    return true;
  }
  const double v[2] = {p.x, p.y};
  return metaObjectC(keyNode).writeVector(v, 2);
}

metaTreeC* m2dNthChild(metaTreeC* section, std::string_view key, std::size_t i, bool create) {
  if (!section) return nullptr;
  std::size_t seen = 0;
  metaTreeC* last = nullptr;
  for (metaTreeC* c = section->firstChild; c; c = c->next) {
    last = c;
    if (!c->isIdent(key)) continue;
    if (seen == i) return c;
    ++seen;
  }
  if (!create) return nullptr;
  metaTreeC* made = nullptr;
  for (; seen <= i; ++seen) {
    made = metaTreeC::makeIdent(key);
    if (last) {
      last->insertAfter(made);
    } else {
      section->prependChildren(made);
    }
    last = made;
  }
  return made;
}

void m2dFirstChildren(metaTreeC* section, std::string_view key, std::size_t n, metaTreeC** out) {
  std::size_t seen = 0;
  if (!section) {
    for (; seen < n; ++seen) out[seen] = nullptr;
    return;
  }
  metaTreeC* last = nullptr;
  for (metaTreeC* c = section->firstChild; c && seen < n; c = c->next) {
    last = c;
    if (c->isIdent(key)) out[seen++] = c;
  }
  if (seen == n) return;
  for (; seen < n; ++seen) {
    metaTreeC* made = metaTreeC::makeIdent(key);
    if (last) {
      last->insertAfter(made);
    } else {
      section->prependChildren(made);
    }
    out[seen] = made;
    last = made;
  }
}

mVec2d m2dReadPoint(metaTreeC* section, std::string_view key, bool* found) {
  return m2dPointOf(metaObjectC(section).child(key), found);
}

bool m2dWritePoint(metaTreeC* section, std::string_view key, mVec2d p) {
  return m2dSetPointOf(metaObjectC(section).child(key), p);
}
