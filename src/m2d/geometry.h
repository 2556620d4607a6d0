// 2D geometry views. Each class reads its numbers from the tree on demand and
// transforms shapes by rewriting them. An any-shape view (mBaseShape2dC) bound
// to a shape node forwards every slot to the class registered for the node's
// key in m2dGeometryRegistry(); keys without a class (TEXT, SHAPEATTR, ...)
// get the slot defaults.
#pragma once

#include <cstddef>
#include <vector>

#include "m2d/vector2d.h"
#include "meta/containers.h"
#include "meta/object.h"
#include "meta/registry.h"

// Registry key -> geometry prototype: LINE, ARC, CIRCLE, ELLIPSE, ELLIPSEARC,
// ICRV2D, SPOINT and CENTER (a line). Filled on first use.
metaPrototypeRegistry& m2dGeometryRegistry();

// Any shape. The nine virtual slots dispatch by key; their defaults are given
// with each one.
class mBaseShape2dC : public virtual metaObjectC {
 public:
  explicit mBaseShape2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}

  // True when a geometry class is registered for the node's key.
  bool isGeometry() const;

  // Slot 0. Default 0.0.
  virtual double length() const;
  // Slot 1: the corners of the axis-parallel box. Default: outputs untouched.
  virtual void boundingBox(mVec2d& lowerLeft, mVec2d& lowerRight, mVec2d& upperRight,
                           mVec2d& upperLeft) const;
  // Slot 2: applies m to the shape. 1 when done; default 0 (not geometry).
  virtual int transform(const mMatrix3& m) const;
  // Slot 3: replaces out with points along the shape, step in radians (0 means
  // 5 degrees). The number of points; default 0 (out emptied).
  virtual int toPoints(std::vector<mVec2d>& out, double step) const;
  // Slot 4: scales about the origin. Default: nothing, 1.
  virtual int scale(double f) const;
  // Slot 5: appends LINE, ARC and CIRCLE sections approximating the shape to
  // target. The number of sections made; default: segmentPoints over toPoints
  // (0 when there are no points or no target).
  virtual int toSegments(double step, double tolerance, metaTreeC* target) const;
  // Slot 6: start and end point. 1 when done; default 0 with outputs untouched.
  virtual int endPoints(mVec2d& start, mVec2d& end) const;
  // Slot 7: rewrites start and end point. 1 when done; default 0.
  virtual int setEndPoints(mVec2d start, mVec2d end) const;
  // Slot 8: runs the shape the other way. 1 when done; default 0.
  virtual int reverse() const;
};

// SPOINT: a single POINT.
class mBasePoint2dC : public mBaseShape2dC {
 public:
  explicit mBasePoint2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // (0, 0), found false, when missing or malformed.
  mVec2d point(bool* found = nullptr) const;
  // False for an empty view.
  bool setPoint(mVec2d p) const;

  double length() const override { return 0.0; }
  void boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const override;
  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
  int scale(double f) const override;
};

// LINE: first POINT is the start, second the end.
class mBaseLine2dC : public mBaseShape2dC {
 public:
  explicit mBaseLine2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // (0, 0), found false, when missing (the POINT key is then created) or malformed.
  mVec2d start(bool* found = nullptr) const;
  mVec2d end(bool* found = nullptr) const;
  // False for an empty view.
  bool setStart(mVec2d p) const;
  bool setEnd(mVec2d p) const;

  double length() const override;
  void boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const override;
  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
  int scale(double f) const override;
  int endPoints(mVec2d& start, mVec2d& end) const override;
  int setEndPoints(mVec2d start, mVec2d end) const override;
  int reverse() const override;
};

// ARC: three POINTs, start, a point between, end.
class mBaseArc2dC : public mBaseShape2dC {
 public:
  explicit mBaseArc2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // The i-th POINT (0..2), created when missing; (0, 0), found false, when
  // missing, malformed or i > 2.
  mVec2d point(std::size_t i, bool* found = nullptr) const;
  // False for an empty view or i > 2.
  bool setPoint(std::size_t i, mVec2d p) const;

  // Circumcentre of the three points; (0, 0) when they are collinear.
  mVec2d centre() const;
  // Distance of the start point from the centre.
  double radius() const;
  // Directions of the start and end point from the centre, degrees in [0, 360).
  double startAngle() const;
  double endAngle() const;
  // True when start -> middle -> end turns clockwise.
  bool clockwise() const;
  // centre(), radius() and the start and end angle (degrees) as a
  // counter-clockwise sweep: startAngle() and endAngle(), exchanged when the
  // arc turns clockwise. The same numbers, from one walk for the three points.
  void counterClockwiseSweep(mVec2d& centre, double& radius, double& start, double& end) const;

  double length() const override;
  void boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const override;
  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
  int scale(double f) const override;
  int endPoints(mVec2d& start, mVec2d& end) const override;
  int setEndPoints(mVec2d start, mVec2d end) const override;
  int reverse() const override;
};

// CIRCLE: POINT is the centre, RAD the radius.
class mBaseCircle2dC : public mBaseShape2dC {
 public:
  explicit mBaseCircle2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // (0, 0), found false, when missing or malformed.
  mVec2d centre(bool* found = nullptr) const;
  // 0.0, found false, when missing.
  double radius(bool* found = nullptr) const;
  // False for an empty view (or a RAD of another kind).
  bool setCentre(mVec2d p) const;
  bool setRadius(double r) const;

  double length() const override;
  void boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const override;
  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
  int scale(double f) const override;
};

// What ELLIPSE and ELLIPSEARC share: POINT (centre), RAD1 along ANGLE, RAD2
// perpendicular to it.
class mBaseEllipseCore2dC : public mBaseShape2dC {
 public:
  explicit mBaseEllipseCore2dC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false) {}
  // Defaults (0, 0) and 0.0 with found false.
  mVec2d centre(bool* found = nullptr) const;
  double rad1(bool* found = nullptr) const;
  double rad2(bool* found = nullptr) const;
  double angle(bool* found = nullptr) const;
  // False for an empty view (or a value of another kind).
  bool setCentre(mVec2d p) const;
  bool setRad1(double v) const;
  bool setRad2(double v) const;
  bool setAngle(double v) const;

  // R(ANGLE).(RAD1, 0) and R(ANGLE).(0, RAD2), relative to the centre.
  void axes(mVec2d& first, mVec2d& second) const;
  // RAD1 / RAD2 (infinite or NaN when RAD2 is 0).
  double ratio() const;

  // Centre, RAD1 and RAD2 times f; the angles stay.
  int scale(double f) const override;
};

// ELLIPSE.
class mBaseEllipse2dC : public mBaseEllipseCore2dC {
 public:
  explicit mBaseEllipse2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}

  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
};

// ELLIPSEARC: an ellipse from the eccentric angle ANGLE1 to ANGLE2, counter-clockwise.
class mBaseEllipseArc2dC : public mBaseEllipseCore2dC {
 public:
  explicit mBaseEllipseArc2dC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false) {}
  // 0.0, found false, when missing.
  double angle1(bool* found = nullptr) const;
  double angle2(bool* found = nullptr) const;
  // False for an empty view (or a value of another kind).
  bool setAngle1(double v) const;
  bool setAngle2(double v) const;
  // centre + R(ANGLE).(RAD1 cos t, RAD2 sin t) for t = ANGLE1 resp. ANGLE2.
  mVec2d startPoint() const;
  mVec2d endPoint() const;

  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
};

// An interpolated curve: the POINT children in order (other keys ignored).
// count and item go through the list cache, so indexed loops are linear.
class mBaseIntCrvC : public metaObjListContainerC {
 public:
  explicit mBaseIntCrvC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // 0 for an empty view.
  std::size_t pointCount() const { return count("POINT"); }
  // (0, 0), found false, past the end or when malformed.
  mVec2d pointAt(std::size_t i, bool* found = nullptr) const;
  // All points in order; empty for an empty view.
  std::vector<mVec2d> points() const;
};

// ICRV2D.
class mBaseIntCrv2dC : public mBaseShape2dC, public mBaseIntCrvC {
 public:
  explicit mBaseIntCrv2dC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // At least two points and the first and last within 1e-8 in both coordinates.
  bool closed() const;
  // Approximates the points by LINE, ARC and CIRCLE sections appended to
  // target; the number made (0 for no target or fewer than two points).
  int segmentCurve(double tolerance, metaTreeC* target) const;

  int transform(const mMatrix3& m) const override;
  int toPoints(std::vector<mVec2d>& out, double step) const override;
  int scale(double f) const override;
  // The step is ignored: the curve's own points are segmented.
  int toSegments(double step, double tolerance, metaTreeC* target) const override;
};

// Approximates a point chain by LINE, ARC and CIRCLE sections: four points
// lying within tolerance of one circle start an arc, which grows while further
// points stay on it (and becomes a CIRCLE when the chain returns to its
// start); nearly parallel line pieces merge. The first section is appended as
// target's last child, the others follow it. The number of sections made; 0
// for a null target or fewer than two points. Linear in the number of points.
int segmentPoints(const std::vector<mVec2d>& points, double tolerance, metaTreeC* target);

// Figure transformations over the children of a FIGURITEMS section, each item
// through its geometry class; items without one are left alone, except TEXT,
// which follows its figure (anchor transformed, ANGLE turned, sizes scaled).
// Nothing for a null section.
// Scales about the origin; nothing at all when f is exactly 0.
void scaleItems(metaTreeC* items, double f);
// Rotates about the origin by degrees, counter-clockwise.
void rotateItems(metaTreeC* items, double degrees);
// Moves by d.
void moveItems(metaTreeC* items, mVec2d d);
// Applies matrices[0], then matrices[1], ... up to count: the same as one of
// the transformations above per matrix, in one walk over the items.
void transformItems(metaTreeC* items, const mMatrix3* matrices, std::size_t count);
