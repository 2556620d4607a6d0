#include "dxf_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "numeric/math.h"

namespace drafthost {

namespace {

constexpr double kToDegrees = 180.0 / kPi;

// Buffered output of (code, value) pairs; hands the text to the stream in
// large pieces so that writing stays linear and cheap per group.
class GroupWriter {
 public:
  explicit GroupWriter(std::ostream& out) : out_(out) { buf_.reserve(kChunk + 4096); }

  void text(int code, std::string_view value) {
    codeLine(code);
    // A line end inside a value would end the value early: control characters
    // go out in the caret notation DXF uses for them (^J for a line feed), so
    // a caret of the text itself goes out as "^ " to read back as a caret.
    for (char c : value) {
      auto u = static_cast<unsigned char>(c);
      if (u < 0x20) {
        buf_ += '^';
        buf_ += static_cast<char>(u + 0x40);
      } else if (c == '^') {
        buf_ += "^ ";
      } else {
        buf_ += c;
      }
    }
    endLine();
  }

  // A value already in DXF's caret notation (encoded ACIS text), as it is.
  void encoded(int code, std::string_view value) {
    codeLine(code);
    buf_.append(value);
    endLine();
  }

  void real(int code, double value) {
    if (!std::isfinite(value)) value = 0;
    if (value == 0) value = 0;  // no "-0"
    codeLine(code);
    char tmp[32];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
    buf_.append(tmp, r.ptr);
    // A real value keeps a decimal point, as DXF files write them.
    if (std::string_view(tmp, static_cast<std::size_t>(r.ptr - tmp)).find_first_of(".e") ==
        std::string_view::npos)
      buf_ += ".0";
    endLine();
  }

  void integer(int code, long long value) {
    codeLine(code);
    appendInt(value);
    endLine();
  }

  void point(int code, const Point& p) {
    real(code, p[0]);
    real(code + 10, p[1]);
    real(code + 20, p[2]);
  }

  // Points of hatch boundaries and seeds are two-dimensional in DXF.
  void point2d(int code, const Point& p) {
    real(code, p[0]);
    real(code + 10, p[1]);
  }

  void handle(int code, uint32_t h) {
    codeLine(code);
    char tmp[16];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, h, 16);
    for (char* p = tmp; p != r.ptr; ++p)
      if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
    buf_.append(tmp, r.ptr);
    endLine();
  }

  bool finish() {
    flush();
    out_.flush();
    return static_cast<bool>(out_);
  }

 private:
  static constexpr std::size_t kChunk = 1 << 16;

  void codeLine(int code) {
    // Group codes right-aligned in three columns, as AutoCAD writes them.
    if (code >= 0 && code < 10)
      buf_ += "  ";
    else if (code >= 10 && code < 100)
      buf_ += ' ';
    appendInt(code);
    buf_ += '\n';
  }
  void endLine() {
    buf_ += '\n';
    if (buf_.size() >= kChunk) flush();
  }
  void appendInt(long long v) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, r.ptr);
  }
  void flush() {
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
  }

  std::ostream& out_;
  std::string buf_;
};

// How a group of the drawing becomes a group of the file.
enum class Conv {
  Copy,
  Degrees,         // radians in the drawing, degrees in the file
  Layer,           // the layer's name as the table spells it
  Linetype,        // likewise for the linetype
  BlockName,       // likewise for the block of an INSERT
  MTextString,     // groups 3 and 1, re-split into 250-character pieces
  MTextDirection,  // group 11 from the rotation when the text has none
  HatchBody,       // boundary paths, pattern and seeds as made
  SatText,         // groups 1 and 3 of a 3DSOLID, encoded
};

// What goes out when the drawing lacks a group.
enum class Need { Optional, Zero, One, TwoPi, UnitX, UnitZ };

struct Field {
  int code;
  Conv conv = Conv::Copy;
  Need need = Need::Optional;
  const char* marker = nullptr;  // subclass marker (code 100) instead of a group
};

Field marker(const char* name) {
  return {100, Conv::Copy, Need::Optional, name};
}

struct EntitySpec {
  const char* type;
  std::vector<Field> fields;
};

// Groups of every entity, after the handle and owner.
const std::vector<Field> kCommon = {marker("AcDbEntity"),
                                    {8, Conv::Layer, Need::Zero},
                                    {6, Conv::Linetype},
                                    {62},
                                    {370},
                                    {48},
                                    {60}};

// Per entity type, the groups in the order R2000 writes them.
const std::vector<EntitySpec>& entitySpecs() {
  static const std::vector<EntitySpec> specs = {
      {"LINE",
       {marker("AcDbLine"),
        {39},
        {10, Conv::Copy, Need::Zero},
        {11, Conv::Copy, Need::Zero},
        {210}}},
      {"CIRCLE",
       {marker("AcDbCircle"),
        {39},
        {10, Conv::Copy, Need::Zero},
        {40, Conv::Copy, Need::One},
        {210}}},
      {"ARC",
       {marker("AcDbCircle"),
        {39},
        {10, Conv::Copy, Need::Zero},
        {40, Conv::Copy, Need::One},
        {210},
        marker("AcDbArc"),
        {50, Conv::Degrees, Need::Zero},
        {51, Conv::Degrees, Need::Zero}}},
      {"ELLIPSE",
       {marker("AcDbEllipse"),
        {10, Conv::Copy, Need::Zero},
        {11, Conv::Copy, Need::UnitX},
        {210},
        {40, Conv::Copy, Need::One},
        {41, Conv::Copy, Need::Zero},
        {42, Conv::Copy, Need::TwoPi}}},
      // The rotation goes out twice: as the direction vector 11, which takes
      // precedence for readers that know it, and as 50 in degrees (what AutoCAD
      // and ezdxf read, whatever older references say about radians).
      {"MTEXT",
       {marker("AcDbMText"),
        {10, Conv::Copy, Need::Zero},
        {40},
        {41},
        {71, Conv::Copy, Need::One},
        {72},
        {1, Conv::MTextString, Need::Zero},
        {210},
        {11, Conv::MTextDirection},
        {50, Conv::Degrees}}},
      {"POLYLINE",
       {marker("AcDb2dPolyline"),
        {66, Conv::Copy, Need::One},
        {10, Conv::Copy, Need::Zero},
        {70, Conv::Copy, Need::Zero},
        {40},
        {41},
        {210}}},
      {"VERTEX",
       {marker("AcDbVertex"),
        marker("AcDb2dVertex"),
        {10, Conv::Copy, Need::Zero},
        {40},
        {41},
        {42},
        {70, Conv::Copy, Need::Zero}}},
      {"SEQEND", {}},
      {"INSERT",
       {marker("AcDbBlockReference"),
        {2, Conv::BlockName},
        {10, Conv::Copy, Need::Zero},
        {41},
        {42},
        {43},
        {50, Conv::Degrees},
        {210}}},
      {"HATCH",
       {marker("AcDbHatch"),
        {10, Conv::Copy, Need::Zero},
        {210, Conv::Copy, Need::UnitZ},
        {2},
        {70, Conv::Copy, Need::Zero},
        {71, Conv::Copy, Need::Zero},
        {91, Conv::HatchBody}}},
      {"3DSOLID", {marker("AcDbModelerGeometry"), {70, Conv::Copy, Need::One}, {1, Conv::SatText}}},
  };
  return specs;
}

const EntitySpec* specFor(std::string_view type) {
  for (const EntitySpec& s : entitySpecs())
    if (type == s.type) return &s;
  return nullptr;
}

// The first group after the type, before index `end`, with the code; nullptr if none.
const Group* findIn(const GroupList& g, std::size_t end, int code) {
  for (std::size_t i = 1; i < end; ++i)
    if (g[i].code == code) return &g[i];
  return nullptr;
}

// The value type of a group code in a DXF file: as in result buffers, except
// that 38 and 39 (elevation, thickness) are single numbers in a file.
ValueKind fileKind(int code) {
  return code == 38 || code == 39 ? ValueKind::Real : kindOf(code);
}

double realOf(const Group& g) {
  return g.kind == ValueKind::Real ? g.real : static_cast<double>(g.integer);
}

struct Box {
  Point lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  bool empty() const { return !(lo[0] <= hi[0]); }
  // A point, or a centre with its half extent along each axis.
  void add(const Point& p, const Point& half = {}) {
    for (std::size_t i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], p[i] - half[i]);
      hi[i] = std::max(hi[i], p[i] + half[i]);
    }
  }
};

Point cross(const Point& a, const Point& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The unit extrusion direction of an entity (group 210; +z without it or
// when it has no length).
Point unitNormal(const Group* g) {
  if (!g || g->kind != ValueKind::Point) return {0, 0, 1};
  const Point& n = g->point;
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0) || !std::isfinite(len)) return {0, 0, 1};
  return {n[0] / len, n[1] / len, n[2] / len};
}

// A point of an entity's object coordinate system in world coordinates, by
// the arbitrary-axis rule of DXF; unchanged for the +z extrusion.
Point ocsToWorld(const Point& p, const Point& n) {
  if (n[0] == 0 && n[1] == 0 && n[2] == 1) return p;
  const double limit = 1.0 / 64;
  Point ax =
      std::abs(n[0]) < limit && std::abs(n[1]) < limit ? cross({0, 1, 0}, n) : cross({0, 0, 1}, n);
  const double len = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
  ax = {ax[0] / len, ax[1] / len, ax[2] / len};
  const Point ay = cross(n, ax);
  Point w{};
  for (std::size_t i = 0; i < 3; ++i) w[i] = p[0] * ax[i] + p[1] * ay[i] + p[2] * n[i];
  return w;
}

class DxfWriter {
 public:
  DxfWriter(const Drawing& dwg, const DxfOptions& options, std::ostream& out)
      : dwg_(dwg), options_(options), w_(out) {}

  bool write() {
    allocate();
    header();
    classes();
    tables();
    blocks();
    section("ENTITIES");
    for (EntityId id : dwg_.mainEntities(0)) entity(id, modelRecord_);
    w_.text(0, "ENDSEC");
    objects();
    w_.text(0, "EOF");
    return w_.finish();
  }

 private:
  // Handles of everything the drawing does not hold itself, numbered on from
  // the drawing's own handles; boundary objects note the hatches they bound.
  void allocate() {
    next_ = dwg_.handleSeed();
    for (uint32_t* h :
         {&vportTable_, &ltypeTable_,    &layerTable_,  &styleTable_, &viewTable_,   &ucsTable_,
          &appidTable_, &dimstyleTable_, &blockTable_,  &vport_,      &style_,       &appid_,
          &dimstyle_,   &modelRecord_,   &paperRecord_, &modelBegin_, &modelEnd_,    &paperBegin_,
          &paperEnd_,   &rootDict_,      &groupDict_,   &layoutDict_, &modelLayout_, &paperLayout_,
          &mlineDict_,  &mlineStyle_,    &plotDict_,    &plotNormal_})
      *h = next_++;
    for (std::size_t i = 0; i < dwg_.blocks().records().size(); ++i) {
      blockBegin_.push_back(next_++);
      blockEnd_.push_back(next_++);
    }
    // Associative hatches name their boundary objects; those carry the
    // hatch as a reactor in return.
    for (uint32_t space = 0; space <= dwg_.blocks().records().size(); ++space)
      for (EntityId id : dwg_.mainEntities(space)) {
        const Entity* e = dwg_.entity(id);
        if (e->type != "HATCH") continue;
        for (const Group& g : dwg_.groups(*e))
          if (g.code == 330 && g.name[1] == kEntityTag)
            reactors_[static_cast<EntityId>(g.name[0])].push_back(e->handle());
      }
  }

  void section(const char* name) {
    w_.text(0, "SECTION");
    w_.text(2, name);
  }

  void variable(const char* name) { w_.text(9, name); }

  void header() {
    extents(&lo_, &hi_);
    const Point &lo = lo_, &hi = hi_;
    section("HEADER");
    variable("$ACADVER");
    w_.text(1, "AC1015");
    variable("$DWGCODEPAGE");
    w_.text(3, "ANSI_1252");
    variable("$INSBASE");
    w_.point(10, {0, 0, 0});
    variable("$EXTMIN");
    w_.point(10, lo);
    variable("$EXTMAX");
    w_.point(10, hi);
    variable("$LIMMIN");
    w_.real(10, 0);
    w_.real(20, 0);
    variable("$LIMMAX");
    w_.real(10, options_.measurement ? 420 : 12);
    w_.real(20, options_.measurement ? 297 : 9);
    variable("$CLAYER");
    w_.text(8, dwg_.currentLayer());
    variable("$MEASUREMENT");
    w_.integer(70, options_.measurement ? 1 : 0);
    variable("$INSUNITS");
    w_.integer(70, options_.measurement ? 4 : 1);
    variable("$HANDSEED");
    w_.handle(5, next_);
    w_.text(0, "ENDSEC");
  }

  // Extents of a space from its entities' defining points (circles and
  // ellipses with their radius, insertions with the extents of their block
  // placed, scaled and turned); each block is measured once.
  Box spaceBox(uint32_t space, int depth) {
    if (space > 0) {
      std::size_t b = space - 1;
      if (blockBoxes_.size() <= b) blockBoxes_.resize(dwg_.blocks().records().size());
      if (blockBoxes_[b]) return *blockBoxes_[b];
      if (depth > 32) return {};  // blocks do not nest this deep; guards a cycle
    }
    Box box;
    auto pointOf = [](const GroupList& groups, int code) {
      const Group* g = findGroup(groups, code);
      return g && g->kind == ValueKind::Point ? g->point : Point{};
    };
    auto realOr = [](const GroupList& groups, int code, double fallback) {
      const Group* g = findGroup(groups, code);
      return g ? realOf(*g) : fallback;
    };
    for (EntityId id : dwg_.mainEntities(space)) {
      const Entity& entity = *dwg_.entity(id);
      const std::string_view type = entity.type;
      const GroupList g = dwg_.groups(entity);
      if (type == "LINE") {
        box.add(pointOf(g, 10));
        box.add(pointOf(g, 11));
      } else if (type == "ARC" || type == "CIRCLE") {
        // The whole circle, in its own plane: an axis along the normal gets
        // no extent, so a flat drawing stays flat.
        const Point n = unitNormal(findGroup(g, 210));
        const double r = std::abs(realOr(g, 40, 0));
        Point half{};
        for (std::size_t i = 0; i < 3; ++i) half[i] = r * std::sqrt(std::max(0.0, 1 - n[i] * n[i]));
        box.add(ocsToWorld(pointOf(g, 10), n), half);
      } else if (type == "ELLIPSE") {
        // Major axis a (world), minor axis b = ratio * (n x a): the whole
        // ellipse reaches sqrt(a_i^2 + b_i^2) from its centre along axis i.
        const Point a = pointOf(g, 11);
        const Point b = cross(unitNormal(findGroup(g, 210)), a);
        const double ratio = std::abs(realOr(g, 40, 1));
        Point half{};
        for (std::size_t i = 0; i < 3; ++i)
          half[i] = std::sqrt(a[i] * a[i] + ratio * ratio * b[i] * b[i]);
        box.add(pointOf(g, 10), half);
      } else if (type == "MTEXT") {
        box.add(pointOf(g, 10));
      } else if (type == "POLYLINE") {
        for (EntityId c : entity.children())
          if (dwg_.entity(c)->type == "VERTEX") box.add(pointOf(dwg_.groups(*dwg_.entity(c)), 10));
      } else if (type == "INSERT") {
        Point at = pointOf(g, 10);
        box.add(at);
        const Group* name = findGroup(g, 2);
        int b = name ? dwg_.blocks().indexOf(name->text) : -1;
        if (b < 0) continue;
        Box inner = spaceBox(static_cast<uint32_t>(b) + 1, depth + 1);
        if (inner.empty()) continue;
        const Point& base = dwg_.blocks().records()[static_cast<std::size_t>(b)].base;
        double sx = realOr(g, 41, 1), sy = realOr(g, 42, 1), a = realOr(g, 50, 0);
        double c = numeric::cos(a), s = numeric::sin(a);
        for (double x : {inner.lo[0], inner.hi[0]})
          for (double y : {inner.lo[1], inner.hi[1]}) {
            double u = (x - base[0]) * sx, v = (y - base[1]) * sy;
            box.add({at[0] + u * c - v * s, at[1] + u * s + v * c, at[2]});
          }
      }
    }
    if (space > 0) blockBoxes_[space - 1] = box;
    return box;
  }

  // Model-space extents; an empty drawing gets the origin.
  void extents(Point* lo, Point* hi) {
    Box box = spaceBox(0, 0);
    *lo = box.empty() ? Point{} : box.lo;
    *hi = box.empty() ? Point{} : box.hi;
  }

  void classes() {
    section("CLASSES");
    struct Cls {
      const char* dxfName;
      const char* cppName;
    };
    for (Cls c : {Cls{"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault"},
                  Cls{"ACDBPLACEHOLDER", "AcDbPlaceHolder"}, Cls{"LAYOUT", "AcDbLayout"}}) {
      w_.text(0, "CLASS");
      w_.text(1, c.dxfName);
      w_.text(2, c.cppName);
      w_.text(3, "ObjectDBX Classes");
      w_.integer(90, 0);
      w_.integer(280, 0);
      w_.integer(281, 0);
    }
    w_.text(0, "ENDSEC");
  }

  void tableHead(const char* name, uint32_t handle, std::size_t count) {
    w_.text(0, "TABLE");
    w_.text(2, name);
    w_.handle(5, handle);
    w_.handle(330, 0);
    w_.text(100, "AcDbSymbolTable");
    w_.integer(70, static_cast<long long>(count));
  }

  void recordHead(const char* type, uint32_t handle, uint32_t table, const char* subclass) {
    w_.text(0, type);
    w_.handle(5, handle);
    w_.handle(330, table);
    w_.text(100, "AcDbSymbolTableRecord");
    w_.text(100, subclass);
  }

  void recordHead(const char* type, const std::string& handle, uint32_t table,
                  const char* subclass) {
    w_.text(0, type);
    w_.text(5, handle);
    w_.handle(330, table);
    w_.text(100, "AcDbSymbolTableRecord");
    w_.text(100, subclass);
  }

  void tables() {
    section("TABLES");
    vportTable();
    ltypeTable();
    layerTable();

    tableHead("STYLE", styleTable_, 1);
    recordHead("STYLE", style_, styleTable_, "AcDbTextStyleTableRecord");
    w_.text(2, "Standard");
    w_.integer(70, 0);
    w_.real(40, 0);
    w_.real(41, 1);
    w_.real(50, 0);
    w_.integer(71, 0);
    w_.real(42, 2.5);
    w_.text(3, "txt");
    w_.text(4, "");
    w_.text(0, "ENDTAB");

    tableHead("VIEW", viewTable_, 0);
    w_.text(0, "ENDTAB");
    tableHead("UCS", ucsTable_, 0);
    w_.text(0, "ENDTAB");

    tableHead("APPID", appidTable_, 1);
    recordHead("APPID", appid_, appidTable_, "AcDbRegAppTableRecord");
    w_.text(2, "ACAD");
    w_.integer(70, 0);
    w_.text(0, "ENDTAB");

    // A dimension style record carries its handle in group 105.
    tableHead("DIMSTYLE", dimstyleTable_, 1);
    w_.text(100, "AcDbDimStyleTable");
    w_.text(0, "DIMSTYLE");
    w_.handle(105, dimstyle_);
    w_.handle(330, dimstyleTable_);
    w_.text(100, "AcDbSymbolTableRecord");
    w_.text(100, "AcDbDimStyleTableRecord");
    w_.text(2, "Standard");
    w_.integer(70, 0);
    w_.text(0, "ENDTAB");

    const auto& blocks = dwg_.blocks().records();
    tableHead("BLOCK_RECORD", blockTable_, blocks.size() + 2);
    recordHead("BLOCK_RECORD", modelRecord_, blockTable_, "AcDbBlockTableRecord");
    w_.text(2, "*Model_Space");
    w_.handle(340, modelLayout_);
    recordHead("BLOCK_RECORD", paperRecord_, blockTable_, "AcDbBlockTableRecord");
    w_.text(2, "*Paper_Space");
    w_.handle(340, paperLayout_);
    for (const BlockRecord& b : blocks) {
      recordHead("BLOCK_RECORD", b.handle, blockTable_, "AcDbBlockTableRecord");
      w_.text(2, b.name);
    }
    w_.text(0, "ENDTAB");
    w_.text(0, "ENDSEC");
  }

  // The active viewport shows the model-space extents.
  void vportTable() {
    const Point &lo = lo_, &hi = hi_;
    double width = hi[0] - lo[0], height = hi[1] - lo[1];
    double viewHeight = std::max({height, width / 1.34, 1.0}) * 1.1;
    tableHead("VPORT", vportTable_, 1);
    recordHead("VPORT", vport_, vportTable_, "AcDbViewportTableRecord");
    w_.text(2, "*Active");
    w_.integer(70, 0);
    w_.real(10, 0);
    w_.real(20, 0);
    w_.real(11, 1);
    w_.real(21, 1);
    w_.real(12, (lo[0] + hi[0]) / 2);
    w_.real(22, (lo[1] + hi[1]) / 2);
    w_.real(13, 0);
    w_.real(23, 0);
    w_.real(14, 10);
    w_.real(24, 10);
    w_.real(15, 10);
    w_.real(25, 10);
    w_.point(16, {0, 0, 1});
    w_.point(17, {0, 0, 0});
    w_.real(40, viewHeight);
    w_.real(41, 1.34);
    w_.real(42, 50);
    w_.real(43, 0);
    w_.real(44, 0);
    w_.real(50, 0);
    w_.real(51, 0);
    for (int code : {71, 72, 73, 74, 75, 76, 77, 78})
      w_.integer(code, code == 72 ? 1000 : code == 73 || code == 75 ? 1 : code == 74 ? 3 : 0);
    w_.text(0, "ENDTAB");
  }

  // Loaded linetypes with the dash pattern read from their .lin file.
  void ltypeTable() {
    const auto& types = dwg_.linetypes().records();
    tableHead("LTYPE", ltypeTable_, types.size());
    for (const LinetypeRecord& lt : types) {
      recordHead("LTYPE", lt.handle, ltypeTable_, "AcDbLinetypeTableRecord");
      w_.text(2, lt.name);
      w_.integer(70, 0);
      w_.text(3, lt.description);
      w_.integer(72, 65);
      w_.integer(73, static_cast<long long>(lt.pattern.size()));
      double total = 0;
      for (double d : lt.pattern) total += std::fabs(d);
      w_.real(40, total);
      for (double d : lt.pattern) {
        w_.real(49, d);
        w_.integer(74, 0);
      }
    }
    w_.text(0, "ENDTAB");
  }

  void layerTable() {
    const auto& layers = dwg_.layers().records();
    tableHead("LAYER", layerTable_, layers.size());
    for (const LayerRecord& layer : layers) {
      recordHead("LAYER", layer.handle, layerTable_, "AcDbLayerTableRecord");
      w_.text(2, layer.name);
      w_.integer(70, 0);
      w_.integer(62, layer.color);
      const LinetypeRecord* lt = dwg_.linetypes().find(layer.linetype);
      w_.text(6, lt ? lt->name : "CONTINUOUS");
      w_.integer(370, -3);
      w_.handle(390, plotNormal_);
    }
    w_.text(0, "ENDTAB");
  }

  void blockBegin(uint32_t handle, const std::string& owner, const std::string& name,
                  const Point& base) {
    w_.text(0, "BLOCK");
    w_.handle(5, handle);
    w_.text(330, owner);
    w_.text(100, "AcDbEntity");
    w_.text(8, "0");
    w_.text(100, "AcDbBlockBegin");
    w_.text(2, name);
    w_.integer(70, 0);
    w_.point(10, base);
    w_.text(3, name);
    w_.text(1, "");
  }

  void blockEnd(uint32_t handle, const std::string& owner) {
    w_.text(0, "ENDBLK");
    w_.handle(5, handle);
    w_.text(330, owner);
    w_.text(100, "AcDbEntity");
    w_.text(8, "0");
    w_.text(100, "AcDbBlockEnd");
  }

  void blocks() {
    section("BLOCKS");
    std::string model = hex(modelRecord_), paper = hex(paperRecord_);
    blockBegin(modelBegin_, model, "*Model_Space", {});
    blockEnd(modelEnd_, model);
    blockBegin(paperBegin_, paper, "*Paper_Space", {});
    blockEnd(paperEnd_, paper);
    const auto& blocks = dwg_.blocks().records();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      blockBegin(blockBegin_[i], blocks[i].handle, blocks[i].name, blocks[i].base);
      for (EntityId id : dwg_.mainEntities(static_cast<uint32_t>(i + 1)))
        entity(id, blocks[i].handle);
      blockEnd(blockEnd_[i], blocks[i].handle);
    }
    w_.text(0, "ENDSEC");
  }

  void entity(EntityId id, uint32_t owner) { entity(id, hex(owner)); }

  // One entity and, for a POLYLINE, its vertices and SEQEND (owned by it).
  void entity(EntityId id, const std::string& owner) {
    const Entity* e = dwg_.entity(id);
    const EntitySpec* spec = e ? specFor(e->type) : nullptr;
    if (!spec) return;
    w_.text(0, e->type);
    w_.text(5, e->handle());
    auto r = reactors_.find(id);
    if (r != reactors_.end()) {
      w_.text(102, "{ACAD_REACTORS");
      for (const std::string& h : r->second) w_.text(330, h);
      w_.text(102, "}");
    }
    w_.text(330, owner);
    const GroupList groups = dwg_.groups(*e);
    // A hatch's own groups end where its boundary data begins.
    std::size_t end = groups.size();
    if (e->type == "HATCH")
      for (std::size_t i = 1; i < groups.size(); ++i)
        if (groups[i].code == 91) {
          end = i;
          break;
        }
    for (const Field& f : kCommon) field(groups, f, end);
    for (const Field& f : spec->fields) field(groups, f, end);
    for (EntityId child : e->children()) entity(child, e->handle());
  }

  void field(const GroupList& groups, const Field& f, std::size_t end) {
    if (f.marker) {
      w_.text(100, f.marker);
      return;
    }
    switch (f.conv) {
      case Conv::MTextString:
        return mtextString(groups);
      case Conv::MTextDirection:
        return mtextDirection(groups, end);
      case Conv::HatchBody:
        return hatchBody(groups);
      case Conv::SatText:
        return satText(groups);
      default:
        break;
    }
    const Group* g = findIn(groups, end, f.code);
    if (!g) return missing(f);
    switch (f.conv) {
      case Conv::Degrees:
        return w_.real(f.code, realOf(*g) * kToDegrees);
      case Conv::Layer: {
        const LayerRecord* layer = dwg_.layers().find(g->text);
        return w_.text(8, layer ? layer->name : g->text);
      }
      case Conv::Linetype: {
        const LinetypeRecord* lt = dwg_.linetypes().find(g->text);
        return w_.text(6, lt ? lt->name : g->text);
      }
      case Conv::BlockName: {
        const BlockRecord* block = dwg_.blocks().find(g->text);
        return w_.text(2, block ? block->name : g->text);
      }
      default:
        return value(f.code, *g);
    }
  }

  void missing(const Field& f) {
    switch (f.need) {
      case Need::Optional:
        return;
      case Need::UnitX:
        return w_.point(f.code, {1, 0, 0});
      case Need::UnitZ:
        return w_.point(f.code, {0, 0, 1});
      default:
        break;
    }
    double v = f.need == Need::One ? 1 : f.need == Need::TwoPi ? 2 * kPi : 0;
    switch (fileKind(f.code)) {
      case ValueKind::Point:
        return w_.point(f.code, {v, v, v});
      case ValueKind::Real:
        return w_.real(f.code, v);
      case ValueKind::String:
        return w_.text(f.code, f.code == 8 ? "0" : "");
      default:
        return w_.integer(f.code, static_cast<long long>(v));
    }
  }

  // A group's value in the form its code wants, whatever type it arrived as.
  void value(int code, const Group& g) {
    switch (fileKind(code)) {
      case ValueKind::Point:
        return w_.point(code, g.point);
      case ValueKind::Real:
        return w_.real(code, realOf(g));
      case ValueKind::Short:
      case ValueKind::Long:
        return w_.integer(code, g.kind == ValueKind::Real ? std::llround(g.real) : g.integer);
      case ValueKind::Name:
        return w_.text(code, nameHandle(g));
      default:
        return w_.text(code, g.text);
    }
  }

  std::string nameHandle(const Group& g) const {
    const Entity* target =
        g.name[1] == kEntityTag ? dwg_.entity(static_cast<EntityId>(g.name[0])) : nullptr;
    return target ? target->handle() : "0";
  }

  void mtextString(const GroupList& groups) {
    std::string text;
    for (const Group& g : groups)
      if (g.code == 3) text += g.text;
    if (const Group* one = findGroup(groups, 1)) text += one->text;
    std::size_t p = 0;
    for (; text.size() - p >= 250; p += 250) w_.text(3, std::string_view(text).substr(p, 250));
    w_.text(1, std::string_view(text).substr(p));
  }

  void mtextDirection(const GroupList& groups, std::size_t end) {
    if (const Group* dir = findIn(groups, end, 11)) return value(11, *dir);
    const Group* rot = findIn(groups, end, 50);
    double a = rot ? realOf(*rot) : 0;
    w_.point(11, {numeric::cos(a), numeric::sin(a), 0});
  }

  // Boundary paths, pattern and seed points in the order the hatch was made;
  // the host reads them in the same order when it accepts a hatch. Angles of
  // arc and ellipse edges (50, 51) and of the pattern (52, 53) turn into
  // degrees, boundary objects into their handles; points lose their z, which
  // DXF does not have there (the elevation is the hatch's group 10).
  void hatchBody(const GroupList& groups) {
    std::size_t i = 1;
    while (i < groups.size() && groups[i].code != 91) ++i;
    bool paths = true;
    for (; i < groups.size(); ++i) {
      const Group& g = groups[i];
      if (g.code == 75) paths = false;
      bool angle = paths ? (g.code == 50 || g.code == 51) : (g.code == 52 || g.code == 53);
      if (angle)
        w_.real(g.code, realOf(g) * kToDegrees);
      else if (fileKind(g.code) == ValueKind::Point)
        w_.point2d(g.code, g.point);
      else
        value(g.code, g);
    }
  }

  // A solid moved by ads_xformss keeps its SAT text and notes the movement in
  // Entity::placement, which R2000 has no group for; the plug-in moves solids
  // only through the block insertion that holds them, so the text is written
  // as it is.
  void satText(const GroupList& groups) {
    std::string line;
    bool open = false;
    auto emit = [&] {
      std::string enc = encodeSatLine(line);
      std::string_view v(enc);
      w_.encoded(1, v.substr(0, 255));
      for (std::size_t p = 255; p < v.size(); p += 255) w_.encoded(3, v.substr(p, 255));
    };
    for (const Group& g : groups) {
      if (g.code == 1) {
        if (open) emit();
        line = g.text;
        open = true;
      } else if (g.code == 3 && open) {
        line += g.text;
      }
    }
    if (open) emit();
  }

  void objects() {
    section("OBJECTS");
    dictionary(rootDict_, 0,
               {{"ACAD_GROUP", groupDict_},
                {"ACAD_LAYOUT", layoutDict_},
                {"ACAD_MLINESTYLE", mlineDict_},
                {"ACAD_PLOTSTYLENAME", plotDict_}});
    dictionary(groupDict_, rootDict_, {});
    dictionary(layoutDict_, rootDict_, {{"Layout1", paperLayout_}, {"Model", modelLayout_}});
    dictionary(mlineDict_, rootDict_, {{"Standard", mlineStyle_}});

    w_.text(0, "ACDBDICTIONARYWDFLT");
    w_.handle(5, plotDict_);
    w_.handle(330, rootDict_);
    w_.text(100, "AcDbDictionary");
    w_.integer(281, 1);
    w_.text(3, "Normal");
    w_.handle(350, plotNormal_);
    w_.text(100, "AcDbDictionaryWithDefault");
    w_.handle(340, plotNormal_);

    w_.text(0, "ACDBPLACEHOLDER");
    w_.handle(5, plotNormal_);
    w_.handle(330, plotDict_);

    layout(modelLayout_, "Model", 0, modelRecord_);
    layout(paperLayout_, "Layout1", 1, paperRecord_);

    w_.text(0, "MLINESTYLE");
    w_.handle(5, mlineStyle_);
    w_.handle(330, mlineDict_);
    w_.text(100, "AcDbMlineStyle");
    w_.text(2, "Standard");
    w_.integer(70, 0);
    w_.text(3, "");
    w_.integer(62, 256);
    w_.real(51, 90);
    w_.real(52, 90);
    w_.integer(71, 2);
    for (double offset : {0.5, -0.5}) {
      w_.real(49, offset);
      w_.integer(62, 256);
      w_.text(6, "BYLAYER");
    }
    w_.text(0, "ENDSEC");
  }

  void dictionary(uint32_t handle, uint32_t owner,
                  std::initializer_list<std::pair<const char*, uint32_t>> entries) {
    w_.text(0, "DICTIONARY");
    w_.handle(5, handle);
    w_.handle(330, owner);
    w_.text(100, "AcDbDictionary");
    w_.integer(281, 1);
    for (const auto& [key, value] : entries) {
      w_.text(3, key);
      w_.handle(350, value);
    }
  }

  void layout(uint32_t handle, const char* name, int tab, uint32_t record) {
    bool metric = options_.measurement != 0;
    w_.text(0, "LAYOUT");
    w_.handle(5, handle);
    w_.handle(330, layoutDict_);
    w_.text(100, "AcDbPlotSettings");
    w_.text(1, "");
    w_.text(2, "none_device");
    w_.text(4, "");
    w_.text(6, "");
    for (int code : {40, 41, 42, 43}) w_.real(code, 0);
    w_.real(44, metric ? 420 : 17);
    w_.real(45, metric ? 297 : 11);
    for (int code : {46, 47, 48, 49, 140, 141}) w_.real(code, 0);
    w_.real(142, 1);
    w_.real(143, 1);
    w_.integer(70, 688);
    w_.integer(72, metric ? 1 : 0);
    w_.integer(73, 0);
    w_.integer(74, 5);
    w_.text(7, "");
    w_.integer(75, 16);
    w_.real(147, 1);
    w_.real(148, 0);
    w_.real(149, 0);
    w_.text(100, "AcDbLayout");
    w_.text(1, name);
    w_.integer(70, 1);
    w_.integer(71, tab);
    w_.real(10, 0);
    w_.real(20, 0);
    w_.real(11, metric ? 420 : 12);
    w_.real(21, metric ? 297 : 9);
    w_.point(12, {0, 0, 0});
    w_.point(14, {0, 0, 0});
    w_.point(15, {0, 0, 0});
    w_.real(146, 0);
    w_.point(13, {0, 0, 0});
    w_.point(16, {1, 0, 0});
    w_.point(17, {0, 1, 0});
    w_.integer(76, 0);
    w_.handle(330, record);
  }

  static std::string hex(uint32_t h) {
    char tmp[16];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, h, 16);
    std::string s(tmp, r.ptr);
    for (char& c : s)
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return s;
  }

  const Drawing& dwg_;
  DxfOptions options_;
  GroupWriter w_;
  uint32_t next_ = 0;
  Point lo_{}, hi_{};  // model-space extents
  uint32_t vportTable_ = 0, ltypeTable_ = 0, layerTable_ = 0, styleTable_ = 0, viewTable_ = 0,
           ucsTable_ = 0, appidTable_ = 0, dimstyleTable_ = 0, blockTable_ = 0, vport_ = 0,
           style_ = 0, appid_ = 0, dimstyle_ = 0, modelRecord_ = 0, paperRecord_ = 0,
           modelBegin_ = 0, modelEnd_ = 0, paperBegin_ = 0, paperEnd_ = 0, rootDict_ = 0,
           groupDict_ = 0, layoutDict_ = 0, modelLayout_ = 0, paperLayout_ = 0, mlineDict_ = 0,
           mlineStyle_ = 0, plotDict_ = 0, plotNormal_ = 0;
  std::vector<uint32_t> blockBegin_, blockEnd_;
  std::vector<std::optional<Box>> blockBoxes_;
  std::unordered_map<EntityId, std::vector<std::string>> reactors_;
};

}  // namespace

// AutoCAD's substitution for ACIS text in DXF files before release 2004:
// printable characters c become 159 - c (0x5F xor c outside the letters),
// '@' and '_' swap, a space stays, and an 'A' (which becomes '^', the escape
// character of DXF values) is followed by a space. Control and non-ASCII
// characters, which SAT text does not hold, go out as a space and '?'.
std::string encodeSatLine(const std::string& line) {
  std::string out;
  out.reserve(line.size() + line.size() / 8);
  for (char ch : line) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) c = ' ';
    if (c > 0x7F) c = '?';
    if (c == ' ') {
      out += ' ';
    } else if (c == '_') {
      out += '@';
    } else if (c == '@') {
      out += '_';
    } else if (c >= 0x41 && c <= 0x5E) {
      out += static_cast<char>(0x9F - c);
      if (c == 'A') out += ' ';
    } else {
      out += static_cast<char>(c ^ 0x5F);
    }
  }
  return out;
}

bool writeDxf(const Drawing& drawing, const DxfOptions& options, std::ostream& out) {
  return DxfWriter(drawing, options, out).write();
}

bool writeDxfFile(const Drawing& drawing, const DxfOptions& options, const std::string& path,
                  std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  if (!writeDxf(drawing, options, file)) {
    if (error) *error = "writing " + path + " failed";
    return false;
  }
  return true;
}

}  // namespace drafthost
