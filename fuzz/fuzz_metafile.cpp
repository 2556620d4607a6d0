// Feeds arbitrary bytes to the metafile reader (load hooks on) and then works
// the tree a little: a copy with the copy hooks, reference targets, list
// lookups and typed getters. Nothing may crash, leak or recurse deeply.
#include <cstddef>
#include <cstdint>
#include <string>

#include "meta/containers.h"
#include "meta/hooks.h"
#include "meta/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  metaObjectC doc = readMetaBuffer(data, size, true, &error);
  if (!doc.isValid()) return 0;

  // Copy through the owning view: references are retargeted into the copy.
  metaObjectC copy(doc);
  std::size_t refs = 0;
  metaWalkPreOrder(copy.node(), true, [&](metaTreeC* n) {
    if (n->isIdent("MOREF")) {
      metaTreeC* t = metaObjectRefC(n).target();
      if (t && t->value.kind() > metaKindNumber) __builtin_trap();
      ++refs;
    }
  });

  metaObjListContainerC list(doc.node());
  std::size_t count = list.count("FIGURE");
  for (std::size_t i = 0; i < count && i < 8; ++i) {
    metaObjectC fig(list.item("FIGURE", i));
    bool found = false;
    (void)fig.attr("NAME").getString(&found);
    double p[2];
    metaObjectC(fig.child("INSERTPOINT")).attr("POINT").readPoint2d(p, &found);
  }
  (void)doc.attr("ANSICHTNO").getInt();
  (void)refs;
  return 0;
}
