// Plane vectors, 3x3 homogeneous matrices and the small geometric helpers the
// 2D model is built on. Angles handed in and out are degrees unless a name
// says otherwise.
#pragma once

#include <array>
#include <cmath>

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 2.0 * kPi;

struct mVec2d {
  double x = 0.0;
  double y = 0.0;

  friend mVec2d operator+(mVec2d a, mVec2d b) { return {a.x + b.x, a.y + b.y}; }
  friend mVec2d operator-(mVec2d a, mVec2d b) { return {a.x - b.x, a.y - b.y}; }
  friend mVec2d operator*(mVec2d a, double f) { return {a.x * f, a.y * f}; }
  friend mVec2d operator/(mVec2d a, double f) { return {a.x / f, a.y / f}; }
  friend bool operator==(mVec2d a, mVec2d b) { return a.x == b.x && a.y == b.y; }
};

// |v|.
inline double norm(mVec2d v) {
  return std::sqrt(v.x * v.x + v.y * v.y);
}
inline double dot(mVec2d a, mVec2d b) {
  return a.x * b.x + a.y * b.y;
}
// (-y, x): v turned a quarter counter-clockwise.
inline mVec2d perp(mVec2d v) {
  return {-v.y, v.x};
}
// v scaled to length 1; the zero vector stays zero (so it is parallel to nothing).
mVec2d unit(mVec2d v);
// Components below 1e-8 in magnitude become 0.
mVec2d snap(mVec2d v);
// Both coordinates differ by at most t. (Not "near": that is a macro on some platforms.)
bool pointsNear(mVec2d a, mVec2d b, double t);

// Direction of v in degrees counter-clockwise from the x axis, in [0, 359.9999);
// 0 for the zero vector.
double angleOf(mVec2d v);
// Intersection of the lines a1-a2 and b1-b2; false (out untouched) when they
// are parallel (denominator exactly 0).
bool lineIntersection(mVec2d a1, mVec2d a2, mVec2d b1, mVec2d b2, mVec2d& out);
// Centre of the circle through three points; (0, 0) when they are collinear.
mVec2d circumcentre(mVec2d p1, mVec2d p2, mVec2d p3);
// Whether d lies within t of the circle through a, b and c; false when a, b and
// c lie almost on one ray from a.
bool pointsOnCircle(mVec2d a, mVec2d b, mVec2d c, mVec2d d, double t);

// 2x2 rotation R(a) applied to v.
mVec2d rotate(mVec2d v, double degrees);

// 3x3 homogeneous matrix stored column by column (m[0..2] is the first column).
struct mMatrix3 {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

  static mMatrix3 identity() { return {}; }
  // Rotation about the origin, counter-clockwise for positive angles.
  static mMatrix3 rotation(double degrees);
  static mMatrix3 translation(mVec2d d);
  // M.(x, y, 1) with the third component dropped.
  mVec2d apply(mVec2d p) const {
    return {m[0] * p.x + m[3] * p.y + m[6], m[1] * p.x + m[4] * p.y + m[7]};
  }
  // The linear part only (directions).
  mVec2d applyLinear(mVec2d v) const { return {m[0] * v.x + m[3] * v.y, m[1] * v.x + m[4] * v.y}; }
};
