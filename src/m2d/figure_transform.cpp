// The figure transformations: every item of a FIGURITEMS section in turn.
#include "m2d/geometry.h"
#include "m2d/shapes.h"

namespace {

// One any-shape view is rebound from item to item; geometry rewrites numbers
// in place, so a long curve costs no structural change per point.
template <class OnShape, class OnText>
void forEachItem(metaTreeC* items, OnShape&& onShape, OnText&& onText) {
  if (!items) return;
  mBaseShape2dC shape;
  for (metaTreeC* item = items->firstChild; item; item = item->next) {
    shape.bind(item, false);
    if (shape.isGeometry()) {
      onShape(shape);
    } else if (item->isIdent("TEXT")) {
      onText(m2dTextC(item));
    }
  }
}

void transformItems(metaTreeC* items, const mMatrix3& m) {
  forEachItem(
      items, [&](const mBaseShape2dC& s) { s.transform(m); },
      [&](const m2dTextC& t) { t.transform(m); });
}

}  // namespace

void scaleItems(metaTreeC* items, double f) {
  if (f == 0.0) return;
  forEachItem(
      items, [f](const mBaseShape2dC& s) { s.scale(f); }, [f](const m2dTextC& t) { t.scale(f); });
}

void rotateItems(metaTreeC* items, double degrees) {
  transformItems(items, mMatrix3::rotation(degrees));
}

void moveItems(metaTreeC* items, mVec2d d) {
  transformItems(items, mMatrix3::translation(d));
}
