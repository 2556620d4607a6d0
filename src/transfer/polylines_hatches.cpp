#include "transfer/polylines_hatches.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "numeric/math.h"
#include "plugin/interface_settings.h"
#include "plugin/messages.h"
#include "transfer/entities.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

struct TreeDeleter {
  void operator()(metaTreeC* n) const { metaTreeC::destroy(n); }
};
using TempSection = std::unique_ptr<metaTreeC, TreeDeleter>;

// A fresh "tmp" section holding the curve's approximation; freed with the handle.
TempSection approximate(const m2dIntCrvC& curve) {
  TempSection tmp(metaTreeC::makeIdent("tmp"));
  curve.segmentCurve(kCurveTolerance, tmp.get());
  return tmp;
}

// A piece of a curve's approximation that becomes a boundary edge: its lines
// and arcs, or the one circle of a curve that closes on a circle.
bool isEdgePiece(const metaTreeC* s) {
  return s->isIdent("LINE") || s->isIdent("ARC") || s->isIdent("CIRCLE");
}

resbuf* pointGroup(int code, mVec2d p) {
  const ads_point pt = {p.x, p.y, 0.0};
  return ads_buildlist(code, pt, 0);
}

resbuf* ellipseEdge(const mBaseEllipseCore2dC& e, double startParam, double endParam) {
  const mVec2d c = e.centre();
  mVec2d first, second;
  e.axes(first, second);
  const ads_point centre = {c.x, c.y, 0.0};
  const ads_point axis = {first.x, first.y, 0.0};
  return ads_buildlist(72, 3, 10, centre, 11, axis, 40, 1.0 / e.ratio(), 50, startParam, 51,
                       endParam, 73, 1, 0);
}

// First entry of the shape reference list that lookups consider.
std::size_t g_shapeRefFloor = 0;

// Index from shape node to its position in the shape reference list, kept in
// step with the list as it grows, so that hatch boundaries are found without
// scanning the list. A hit is checked against the list itself, so a list that
// was replaced or cut (another command) only costs a rebuild. Every import
// starts it afresh: the next command's list may sit at the same address and
// hold other nodes at the positions indexed already.
class ShapeRefIndex {
 public:
  void reset() {
    slots_.clear();
    used_ = 0;
    indexed_ = 0;
    list_ = nullptr;
  }

  bool find(const std::vector<ShapeRefItem>& refs, const metaTreeC* node, ads_name entity) {
    if (&refs != list_ || refs.size() < indexed_) rebuild(refs);
    sync(refs);
    const Slot* slot = lookup(node);
    if (slot && (slot->position >= refs.size() || refs[slot->position].node != node)) {
      rebuild(refs);
      slot = lookup(node);
    }
    if (!slot || slot->position < g_shapeRefFloor) return false;
    entity[0] = refs[slot->position].entity[0];
    entity[1] = refs[slot->position].entity[1];
    return true;
  }

 private:
  // Open addressing with linear probing in one flat array: a million shapes
  // stay one cache miss per look-up away (node-based maps are several).
  struct Slot {
    const metaTreeC* node = nullptr;
    std::size_t position = 0;
  };

  std::size_t home(const metaTreeC* node) const {
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node));
    return static_cast<std::size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull) & (slots_.size() - 1);
  }

  const Slot* lookup(const metaTreeC* node) const {
    if (slots_.empty() || !node) return nullptr;
    for (std::size_t i = home(node);; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i].node == node) return &slots_[i];
      if (!slots_[i].node) return nullptr;
    }
  }

  // The later entry of a node that is listed twice wins, as it replaces the first.
  void insert(const metaTreeC* node, std::size_t position) {
    if (!node) return;
    if ((used_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = home(node);
    while (slots_[i].node && slots_[i].node != node) i = (i + 1) & (slots_.size() - 1);
    if (!slots_[i].node) ++used_;
    slots_[i] = {node, position};
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    used_ = 0;
    for (const Slot& s : old)
      if (s.node) insert(s.node, s.position);
  }

  void rebuild(const std::vector<ShapeRefItem>& refs) {
    reset();
    list_ = &refs;
    sync(refs);
  }
  void sync(const std::vector<ShapeRefItem>& refs) {
    for (; indexed_ < refs.size(); ++indexed_) insert(refs[indexed_].node, indexed_);
  }

  const std::vector<ShapeRefItem>* list_ = nullptr;
  std::size_t indexed_ = 0;
  std::vector<Slot> slots_;  // size a power of two, at most half full
  std::size_t used_ = 0;
};

ShapeRefIndex& shapeRefIndex() {
  static ShapeRefIndex index;
  return index;
}

}  // namespace

ShapeRefFloor::ShapeRefFloor(InterfaceSettings& settings) : previous_(g_shapeRefFloor) {
  g_shapeRefFloor = settings.shapeRefs().size();
  shapeRefIndex().reset();
}

ShapeRefFloor::~ShapeRefFloor() {
  g_shapeRefFloor = previous_;
  shapeRefIndex().reset();
}

bool findShapeEntity(InterfaceSettings& settings, const metaTreeC* shape, ads_name entity) {
  if (!shape) return false;
  return shapeRefIndex().find(settings.shapeRefs(), shape, entity);
}

resbuf* appendResbufChain(resbuf* chain, resbuf* piece) {
  // A piece that has nothing to hang on is released, not lost.
  if (!chain) {
    ads_relrb(piece);
    return nullptr;
  }
  resbuf* last = chain;
  while (last->rbnext) last = last->rbnext;
  if (!piece) return last;
  last->rbnext = piece;
  while (last->rbnext) last = last->rbnext;
  return last;
}

double arcBulge(mVec2d p1, mVec2d p2, mVec2d p3, mVec2d centre) {
  const double rho = norm(p1 - centre);
  const mVec2d chord = p3 - p1;
  const double c = norm(chord);
  if (c == 0.0) return 0.0;
  const double e = dot(chord / c, centre - p1);
  const double h = std::sqrt(std::max(0.0, rho * rho - e * e));
  // An arc wider than a half circle has its centre on the same side of the
  // chord as its middle point; its own sagitta is rho + h, not rho - h.
  const double sideCentre = chord.x * (centre.y - p1.y) - chord.y * (centre.x - p1.x);
  const double sideMiddle = chord.x * (p2.y - p1.y) - chord.y * (p2.x - p1.x);
  const bool wide = sideCentre * sideMiddle > 0.0;
  const double sagitta = wide ? rho + h : rho - h;
  double b = 2.0 * sagitta / c;
  const mVec2d a = p2 - p1;
  const mVec2d d = p3 - p2;
  if (a.x * d.y - a.y * d.x < 0.0) b = -b;
  return b;
}

int makePolyline(InterfaceSettings& settings, const m2dIntCrvC& curve, int styleIndex,
                 bool cosmetic, ads_name entity) {
  const EntityStyle st = entityStyle(settings, styleIndex, cosmetic);
  const int closed = curve.closed() ? 1 : 0;
  TempSection tmp = approximate(curve);
  metaTreeC* first = tmp->firstChild;
  if (!first) return 1;
  if (first->isIdent("CIRCLE"))
    return makeCircle(settings, m2dCircleC(first), styleIndex, cosmetic, entity);

  const char* layer = st.layer.c_str();
  const char* ltype = st.linetype.c_str();
  const ads_point origin = {0.0, 0.0, 0.0};
  resbuf* header =
      ads_buildlist(RTDXF0, "POLYLINE", 100, "AcDbEntity", 8, layer, 6, ltype, 62, st.colour, 100,
                    "AcDb2dPolyline", 66, 1, 70, closed, 10, origin, 0);
  int rc = ads_entmake(header);
  ads_relrb(header);
  if (rc != RTNORM) {
    printMessage(settings, "Polyline konnte nicht erzeugt werden!");
    return -1;
  }

  auto vertex = [&](mVec2d p, double bulge) {
    const ads_point pt = {p.x, p.y, 0.0};
    resbuf* list =
        ads_buildlist(RTDXF0, "VERTEX", 100, "AcDbEntity", 8, layer, 6, ltype, 62, st.colour, 100,
                      "AcDbVertex", 100, "AcDb2dVertex", 10, pt, 42, bulge, 0);
    int vrc = ads_entmake(list);
    ads_relrb(list);
    if (vrc == RTNORM) return 1;
    printMessage(settings, "Polyline-Vertex konnte nicht erzeugt werden!");
    return -1;
  };

  int result = 1;
  bool madeVertex = false;
  mVec2d pending;
  for (metaTreeC* s = first; s && result == 1; s = s->next) {
    if (s->isIdent("LINE")) {
      const m2dLineC line(s);
      result = vertex(line.start(), 0.0);
      pending = line.end();
      madeVertex = true;
    } else if (s->isIdent("ARC")) {
      const m2dArcC arc(s);
      const mVec2d p1 = arc.point(0), p2 = arc.point(1), p3 = arc.point(2);
      result = vertex(p1, arcBulge(p1, p2, p3, arc.centre()));
      pending = p3;
      madeVertex = true;
    }
  }
  if (result == 1 && madeVertex) result = vertex(pending, 0.0);
  if (result == 1) {
    resbuf* end =
        ads_buildlist(RTDXF0, "SEQEND", 100, "AcDbEntity", 8, layer, 6, ltype, 62, st.colour, 0);
    rc = ads_entmake(end);
    ads_relrb(end);
    if (rc != RTNORM) {
      printMessage(settings, "Polyline konnte nicht erzeugt werden!");
      result = -1;
    } else {
      ads_entlast(entity);
    }
  }
  return result;
}

int hatchEdgeCount(const m2dHatchLoopC& loop) {
  if (!loop.isValid()) return 0;
  const m2dHatchLoopRefListC refs = loop.references();
  const std::size_t n = refs.count();
  std::vector<metaTreeC*> targets;
  targets.reserve(n);
  for (std::size_t i = 0; i < n; ++i) targets.push_back(refs.item(i).target());
  int count = 0;
  for (metaTreeC* shape : targets) {
    if (shape && shape->isIdent("ICRV2D")) {
      TempSection tmp = approximate(m2dIntCrvC(shape));
      for (metaTreeC* s = tmp->firstChild; s; s = s->next)
        if (isEdgePiece(s)) ++count;
    } else {
      ++count;
    }
  }
  return count;
}

resbuf* hatchEdges(metaTreeC* shape) {
  switch (m2dItemKindOf(shape)) {
    case m2dItemKind::line: {
      const m2dLineC line(shape);
      resbuf* chain = ads_buildlist(72, 1, 0);
      appendResbufChain(chain, pointGroup(10, line.start()));
      appendResbufChain(chain, pointGroup(11, line.end()));
      return chain;
    }
    case m2dItemKind::arc: {
      // The host wants the angles in radians, counter-clockwise from 50 to 51.
      mVec2d c;
      double radius = 0.0, start = 0.0, end = 0.0;
      m2dArcC(shape).counterClockwiseSweep(c, radius, start, end);
      const ads_point centre = {c.x, c.y, 0.0};
      return ads_buildlist(72, 2, 10, centre, 40, radius, 50, degreesToRadians(start), 51,
                           degreesToRadians(end), 73, 1, 0);
    }
    case m2dItemKind::circle: {
      const m2dCircleC circle(shape);
      const mVec2d c = circle.centre();
      const ads_point centre = {c.x, c.y, 0.0};
      return ads_buildlist(72, 2, 10, centre, 40, circle.radius(), 50, 0.0, 51, kTwoPi, 73, 1, 0);
    }
    case m2dItemKind::ellipse:
      return ellipseEdge(m2dEllipseC(shape), 0.0, kTwoPi);
    case m2dItemKind::ellipseArc: {
      const m2dEllipseArcC arc(shape);
      return ellipseEdge(arc, degreesToRadians(arc.angle1()), degreesToRadians(arc.angle2()));
    }
    case m2dItemKind::intCrv: {
      TempSection tmp = approximate(m2dIntCrvC(shape));
      resbuf* chain = nullptr;
      resbuf* last = nullptr;
      for (metaTreeC* s = tmp->firstChild; s; s = s->next) {
        if (!isEdgePiece(s)) continue;
        resbuf* piece = hatchEdges(s);
        if (!piece) break;
        if (!chain) {
          chain = piece;
          last = appendResbufChain(chain, nullptr);
        } else {
          last = appendResbufChain(last, piece);
        }
      }
      return chain;
    }
    default:
      return nullptr;
  }
}

resbuf* hatchBoundaryRef(InterfaceSettings& settings, const metaTreeC* shape) {
  ads_name ent = {0, 0};
  if (!findShapeEntity(settings, shape, ent)) return nullptr;
  return ads_buildlist(330, ent, 0);
}

int makeHatch(InterfaceSettings& settings, const m2dHatchC& hatch, ads_name entity) {
  // Collect the loops and their targets first: the approximations below change
  // the tree, which would make the list views search again on every step.
  const m2dHatchLoopListC loopList = hatch.loops();
  const std::size_t n = loopList.count();
  std::vector<m2dHatchLoopC> loops;
  loops.reserve(n);
  for (std::size_t i = 0; i < n; ++i) loops.push_back(loopList.item(i));

  const ads_point origin = {0.0, 0.0, 0.0};
  const ads_point extrusion = {0.0, 0.0, 1.0};
  resbuf* chain =
      ads_buildlist(RTDXF0, "HATCH", 100, "AcDbEntity", 8, settings.hatchLayer().c_str(), 100,
                    "AcDbHatch", 62, settings.hatchColour(), 10, origin, 210, extrusion, 2, "_U",
                    70, 0, 71, 1, 91, static_cast<int32_t>(n), 0);
  resbuf* last = appendResbufChain(chain, nullptr);
  for (std::size_t i = 0; i < n && last; ++i) {
    const m2dHatchLoopRefListC refList = loops[i].references();
    const std::size_t k = refList.count();
    std::vector<metaTreeC*> targets;
    targets.reserve(k);
    for (std::size_t j = 0; j < k; ++j) targets.push_back(refList.item(j).target());

    const int32_t pathType = i == 0 ? 1 : 16;
    last = appendResbufChain(
        last, ads_buildlist(92, pathType, 93, static_cast<int32_t>(hatchEdgeCount(loops[i])), 0));
    for (metaTreeC* shape : targets) last = appendResbufChain(last, hatchEdges(shape));
    last = appendResbufChain(last, ads_buildlist(97, static_cast<int32_t>(k), 0));
    for (metaTreeC* shape : targets) {
      resbuf* ref = hatchBoundaryRef(settings, shape);
      if (!ref) printMessage(settings, "Shape f\xFCr Hatch nicht gefunden!");
      last = appendResbufChain(last, ref);
    }
  }

  const double a = (hatch.angle() + 45.0) / 180.0 * kPi;
  const double dist = hatch.distance();
  // The spacing is used as written, in inch mode too.
  const double d = dist == 0.0 ? 5.0 : dist;
  last = appendResbufChain(
      last, ads_buildlist(75, 0, 76, 1, 52, a, 41, d, 77, 0, 78, 1, 53, a, 43, 0.0, 44, 0.0, 45,
                          numeric::cos(a + kHalfPi) * d, 46, numeric::sin(a + kHalfPi) * d, 79, 0,
                          98, static_cast<int32_t>(1), 10, origin, 0));
  // The hatch linetype stays unwritten (no group 6): it is not loaded for hatches.
  return makeEntityFromList(settings, chain, "Hatch konnte nicht erzeugt werden!", entity);
}
