// The figure transformations: every item of a FIGURITEMS section in turn.
#include <cmath>
#include <string_view>

#include "m2d/attributes.h"
#include "m2d/geometry.h"
#include "m2d/shapes.h"

namespace {

// The geometry class that m2dGeometryRegistry() holds for an item's key, told
// by the key itself: the transformations visit every item of a figure, and a
// registry lookup with its casts and rebinding cost more than moving a line.
// Keep in step with the registry.
enum class ItemClass { none, point, line, arc, circle, ellipse, ellipseArc, intCrv, text };

ItemClass classOf(const metaTreeC* item) {
  if (!item->value.isIdent()) return ItemClass::none;
  const std::string_view key = item->value.text();
  switch (key.size()) {
    case 3:
      if (key == "ARC") return ItemClass::arc;
      break;
    case 4:
      if (key == "LINE") return ItemClass::line;
      if (key == "TEXT") return ItemClass::text;
      break;
    case 6:
      if (key == "CIRCLE") return ItemClass::circle;
      if (key == "ICRV2D") return ItemClass::intCrv;
      if (key == "SPOINT") return ItemClass::point;
      if (key == "CENTER") return ItemClass::line;
      break;
    case 7:
      if (key == "ELLIPSE") return ItemClass::ellipse;
      break;
    case 10:
      if (key == "ELLIPSEARC") return ItemClass::ellipseArc;
      break;
    default:
      break;
  }
  return ItemClass::none;
}

// Calls fn with a view of the item's geometry class; false (fn not called) for
// texts and keys without one.
template <class Fn>
bool withGeometry(ItemClass c, metaTreeC* item, Fn&& fn) {
  switch (c) {
    case ItemClass::point:
      fn(mBasePoint2dC(item));
      return true;
    case ItemClass::line:
      fn(mBaseLine2dC(item));
      return true;
    case ItemClass::arc:
      fn(mBaseArc2dC(item));
      return true;
    case ItemClass::circle:
      fn(mBaseCircle2dC(item));
      return true;
    case ItemClass::ellipse:
      fn(mBaseEllipse2dC(item));
      return true;
    case ItemClass::ellipseArc:
      fn(mBaseEllipseArc2dC(item));
      return true;
    case ItemClass::intCrv:
      fn(mBaseIntCrv2dC(item));
      return true;
    default:
      return false;
  }
}

// The matrices of one transformation and whether they leave plain points be.
struct Matrices {
  const mMatrix3* m;
  std::size_t count;
  bool keepPlainPoints;
};

// A point of finite coordinates without a negative zero. Only a plain point
// comes out of a rotation by 0 or a move by (0, 0) with its bits unchanged:
// -0.0 + 0.0 gives +0.0, and an infinite coordinate times 0 gives NaN.
bool isPlain(mVec2d p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && !(p.x == 0.0 && std::signbit(p.x)) &&
         !(p.y == 0.0 && std::signbit(p.y));
}

// True when m maps every plain point to itself bit for bit: then x' = (1 x +
// 0 y) + 0 and y' = (0 x + 1 y) + 0, with every product exact and x + 0 = x
// for a plain x whatever the signs of the zeros.
bool keepsPlainPoints(const mMatrix3& m) {
  return m.m[0] == 1.0 && m.m[4] == 1.0 && m.m[1] == 0.0 && m.m[3] == 0.0 && m.m[6] == 0.0 &&
         m.m[7] == 0.0;
}

// The matrices in turn on the point a key node holds. Only the end result is
// written: the values are the same as after one rewrite per matrix. A plain,
// well-formed point that the matrices keep as it is is left alone, which is
// what a placement at the origin without a turn does to nearly every point.
void transformPoint(metaTreeC* keyNode, const Matrices& ms) {
  bool wellFormed = false;
  mVec2d p = m2dPointOf(keyNode, &wellFormed);
  if (wellFormed && ms.keepPlainPoints && isPlain(p)) return;
  for (std::size_t i = 0; i < ms.count; ++i) p = ms.m[i].apply(p);
  m2dSetPointOf(keyNode, p);
}

// One item under the matrices in turn. The shapes that are only points have
// them found once; the others (whose transformations read back what they wrote)
// take one matrix after the other.
void transformItem(metaTreeC* item, const Matrices& ms) {
  constexpr std::string_view kPoint = "POINT";
  const ItemClass c = classOf(item);
  switch (c) {
    case ItemClass::none:
      return;
    case ItemClass::point:
    case ItemClass::circle:
      transformPoint(metaObjectC(item).child(kPoint), ms);
      return;
    case ItemClass::line: {
      metaTreeC* pts[2];
      m2dFirstChildren(item, kPoint, 2, pts);
      for (metaTreeC* p : pts) transformPoint(p, ms);
      return;
    }
    case ItemClass::arc: {
      metaTreeC* pts[3];
      m2dFirstChildren(item, kPoint, 3, pts);
      for (metaTreeC* p : pts) transformPoint(p, ms);
      return;
    }
    case ItemClass::intCrv:
      for (metaTreeC* p = item->firstChild; p; p = p->next) {
        if (p->isIdent(kPoint)) transformPoint(p, ms);
      }
      return;
    case ItemClass::text:
      for (std::size_t i = 0; i < ms.count; ++i) m2dTextC(item).transform(ms.m[i]);
      return;
    default:
      withGeometry(c, item, [&](const mBaseShape2dC& s) {
        for (std::size_t i = 0; i < ms.count; ++i) s.transform(ms.m[i]);
      });
      return;
  }
}

}  // namespace

void scaleItems(metaTreeC* items, double f) {
  if (f == 0.0 || !items) return;
  for (metaTreeC* item = items->firstChild; item; item = item->next) {
    const ItemClass c = classOf(item);
    if (c == ItemClass::text) {
      m2dTextC(item).scale(f);
    } else {
      withGeometry(c, item, [f](const mBaseShape2dC& s) { s.scale(f); });
    }
  }
}

// Each item is independent of the others, so taking every matrix on one item
// before the next gives what a walk per matrix would.
void transformItems(metaTreeC* items, const mMatrix3* matrices, std::size_t count) {
  if (!items || count == 0) return;
  Matrices ms{matrices, count, true};
  for (std::size_t i = 0; i < count; ++i) {
    if (!keepsPlainPoints(matrices[i])) ms.keepPlainPoints = false;
  }
  for (metaTreeC* item = items->firstChild; item; item = item->next) transformItem(item, ms);
}

void rotateItems(metaTreeC* items, double degrees) {
  const mMatrix3 m = mMatrix3::rotation(degrees);
  transformItems(items, &m, 1);
}

void moveItems(metaTreeC* items, mVec2d d) {
  const mMatrix3 m = mMatrix3::translation(d);
  transformItems(items, &m, 1);
}
