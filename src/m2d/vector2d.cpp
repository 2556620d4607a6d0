// Plane vector helpers.
#include "m2d/vector2d.h"

#include <algorithm>

#include "numeric/math.h"

mVec2d unit(mVec2d v) {
  double len = norm(v);
  if (len == 0.0) return {};
  return v * (1.0 / len);
}

mVec2d snap(mVec2d v) {
  if (std::fabs(v.x) < 1e-8) v.x = 0.0;
  if (std::fabs(v.y) < 1e-8) v.y = 0.0;
  return v;
}

bool pointsNear(mVec2d a, mVec2d b, double t) {
  return std::fabs(a.x - b.x) <= t && std::fabs(a.y - b.y) <= t;
}

// The zero vector has no direction; it is given 0 rather than whatever a
// normalisation by zero would make of it.
double angleOf(mVec2d v) {
  if (v.x == 0.0 && v.y == 0.0) return 0.0;
  const mVec2d r = snap({1.0, 0.0});
  const mVec2d u = snap(unit(v));
  double c = std::clamp(dot(r, u), -1.0, 1.0);
  double a = numeric::acos(c);
  if (dot(perp(r), u) < 0.0) a = kTwoPi - a;
  double deg = a * 180.0 / kPi;
  if (deg >= 359.9999) deg -= 359.9999;
  return deg;
}

bool lineIntersection(mVec2d a1, mVec2d a2, mVec2d b1, mVec2d b2, mVec2d& out) {
  const mVec2d d1 = a2 - a1;
  const mVec2d d2 = b2 - b1;
  const mVec2d w = b1 - a1;
  const double den = d1.x * d2.y - d1.y * d2.x;
  if (den == 0.0) return false;
  const double t = (w.x * d2.y - w.y * d2.x) / den;
  out = a1 + d1 * t;
  return true;
}

mVec2d circumcentre(mVec2d p1, mVec2d p2, mVec2d p3) {
  const mVec2d m1 = p1 + (p2 - p1) / 2.0;
  const mVec2d m2 = p3 + (p2 - p3) / 2.0;
  mVec2d c;
  if (!lineIntersection(m1, m1 + perp(p2 - p1), m2, m2 + perp(p2 - p3), c)) return {};
  return c;
}

bool pointsOnCircle(mVec2d a, mVec2d b, mVec2d c, mVec2d d, double t) {
  const mVec2d u = unit(b - a);
  const mVec2d w = unit(c - a);
  if (dot(u, w) > 0.99999999) return false;
  const mVec2d k = circumcentre(a, b, c);
  const double r = norm(b - k);
  return std::fabs(norm(d - k) - r) <= t;
}

mVec2d rotate(mVec2d v, double degrees) {
  const double phi = degrees * kPi / 180.0;
  const double c = numeric::cos(phi);
  const double s = numeric::sin(phi);
  return {v.x * c - v.y * s, v.x * s + v.y * c};
}

mMatrix3 mMatrix3::rotation(double degrees) {
  const double phi = degrees * kPi / 180.0;
  mMatrix3 r;
  const double c = numeric::cos(phi), s = numeric::sin(phi);
  r.m = {c, s, 0, -s, c, 0, 0, 0, 1};
  return r;
}

mMatrix3 mMatrix3::translation(mVec2d d) {
  mMatrix3 t;
  t.m[6] = d.x;
  t.m[7] = d.y;
  return t;
}
