#include "geometry.h"

#include <algorithm>
#include <cmath>

#include "numeric/math.h"

namespace drafthost {

Point Similarity::applyVector(const Point& v) const {
  Point out{};
  for (int r = 0; r < 3; ++r)
    out[r] = matrix[r][0] * v[0] + matrix[r][1] * v[1] + matrix[r][2] * v[2];
  return out;
}

double Similarity::applyAngle(double a) const {
  Point d = applyVector({numeric::cos(a), numeric::sin(a), 0});
  return normalizeAngle(numeric::atan2(d[1], d[0]));
}

std::optional<Similarity> similarityOf(const Matrix& m) {
  for (const auto& row : m)
    for (double v : row)
      if (!std::isfinite(v)) return std::nullopt;
  if (m[3][0] != 0 || m[3][1] != 0 || m[3][2] != 0 || m[3][3] != 1) return std::nullopt;
  // Columns of the linear part must be orthogonal and of one length.
  double len2[3];
  for (int c = 0; c < 3; ++c) len2[c] = m[0][c] * m[0][c] + m[1][c] * m[1][c] + m[2][c] * m[2][c];
  double s2 = len2[0];
  if (!(s2 > 1e-24)) return std::nullopt;
  const double tol = 1e-9 * s2;
  for (int c = 1; c < 3; ++c)
    if (std::fabs(len2[c] - s2) > tol) return std::nullopt;
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b) {
      double dot = m[0][a] * m[0][b] + m[1][a] * m[1][b] + m[2][a] * m[2][b];
      if (std::fabs(dot) > tol) return std::nullopt;
    }
  double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  Similarity s;
  s.matrix = m;
  s.scale = std::sqrt(s2);
  s.mirrored = det < 0;
  return s;
}

Matrix identityMatrix() {
  Matrix m{};
  for (int i = 0; i < 4; ++i) m[i][i] = 1;
  return m;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix out{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      for (int k = 0; k < 4; ++k) out[r][c] += a[r][k] * b[k][c];
  return out;
}

double distance2d(const Point& a, const Point& b) {
  return numeric::hypot(a[0] - b[0], a[1] - b[1]);
}

double distanceToSegment(const Point& p, const Point& a, const Point& b) {
  double dx = b[0] - a[0], dy = b[1] - a[1];
  double len2 = dx * dx + dy * dy;
  if (len2 == 0) return distance2d(p, a);
  double t = std::clamp(((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2, 0.0, 1.0);
  return distance2d(p, {a[0] + t * dx, a[1] + t * dy, 0});
}

double normalizeAngle(double a) {
  if (!std::isfinite(a)) return 0;
  a = std::fmod(a, 2 * kPi);
  if (a < 0) a += 2 * kPi;
  return a;
}

double distanceToArc(const Point& p, const Point& c, double radius, double start, double end) {
  double a = normalizeAngle(numeric::atan2(p[1] - c[1], p[0] - c[0]));
  double s = normalizeAngle(start);
  double sweep = normalizeAngle(end - start);
  if (sweep == 0) sweep = 2 * kPi;
  if (normalizeAngle(a - s) <= sweep) return std::fabs(distance2d(p, c) - radius);
  Point ps{c[0] + radius * numeric::cos(start), c[1] + radius * numeric::sin(start), 0};
  Point pe{c[0] + radius * numeric::cos(end), c[1] + radius * numeric::sin(end), 0};
  return std::min(distance2d(p, ps), distance2d(p, pe));
}

double distanceToEllipse(const Point& p, const Point& c, const Point& axis, double ratio,
                         double start, double end) {
  // Dense polygon: close enough for a pick distance of a fraction of the axis.
  constexpr int kSteps = 360;
  double sweep = normalizeAngle(end - start);
  if (sweep == 0) sweep = 2 * kPi;
  Point minor{-axis[1] * ratio, axis[0] * ratio, 0};
  auto at = [&](double t) {
    return Point{c[0] + axis[0] * numeric::cos(t) + minor[0] * numeric::sin(t),
                 c[1] + axis[1] * numeric::cos(t) + minor[1] * numeric::sin(t), 0};
  };
  double best = HUGE_VAL;
  Point prev = at(start);
  for (int i = 1; i <= kSteps; ++i) {
    Point next = at(start + sweep * i / kSteps);
    best = std::min(best, distanceToSegment(p, prev, next));
    prev = next;
  }
  return best;
}

}  // namespace drafthost
