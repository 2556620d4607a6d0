// 2D geometry: the slot defaults with dispatch by key, and the shape classes.
#include "m2d/geometry.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "m2d/attributes.h"
#include "numeric/math.h"

namespace {

constexpr const char* kPoint = "POINT";
constexpr double kDegToRad = kPi / 180.0;

// A step of exactly 0 means 5 degrees. A negative or non-finite step would
// never end the walk, and a vanishing one would make millions of points: the
// first is taken as the default, the second is held at a microradian.
double effectiveStep(double step) {
  if (step == 0.0 || !std::isfinite(step) || step < 0.0) return 0.08726646259971647;
  return std::max(step, 1e-6);
}

// Points fn(theta) for theta = s, s + step, ... while below e, then the point
// at e. The end point is added even when the steps land on e exactly: the loop
// stops before it, and leaving it out would lose an arc's end point and leave a
// circle's polygon open.
template <class Fn>
int sweep(std::vector<mVec2d>& out, double s, double e, double step, Fn&& fn) {
  out.clear();
  if (!std::isfinite(s) || !std::isfinite(e)) return 0;
  step = effectiveStep(step);
  double theta = s;
  while (theta < e) {
    out.push_back(fn(theta));
    theta += step;
  }
  out.push_back(fn(e));
  return static_cast<int>(out.size());
}

void boxOf(const mVec2d* pts, std::size_t n, mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) {
  mVec2d lo = pts[0];
  mVec2d hi = pts[0];
  for (std::size_t i = 1; i < n; ++i) {
    lo.x = std::min(lo.x, pts[i].x);
    lo.y = std::min(lo.y, pts[i].y);
    hi.x = std::max(hi.x, pts[i].x);
    hi.y = std::max(hi.y, pts[i].y);
  }
  ll = lo;
  lr = {hi.x, lo.y};
  ur = hi;
  ul = {lo.x, hi.y};
}

void scaleKey(metaTreeC* keyNode, double f) {
  metaObjectC(keyNode).scaleNumbers(f);
}

// Transforms the point held by a key node (created as (0, 0) when missing).
void transformKey(metaTreeC* keyNode, const mMatrix3& m) {
  m2dSetPointOf(keyNode, m.apply(m2dPointOf(keyNode)));
}

// Brings an angle in degrees into [0, 360).
double normalDegrees(double a) {
  a = std::fmod(a, 360.0);
  return a < 0.0 ? a + 360.0 : a;
}

template <class T>
void registerGeometry(metaPrototypeRegistry& r, const char* key, int depth) {
  r.registerPrototype(key, std::make_unique<T>(), depth);
}

}  // namespace

// Priorities are the depth of each class below metaObjectC. CENTER is the 3D
// model's centre line, which is geometrically a line; that model is not part
// of this system, so a line stands in for it.
metaPrototypeRegistry& m2dGeometryRegistry() {
  static metaPrototypeRegistry registry = [] {
    metaPrototypeRegistry r;
    registerGeometry<mBaseLine2dC>(r, "LINE", 2);
    registerGeometry<mBaseArc2dC>(r, "ARC", 2);
    registerGeometry<mBaseCircle2dC>(r, "CIRCLE", 2);
    registerGeometry<mBaseEllipse2dC>(r, "ELLIPSE", 3);
    registerGeometry<mBaseEllipseArc2dC>(r, "ELLIPSEARC", 3);
    registerGeometry<mBaseIntCrv2dC>(r, "ICRV2D", 3);
    registerGeometry<mBasePoint2dC>(r, "SPOINT", 2);
    registerGeometry<mBaseLine2dC>(r, "CENTER", 2);
    return r;
  }();
  return registry;
}

// --- Any shape: dispatch by key

bool mBaseShape2dC::isGeometry() const {
  metaTreeC* n = node();
  return n && n->value.isIdent() &&
         m2dGeometryRegistry().lookupAs<mBaseShape2dC>(n->value.text()) != nullptr;
}

double mBaseShape2dC::length() const {
  return metaDispatch(m2dGeometryRegistry(), *this, 0.0,
                      [](const mBaseShape2dC& p) { return p.length(); });
}

void mBaseShape2dC::boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const {
  metaDispatch(m2dGeometryRegistry(), *this, 0, [&](const mBaseShape2dC& p) {
    p.boundingBox(ll, lr, ur, ul);
    return 0;
  });
}

int mBaseShape2dC::transform(const mMatrix3& m) const {
  return metaDispatch(m2dGeometryRegistry(), *this, 0,
                      [&](const mBaseShape2dC& p) { return p.transform(m); });
}

int mBaseShape2dC::toPoints(std::vector<mVec2d>& out, double step) const {
  out.clear();
  return metaDispatch(m2dGeometryRegistry(), *this, 0,
                      [&](const mBaseShape2dC& p) { return p.toPoints(out, step); });
}

int mBaseShape2dC::scale(double f) const {
  return metaDispatch(m2dGeometryRegistry(), *this, 1,
                      [f](const mBaseShape2dC& p) { return p.scale(f); });
}

int mBaseShape2dC::toSegments(double step, double tolerance, metaTreeC* target) const {
  if (mBaseShape2dC* p = metaDispatchPrototype(m2dGeometryRegistry(), *this)) {
    metaDispatchBindingC guard(*p, node());
    return p->toSegments(step, tolerance, target);
  }
  std::vector<mVec2d> pts;
  toPoints(pts, step);
  return segmentPoints(pts, tolerance, target);
}

int mBaseShape2dC::endPoints(mVec2d& start, mVec2d& end) const {
  return metaDispatch(m2dGeometryRegistry(), *this, 0,
                      [&](const mBaseShape2dC& p) { return p.endPoints(start, end); });
}

int mBaseShape2dC::setEndPoints(mVec2d start, mVec2d end) const {
  return metaDispatch(m2dGeometryRegistry(), *this, 0,
                      [&](const mBaseShape2dC& p) { return p.setEndPoints(start, end); });
}

int mBaseShape2dC::reverse() const {
  return metaDispatch(m2dGeometryRegistry(), *this, 0,
                      [](const mBaseShape2dC& p) { return p.reverse(); });
}

// --- Point

mVec2d mBasePoint2dC::point(bool* found) const {
  return m2dReadPoint(node(), kPoint, found);
}
bool mBasePoint2dC::setPoint(mVec2d p) const {
  return m2dWritePoint(node(), kPoint, p);
}

void mBasePoint2dC::boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const {
  if (!node()) return;
  ll = lr = ur = ul = point();
}

int mBasePoint2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  transformKey(child(kPoint), m);
  return 1;
}

int mBasePoint2dC::toPoints(std::vector<mVec2d>& out, double) const {
  out.clear();
  if (!node()) return 0;
  out.push_back(point());
  return 1;
}

int mBasePoint2dC::scale(double f) const {
  scaleKey(findChild(kPoint), f);
  return 1;
}

// --- Line

mVec2d mBaseLine2dC::start(bool* found) const {
  return m2dPointOf(m2dNthChild(node(), kPoint, 0, true), found);
}
mVec2d mBaseLine2dC::end(bool* found) const {
  return m2dPointOf(m2dNthChild(node(), kPoint, 1, true), found);
}
bool mBaseLine2dC::setStart(mVec2d p) const {
  return m2dSetPointOf(m2dNthChild(node(), kPoint, 0, true), p);
}
bool mBaseLine2dC::setEnd(mVec2d p) const {
  return m2dSetPointOf(m2dNthChild(node(), kPoint, 1, true), p);
}

double mBaseLine2dC::length() const {
  return norm(end() - start());
}

void mBaseLine2dC::boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const {
  if (!node()) return;
  const mVec2d pts[2] = {start(), end()};
  boxOf(pts, 2, ll, lr, ur, ul);
}

// Both points are found in one walk: every LINE of a figure comes through here
// once per figure transformation.
int mBaseLine2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  metaTreeC* pts[2];
  m2dFirstChildren(node(), kPoint, 2, pts);
  transformKey(pts[0], m);
  transformKey(pts[1], m);
  return 1;
}

int mBaseLine2dC::toPoints(std::vector<mVec2d>& out, double) const {
  out.clear();
  if (!node()) return 0;
  out.push_back(start());
  out.push_back(end());
  return 2;
}

int mBaseLine2dC::scale(double f) const {
  scaleKey(m2dNthChild(node(), kPoint, 0, false), f);
  scaleKey(m2dNthChild(node(), kPoint, 1, false), f);
  return 1;
}

int mBaseLine2dC::endPoints(mVec2d& s, mVec2d& e) const {
  if (!node()) return 0;
  s = start();
  e = end();
  return 1;
}

int mBaseLine2dC::setEndPoints(mVec2d s, mVec2d e) const {
  if (!node()) return 0;
  setStart(s);
  setEnd(e);
  return 1;
}

int mBaseLine2dC::reverse() const {
  mVec2d s, e;
  if (!endPoints(s, e)) return 0;
  return setEndPoints(e, s);
}

// --- Arc

mVec2d mBaseArc2dC::point(std::size_t i, bool* found) const {
  if (i > 2) {
    if (found) *found = false;
    return {};
  }
  return m2dPointOf(m2dNthChild(node(), kPoint, i, true), found);
}

bool mBaseArc2dC::setPoint(std::size_t i, mVec2d p) const {
  return i <= 2 && m2dSetPointOf(m2dNthChild(node(), kPoint, i, true), p);
}

mVec2d mBaseArc2dC::centre() const {
  return circumcentre(point(0), point(1), point(2));
}

double mBaseArc2dC::radius() const {
  return norm(point(0) - centre());
}

double mBaseArc2dC::startAngle() const {
  return angleOf(point(0) - centre());
}

double mBaseArc2dC::endAngle() const {
  return angleOf(point(2) - centre());
}

bool mBaseArc2dC::clockwise() const {
  const mVec2d c = centre();
  const double a0 = angleOf(point(0) - c);
  const double a1 = angleOf(point(1) - c);
  const double a2 = angleOf(point(2) - c);
  if (a1 > a0) return a2 > a1 ? false : a2 >= a0;
  return a2 <= a1 ? true : a2 >= a0;
}

void mBaseArc2dC::counterClockwiseSweep(mVec2d& centre, double& radius, double& start,
                                        double& end) const {
  metaTreeC* keys[3];
  m2dFirstChildren(node(), kPoint, 3, keys);
  const mVec2d p0 = m2dPointOf(keys[0]);
  const mVec2d p1 = m2dPointOf(keys[1]);
  const mVec2d p2 = m2dPointOf(keys[2]);
  centre = circumcentre(p0, p1, p2);
  radius = norm(p0 - centre);
  start = angleOf(p0 - centre);
  end = angleOf(p2 - centre);
  // As clockwise() decides it.
  const double middle = angleOf(p1 - centre);
  const bool turnsClockwise = middle > start ? (end > middle ? false : end >= start)
                                             : (end <= middle ? true : end >= start);
  if (turnsClockwise) std::swap(start, end);
}

double mBaseArc2dC::length() const {
  double s = startAngle();
  double e = endAngle();
  if (clockwise()) std::swap(s, e);
  if (std::isfinite(s) && std::isfinite(e)) {
    while (e < s) e += 360.0;
  }
  return (e - s) * radius() * kPi / 180.0;
}

// The box of the end points and of those quadrant points (0, 90, 180, 270
// degrees) that the arc passes on its counter-clockwise sweep.
void mBaseArc2dC::boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const {
  if (!node()) return;
  const mVec2d c = centre();
  const double r = radius();
  double s = startAngle();
  double e = endAngle();
  if (clockwise()) std::swap(s, e);
  mVec2d pts[6] = {point(0), point(2)};
  std::size_t n = 2;
  const double sweepDeg = normalDegrees(e - s);
  const mVec2d quadrant[4] = {{c.x + r, c.y}, {c.x, c.y + r}, {c.x - r, c.y}, {c.x, c.y - r}};
  for (int q = 0; q < 4; ++q) {
    if (normalDegrees(90.0 * q - s) <= sweepDeg) pts[n++] = quadrant[q];
  }
  boxOf(pts, n, ll, lr, ur, ul);
}

int mBaseArc2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  metaTreeC* pts[3];
  m2dFirstChildren(node(), kPoint, 3, pts);
  for (metaTreeC* p : pts) transformKey(p, m);
  return 1;
}

int mBaseArc2dC::toPoints(std::vector<mVec2d>& out, double step) const {
  out.clear();
  if (!node()) return 0;
  const mVec2d c = centre();
  const double r = radius();
  double s = startAngle() * kDegToRad;
  double e = endAngle() * kDegToRad;
  if (clockwise()) std::swap(s, e);
  if (e < s) e += kTwoPi;
  return sweep(out, s, e, step, [&](double t) {
    return mVec2d{c.x + r * numeric::cos(t), c.y + r * numeric::sin(t)};
  });
}

// Scales the three POINT keys: in a well-formed arc they are its first three
// children, and an arc that carries another key (HATCHIDX) first still keeps
// all three of its points right.
int mBaseArc2dC::scale(double f) const {
  for (std::size_t i = 0; i < 3; ++i) scaleKey(m2dNthChild(node(), kPoint, i, false), f);
  return 1;
}

int mBaseArc2dC::endPoints(mVec2d& s, mVec2d& e) const {
  if (!node()) return 0;
  s = point(0);
  e = point(2);
  return 1;
}

// The middle point stays: the arc then runs through it from the new start to the new end.
int mBaseArc2dC::setEndPoints(mVec2d s, mVec2d e) const {
  if (!node()) return 0;
  setPoint(0, s);
  setPoint(2, e);
  return 1;
}

// Start and end exchange places; the arc is the same curve walked the other way.
int mBaseArc2dC::reverse() const {
  mVec2d s, e;
  if (!endPoints(s, e)) return 0;
  return setEndPoints(e, s);
}

// --- Circle

mVec2d mBaseCircle2dC::centre(bool* found) const {
  return m2dReadPoint(node(), kPoint, found);
}
double mBaseCircle2dC::radius(bool* found) const {
  return m2dReadNumber(node(), "RAD", found);
}
bool mBaseCircle2dC::setCentre(mVec2d p) const {
  return m2dWritePoint(node(), kPoint, p);
}
bool mBaseCircle2dC::setRadius(double r) const {
  return m2dWriteNumber(node(), "RAD", r);
}

double mBaseCircle2dC::length() const {
  return kTwoPi * radius();
}

void mBaseCircle2dC::boundingBox(mVec2d& ll, mVec2d& lr, mVec2d& ur, mVec2d& ul) const {
  if (!node()) return;
  const mVec2d c = centre();
  const double r = std::fabs(radius());
  const mVec2d pts[2] = {{c.x - r, c.y - r}, {c.x + r, c.y + r}};
  boxOf(pts, 2, ll, lr, ur, ul);
}

int mBaseCircle2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  transformKey(child(kPoint), m);
  return 1;
}

int mBaseCircle2dC::toPoints(std::vector<mVec2d>& out, double step) const {
  out.clear();
  if (!node()) return 0;
  const mVec2d c = centre();
  const double r = radius();
  return sweep(out, 0.0, kTwoPi, step, [&](double t) {
    return mVec2d{c.x + r * numeric::cos(t), c.y + r * numeric::sin(t)};
  });
}

int mBaseCircle2dC::scale(double f) const {
  scaleKey(findChild(kPoint), f);
  scaleKey(findChild("RAD"), f);
  return 1;
}

// --- Ellipse core

mVec2d mBaseEllipseCore2dC::centre(bool* found) const {
  return m2dReadPoint(node(), kPoint, found);
}
double mBaseEllipseCore2dC::rad1(bool* found) const {
  return m2dReadNumber(node(), "RAD1", found);
}
double mBaseEllipseCore2dC::rad2(bool* found) const {
  return m2dReadNumber(node(), "RAD2", found);
}
double mBaseEllipseCore2dC::angle(bool* found) const {
  return m2dReadNumber(node(), "ANGLE", found);
}
bool mBaseEllipseCore2dC::setCentre(mVec2d p) const {
  return m2dWritePoint(node(), kPoint, p);
}
bool mBaseEllipseCore2dC::setRad1(double v) const {
  return m2dWriteNumber(node(), "RAD1", v);
}
bool mBaseEllipseCore2dC::setRad2(double v) const {
  return m2dWriteNumber(node(), "RAD2", v);
}
bool mBaseEllipseCore2dC::setAngle(double v) const {
  return m2dWriteNumber(node(), "ANGLE", v);
}

void mBaseEllipseCore2dC::axes(mVec2d& first, mVec2d& second) const {
  const double a = angle();
  first = rotate({rad1(), 0.0}, a);
  second = rotate({0.0, rad2()}, a);
}

double mBaseEllipseCore2dC::ratio() const {
  return rad1() / rad2();
}

int mBaseEllipseCore2dC::scale(double f) const {
  scaleKey(findChild(kPoint), f);
  scaleKey(findChild("RAD1"), f);
  scaleKey(findChild("RAD2"), f);
  return 1;
}

// --- Ellipse

int mBaseEllipse2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  mVec2d first, second;
  axes(first, second);
  const mVec2d c = centre();
  const mVec2d c2 = m.apply(c);
  const mVec2d e2 = m.apply(c + first);
  setAngle(angleOf(e2 - c2));
  setCentre(c2);
  return 1;
}

// Like a circle's: eccentric angle from 0 to 2 pi, the closing point repeated.
int mBaseEllipse2dC::toPoints(std::vector<mVec2d>& out, double step) const {
  out.clear();
  if (!node()) return 0;
  const mVec2d c = centre();
  const double r1 = rad1();
  const double r2 = rad2();
  const double a = angle();
  return sweep(out, 0.0, kTwoPi, step, [&](double t) {
    return c + rotate({r1 * numeric::cos(t), r2 * numeric::sin(t)}, a);
  });
}

// --- Ellipse arc

double mBaseEllipseArc2dC::angle1(bool* found) const {
  return m2dReadNumber(node(), "ANGLE1", found);
}
double mBaseEllipseArc2dC::angle2(bool* found) const {
  return m2dReadNumber(node(), "ANGLE2", found);
}
bool mBaseEllipseArc2dC::setAngle1(double v) const {
  return m2dWriteNumber(node(), "ANGLE1", v);
}
bool mBaseEllipseArc2dC::setAngle2(double v) const {
  return m2dWriteNumber(node(), "ANGLE2", v);
}

mVec2d mBaseEllipseArc2dC::startPoint() const {
  const double t = angle1() * kDegToRad;
  return centre() + rotate({rad1() * numeric::cos(t), rad2() * numeric::sin(t)}, angle());
}

mVec2d mBaseEllipseArc2dC::endPoint() const {
  const double t = angle2() * kDegToRad;
  return centre() + rotate({rad1() * numeric::cos(t), rad2() * numeric::sin(t)}, angle());
}

// With a zero semi-axis the eccentric angle of a point cannot be recovered;
// the parameters are then kept, which is right for the rotations and moves
// the import applies.
int mBaseEllipseArc2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  const mVec2d s = startPoint();
  const mVec2d e = endPoint();
  mVec2d first, second;
  axes(first, second);
  const mVec2d c = centre();
  const mVec2d c2 = m.apply(c);
  const double a2 = angleOf(m.apply(c + first) - c2);
  const double r1 = rad1();
  const double r2 = rad2();
  setAngle(a2);
  setCentre(c2);
  if (r1 == 0.0 || r2 == 0.0) return 1;
  auto parameter = [&](mVec2d q) {
    const mVec2d d = rotate(m.apply(q) - c2, -a2);
    return angleOf({d.x / r1, d.y / r2});
  };
  setAngle1(parameter(s));
  setAngle2(parameter(e));
  return 1;
}

// From ANGLE1 counter-clockwise to ANGLE2 (both brought into [0, 360) first),
// in the manner of an arc's points.
int mBaseEllipseArc2dC::toPoints(std::vector<mVec2d>& out, double step) const {
  out.clear();
  if (!node()) return 0;
  const mVec2d c = centre();
  const double r1 = rad1();
  const double r2 = rad2();
  const double a = angle();
  double s = normalDegrees(angle1()) * kDegToRad;
  double e = normalDegrees(angle2()) * kDegToRad;
  if (e < s) e += kTwoPi;
  return sweep(out, s, e, step, [&](double t) {
    return c + rotate({r1 * numeric::cos(t), r2 * numeric::sin(t)}, a);
  });
}

// --- Interpolated curve

mVec2d mBaseIntCrvC::pointAt(std::size_t i, bool* found) const {
  metaTreeC* n = item(kPoint, i);
  if (!n && found) *found = false;
  return n ? m2dPointOf(n, found) : mVec2d{};
}

std::vector<mVec2d> mBaseIntCrvC::points() const {
  std::vector<mVec2d> pts;
  for (metaTreeC* c : childNodes()) {
    if (c->isIdent(kPoint)) pts.push_back(m2dPointOf(c));
  }
  return pts;
}

bool mBaseIntCrv2dC::closed() const {
  metaTreeC* first = nullptr;
  metaTreeC* last = nullptr;
  for (metaTreeC* c : childNodes()) {
    if (!c->isIdent(kPoint)) continue;
    if (!first) first = c;
    last = c;
  }
  return first && last != first && pointsNear(m2dPointOf(first), m2dPointOf(last), 1e-8);
}

int mBaseIntCrv2dC::segmentCurve(double tolerance, metaTreeC* target) const {
  return segmentPoints(points(), tolerance, target);
}

// Points are rewritten in place: no structural change, so list caches stay good.
int mBaseIntCrv2dC::transform(const mMatrix3& m) const {
  if (!node()) return 0;
  for (metaTreeC* c : childNodes()) {
    if (c->isIdent(kPoint)) transformKey(c, m);
  }
  return 1;
}

int mBaseIntCrv2dC::toPoints(std::vector<mVec2d>& out, double) const {
  out = points();
  return static_cast<int>(out.size());
}

int mBaseIntCrv2dC::scale(double f) const {
  for (metaTreeC* c : childNodes()) {
    if (c->isIdent(kPoint)) scaleKey(c, f);
  }
  return 1;
}

int mBaseIntCrv2dC::toSegments(double, double tolerance, metaTreeC* target) const {
  return segmentCurve(tolerance, target);
}
