#include "drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "numeric/math.h"
#include "plugin/ads.h"

namespace drafthost {

std::string foldCase(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool validSymbolName(const std::string& name) {
  if (name.empty() || name.size() > 255) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("<>/\\\":;?*|,=`").find(c) != std::string_view::npos) return false;
  }
  return true;
}

template <class Record>
const Record* SymbolTable<Record>::find(const std::string& name) const {
  int i = indexOf(name);
  return i < 0 ? nullptr : &records_[static_cast<std::size_t>(i)];
}

template <class Record>
Record* SymbolTable<Record>::find(const std::string& name) {
  int i = indexOf(name);
  return i < 0 ? nullptr : &records_[static_cast<std::size_t>(i)];
}

template <class Record>
int SymbolTable<Record>::indexOf(const std::string& name) const {
  if (lastIndex_ >= 0 && name == lastName_) return lastIndex_;
  auto it = index_.find(foldCase(name));
  if (it == index_.end()) return -1;
  lastName_ = name;
  lastIndex_ = it->second;
  return it->second;
}

template <class Record>
int SymbolTable<Record>::add(Record record) {
  int i = static_cast<int>(records_.size());
  index_.emplace(foldCase(record.name), i);
  records_.push_back(std::move(record));
  return i;
}

template class SymbolTable<LayerRecord>;
template class SymbolTable<LinetypeRecord>;
template class SymbolTable<BlockRecord>;

namespace {

// The entity types the host knows.
constexpr std::string_view kKnown[] = {"LINE",  "ARC",      "CIRCLE", "ELLIPSE",
                                       "MTEXT", "POLYLINE", "VERTEX", "SEQEND",
                                       "HATCH", "INSERT",   "3DSOLID"};

// What a group's value means to a transformation.
enum class Role {
  Keep,
  Point,
  Vector,
  Angle,
  Length,
  Bulge,
  ArcStart,
  ArcEnd,
  ParamStart,
  ParamEnd,
  PairPoint,   // x here, y in the next group
  PairVector,  // likewise for a vector
  InsertAngle,
  InsertScaleX,
};

struct Edge {
  int type = 1;    // 1 segment, 2 arc, 3 elliptic arc
  Point a{}, b{};  // segment ends; centre and axis vector
  double radius = 0, start = 0, end = 0, ratio = 1;
};

bool finiteGroup(const Group& g) {
  if (g.kind == ValueKind::Real) return std::isfinite(g.real);
  if (g.kind == ValueKind::Point)
    return std::isfinite(g.point[0]) && std::isfinite(g.point[1]) && std::isfinite(g.point[2]);
  return true;
}

double vectorLength(const Point& v) {
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// Walks a HATCH list in the order a host reads it, checking counts against the
// groups that follow and noting the role of every group and the boundary edges.
class HatchReader {
 public:
  HatchReader(const GroupList& groups, const Drawing& dwg, std::vector<Role>* roles,
              std::vector<Edge>* edges)
      : g_(groups), dwg_(dwg), roles_(roles), edges_(edges) {}

  bool read(std::string* error) {
    bool ok = readAll();
    if (!ok && error) *error = error_;
    return ok;
  }

 private:
  bool readAll() {
    while (i_ < g_.size() && g_[i_].code != 91) ++i_;
    const Group* paths = take(91);
    if (!paths) return false;
    if (paths->integer < 1) return fail("a hatch needs at least one boundary path");
    for (int32_t p = 0; p < paths->integer; ++p)
      if (!readPath()) return false;
    if (!take(75) || !take(76)) return false;
    if (at(52)) {
      take(52, Role::Angle);
      if (!take(41, Role::Length) || !take(77)) return false;
      const Group* lines = take(78);
      if (!lines) return false;
      for (int32_t l = 0; l < lines->integer; ++l) {
        if (!take(53, Role::Angle) || !take(43, Role::PairPoint) || !take(44) ||
            !take(45, Role::PairVector) || !take(46))
          return false;
        const Group* dashes = take(79);
        if (!dashes) return false;
        for (int32_t d = 0; d < dashes->integer; ++d)
          if (!take(49, Role::Length)) return false;
      }
    }
    if (at(47)) take(47, Role::Length);
    const Group* seeds = take(98);
    if (!seeds) return false;
    for (int32_t s = 0; s < seeds->integer; ++s)
      if (!take(10, Role::Point)) return false;
    return true;
  }

  bool readPath() {
    const Group* type = take(92);
    if (!type) return false;
    if (type->integer & 2) {  // polyline path
      const Group* bulged = take(72);
      if (!bulged || !take(73)) return false;
      const Group* count = take(93);
      if (!count) return false;
      Point first{}, prev{};
      for (int32_t v = 0; v < count->integer; ++v) {
        const Group* p = take(10, Role::Point);
        if (!p) return false;
        if (bulged->integer && !take(42, Role::Bulge)) return false;
        if (v == 0)
          first = p->point;
        else
          addSegment(prev, p->point);
        prev = p->point;
      }
      if (count->integer > 1) addSegment(prev, first);
    } else {
      const Group* count = take(93);
      if (!count) return false;
      for (int32_t e = 0; e < count->integer; ++e)
        if (!readEdge()) return false;
    }
    const Group* refs = take(97);
    if (!refs) return false;
    for (int32_t r = 0; r < refs->integer; ++r) {
      const Group* ref = take(330);
      if (!ref) return false;
      if (ref->name[1] != kEntityTag || !dwg_.entity(static_cast<EntityId>(ref->name[0])))
        return fail("a boundary object does not exist");
    }
    return true;
  }

  bool readEdge() {
    const Group* type = take(72);
    if (!type) return false;
    Edge e;
    e.type = type->integer;
    const Group *a, *b, *r, *s, *t;
    switch (type->integer) {
      case 1:
        if (!(a = take(10, Role::Point)) || !(b = take(11, Role::Point))) return false;
        e.a = a->point;
        e.b = b->point;
        break;
      case 2:
        if (!(a = take(10, Role::Point)) || !(r = take(40, Role::Length)) ||
            !(s = take(50, Role::ArcStart)) || !(t = take(51, Role::ArcEnd)) || !take(73))
          return false;
        if (!(r->real > 0)) return fail("an arc edge needs a positive radius");
        e.a = a->point;
        e.radius = r->real;
        e.start = s->real;
        e.end = t->real;
        break;
      case 3:
        if (!(a = take(10, Role::Point)) || !(b = take(11, Role::Vector)) || !(r = take(40)) ||
            !(s = take(50, Role::ParamStart)) || !(t = take(51, Role::ParamEnd)) || !take(73))
          return false;
        if (!(r->real > 0 && r->real <= 1) || vectorLength(b->point) == 0)
          return fail("an ellipse edge needs an axis and a ratio in (0, 1]");
        e.a = a->point;
        e.b = b->point;
        e.ratio = r->real;
        e.start = s->real;
        e.end = t->real;
        break;
      default:
        return fail("unsupported boundary edge type");
    }
    if (edges_) edges_->push_back(e);
    return true;
  }

  void addSegment(const Point& a, const Point& b) {
    if (!edges_) return;
    Edge e;
    e.a = a;
    e.b = b;
    edges_->push_back(e);
  }

  bool at(int code) const { return i_ < g_.size() && g_[i_].code == code; }

  const Group* take(int code, Role role = Role::Keep) {
    if (!at(code)) {
      fail("group " + std::to_string(code) + " expected");
      return nullptr;
    }
    if (roles_) (*roles_)[i_] = role;
    return &g_[i_++];
  }

  bool fail(const std::string& text) {
    if (error_.empty()) error_ = "HATCH: " + text;
    return false;
  }

  const GroupList& g_;
  const Drawing& dwg_;
  std::vector<Role>* roles_;
  std::vector<Edge>* edges_;
  std::size_t i_ = 0;
  std::string error_;
};

// An entity's type and groups, unpacked to be transformed.
struct Unpacked {
  std::string_view type;
  GroupList groups;
};

// Entity types by the roles of their groups (a HATCH's roles follow from the
// order of its groups instead).
enum class Shape { Line, Arc, Ellipse, MText, Insert, Vertex, Other };

Shape shapeOf(std::string_view type) {
  if (type == "LINE") return Shape::Line;
  if (type == "ARC" || type == "CIRCLE") return Shape::Arc;
  if (type == "ELLIPSE") return Shape::Ellipse;
  if (type == "MTEXT") return Shape::MText;
  if (type == "INSERT") return Shape::Insert;
  if (type == "VERTEX") return Shape::Vertex;
  return Shape::Other;
}

// The role of a group with code c.
Role roleFor(Shape shape, int c) {
  if (shape == Shape::Line) {
    if (c == 10 || c == 11) return Role::Point;
  } else if (shape == Shape::Arc) {
    if (c == 10) return Role::Point;
    if (c == 40) return Role::Length;
    if (c == 50) return Role::ArcStart;
    if (c == 51) return Role::ArcEnd;
  } else if (shape == Shape::Ellipse) {
    if (c == 10) return Role::Point;
    if (c == 11) return Role::Vector;
    if (c == 41) return Role::ParamStart;
    if (c == 42) return Role::ParamEnd;
  } else if (shape == Shape::MText) {
    if (c == 10) return Role::Point;
    if (c == 11) return Role::Vector;
    if (c == 40 || c == 41) return Role::Length;
    if (c == 50) return Role::Angle;
  } else if (shape == Shape::Insert) {
    if (c == 10) return Role::Point;
    if (c == 50) return Role::InsertAngle;
    if (c == 41) return Role::InsertScaleX;
    if (c == 42 || c == 43) return Role::Length;
  } else if (shape == Shape::Vertex) {
    if (c == 10) return Role::Point;
    if (c == 40 || c == 41) return Role::Length;
    if (c == 42) return Role::Bulge;
  }
  return Role::Keep;
}

// Fills *out with the role of every group of the entity (a vector the caller
// reuses from entity to entity).
void rolesOf(const Unpacked& e, const Drawing& dwg, std::vector<Role>* out) {
  std::vector<Role>& roles = *out;
  roles.assign(e.groups.size(), Role::Keep);
  if (e.type == "HATCH") {
    HatchReader(e.groups, dwg, &roles, nullptr).read(nullptr);
    return;
  }
  const Shape shape = shapeOf(e.type);
  for (std::size_t i = 0; i < e.groups.size(); ++i) roles[i] = roleFor(shape, e.groups[i].code);
}

void transformGroups(Unpacked& e, const std::vector<Role>& roles, const Similarity& xf) {
  GroupList& g = e.groups;
  // Only groups that come in pairs (arc ends, x and y apart) may read a value
  // the loop has already changed; without them the groups change in place.
  const bool paired = std::any_of(roles.begin(), roles.end(), [](Role r) {
    return r == Role::ArcStart || r == Role::ParamStart || r == Role::PairPoint ||
           r == Role::PairVector;
  });
  const GroupList copy = paired ? g : GroupList();
  const GroupList& old = paired ? copy : g;
  for (std::size_t i = 0; i < g.size(); ++i) {
    switch (roles[i]) {
      case Role::Keep:
        break;
      case Role::Point:
        g[i].point = xf.apply(old[i].point);
        break;
      case Role::Vector:
        g[i].point = xf.applyVector(old[i].point);
        break;
      case Role::Angle:
        g[i].real = xf.applyAngle(old[i].real);
        break;
      case Role::Length:
        g[i].real = old[i].real * xf.scale;
        break;
      case Role::Bulge:
        if (xf.mirrored) g[i].real = -old[i].real;
        break;
      case Role::ArcStart:
      case Role::ParamStart: {
        // The matching end follows; a mirror swaps the two.
        std::size_t j = i + 1;
        Role endRole = roles[i] == Role::ArcStart ? Role::ArcEnd : Role::ParamEnd;
        while (j < g.size() && roles[j] != endRole) ++j;
        if (roles[i] == Role::ArcStart) {
          double s = old[i].real, t = j < g.size() ? old[j].real : s;
          if (xf.mirrored) std::swap(s, t);
          g[i].real = xf.applyAngle(s);
          if (j < g.size()) g[j].real = xf.applyAngle(t);
        } else if (xf.mirrored && j < g.size()) {
          double s = old[i].real, t = old[j].real;
          bool full = std::fabs(t - s - 2 * kPi) < 1e-12;
          if (!full) {
            g[i].real = normalizeAngle(-t);
            g[j].real = normalizeAngle(-s);
          }
        }
        break;
      }
      case Role::ArcEnd:
      case Role::ParamEnd:
        break;  // done with its start
      case Role::PairPoint:
      case Role::PairVector:
        if (i + 1 < g.size()) {
          Point p{old[i].real, old[i + 1].real, 0};
          p = roles[i] == Role::PairPoint ? xf.apply(p) : xf.applyVector(p);
          g[i].real = p[0];
          g[i + 1].real = p[1];
        }
        break;
      case Role::InsertAngle:
        g[i].real = normalizeAngle(xf.applyAngle(old[i].real) + (xf.mirrored ? kPi : 0));
        break;
      case Role::InsertScaleX:
        g[i].real = old[i].real * xf.scale * (xf.mirrored ? -1 : 1);
        break;
    }
  }
  // A mirrored INSERT without scale or rotation groups still needs them.
  if (e.type == "INSERT" && xf.mirrored) {
    if (!findGroup(g, 41)) g.push_back(Group::number(41, -xf.scale));
    if (!findGroup(g, 50)) g.push_back(Group::number(50, normalizeAngle(xf.applyAngle(0) + kPi)));
  } else if (e.type == "INSERT") {
    if (!findGroup(g, 41) && xf.scale != 1) g.push_back(Group::number(41, xf.scale));
    if (!findGroup(g, 42) && xf.scale != 1) g.push_back(Group::number(42, xf.scale));
    if (!findGroup(g, 43) && xf.scale != 1) g.push_back(Group::number(43, xf.scale));
    if (!findGroup(g, 50)) g.push_back(Group::number(50, xf.applyAngle(0)));
  }
}

double realOr(const GroupList& g, int code, double fallback) {
  const Group* x = findGroup(g, code);
  return x ? x->real : fallback;
}

Point pointOr(const GroupList& g, int code) {
  const Group* x = findGroup(g, code);
  return x ? x->point : Point{};
}

double edgeDistance(const Edge& e, const Point& p) {
  if (e.type == 1) return distanceToSegment(p, e.a, e.b);
  if (e.type == 2) return distanceToArc(p, e.a, e.radius, e.start, e.end);
  return distanceToEllipse(p, e.a, e.b, e.ratio, e.start, e.end);
}

double bulgeDistance(const Point& p, const Point& a, const Point& b, double bulge) {
  if (std::fabs(bulge) < 1e-12 || (a[0] == b[0] && a[1] == b[1])) return distanceToSegment(p, a, b);
  Point m{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, 0};
  double k = (1 - bulge * bulge) / (4 * bulge);
  Point c{m[0] - (b[1] - a[1]) * k, m[1] + (b[0] - a[0]) * k, 0};
  double r = distance2d(c, a);
  double sa = numeric::atan2(a[1] - c[1], a[0] - c[0]);
  double sb = numeric::atan2(b[1] - c[1], b[0] - c[0]);
  return bulge > 0 ? distanceToArc(p, c, r, sa, sb) : distanceToArc(p, c, r, sb, sa);
}

}  // namespace

Drawing::Drawing() : spaces_(1) {
  addLayer("0");
  for (const char* name : {"BYBLOCK", "BYLAYER", "CONTINUOUS"}) {
    LinetypeRecord lt;
    lt.name = name;
    lt.handle = newHandle();
    if (lt.name == "CONTINUOUS") lt.description = "Solid line";
    linetypes_.add(lt);
  }
}

std::string Entity::handle() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", handleNumber);
  return buf;
}

// Packed groups: per group its code (16 bits), its kind (8 bits) and its
// value: a string as the number of its text in the pool (32 bits), a real,
// three reals, an integer (32 bits) or the two words of a name. Values are
// copied in and out with memcpy, so they need no alignment.
namespace {

std::size_t packedValueSize(ValueKind kind) {
  switch (kind) {
    case ValueKind::String:
    case ValueKind::Short:
    case ValueKind::Long:
      return 4;
    case ValueKind::Real:
    case ValueKind::Name:
      return 8;
    case ValueKind::Point:
      return 24;
    case ValueKind::None:
      break;
  }
  return 0;
}

template <class T>
void put(unsigned char*& p, const T& value) {
  std::memcpy(p, &value, sizeof value);
  p += sizeof value;
}

template <class T>
T take(const unsigned char*& p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  p += sizeof value;
  return value;
}

// Writes the value of a group that is not a string.
void putValue(unsigned char*& p, const Group& g) {
  switch (g.kind) {
    case ValueKind::Real:
      return put(p, g.real);
    case ValueKind::Point:
      return put(p, g.point);
    case ValueKind::Short:
    case ValueKind::Long:
      return put(p, g.integer);
    case ValueKind::Name:
      return put(p, g.name);
    case ValueKind::String:
    case ValueKind::None:
      break;
  }
}

}  // namespace

uint32_t Drawing::TextPool::intern(std::string_view text) {
  // Entity after entity names the same few layers and linetypes: the texts
  // met last answer most lookups without hashing.
  for (const Recent& r : recent_)
    if (r.index != UINT32_MAX && r.text == text) return r.index;
  uint32_t n = find(text);
  recent_[next_] = {texts_[n], n};
  next_ = (next_ + 1) % recent_.size();
  return n;
}

uint32_t Drawing::TextPool::find(std::string_view text) {
  auto it = index_.find(text);
  if (it != index_.end()) return it->second;
  auto n = static_cast<uint32_t>(texts_.size());
  texts_.emplace_back(text);
  index_.emplace(texts_.back(), n);
  return n;
}

unsigned char* Drawing::allocate(std::size_t size) {
  if (size > freeSize_) {
    // Blocks grow from 4 KiB to 1 MiB: small drawings stay small.
    const std::size_t grown = std::size_t{4096} << std::min<std::size_t>(arena_.size(), 8);
    const std::size_t block = std::max(size, grown);
    arena_.emplace_back(new unsigned char[block]);
    free_ = arena_.back().get();
    freeSize_ = block;
  }
  unsigned char* p = free_;
  free_ += size;
  freeSize_ -= size;
  return p;
}

std::string_view Drawing::typeName(const std::string& type) {
  for (std::string_view known : kKnown)
    if (known == type) return known;
  return texts_.text(texts_.intern(type));
}

void Drawing::pack(Entity& e, const GroupList& groups) {
  std::size_t size = 0;
  for (std::size_t i = 1; i < groups.size(); ++i) size += 3 + packedValueSize(groups[i].kind);
  unsigned char* p = allocate(size);
  e.packed = p;
  e.packedSize = static_cast<uint32_t>(size);
  for (std::size_t i = 1; i < groups.size(); ++i) {
    const Group& g = groups[i];
    put(p, static_cast<int16_t>(g.code));
    put(p, static_cast<uint8_t>(g.kind));
    if (g.kind == ValueKind::String)
      put(p, texts_.intern(g.text));
    else
      putValue(p, g);
  }
}

void Drawing::packValues(Entity& e, const GroupList& groups) {
  // Same groups as packed: the values change where they are (strings stay).
  unsigned char* p = const_cast<unsigned char*>(e.packed);
  unsigned char* const end = p + e.packedSize;
  std::size_t i = 1;
  for (; i < groups.size() && p < end; ++i) {
    const Group& g = groups[i];
    int16_t code;
    std::memcpy(&code, p, sizeof code);
    if (code != g.code || p[2] != static_cast<uint8_t>(g.kind)) break;
    p += 3;
    if (g.kind == ValueKind::String)
      p += 4;
    else
      putValue(p, g);
  }
  // Groups added or changed in kind: pack the list anew.
  if (i < groups.size() || p < end) pack(e, groups);
}

GroupList Drawing::groups(const Entity& e) const {
  const unsigned char* p = e.packed;
  const unsigned char* const end = p + e.packedSize;
  std::size_t count = 1;
  for (const unsigned char* q = p; q < end; ++count)
    q += 3 + packedValueSize(static_cast<ValueKind>(q[2]));
  GroupList out;
  out.reserve(count);
  out.push_back(Group::str(0, std::string(e.type)));
  while (p < end) {
    Group& g = out.emplace_back();
    g.code = take<int16_t>(p);
    g.kind = static_cast<ValueKind>(take<uint8_t>(p));
    switch (g.kind) {
      case ValueKind::String:
        g.text = texts_.text(take<uint32_t>(p));
        break;
      case ValueKind::Real:
        g.real = take<double>(p);
        break;
      case ValueKind::Point:
        g.point = take<Point>(p);
        break;
      case ValueKind::Short:
      case ValueKind::Long:
        g.integer = take<int32_t>(p);
        break;
      case ValueKind::Name:
        g.name = take<std::array<int32_t, 2>>(p);
        break;
      case ValueKind::None:
        break;
    }
  }
  return out;
}

Matrix Drawing::placement(EntityId id) const {
  auto it = placements_.find(id);
  return it == placements_.end() ? identityMatrix() : it->second;
}

std::string Drawing::newHandle() {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", handleSeed_++);
  return buf;
}

bool Drawing::addLayer(const std::string& name) {
  if (!validSymbolName(name) || layers_.find(name)) return false;
  LayerRecord layer;
  layer.name = name;
  layer.handle = newHandle();
  layers_.add(layer);
  return true;
}

EntityId Drawing::lastMain() const {
  const auto& main = spaces_[0].main;
  for (auto it = main.rbegin(); it != main.rend(); ++it)
    if (inSpace(*it, 0)) return *it;
  return 0;
}

EntityId Drawing::next(EntityId after) const {
  uint32_t space = 0;
  if (after != 0) {
    const Entity* e = entity(after);
    if (!e) return 0;
    space = e->space;
  }
  const auto& all = spaces_[space].all;
  for (auto it = std::upper_bound(all.begin(), all.end(), after); it != all.end(); ++it)
    if (inSpace(*it, space)) return *it;
  return 0;
}

std::vector<EntityId> Drawing::mainEntities(uint32_t space) const {
  std::vector<EntityId> ids;
  if (space >= spaces_.size()) return ids;
  ids.reserve(spaces_[space].main.size());
  for (EntityId id : spaces_[space].main)
    if (inSpace(id, space)) ids.push_back(id);
  return ids;
}

EntityId Drawing::firstMain(uint32_t space) const {
  if (space >= spaces_.size()) return 0;
  for (EntityId id : spaces_[space].main)
    if (inSpace(id, space)) return id;
  return 0;
}

void Drawing::compact(uint32_t space) {
  Space& s = spaces_[space];
  auto gone = [&](EntityId id) { return !inSpace(id, space); };
  s.all.erase(std::remove_if(s.all.begin(), s.all.end(), gone), s.all.end());
  s.main.erase(std::remove_if(s.main.begin(), s.main.end(), gone), s.main.end());
  s.moved = 0;
}

EntityId Drawing::store(Entity e) {
  // New entities enter model space with the highest id so far: appending
  // keeps the id lists in order.
  e.id = static_cast<EntityId>(entities_.size() + 1);
  e.handleNumber = handleSeed_++;
  e.space = 0;
  spaces_[0].all.push_back(e.id);
  if (e.parent == 0) spaces_[0].main.push_back(e.id);
  entities_.push_back(std::move(e));
  return entities_.back().id;
}

EntityId Drawing::addEntity(const std::string& type, GroupList groups) {
  Entity e;
  e.type = typeName(type);
  groups.insert(groups.begin(), Group::str(0, type));
  if (!findGroup(groups, 8)) groups.insert(groups.begin() + 1, Group::str(8, currentLayer_));
  pack(e, groups);
  return store(std::move(e));
}

bool Drawing::checkEntity(GroupList& g, const std::string& type, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = type + ": " + why;
    return false;
  };
  auto missing = [&](int code) {
    return fail("required group " + std::to_string(code) + " is missing");
  };
  for (std::size_t i = 1; i < g.size(); ++i) {
    if (g[i].code == 0 || g[i].code == RTDXF0) return fail("more than one entity type");
    if (!finiteGroup(g[i])) return fail("group " + std::to_string(g[i].code) + " is not a number");
  }
  // Common groups: layer, linetype, colour, object references.
  Group* layer = findGroup(g, 8);
  if (!layer) {
    g.insert(g.begin() + 1, Group::str(8, currentLayer_));
    layer = &g[1];
  }
  const bool layerKnown = layers_.find(layer->text) != nullptr;
  if (!layerKnown && !validSymbolName(layer->text))
    return fail("invalid layer name \"" + layer->text + "\"");
  for (const Group& x : g) {
    if (x.code == 6 && !linetypes_.find(x.text))
      return fail("linetype \"" + x.text + "\" is not loaded");
    if (x.code == 62 && (x.integer < 0 || x.integer > 256)) return fail("invalid colour number");
    if (x.code == 330 && type != "HATCH" &&
        (x.name[1] != kEntityTag || !entity(static_cast<EntityId>(x.name[0]))))
      return fail("group 330 names no entity");
  }
  if (type == "LINE") {
    if (!findGroup(g, 10)) return missing(10);
    if (!findGroup(g, 11)) return missing(11);
  } else if (type == "ARC" || type == "CIRCLE") {
    if (!findGroup(g, 10)) return missing(10);
    const Group* r = findGroup(g, 40);
    if (!r) return missing(40);
    if (!(r->real > 0)) return fail("the radius must be positive");
    if (type == "ARC" && !findGroup(g, 50)) return missing(50);
    if (type == "ARC" && !findGroup(g, 51)) return missing(51);
  } else if (type == "ELLIPSE") {
    if (!findGroup(g, 10)) return missing(10);
    const Group* axis = findGroup(g, 11);
    if (!axis) return missing(11);
    if (vectorLength(axis->point) == 0) return fail("the major axis has no length");
    const Group* ratio = findGroup(g, 40);
    if (!ratio) return missing(40);
    if (!(ratio->real > 0 && ratio->real <= 1)) return fail("the axis ratio must lie in (0, 1]");
  } else if (type == "MTEXT") {
    if (!findGroup(g, 10)) return missing(10);
    const Group* h = findGroup(g, 40);
    if (h && !(h->real > 0)) return fail("the text height must be positive");
    const Group* att = findGroup(g, 71);
    if (att && (att->integer < 1 || att->integer > 9)) return fail("invalid attachment point");
    const Group* dir = findGroup(g, 72);
    if (dir && dir->integer != 1 && dir->integer != 3 && dir->integer != 5)
      return fail("invalid drawing direction");
  } else if (type == "VERTEX") {
    if (!findGroup(g, 10)) return missing(10);
  } else if (type == "INSERT") {
    const Group* name = findGroup(g, 2);
    if (!name) return missing(2);
    if (!blocks_.find(name->text)) return fail("block \"" + name->text + "\" does not exist");
    if (!findGroup(g, 10)) return missing(10);
    for (int c : {41, 42, 43}) {
      const Group* s = findGroup(g, c);
      if (s && s->real == 0) return fail("a scale factor is zero");
    }
  } else if (type == "HATCH") {
    if (!findGroup(g, 2)) return missing(2);
    if (!findGroup(g, 70)) return missing(70);
    if (!findGroup(g, 71)) return missing(71);
    if (!HatchReader(g, *this, nullptr, nullptr).read(error)) return false;
  }
  // Only once the list is sound may a missing layer be made, as a host does.
  if (!layerKnown) addLayer(layer->text);
  return true;
}

bool Drawing::entmake(GroupList list, std::string* error) {
  if (list.empty() || (list[0].code != 0 && list[0].code != RTDXF0) ||
      list[0].kind != ValueKind::String) {
    if (error) *error = "the list does not start with the entity type";
    return false;
  }
  std::string type = list[0].text;
  for (char& c : type)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (std::find(std::begin(kKnown), std::end(kKnown), type) == std::end(kKnown)) {
    if (error) *error = "unknown entity type \"" + list[0].text + "\"";
    return false;
  }
  bool inSequence = !pending_.empty();
  if ((type == "VERTEX" || type == "SEQEND") && !inSequence) {
    if (error) *error = type + " without a POLYLINE";
    return false;
  }
  GroupList groups = std::move(list);
  groups[0].code = 0;
  groups[0].text = type;
  if (!checkEntity(groups, type, error)) return false;
  // Anything but a VERTEX or SEQEND drops an unfinished sequence, as a host does.
  if (inSequence && type != "VERTEX" && type != "SEQEND") pending_.clear();

  Entity e;
  e.type = typeName(type);
  pack(e, groups);
  if (type == "POLYLINE" || type == "VERTEX") {
    pending_.push_back(std::move(e));
    return true;
  }
  if (type == "SEQEND") {
    pending_.push_back(std::move(e));
    EntityId head = 0;
    for (Entity& part : pending_) {
      if (head) part.parent = head;
      EntityId id = store(std::move(part));
      if (!head)
        head = id;
      else
        ++entities_[head - 1].childCount;
    }
    pending_.clear();
    return true;
  }
  store(std::move(e));
  return true;
}

// Whether the table has a record of that name. The name last found is known
// at once: list after list names the same layer and linetype, and records
// are never removed.
namespace {
template <class Record>
bool knownName(const SymbolTable<Record>& table, std::string& last, const char* name) {
  if (!name) name = "";
  if (!last.empty() && last == name) return true;
  if (!table.find(std::string(name))) return false;
  last = name;
  return true;
}
}  // namespace

bool Drawing::entmakeQuick(const resbuf* list) {
  if (!list || (list->restype != 0 && list->restype != RTDXF0) || !list->resval.rstring ||
      !pending_.empty())
    return false;
  // The type as entmake folds it; names longer than any known one never match.
  char upper[8];
  std::size_t n = 0;
  for (const char* c = list->resval.rstring; *c; ++c) {
    if (n == sizeof upper) return false;
    upper[n++] = *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
  }
  auto is = [&](const char* name, std::size_t size) {
    return n == size && std::memcmp(upper, name, size) == 0;
  };
  const bool line = is("LINE", 4);
  const bool arc = !line && is("ARC", 3);
  const bool circle = !line && !arc && is("CIRCLE", 6);
  if (!line && !arc && !circle && !is("3DSOLID", 7)) return false;
  const std::string_view type = line ? "LINE" : arc ? "ARC" : circle ? "CIRCLE" : "3DSOLID";

  // One pass over the groups: what entmake checks, and the packed size.
  // Long lists are left to entmake, which knows what to make of a loop.
  constexpr std::size_t kMaxGroups = 256;
  std::size_t count = 0;
  std::size_t size = 0;
  const resbuf* layer = nullptr;
  bool have10 = false, have11 = false, have40 = false, have50 = false, have51 = false;
  for (const resbuf* rb = list->rbnext; rb; rb = rb->rbnext) {
    if (++count > kMaxGroups) return false;
    const int code = rb->restype;
    const ValueKind kind = kindOf(code);
    if (kind == ValueKind::None || code == 0 || code == RTDXF0) return false;
    if (kind == ValueKind::Real && !std::isfinite(rb->resval.rreal)) return false;
    if (kind == ValueKind::Point &&
        !(std::isfinite(rb->resval.rpoint[0]) && std::isfinite(rb->resval.rpoint[1]) &&
          std::isfinite(rb->resval.rpoint[2])))
      return false;
    size += 3 + packedValueSize(kind);
    switch (code) {
      case 8:
        if (!layer) layer = rb;
        break;
      case 6:
        if (!knownName(linetypes_, lastLinetype_, rb->resval.rstring)) return false;
        break;
      case 62:
        if (rb->resval.rint < 0 || rb->resval.rint > 256) return false;
        break;
      case 330:
        if (rb->resval.rlname[1] != kEntityTag ||
            !entity(static_cast<EntityId>(rb->resval.rlname[0])))
          return false;
        break;
      case 10:
        have10 = true;
        break;
      case 11:
        have11 = true;
        break;
      case 40:
        // The first radius counts, as entmake reads it.
        if (!have40 && (arc || circle) && !(rb->resval.rreal > 0)) return false;
        have40 = true;
        break;
      case 50:
        have50 = true;
        break;
      case 51:
        have51 = true;
        break;
      default:
        break;
    }
  }
  if (line && !(have10 && have11)) return false;
  if ((arc || circle) && !(have10 && have40)) return false;
  if (arc && !(have50 && have51)) return false;
  // A layer not made yet is entmake's to make.
  if (!knownName(layers_, lastLayer_, layer ? layer->resval.rstring : currentLayer_.c_str()))
    return false;

  // Packed as entmake packs its groups: the current layer first when the list
  // names none.
  if (!layer) size += 3 + packedValueSize(ValueKind::String);
  Entity e;
  e.type = type;
  unsigned char* p = allocate(size);
  e.packed = p;
  e.packedSize = static_cast<uint32_t>(size);
  if (!layer) {
    put(p, static_cast<int16_t>(8));
    put(p, static_cast<uint8_t>(ValueKind::String));
    put(p, texts_.intern(currentLayer_));
  }
  for (const resbuf* rb = list->rbnext; rb; rb = rb->rbnext) {
    const ValueKind kind = kindOf(rb->restype);
    put(p, static_cast<int16_t>(rb->restype));
    put(p, static_cast<uint8_t>(kind));
    switch (kind) {
      case ValueKind::String:
        put(p, texts_.intern(rb->resval.rstring ? rb->resval.rstring : ""));
        break;
      case ValueKind::Real:
        put(p, rb->resval.rreal);
        break;
      case ValueKind::Point:
        put(p, Point{rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2]});
        break;
      case ValueKind::Short:
        put(p, static_cast<int32_t>(rb->resval.rint));
        break;
      case ValueKind::Long:
        put(p, static_cast<int32_t>(rb->resval.rlong));
        break;
      case ValueKind::Name:
        put(p, std::array<int32_t, 2>{rb->resval.rlname[0], rb->resval.rlname[1]});
        break;
      case ValueKind::None:
        break;
    }
  }
  store(std::move(e));
  return true;
}

bool Drawing::defineBlock(const std::string& name, const Point& base,
                          const std::vector<EntityId>& ids) {
  if (!validSymbolName(name) || blocks_.find(name)) return false;
  BlockRecord block;
  block.name = name;
  block.handle = newHandle();
  block.base = base;
  blocks_.add(block);
  spaces_.emplace_back();
  auto space = static_cast<uint32_t>(spaces_.size() - 1);
  Space& content = spaces_.back();
  for (EntityId id : ids) {
    const Entity* e = entity(id);
    if (!e || e->space != 0 || e->parent != 0) continue;
    content.main.push_back(id);
    content.all.push_back(id);
    for (EntityId child : e->children()) {
      content.all.push_back(child);
      entities_[child - 1].space = space;
    }
    entities_[id - 1].space = space;
    spaces_[0].moved += 1 + e->childCount;
  }
  // The selection may come in any order; the block keeps drawing order.
  std::sort(content.main.begin(), content.main.end());
  std::sort(content.all.begin(), content.all.end());
  if (spaces_[0].moved > spaces_[0].all.size() / 2) compact(0);
  return true;
}

bool Drawing::transformPacked(Entity& e, const Similarity& xf) {
  // Hatches and insertions need their whole list, and so do the arcs and
  // ellipses, whose ends a mirror swaps.
  const Shape shape = shapeOf(e.type);
  if (shape == Shape::Insert || shape == Shape::Arc || shape == Shape::Ellipse || e.type == "HATCH")
    return false;
  unsigned char* p = const_cast<unsigned char*>(e.packed);
  unsigned char* const end = p + e.packedSize;
  if (shape == Shape::Line) {
    // The bulk of an import: only the two points of a LINE move.
    for (; p < end; p += 3 + packedValueSize(static_cast<ValueKind>(p[2]))) {
      int16_t code;
      std::memcpy(&code, p, sizeof code);
      if ((code == 10 || code == 11) && static_cast<ValueKind>(p[2]) == ValueKind::Point) {
        Point v;
        std::memcpy(&v, p + 3, sizeof v);
        v = xf.apply(v);
        std::memcpy(p + 3, &v, sizeof v);
      }
    }
    return true;
  }
  for (; p < end; p += 3 + packedValueSize(static_cast<ValueKind>(p[2]))) {
    int16_t code;
    std::memcpy(&code, p, sizeof code);
    const Role r = roleFor(shape, code);
    const auto kind = static_cast<ValueKind>(p[2]);
    unsigned char* value = p + 3;
    // A value of another kind than its role wants stays as it is, as it
    // does when the whole list is transformed.
    switch (r) {
      case Role::Point:
      case Role::Vector:
        if (kind == ValueKind::Point) {
          Point v;
          std::memcpy(&v, value, sizeof v);
          v = r == Role::Point ? xf.apply(v) : xf.applyVector(v);
          std::memcpy(value, &v, sizeof v);
        }
        break;
      case Role::Angle:
      case Role::Length:
      case Role::Bulge:
        if (kind == ValueKind::Real) {
          double x;
          std::memcpy(&x, value, sizeof x);
          if (r == Role::Angle)
            x = xf.applyAngle(x);
          else if (r == Role::Length)
            x *= xf.scale;
          else if (xf.mirrored)
            x = -x;
          std::memcpy(value, &x, sizeof x);
        }
        break;
      default:
        break;
    }
  }
  return true;
}

void Drawing::transform(const std::vector<EntityId>& ids, const Similarity& xf) {
  std::vector<Role> roles;
  auto apply = [&](EntityId member) {
    Entity& m = entities_[member - 1];
    if (!transformPacked(m, xf)) {
      Unpacked u{m.type, groups(m)};
      rolesOf(u, *this, &roles);
      transformGroups(u, roles, xf);
      packValues(m, u.groups);
    }
    if (m.type == "3DSOLID") placements_[member] = multiply(xf.matrix, placement(member));
  };
  for (EntityId id : ids) {
    const Entity* e = entity(id);
    if (!e) continue;
    apply(id);
    for (EntityId child : e->children()) apply(child);
  }
}

double Drawing::entityDistance(const Entity& e, const Point& p, int depth) const {
  const GroupList g = groups(e);
  if (e.type == "LINE") return distanceToSegment(p, pointOr(g, 10), pointOr(g, 11));
  if (e.type == "CIRCLE") return std::fabs(distance2d(p, pointOr(g, 10)) - realOr(g, 40, 0));
  if (e.type == "ARC")
    return distanceToArc(p, pointOr(g, 10), realOr(g, 40, 0), realOr(g, 50, 0), realOr(g, 51, 0));
  if (e.type == "ELLIPSE")
    return distanceToEllipse(p, pointOr(g, 10), pointOr(g, 11), realOr(g, 40, 1), realOr(g, 41, 0),
                             realOr(g, 42, 2 * kPi));
  if (e.type == "MTEXT") {
    // The text box estimated from height, line count and the longest line.
    double h = realOr(g, 40, 2.5);
    const Group* text = findGroup(g, 1);
    std::string s = text ? text->text : "";
    std::size_t lines = 1, longest = 0, run = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s.compare(i, 2, "\\P") == 0) {
        ++lines;
        longest = std::max(longest, run);
        run = 0;
        ++i;
      } else {
        ++run;
      }
    }
    longest = std::max(longest, run);
    double w = realOr(g, 41, 0) > 0 ? realOr(g, 41, 0) : 0.6 * h * static_cast<double>(longest);
    double bh = h + 1.6 * h * static_cast<double>(lines - 1);
    const Group* att = findGroup(g, 71);
    int a = att ? att->integer - 1 : 0;
    double left = -w * (a % 3) / 2, top = bh * (a / 3) / 2;
    Point anchor = pointOr(g, 10);
    double ang = -realOr(g, 50, 0);
    double dx = p[0] - anchor[0], dy = p[1] - anchor[1];
    double x = dx * numeric::cos(ang) - dy * numeric::sin(ang),
           y = dx * numeric::sin(ang) + dy * numeric::cos(ang);
    double ox = std::max({left - x, 0.0, x - (left + w)});
    double oy = std::max({(top - bh) - y, 0.0, y - top});
    return numeric::hypot(ox, oy);
  }
  if (e.type == "POLYLINE") {
    std::vector<std::pair<Point, double>> verts;
    for (EntityId c : e.children()) {
      const Entity* v = entity(c);
      if (v && v->type == "VERTEX") {
        const GroupList vg = groups(*v);
        verts.push_back({pointOr(vg, 10), realOr(vg, 42, 0)});
      }
    }
    double best = HUGE_VAL;
    bool closed = findGroup(g, 70) && (findGroup(g, 70)->integer & 1);
    for (std::size_t i = 0; i + 1 < verts.size() + (closed ? 1 : 0) && verts.size() > 1; ++i) {
      const auto& a = verts[i];
      const auto& b = verts[(i + 1) % verts.size()];
      best = std::min(best, bulgeDistance(p, a.first, b.first, a.second));
    }
    if (verts.size() == 1) best = distance2d(p, verts[0].first);
    return best;
  }
  if (e.type == "HATCH") {
    std::vector<Edge> edges;
    HatchReader(g, *this, nullptr, &edges).read(nullptr);
    double best = HUGE_VAL;
    for (const Edge& edge : edges) best = std::min(best, edgeDistance(edge, p));
    return best;
  }
  if (e.type == "INSERT" && depth < 8) {
    const Group* name = findGroup(g, 2);
    int block = name ? blocks_.indexOf(name->text) : -1;
    if (block < 0) return HUGE_VAL;
    double sx = realOr(g, 41, 1), sy = realOr(g, 42, 1);
    if (sx == 0 || sy == 0) return HUGE_VAL;
    Point ins = pointOr(g, 10);
    double ang = -realOr(g, 50, 0);
    double dx = p[0] - ins[0], dy = p[1] - ins[1];
    const Point& base = blocks_.records()[static_cast<std::size_t>(block)].base;
    Point local{(dx * numeric::cos(ang) - dy * numeric::sin(ang)) / sx + base[0],
                (dx * numeric::sin(ang) + dy * numeric::cos(ang)) / sy + base[1], 0};
    double factor = std::min(std::fabs(sx), std::fabs(sy));
    double best = HUGE_VAL;
    for (EntityId id : spaces_[static_cast<std::size_t>(block) + 1].main)
      best = std::min(best, entityDistance(entities_[id - 1], local, depth + 1) * factor);
    return best;
  }
  return HUGE_VAL;  // a 3DSOLID cannot be picked in plan
}

EntityId Drawing::pick(const Point& p, double distance) const {
  const auto& main = spaces_[0].main;
  for (auto it = main.rbegin(); it != main.rend(); ++it)
    if (inSpace(*it, 0) && entityDistance(entities_[*it - 1], p, 0) <= distance) return *it;
  return 0;
}

}  // namespace drafthost
