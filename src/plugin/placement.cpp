#include "plugin/placement.h"

#include <sys/stat.h>

#include <cmath>

#include "numeric/math.h"
#include "plugin/interface_settings.h"
#include "plugin/messages.h"
#include "plugin/operations.h"
#include "transfer/host_tables.h"
#include "transfer/import.h"

namespace {

constexpr double kPi = 3.141592653589793;

void identity(ads_matrix m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0 : 0.0;
}

// The set follows the cursor, measured from where it stands (the origin).
int followCursor(ads_point cursor, ads_matrix matrix) {
  identity(matrix);
  matrix[0][3] = cursor[0];
  matrix[1][3] = cursor[1];
  matrix[2][3] = cursor[2];
  return RTNORM;
}

bool isSubentity(const ads_name ent) {
  resbuf* list = ads_entget(ent);
  bool sub = false;
  for (resbuf* rb = list; rb; rb = rb->rbnext) {
    if (rb->restype == 0 || rb->restype == RTDXF0) {
      const std::string type = rb->resval.rstring ? rb->resval.rstring : "";
      sub = type == "VERTEX" || type == "SEQEND";
      break;
    }
  }
  ads_relrb(list);
  return sub;
}

}  // namespace

void dragInsertionPoint(InterfaceSettings&, const ads_name set, const std::string& prompt,
                        ads_point point) {
  point[0] = point[1] = point[2] = 0.0;
  ads_printf("\n");
  // A cancelled drag leaves the point at the origin.
  ads_point dragged = {0.0, 0.0, 0.0};
  if (ads_draggen(set, prompt.c_str(), 0, followCursor, dragged) == RTNORM) {
    point[0] = dragged[0];
    point[1] = dragged[1];
    point[2] = dragged[2];
  }
}

int moveSelection(InterfaceSettings&, const ads_name set, const ads_point point) {
  ads_matrix m;
  identity(m);
  m[0][3] = point[0];
  m[1][3] = point[1];
  return ads_xformss(set, m) == RTNORM ? 0 : -1;
}

int askRotation(InterfaceSettings&, const ads_point base, const std::string& prompt,
                double& angle) {
  angle = 0.0;
  ads_printf("\n");
  ads_real radians = 0.0;
  if (ads_getorient(base, prompt.c_str(), &radians) == RTNORM) angle = radians * 180.0 / kPi;
  return 1;
}

int rotateSelection(InterfaceSettings&, const ads_name set, double degrees, const ads_point point) {
  const double a = degrees * kPi / 180.0;
  const double c = numeric::cos(a), s = numeric::sin(a);
  const double x = point[0], y = point[1];
  // Translation by (-x, -y), rotation, translation back, in one matrix.
  ads_matrix m;
  identity(m);
  m[0][0] = c;
  m[0][1] = -s;
  m[1][0] = s;
  m[1][1] = c;
  m[0][3] = x - c * x + s * y;
  m[1][3] = y - s * x - c * y;
  return ads_xformss(set, m) == RTNORM ? 0 : -1;
}

int placeMetafile(InterfaceSettings& settings, const std::string& fileName) {
  const int probe = probeMetafile(fileName);
  if (probe == -1) {
    printMessage(settings, "Metadatei %s wurde nicht gefunden!", fileName.c_str());
    return -1;
  }
  if (probe == 0) {
    printMessage(settings,
                 "Es wurde kein Teil \xFC"
                 "bergeben!");
    return -1;
  }
  ads_name set = {0, 0};
  ads_ssadd(nullptr, nullptr, set);
  const int result = importMetafile(settings, fileName, set, 0, 0.0, 0.0, 0.0);
  if (result == 1) {
    ads_point point;
    dragInsertionPoint(settings, set, formatMessage(settings, "Einf\xFCgepunkt w\xE4hlen:"), point);
    moveSelection(settings, set, point);
    double angle = 0.0;
    askRotation(settings, point, formatMessage(settings, "Drehwinkel:"), angle);
    rotateSelection(settings, set, angle, point);
  }
  ads_ssfree(set);
  return result;
}

int placeSatFile(InterfaceSettings& settings, const std::string& fileName) {
  struct stat info;
  if (::stat(fileName.c_str(), &info) != 0) return 0;

  ads_name last = {0, 0};
  const bool drawingEmpty = ads_entlast(last) != RTNORM;
  ads_command(RTSTR, "_acisin", RTSTR, fileName.c_str(), RTNONE);

  ads_name set = {0, 0};
  ads_ssadd(nullptr, nullptr, set);
  ads_name ent = {0, 0};
  int count = 0;
  int rc = ads_entnext(drawingEmpty ? nullptr : last, ent);
  // The vertices and end of a polyline that was the last entity before the
  // import follow it in the walk; they are old and stay where they are.
  while (rc == RTNORM && !drawingEmpty && isSubentity(ent)) {
    ads_name next;
    rc = ads_entnext(ent, next);
    ent[0] = next[0];
    ent[1] = next[1];
  }
  while (rc == RTNORM) {
    ads_name out;
    ads_ssadd(ent, set, out);
    ++count;
    ads_name next;
    rc = ads_entnext(ent, next);
    ent[0] = next[0];
    ent[1] = next[1];
  }
  // An import that made nothing gets no block: the drawing's earlier entities
  // are never collected, and there is nothing to place.
  if (count == 0) {
    ads_ssfree(set);
    return 1;
  }

  std::string name = "MOXISOL";
  for (int counter = 0; blockExists(name.c_str()); ++counter)
    name = "MOXISOL" + std::to_string(counter);
  const ads_point origin = {0.0, 0.0, 0.0};
  ads_command(RTSTR, "_.BLOCK", RTSTR, name.c_str(), RTPOINT, origin, RTPICKS, set, RTSTR, "",
              RTNONE);
  ads_ssfree(set);

  resbuf* list = ads_buildlist(RTDXF0, "INSERT", 2, name.c_str(), 10, origin, 50, 0.0, 0);
  const int made = ads_entmake(list);
  ads_relrb(list);
  // Without the INSERT the drawing's last entity is someone else's: nothing
  // to drag then.
  if (made != RTNORM) return 1;

  ads_name insert = {0, 0};
  ads_entlast(insert);
  ads_name placed = {0, 0};
  ads_ssadd(insert, nullptr, placed);
  ads_point point;
  dragInsertionPoint(settings, placed, formatMessage(settings, "Einf\xFCgepunkt w\xE4hlen:"),
                     point);
  moveSelection(settings, placed, point);
  ads_ssfree(placed);
  return 1;
}
