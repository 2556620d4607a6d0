// Plane and space geometry the host needs: similarity transformations for
// ads_xformss and distances for picking.
#pragma once

#include <array>
#include <optional>

#include "groups.h"

namespace drafthost {

using Matrix = std::array<std::array<double, 4>, 4>;

constexpr double kPi = 3.141592653589793;

// A uniform-scale affine transformation taken apart: p' = linear * p + shift.
struct Similarity {
  Matrix matrix{};
  double scale = 1;       // length factor
  bool mirrored = false;  // orientation reversed

  // Inline: every point of every entity a selection moves comes through here.
  Point apply(const Point& p) const {
    Point out{};
    for (int r = 0; r < 3; ++r)
      out[r] = matrix[r][0] * p[0] + matrix[r][1] * p[1] + matrix[r][2] * p[2] + matrix[r][3];
    return out;
  }
  Point applyVector(const Point& v) const;
  // Direction angle (radians, in the XY plane) of the transformed direction a.
  double applyAngle(double a) const;
};

// The similarity for a row-major matrix (translation in the fourth column);
// nullopt when the matrix is not affine or scales unevenly, as a host refuses.
std::optional<Similarity> similarityOf(const Matrix& m);

Matrix identityMatrix();
// a * b (b applied first).
Matrix multiply(const Matrix& a, const Matrix& b);

double distance2d(const Point& a, const Point& b);
// Distance from p to the segment a-b in the XY plane.
double distanceToSegment(const Point& p, const Point& a, const Point& b);
// Distance from p to the counter-clockwise arc from angle start to end.
double distanceToArc(const Point& p, const Point& centre, double radius, double start, double end);
// Distance from p to an elliptic arc (axis vector, ratio, parameters).
double distanceToEllipse(const Point& p, const Point& centre, const Point& axis, double ratio,
                         double start, double end);

// Angle normalised into [0, 2 pi).
double normalizeAngle(double a);

}  // namespace drafthost
