// Builders for the compound parts of a figure: interpolated curves become 2D
// polylines of straight and bulged segments, hatch sections become HATCH
// entities whose boundaries are the entities already made for their shapes.
#pragma once

#include <cstddef>

#include "m2d/vector2d.h"
#include "plugin/ads.h"

class InterfaceSettings;
class m2dIntCrvC;
class m2dHatchC;
class m2dHatchLoopC;
class metaTreeC;

// Tolerance of the curve approximation, in drawing units.
inline constexpr double kCurveTolerance = 0.001;

// POLYLINE with one VERTEX per segment and a last one at the curve's end, or
// a CIRCLE when the curve closes on one circle. 1 with the entity's name; 1
// with entity untouched when the approximation is empty; -1 after the message.
int makePolyline(InterfaceSettings& settings, const m2dIntCrvC& curve, int styleIndex,
                 bool cosmetic, ads_name entity);

// HATCH of one M2DHATCH section on the hatch layer and colour. 1 with the
// entity's name, or -1 after "Hatch konnte nicht erzeugt werden!".
int makeHatch(InterfaceSettings& settings, const m2dHatchC& hatch, ads_name entity);

// Number of boundary edges a loop yields: the LINE and ARC segments of each
// interpolated curve, 1 for every other reference. 0 for an empty view.
int hatchEdgeCount(const m2dHatchLoopC& loop);

// Edge list of one boundary shape (72 type and its groups); null for a shape
// without edges (TEXT, null, unknown keys).
resbuf* hatchEdges(metaTreeC* shape);

// (330 entity) for the entity made for the shape in this command; null when
// there is none.
resbuf* hatchBoundaryRef(InterfaceSettings& settings, const metaTreeC* shape);

// Hangs piece on the end of chain and returns the new last element (the old
// last one for a null piece); null for a null chain, whose piece is released.
resbuf* appendResbufChain(resbuf* chain, resbuf* piece);

// Bulge of the arc p1 -> p2 -> p3 about centre: tangent of a quarter of the
// included angle, negative when clockwise. 0 for a zero chord.
double arcBulge(mVec2d p1, mVec2d p2, mVec2d p3, mVec2d centre);

// The entity made for a shape node in this command, looked up in the
// settings' shape reference list (the most recent entry wins) from the floor
// on. False when none.
bool findShapeEntity(InterfaceSettings& settings, const metaTreeC* shape, ads_name entity);

// While it lives, lookups ignore the entries the list holds at its making:
// they name nodes of an earlier, freed tree, whose addresses a new tree may reuse.
class ShapeRefFloor {
 public:
  explicit ShapeRefFloor(InterfaceSettings& settings);
  ~ShapeRefFloor();
  ShapeRefFloor(const ShapeRefFloor&) = delete;
  ShapeRefFloor& operator=(const ShapeRefFloor&) = delete;

 private:
  std::size_t previous_;
};
