// Helpers for the meta tests: parse inline text, print trees compactly.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "meta/reader.h"
#include "meta/tree.h"

namespace metatest {

// Owns a parsed chain and the reader's error text.
struct Parsed {
  metaTreeC* first = nullptr;
  std::string error;
  int errorLine = 0;
  Parsed() = default;
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;
  ~Parsed() { metaTreeC::destroy(first); }
};

inline std::unique_ptr<Parsed> parse(std::string_view text, bool hooks = true) {
  auto p = std::make_unique<Parsed>();
  metaTreeReaderC reader;
  reader.openBuffer(text.data(), text.size());
  p->first = reader.read(hooks);
  p->error = reader.errorText();
  p->errorLine = reader.errorLine();
  return p;
}

// One node: identifiers bare, strings quoted, numbers %g; children in braces.
inline void dumpNode(const metaTreeC* n, std::string& out) {
  char buf[64];
  switch (n->value.kind()) {
    case metaKindIdent:
      out += n->value.text();
      break;
    case metaKindString:
      out += '"';
      out += n->value.text();
      out += '"';
      break;
    case metaKindNumber:
      std::snprintf(buf, sizeof buf, "%g", n->value.number());
      out += buf;
      break;
    default:
      out += "<none>";
  }
}

// The chain from first, e.g. "A{y x} B{1 2}". Recursive: for small test trees only.
inline std::string dump(const metaTreeC* first) {
  std::string out;
  for (const metaTreeC* n = first; n; n = n->next) {
    if (n != first) out += ' ';
    dumpNode(n, out);
    if (n->firstChild) out += '{' + dump(n->firstChild) + '}';
  }
  return out;
}

}  // namespace metatest

// A test over an inline metafile: `tree` is the parsed chain (null on error),
// `parsed->error` the error text.
#define TEST_TREE(suite, name, text)                                         \
  struct suite##_##name##_Body {                                             \
    static void run(metatest::Parsed& parsed, metaTreeC* tree);              \
  };                                                                         \
  TEST(suite, name) {                                                        \
    auto parsed = metatest::parse(text);                                     \
    suite##_##name##_Body::run(*parsed, parsed->first);                      \
  }                                                                          \
  void suite##_##name##_Body::run([[maybe_unused]] metatest::Parsed& parsed, \
                                  [[maybe_unused]] metaTreeC* tree)
