// Helpers for the meta tests: parse inline text, print trees compactly.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "meta/reader.h"
#include "meta/tree.h"

namespace metatest {

// Owns a parsed chain and the reader's error text and line.
struct Parsed {
  metaTreeC* first = nullptr;
  std::string error;
  int errorLine = 0;
  ~Parsed() { metaTreeC::destroy(first); }
  // Hands the chain over to the caller.
  metaTreeC* release() { return std::exchange(first, nullptr); }
};

inline std::unique_ptr<Parsed> parse(std::string_view text, bool hooks = true) {
  metaTreeReaderC reader;
  reader.openBuffer(text.data(), text.size());
  // Braced initialisers run in order: the error is read after the tree.
  return std::unique_ptr<Parsed>(
      new Parsed{reader.read(hooks), reader.errorText(), reader.errorLine()});
}

// The chain from first, e.g. `A{y x} B{1 "s"}`: identifiers bare, strings
// quoted, numbers %g (below 1e-9 in magnitude as 0, hiding what rotations
// leave behind). Recursive: for small test trees only.
inline std::string dump(const metaTreeC* first, bool withSiblings = true) {
  std::string out;
  for (const metaTreeC* n = first; n; n = withSiblings ? n->next : nullptr) {
    if (n != first) out += ' ';
    char buf[32];
    if (n->value.isNumber()) {
      const double v = n->value.number();
      std::snprintf(buf, sizeof buf, "%g", std::fabs(v) < 1e-9 ? 0.0 : v);
      out += buf;
    } else if (n->value.isString()) {
      out += '"' + std::string(n->value.text()) + '"';
    } else {
      out += n->value.isIdent() ? n->value.text() : "<none>";
    }
    if (n->firstChild) out += '{' + dump(n->firstChild) + '}';
  }
  return out;
}

}  // namespace metatest
