#include "parts.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "metafile_writer.h"
#include "numeric/math.h"

namespace moxi {

namespace {

constexpr double kPi = 3.14159265358979323846;

double tanDeg(double degrees) {
  return numeric::tan(degrees * kPi / 180.0);
}

// printf-checked: the compiler warns when a format asks for more values than
// it is given, which would print whatever the next register holds.
__attribute__((format(printf, 1, 2))) std::string printed(const char* fmt, ...) {
  std::va_list args, measure;
  va_start(args, fmt);
  va_copy(measure, args);
  std::string out(static_cast<std::size_t>(std::max(0, std::vsnprintf(nullptr, 0, fmt, measure))),
                  '\0');
  va_end(measure);
  std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

Point mirrored(Point p, double sign) {
  return {p.x, p.y * sign};
}

// The interpolation points of a fillet arc from angle a1 to a2 (degrees).
std::vector<Point> filletPoints(Point centre, double radius, double a1, double a2) {
  std::vector<Point> pts;
  for (int i = 0; i <= 4; ++i) pts.push_back(polar(centre, radius, a1 + (a2 - a1) * i / 4.0));
  return pts;
}

// Standard bolt lengths (ISO 4017 series), mm.
double standardLength(double wanted) {
  static const double kLengths[] = {8,  10, 12, 16, 20,  25,  30,  35,  40,  45,  50,  55,  60,
                                    65, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 180, 200};
  for (double l : kLengths)
    if (l >= wanted - 1e-9) return l;
  return std::ceil(wanted / 20.0) * 20.0;
}

}  // namespace

bool parseConnectionData(const std::string& poke, ConnectionData& data) {
  const std::string prefix = "mconset=";
  if (poke.compare(0, prefix.size(), prefix) != 0) return false;
  std::vector<double> fields;
  std::size_t pos = prefix.size();
  while (fields.size() < 4) {
    std::size_t comma = poke.find(',', pos);
    std::string field =
        poke.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    const char* begin = field.c_str();
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t') ++end;
    if (end == begin || *end || !std::isfinite(v)) return false;
    fields.push_back(v);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  if (fields.size() < 3 || (fields[0] != 1 && fields[0] != 2)) return false;
  if (!(fields[1] > 0 && fields[1] <= 10000 && fields[2] >= 0 && fields[2] <= 10000)) return false;
  data.holeType = static_cast<int>(fields[0]);
  data.clampingLength = fields[1];
  data.plateThickness = fields[2];
  return true;
}

std::string screwMetafile() {
  const double d = 10, L = 40, dk = 16, k = 10, s = 8, t = 5, b = 26, c = 1, d1 = 8.376;
  MetaFile file;
  MetaNode* drawing = file.root("DRAWING");
  drawing->attribute("NAME", std::string("ISO 4762 M10x40"));
  drawing->attribute("ANSICHTNO", 0);
  drawing->key("DRAWINGPREFS")->attribute("SCALE", 1);
  MetaNode* items = drawing->key("DRAWINGITEMS");

  // Side view, axis along x, head on the left; the upper half of the head is cut.
  FigureBuilder side(items->key("FIGURE"), "Seitenansicht", 1, {0, 0});
  side.style(Style::Heavy);
  const double tip = -k + t + (s / 2) * tanDeg(30);
  std::vector<MetaNode*> cut = side.polygon({{-k, s / 2},
                                             {-k, dk / 2 - 1},
                                             {-k + 1, dk / 2},
                                             {0, dk / 2},
                                             {0, 0},
                                             {tip, 0},
                                             {-k + t, s / 2}});
  side.polyline({{-k, 0}, {-k, -dk / 2 + 1}, {-k + 1, -dk / 2}, {0, -dk / 2}, {0, -d / 2}});
  side.polyline(
      {{0, d / 2}, {L - c, d / 2}, {L, d / 2 - c}, {L, -d / 2 + c}, {L - c, -d / 2}, {0, -d / 2}});
  side.line({L - b, d / 2}, {L - b, -d / 2});
  side.style(Style::Thin);
  side.line({L - b, d1 / 2}, {L, d1 / 2});
  side.line({L - b, -d1 / 2}, {L, -d1 / 2});
  side.style(Style::Hidden);
  side.polyline({{-k, -s / 2}, {-k + t, -s / 2}, {tip, 0}});
  side.style(Style::Centre);
  side.line({-k - 3, 0}, {L + 3, 0});
  side.style(Style::Cosmetic);
  side.text("ISO 4762 M10x40", {-k, -dk / 2 - 4}, 3.5, 1);
  side.hatch(0, 1.5, {cut});

  // The head seen from above: round head, hexagon socket.
  FigureBuilder top(items->key("FIGURE"), "Draufsicht", 2, {L + 20 + dk / 2, 0});
  top.style(Style::Heavy);
  top.circle({0, 0}, dk / 2);
  std::vector<Point> hex;
  for (int i = 0; i < 6; ++i) hex.push_back(polar({0, 0}, s / std::sqrt(3.0), 30 + 60 * i));
  top.polygon(hex);
  top.style(Style::Thin);
  top.circle({0, 0}, dk / 2 - 1);
  top.style(Style::Centre);
  top.line({-dk / 2 - 3, 0}, {dk / 2 + 3, 0});
  top.line({0, -dk / 2 - 3}, {0, dk / 2 + 3});
  return file.text();
}

std::string shaftMetafile() {
  const double r1 = 10, r2 = 15, r3 = 12.5, x1 = 30, x2 = 80, len = 120, f = 1.5, ch = 1;
  MetaFile file;
  FigureBuilder fig(file.root("FIGURE"), "Welle 20-30-25x120", 1, {0, 0});
  fig.style(Style::Heavy);
  for (double sign : {1.0, -1.0}) {
    auto m = [&](Point p) { return mirrored(p, sign); };
    auto fillet = [&](Point centre, double a1, double a2) {
      std::vector<Point> pts = filletPoints(centre, f, a1, a2);
      for (Point& p : pts) p = m(p);
      fig.curve(pts);
    };
    fig.polyline({m({0, r1 - ch}), m({ch, r1}), m({x1 - f, r1})});
    fillet({x1 - f, r1 + f}, 270, 360);
    fig.line(m({x1, r1 + f}), m({x1, r2}));
    fig.line(m({x1, r2}), m({x2, r2}));
    fig.line(m({x2, r2}), m({x2, r3 + f}));
    fillet({x2 + f, r3 + f}, 180, 270);
    fig.polyline({m({x2 + f, r3}), m({len - ch, r3}), m({len, r3 - ch})});
  }
  fig.line({0, r1 - ch}, {0, -(r1 - ch)});
  fig.line({len, r3 - ch}, {len, -(r3 - ch)});
  fig.style(Style::Thin);
  fig.line({ch, r1}, {ch, -r1});
  fig.line({len - ch, r3}, {len - ch, -r3});
  fig.line({x1, r1 + f}, {x1, -(r1 + f)});
  fig.line({x2, r3 + f}, {x2, -(r3 + f)});
  // Keyway in the middle step.
  fig.style(Style::Heavy);
  fig.line({44, 4}, {66, 4});
  fig.arcAbout({66, 0}, 4, -90, 90);
  fig.line({66, -4}, {44, -4});
  fig.arcAbout({44, 0}, 4, 90, 270);
  fig.style(Style::Centre);
  fig.line({-3, 0}, {len + 3, 0});

  // Section A-A through the keyway, hatched.
  const Point c{len + 40, 0};
  const double w = 4, bottom = r2 - 5, edge = std::sqrt(r2 * r2 - w * w);
  fig.style(Style::Heavy);
  std::vector<MetaNode*> loop = fig.polyline({{c.x + w, c.y + edge},
                                              {c.x + w, c.y + bottom},
                                              {c.x - w, c.y + bottom},
                                              {c.x - w, c.y + edge}});
  loop.push_back(fig.arc({c.x - w, c.y + edge}, {c.x, c.y - r2}, {c.x + w, c.y + edge}));
  fig.style(Style::Centre);
  fig.line({c.x - r2 - 3, c.y}, {c.x + r2 + 3, c.y});
  fig.line({c.x, c.y - r2 - 3}, {c.x, c.y + r2 + 3});
  fig.style(Style::Cosmetic);
  fig.text("A-A", {c.x, c.y + r2 + 5}, 3.5, 8);
  fig.text("Welle 20-30-25x120", {0, -r2 - 5}, 3.5, 1);
  fig.hatch(0, 2, {loop});
  return file.text();
}

std::string bearingMetafile() {
  const double B = 15, D = 52, d = 25, dm = 19.25, rb = 3.969, rg = 4.128, r = 1;
  const double yo = dm + 2.4, yi = dm - 2.4, g = std::sqrt(rg * rg - 2.4 * 2.4);
  MetaFile file;
  MetaNode* drawing = file.root("DRAWING");
  drawing->attribute("NAME", std::string("Rillenkugellager 6205"));
  drawing->attribute("ANSICHTNO", 0);
  MetaNode* items = drawing->key("DRAWINGITEMS");

  FigureBuilder sec(items->key("FIGURE"), "Schnitt", 1, {0, 0});
  std::vector<std::vector<MetaNode*>> outer, inner;
  sec.style(Style::Heavy);
  for (double sign : {1.0, -1.0}) {
    auto m = [&](Point p) { return mirrored(p, sign); };
    std::vector<MetaNode*> o;
    o.push_back(sec.line(m({-B / 2, yo}), m({-g, yo})));
    o.push_back(sec.arc(m({-g, yo}), m({0, dm + rg}), m({g, yo})));
    for (MetaNode* n : sec.polyline({m({g, yo}), m({B / 2, yo}), m({B / 2, D / 2 - r})}))
      o.push_back(n);
    o.push_back(sec.arc(m({B / 2, D / 2 - r}), m(polar({B / 2 - r, D / 2 - r}, r, 45)),
                        m({B / 2 - r, D / 2})));
    o.push_back(sec.line(m({B / 2 - r, D / 2}), m({-B / 2 + r, D / 2})));
    o.push_back(sec.arc(m({-B / 2 + r, D / 2}), m(polar({-B / 2 + r, D / 2 - r}, r, 135)),
                        m({-B / 2, D / 2 - r})));
    o.push_back(sec.line(m({-B / 2, D / 2 - r}), m({-B / 2, yo})));
    outer.push_back(o);

    std::vector<MetaNode*> i;
    i.push_back(sec.line(m({-B / 2, yi}), m({-g, yi})));
    i.push_back(sec.arc(m({-g, yi}), m({0, dm - rg}), m({g, yi})));
    for (MetaNode* n : sec.polyline({m({g, yi}), m({B / 2, yi}), m({B / 2, d / 2 + r})}))
      i.push_back(n);
    i.push_back(sec.arc(m({B / 2, d / 2 + r}), m(polar({B / 2 - r, d / 2 + r}, r, -45)),
                        m({B / 2 - r, d / 2})));
    i.push_back(sec.line(m({B / 2 - r, d / 2}), m({-B / 2 + r, d / 2})));
    i.push_back(sec.arc(m({-B / 2 + r, d / 2}), m(polar({-B / 2 + r, d / 2 + r}, r, 225)),
                        m({-B / 2, d / 2 + r})));
    i.push_back(sec.line(m({-B / 2, d / 2 + r}), m({-B / 2, yi})));
    inner.push_back(i);

    sec.circle(m({0, dm}), rb);
  }
  sec.style(Style::Centre);
  sec.line({-B / 2 - 4, 0}, {B / 2 + 4, 0});
  for (double sign : {1.0, -1.0}) {
    sec.line({-rb - 2, sign * dm}, {rb + 2, sign * dm});
    sec.line({0, sign * (dm - rb - 2)}, {0, sign * (dm + rb + 2)});
  }
  sec.style(Style::Cosmetic);
  sec.text("6205 DIN 625", {-B / 2, -D / 2 - 4}, 3.5, 1);
  for (const auto& loop : outer) sec.hatch(0, 1.5, {loop});
  for (const auto& loop : inner) sec.hatch(90, 1.5, {loop});

  FigureBuilder end(items->key("FIGURE"), "Stirnansicht", 2, {B / 2 + 20 + D / 2, 0});
  end.style(Style::Heavy);
  for (double radius : {D / 2, yo, yi, d / 2}) end.circle({0, 0}, radius);
  end.style(Style::Thin);
  for (int k = 0; k < 9; ++k) end.circle(polar({0, 0}, dm, 90 + 40 * k), rb);
  end.style(Style::Centre);
  end.circle({0, 0}, dm);
  end.line({-D / 2 - 3, 0}, {D / 2 + 3, 0});
  end.line({0, -D / 2 - 3}, {0, D / 2 + 3});
  return file.text();
}

std::string boltedJointMetafile(const ConnectionData& data) {
  struct Size {
    double d, k, s, m, pitch, hole;
  };
  static const Size kSizes[] = {{6, 4, 10, 5.2, 1, 6.6},
                                {8, 5.3, 13, 6.8, 1.25, 9},
                                {10, 6.4, 16, 8.4, 1.5, 11},
                                {12, 7.5, 18, 10.8, 1.75, 13.5},
                                {16, 10, 24, 14.8, 2, 17.5}};
  const double lk = data.clampingLength;
  const bool through = data.holeType == 2;
  const double plate2 = through ? data.plateThickness : 0;
  const Size& z = lk <= 10   ? kSizes[0]
                  : lk <= 20 ? kSizes[1]
                  : lk <= 40 ? kSizes[2]
                  : lk <= 80 ? kSizes[3]
                             : kSizes[4];
  const double d = z.d, d1 = d - 1.0825 * z.pitch, e = z.s * 1.1547, c = z.pitch;
  // A blind hole takes 1.2 d of thread; a through bolt reaches past its nut.
  const double length = standardLength(through ? lk + plate2 + z.m + 2 * z.pitch : lk + 1.2 * d);
  const double thread = std::min(length, 2 * d + 6);

  MetaFile file;
  FigureBuilder fig(file.root("FIGURE"), printed("Verschraubung M%g", d), 1, {0, 0});
  fig.style(Style::Heavy);
  // Hexagon head seen across the corners, seated at x = 0.
  fig.polygon({{-z.k, -e / 2}, {0, -e / 2}, {0, e / 2}, {-z.k, e / 2}});
  fig.line({-z.k, e / 4}, {0, e / 4});
  fig.line({-z.k, -e / 4}, {0, -e / 4});
  // Shank with its end chamfer and the end of the thread.
  fig.polyline({{0, d / 2},
                {length - c, d / 2},
                {length, d / 2 - c},
                {length, -d / 2 + c},
                {length - c, -d / 2},
                {0, -d / 2}});
  fig.line({length - thread, d / 2}, {length - thread, -d / 2});
  fig.style(Style::Thin);
  fig.line({length - thread, d1 / 2}, {length, d1 / 2});
  fig.line({length - thread, -d1 / 2}, {length, -d1 / 2});
  fig.style(Style::Heavy);
  if (through) {
    // Bore through both plates and the nut below the second plate.
    const double bottom = lk + plate2;
    fig.line({0, z.hole / 2}, {bottom, z.hole / 2});
    fig.line({0, -z.hole / 2}, {bottom, -z.hole / 2});
    fig.polygon({{bottom, -e / 2}, {bottom + z.m, -e / 2}, {bottom + z.m, e / 2}, {bottom, e / 2}});
    fig.line({bottom, e / 4}, {bottom + z.m, e / 4});
    fig.line({bottom, -e / 4}, {bottom + z.m, -e / 4});
    fig.arc({bottom + z.m, e / 2}, {bottom + z.m + 0.6, 3 * e / 8}, {bottom + z.m, e / 4});
    fig.arc({bottom + z.m, -e / 4}, {bottom + z.m + 0.6, -3 * e / 8}, {bottom + z.m, -e / 2});
  } else {
    // Clearance bore in the first plate, tapped blind hole in the second.
    const double threadEnd = length + 0.5 * d, drillEnd = threadEnd + 0.5 * d;
    fig.line({0, z.hole / 2}, {lk, z.hole / 2});
    fig.line({0, -z.hole / 2}, {lk, -z.hole / 2});
    fig.line({lk, z.hole / 2}, {lk, d / 2});
    fig.line({lk, -z.hole / 2}, {lk, -d / 2});
    fig.polyline({{length, d1 / 2},
                  {drillEnd, d1 / 2},
                  {drillEnd + d1 / 2 * tanDeg(31), 0},
                  {drillEnd, -d1 / 2},
                  {length, -d1 / 2}});
    fig.line({threadEnd, d / 2}, {threadEnd, -d / 2});
    fig.style(Style::Thin);
    fig.line({length, d / 2}, {threadEnd, d / 2});
    fig.line({length, -d / 2}, {threadEnd, -d / 2});
  }
  fig.style(Style::Centre);
  double far = through ? lk + plate2 + z.m : length + d;
  fig.line({-z.k - 3, 0}, {far + 3, 0});
  fig.style(Style::Cosmetic);
  // Each label beside its own part, on opposite sides of the axis, so the
  // two never run into each other: the bolt's above its head, the nut's
  // hanging below the nut.
  fig.text(printed("ISO 4017 M%gx%g", d, length), {-z.k, e / 2 + 3}, 3.5, 7);
  if (through) fig.text(printed("ISO 4032 M%g", d), {lk + plate2, -e / 2 - 3}, 3.5, 1);
  return file.text();
}

std::string partSat(const std::string& part, const std::string& version) {
  // Box sizes (x along the part's axis).
  double lx = 40, ly = 16, lz = 16;
  if (part == "shaft") lx = 120, ly = 30, lz = 30;
  if (part == "bearing") lx = 15, ly = 52, lz = 52;
  int major = 7, minor = 0;
  if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) != 2 || major < 1 || major > 30 ||
      minor < 0 || minor > 9)
    major = 7, minor = 0;
  const int number = major * 100 + minor;
  const bool counted = number >= 700;  // strings carry '@' from version 7 on
  auto str = [&](const std::string& s) {
    return (counted ? "@" : "") + std::to_string(s.size()) + " " + s;
  };

  // Vertices by bits x + 2y + 4z; faces counter-clockwise seen from outside.
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                           {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  const double normals[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
  auto coord = [&](int v, int axis) {
    double size = axis == 0 ? lx : axis == 1 ? ly : lz;
    return ((v >> axis) & 1) ? size / 2 : -size / 2;
  };
  std::map<std::pair<int, int>, int> edgeIndex;
  std::vector<std::pair<int, int>> edges;
  std::vector<std::vector<int>> edgeCoedges;
  for (const auto& f : faces)
    for (int k = 0; k < 4; ++k) {
      auto key = std::minmax(f[k], f[(k + 1) % 4]);
      if (edgeIndex.emplace(key, static_cast<int>(edges.size())).second) {
        edges.push_back(key);
        edgeCoedges.emplace_back();
      }
    }
  // Record numbers.
  const int body = 0, lump = 1, shell = 2, face0 = 3, loop0 = 9, surf0 = 15, co0 = 21,
            edge0 = co0 + 24, vert0 = edge0 + 12, point0 = vert0 + 8, curve0 = point0 + 8;
  for (int f = 0; f < 6; ++f)
    for (int k = 0; k < 4; ++k)
      edgeCoedges[static_cast<std::size_t>(
                      edgeIndex[std::minmax(faces[f][k], faces[f][(k + 1) % 4])])]
          .push_back(co0 + f * 4 + k);

  std::string out = std::to_string(number) + " 0 1 0\n";
  out += str("moxicatalog") + " " + str(printed("ACIS %g NT", major + minor / 10.0)) + " " +
         str("Sun Dec 06 12:00:00 2026") + "\n";
  out += "1 9.9999999999999995e-007 1e-010\n";
  auto ref = [](int n) { return "$" + std::to_string(n); };
  out += "body $-1 " + ref(lump) + " $-1 $-1 #\n";
  out += "lump $-1 $-1 " + ref(shell) + " " + ref(body) + " #\n";
  out += "shell $-1 $-1 $-1 " + ref(face0) + " $-1 " + ref(lump) + " #\n";
  for (int f = 0; f < 6; ++f)
    out += "face $-1 " + (f < 5 ? ref(face0 + f + 1) : std::string("$-1")) + " " + ref(loop0 + f) +
           " " + ref(shell) + " $-1 " + ref(surf0 + f) + " forward single #\n";
  for (int f = 0; f < 6; ++f)
    out += "loop $-1 $-1 " + ref(co0 + f * 4) + " " + ref(face0 + f) + " #\n";
  for (int f = 0; f < 6; ++f) {
    int v = faces[f][0];
    int u = faces[f][1];
    double ux = coord(u, 0) - coord(v, 0), uy = coord(u, 1) - coord(v, 1),
           uz = coord(u, 2) - coord(v, 2);
    double ul = std::sqrt(ux * ux + uy * uy + uz * uz);
    out += printed("plane-surface $-1 %g %g %g %g %g %g %g %g %g forward_v I I I I #\n",
                   coord(v, 0), coord(v, 1), coord(v, 2), normals[f][0], normals[f][1],
                   normals[f][2], ux / ul, uy / ul, uz / ul);
  }
  for (int f = 0; f < 6; ++f)
    for (int k = 0; k < 4; ++k) {
      int a = faces[f][k], b = faces[f][(k + 1) % 4];
      int e = edgeIndex[std::minmax(a, b)];
      const auto& pair = edgeCoedges[static_cast<std::size_t>(e)];
      int self = co0 + f * 4 + k;
      int partner = pair[0] == self ? pair[1] : pair[0];
      out += "coedge $-1 " + ref(co0 + f * 4 + (k + 1) % 4) + " " + ref(co0 + f * 4 + (k + 3) % 4) +
             " " + ref(partner) + " " + ref(edge0 + e) + (a < b ? " forward " : " reversed ") +
             ref(loop0 + f) + " $-1 #\n";
    }
  for (std::size_t e = 0; e < edges.size(); ++e)
    out += "edge $-1 " + ref(vert0 + edges[e].first) + " " + ref(vert0 + edges[e].second) + " " +
           ref(edgeCoedges[e][0]) + " " + ref(curve0 + static_cast<int>(e)) + " forward #\n";
  for (int v = 0; v < 8; ++v) {
    int e = 0;
    for (std::size_t k = 0; k < edges.size(); ++k)
      if (edges[k].first == v || edges[k].second == v) {
        e = static_cast<int>(k);
        break;
      }
    out += "vertex $-1 " + ref(edge0 + e) + " " + ref(point0 + v) + " #\n";
  }
  for (int v = 0; v < 8; ++v)
    out += printed("point $-1 %g %g %g #\n", coord(v, 0), coord(v, 1), coord(v, 2));
  for (const auto& [a, b] : edges) {
    double dx = coord(b, 0) - coord(a, 0), dy = coord(b, 1) - coord(a, 1),
           dz = coord(b, 2) - coord(a, 2);
    double l = std::sqrt(dx * dx + dy * dy + dz * dz);
    out += printed("straight-curve $-1 %g %g %g %g %g %g I I #\n", coord(a, 0), coord(a, 1),
                   coord(a, 2), dx / l, dy / l, dz / l);
  }
  out += "End-of-ACIS-data\n";
  return out;
}

}  // namespace moxi
