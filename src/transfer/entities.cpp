#include "transfer/entities.h"

#include <cmath>
#include <cstdint>

#include "m2d/attributes.h"
#include "m2d/shapes.h"
#include "m2d/vector2d.h"
#include "numeric/math.h"
#include "plugin/interface_settings.h"
#include "plugin/messages.h"

namespace {

// Text angles go to the host with pi cut to six decimals, as the catalogue's
// texts have always been placed.
constexpr double kTextPi = 3.141592;

}  // namespace

double degreesToRadians(double degrees) {
  return degrees / 180.0 * kPi;
}

EntityStyle entityStyle(InterfaceSettings& settings, int styleIndex, bool cosmetic) {
  EntityStyle style;
  style.layer = settings.styleLayer(styleIndex);
  style.linetype = settings.styleLinetype(styleIndex);
  style.colour = settings.styleColour(styleIndex);
  if (cosmetic && !settings.cosmeticLayer().empty()) style.layer = settings.cosmeticLayer();
  return style;
}

int makeEntityFromList(InterfaceSettings& settings, resbuf* list, const char* message,
                       ads_name entity) {
  int rc = list ? ads_entmake(list) : RTERROR;
  ads_relrb(list);
  if (rc != RTNORM) {
    // Translated here, so that the text never serves as a format.
    printMessage(settings, "%s", translateText(settings, message).c_str());
    return -1;
  }
  ads_entlast(entity);
  return 1;
}

int makeLine(InterfaceSettings& settings, const m2dLineC& line, int styleIndex, bool cosmetic,
             ads_name entity) {
  return makeLine(settings, entityStyle(settings, styleIndex, cosmetic), line, entity);
}

int makeLine(InterfaceSettings& settings, const EntityStyle& st, const m2dLineC& line,
             ads_name entity) {
  // Start and end found in one walk, as start() and end() would find them.
  metaTreeC* points[2];
  m2dFirstChildren(line.node(), "POINT", 2, points);
  const mVec2d a = m2dPointOf(points[0]);
  const mVec2d b = m2dPointOf(points[1]);
  const ads_point p1 = {a.x, a.y, 0.0};
  const ads_point p2 = {b.x, b.y, 0.0};
  resbuf* list = ads_buildlist(RTDXF0, "LINE", 8, st.layer.c_str(), 6, st.linetype.c_str(), 62,
                               st.colour, 10, p1, 11, p2, 0);
  return makeEntityFromList(settings, list, "Linie konnte nicht erzeugt werden!", entity);
}

int makeArc(InterfaceSettings& settings, const m2dArcC& arc, int styleIndex, bool cosmetic,
            ads_name entity) {
  const EntityStyle st = entityStyle(settings, styleIndex, cosmetic);
  // The host draws counter-clockwise from 50 to 51.
  mVec2d c;
  double radius = 0.0, start = 0.0, end = 0.0;
  arc.counterClockwiseSweep(c, radius, start, end);
  const ads_point centre = {c.x, c.y, 0.0};
  resbuf* list =
      ads_buildlist(RTDXF0, "ARC", 8, st.layer.c_str(), 6, st.linetype.c_str(), 62, st.colour, 10,
                    centre, 40, radius, 50, degreesToRadians(start), 51, degreesToRadians(end), 0);
  return makeEntityFromList(settings, list, "Bogen konnte nicht erzeugt werden!", entity);
}

int makeCircle(InterfaceSettings& settings, const m2dCircleC& circle, int styleIndex, bool cosmetic,
               ads_name entity) {
  const EntityStyle st = entityStyle(settings, styleIndex, cosmetic);
  const mVec2d c = circle.centre();
  const ads_point centre = {c.x, c.y, 0.0};
  resbuf* list = ads_buildlist(RTDXF0, "CIRCLE", 8, st.layer.c_str(), 6, st.linetype.c_str(), 62,
                               st.colour, 10, centre, 40, circle.radius(), 0);
  return makeEntityFromList(settings, list, "Kreis konnte nicht erzeugt werden!", entity);
}

namespace {

// ELLIPSE and ELLIPSEARC share one list; only the parameters 41 and 42 differ.
int makeEllipseEntity(InterfaceSettings& settings, const mBaseEllipseCore2dC& e, int styleIndex,
                      bool cosmetic, double startParam, double endParam, const char* message,
                      ads_name entity) {
  const EntityStyle st = entityStyle(settings, styleIndex, cosmetic);
  const mVec2d c = e.centre();
  mVec2d first, second;
  e.axes(first, second);
  const ads_point centre = {c.x, c.y, 0.0};
  const ads_point axis = {first.x, first.y, 0.0};
  const double ratio = 1.0 / e.ratio();
  resbuf* list = ads_buildlist(RTDXF0, "ELLIPSE", 100, "AcDbEntity", 8, st.layer.c_str(), 6,
                               st.linetype.c_str(), 100, "AcDbEllipse", 62, st.colour, 10, centre,
                               11, axis, 40, ratio, 41, startParam, 42, endParam, 0);
  return makeEntityFromList(settings, list, message, entity);
}

}  // namespace

int makeEllipse(InterfaceSettings& settings, const m2dEllipseC& ellipse, int styleIndex,
                bool cosmetic, ads_name entity) {
  return makeEllipseEntity(settings, ellipse, styleIndex, cosmetic, 0.0, kTwoPi,
                           "Ellipse konnte nicht erzeugt werden!", entity);
}

int makeEllipseArc(InterfaceSettings& settings, const m2dEllipseArcC& arc, int styleIndex,
                   bool cosmetic, ads_name entity) {
  // The angles go to the host as its start and end parameters, as they are.
  return makeEllipseEntity(settings, arc, styleIndex, cosmetic, degreesToRadians(arc.angle1()),
                           degreesToRadians(arc.angle2()),
                           "Ellipsenbogen konnte nicht erzeugt werden!", entity);
}

MTextPlacement mtextPlacement(const std::string& text, double x, double y, int relPos, int align,
                              double boxWidth, double angle) {
  MTextPlacement p{x, y, relPos, text};
  if (text.find('\n') == std::string::npos) return p;
  // The anchor keeps its fractions and the half width stays exact: cutting
  // them to whole units would shift texts by up to a unit. Attachment and
  // alignment out of range are not guarded; C's remainder decides then. The
  // sums are taken in 64 bits, so values near the ends of the int range give
  // the wrapped attachment a 32-bit sum would, without overflowing.
  const std::int64_t column = (std::int64_t{relPos} - 1) % 3;
  const std::int64_t rowStart = relPos - column;
  const double half = boxWidth / 2.0;
  // The columns lie along the text's baseline: a turned text (a figure's
  // rotation turns its texts too) moves along its own direction, never along
  // the drawing's x axis. At angle 0 the shift is exactly the old x shift.
  const double shift = half * static_cast<double>(std::int64_t{align} - 1) -
                       half * static_cast<double>(column);
  if (angle == 0.0) {
    p.x = x + shift;
  } else {
    const double phi = degreesToRadians(angle);
    p.x = x + shift * numeric::cos(phi);
    p.y = y + shift * numeric::sin(phi);
  }
  const std::int64_t attachment = rowStart + (std::int64_t{align} - 1);
  p.attachment = static_cast<int>(static_cast<std::uint32_t>(attachment));
  p.text.clear();
  for (char ch : text) {
    if (ch == '\n') {
      p.text += "\\P";
    } else {
      p.text += ch;
    }
  }
  return p;
}

int makeText(InterfaceSettings& settings, const m2dTextC& text, int styleIndex, bool cosmetic,
             ads_name entity) {
  const EntityStyle st = entityStyle(settings, styleIndex, cosmetic);
  const mVec2d anchor = text.point();
  const MTextPlacement p = mtextPlacement(text.text(), anchor.x, anchor.y, text.relPos(),
                                          text.align(), text.boxWidth(), text.angle());
  const ads_point at = {p.x, p.y, 0.0};
  resbuf* list =
      ads_buildlist(RTDXF0, "MTEXT", 100, "AcDbEntity", 8, st.layer.c_str(), 6, st.linetype.c_str(),
                    62, st.colour, 100, "AcDbMText", 10, at, 40, text.height(), 71, p.attachment,
                    72, 1, 1, p.text.c_str(), 50, text.angle() / 180.0 * kTextPi, 0);
  return makeEntityFromList(settings, list, "Textelement konnte nicht erzeugt werden!", entity);
}
