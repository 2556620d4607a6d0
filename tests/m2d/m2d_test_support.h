// Helpers for the 2D model tests: inline metafiles and compact dumps.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "m2d/vector2d.h"
#include "meta/reader.h"
#include "meta/tree.h"

namespace m2dtest {

// Owns a parsed chain (load hooks run, so references are resolved).
struct Tree {
  metaTreeC* root = nullptr;
  std::string error;
  Tree() = default;
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  ~Tree() { metaTreeC::destroy(root); }
};

inline std::unique_ptr<Tree> parse(std::string_view text) {
  auto t = std::make_unique<Tree>();
  metaTreeReaderC reader;
  reader.openBuffer(text.data(), text.size());
  t->root = reader.read(true);
  t->error = reader.errorText();
  return t;
}

// The first descendant (pre-order, below node) that is the identifier key.
inline metaTreeC* find(metaTreeC* node, std::string_view key) {
  metaTreeC* hit = nullptr;
  if (!node || !node->firstChild) return nullptr;
  metaWalkPreOrder(node->firstChild, true, [&](metaTreeC* n) {
    if (!hit && n->isIdent(key)) hit = n;
  });
  return hit;
}

// A node and its subtree: identifiers bare, strings quoted, numbers %.6g
// (below 1e-9 in magnitude as 0, hiding rounding left by rotations).
inline void dumpInto(const metaTreeC* n, std::string& out) {
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
      std::snprintf(buf, sizeof buf, "%.6g",
                    std::fabs(n->value.number()) < 1e-9 ? 0.0 : n->value.number());
      out += buf;
      break;
    default:
      out += "<none>";
  }
  if (n->firstChild) {
    out += '{';
    for (const metaTreeC* c = n->firstChild; c; c = c->next) {
      if (c != n->firstChild) out += ' ';
      dumpInto(c, out);
    }
    out += '}';
  }
}

// The children of node, e.g. "LINE{POINT{0 0} POINT{1 0}} CIRCLE{...}".
inline std::string dumpChildren(const metaTreeC* node) {
  std::string out;
  for (const metaTreeC* c = node ? node->firstChild : nullptr; c; c = c->next) {
    if (!out.empty()) out += ' ';
    dumpInto(c, out);
  }
  return out;
}

}  // namespace m2dtest

#define EXPECT_VEC_NEAR(v, ex, ey, tol) \
  do {                                  \
    const mVec2d v_ = (v);              \
    EXPECT_NEAR(v_.x, (ex), (tol));     \
    EXPECT_NEAR(v_.y, (ey), (tol));     \
  } while (0)

// A test over an inline metafile; `root` is its first top-level node (null on error).
#define TEST_M2D(suite, name, text)                \
  struct suite##_##name##_Body {                   \
    static void run(metaTreeC* root);              \
  };                                               \
  TEST(suite, name) {                              \
    auto tree = m2dtest::parse(text);              \
    ASSERT_NE(tree->root, nullptr) << tree->error; \
    suite##_##name##_Body::run(tree->root);        \
  }                                                \
  void suite##_##name##_Body::run([[maybe_unused]] metaTreeC* root)
