#include "plugin/screw_connection.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "config/strings.h"
#include "numeric/math.h"
#include "plugin/ads.h"
#include "plugin/interface_settings.h"
#include "plugin/messages.h"
#include "plugin/operations.h"
#include "plugin/placement.h"
#include "transfer/host_tables.h"
#include "transfer/import.h"

namespace {

// The connection program's own conversion: 180 / 3.1415, not 180 / pi.
constexpr double kDegreesPerRadian = 57.29746936176985;
constexpr double kVerticalTolerance = 0.0001;
constexpr int kLineKind = 20;
// The connection data, quoted so that it reaches the program as one argument.
constexpr const char kConnectionFormat[] = " -poke \"mconset=    %d,%5.1f,%5.1f,   -1\"";

struct Line {
  ads_point start = {0.0, 0.0, 0.0};
  ads_point end = {0.0, 0.0, 0.0};

  bool vertical() const { return std::fabs(end[0] - start[0]) < kVerticalTolerance; }
  double slope() const { return (end[1] - start[1]) / (end[0] - start[0]); }
};

// Picks until a LINE is hit: RTNORM with the line and the pick point, or RTCAN
// on Escape. Anything else (a miss, another entity) asks again, silently.
int pickLine(const std::string& prompt, Line& line, ads_point pick) {
  for (;;) {
    ads_name entity = {0, 0};
    const int rc = ads_entsel(prompt.c_str(), entity, pick);
    if (rc == RTCAN) return RTCAN;
    if (rc == RTNORM && entityKind(entity) == kLineKind) {
      lineEndpoints(entity, line.start, line.end);
      line.start[2] = line.end[2] = 0.0;
      return RTNORM;
    }
  }
}

// Distance of point p from the infinite line through `from` with slope m,
// signed: positive when p lies above it.
double signedDistance(const ads_point p, const ads_point from, double m) {
  return ((p[1] - m * p[0]) - from[1] + m * from[0]) / std::sqrt(m * m + 1.0);
}

// The text that hands the connection program its data, at whatever length
// the numbers need.
std::string connectionData(double clampingLength, double plateThickness) {
  // 1 blind hole, 2 through hole: the program's numbering.
  const int type = compareReals(plateThickness, 0.0) == 0 ? 1 : 2;
  const int length =
      std::snprintf(nullptr, 0, kConnectionFormat, type, clampingLength, plateThickness);
  if (length <= 0) return "";
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), kConnectionFormat, type, clampingLength, plateThickness);
  text.pop_back();
  return text;
}

int invalidInput(InterfaceSettings& settings) {
  printMessage(settings,
               "Ung\xFC"
               "ltige Angaben");
  return -1;
}

}  // namespace

int askConnectionGeometry(InterfaceSettings& settings, double& x, double& y, double& angle,
                          double& clampingLength, double& plateThickness) {
  int holeType = 0;
  if (ads_getint(
          formatMessage(settings, "Verschraubungsart (0)Sackloch (1)Durchgangsloch [0]:").c_str(),
          &holeType) != RTNORM)
    return -1;
  if (holeType < 0 || holeType > 1) holeType = 0;
  const bool throughHole = holeType == 1;

  Line centre, plate1, plate2, plate2Lower;
  ads_point pick = {0.0, 0.0, 0.0};
  const bool haveCentre =
      pickLine("\n" + formatMessage(settings, "Mittellinie der Bohrung auswaehlen:"), centre,
               pick) == RTNORM;
  ads_point plate1Pick = {0.0, 0.0, 0.0};
  if (pickLine("\n" + formatMessage(settings, "Oberkante 1.Platte auswaehlen:"), plate1,
               plate1Pick) != RTNORM)
    return -1;
  if (pickLine("\n" + formatMessage(settings, "Oberkante 2.Platte auswaehlen:"), plate2, pick) !=
      RTNORM)
    return -1;
  if (throughHole && pickLine("\n" + formatMessage(settings, "Unterkante 2.Platte auswaehlen:"),
                              plate2Lower, pick) != RTNORM)
    return -1;

  ads_point p = {plate1Pick[0], plate1Pick[1], 0.0};
  // A centre line parallel to the plate's edge meets it nowhere (or
  // everywhere): no start point, so the picks give no connection.
  if (haveCentre && ads_inters(centre.start, centre.end, plate1.start, plate1.end, 0, p) != RTNORM)
    return invalidInput(settings);
  p[2] = 0.0;

  const ads_real* s2 = plate2.start;
  const ads_real* e2 = plate2.end;
  double distance = 0.0;
  double m2 = 0.0;
  if (!plate2.vertical()) {
    m2 = plate2.slope();
    distance = signedDistance(p, s2, m2);
  } else {
    distance = std::fabs(p[0] - s2[0]);
  }
  const bool above = distance > 0.0;
  clampingLength = std::fabs(distance);

  plateThickness = 0.0;
  if (throughHole) {
    const ads_real* s3 = plate2Lower.start;
    const double dx = e2[0] - s2[0], dy = e2[1] - s2[1];
    const double squaredLength = dx * dx + dy * dy;
    // An upper edge without length has no direction to measure across.
    if (!(squaredLength > 0.0)) return invalidInput(settings);
    if (!plate2Lower.vertical()) {
      const double t = ((p[1] - s2[1]) * dy + (p[0] - s2[0]) * dx) / squaredLength;
      const ads_point foot = {s2[0] + t * dx, s2[1] + t * dy, 0.0};
      plateThickness = std::fabs(signedDistance(foot, s3, plate2Lower.slope()));
    } else {
      plateThickness = std::fabs(s2[0] - s3[0]);
    }
  }

  if (!plate2.vertical()) {
    angle = numeric::atan(m2) * kDegreesPerRadian;
    if (!above) angle += 180.0;
    angle -= 90.0;
  } else {
    angle = p[0] > s2[0] ? 180.0 : 0.0;
  }
  x = p[0];
  y = p[1];

  // Lines so far out that the numbers overflow give no connection either.
  if (!(clampingLength > 0.0) || !std::isfinite(clampingLength) || !std::isfinite(plateThickness) ||
      !std::isfinite(angle) || !std::isfinite(x) || !std::isfinite(y))
    return invalidInput(settings);
  return 0;
}

int runScrewConnection(InterfaceSettings& settings) {
  int result = prepareLineStyles(settings);
  if (result != 1) return result;

  double x = 0.0, y = 0.0, angle = 0.0, clampingLength = 0.0, plateThickness = 0.0;
  if (askConnectionGeometry(settings, x, y, angle, clampingLength, plateThickness) == -1) return -1;
  if (settings.inchMode()) {
    clampingLength *= 25.4;
    plateThickness *= 25.4;
  }

  const std::string arguments =
      connectionData(clampingLength, plateThickness) + " -server MoxiCon" + " -topic MoxiCon";
  result = launchForMetafile(settings, "MOXIconnection", arguments);
  if (result != 1) return result;

  // A "no part" file goes on: the import reports it.
  const std::string& fileName = settings.MetaFileName();
  if (probeMetafile(fileName) == -1) {
    printMessage(settings, "Metadatei %s wurde nicht gefunden!", fileName.c_str());
    return -1;
  }

  ads_name set = {0, 0};
  ads_ssadd(nullptr, nullptr, set);
  result = importMetafile(settings, fileName, set, 1, 0.0, 0.0, 0.0);
  if (result == 1) {
    const ads_point origin = {0.0, 0.0, 0.0};
    rotateSelection(settings, set, angle, origin);
    const ads_point start = {x, y, 0.0};
    moveSelection(settings, set, start);
  }
  ads_ssfree(set);
  return result;
}
