#include "transfer/import.h"

#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "m2d/document.h"
#include "m2d/shapes.h"
#include "meta/reader.h"
#include "plugin/interface_settings.h"
#include "plugin/messages.h"
#include "transfer/entities.h"
#include "transfer/host_tables.h"
#include "transfer/polylines_hatches.h"

namespace {

constexpr double kMillimetresPerInch = 25.4;

// Next counter to try per base block name during one import. Blocks are only
// ever added while an import runs, so a candidate found taken stays taken and
// need not be asked for again: each wrap then costs one table walk instead of
// one per taken name.
std::unordered_map<std::string, int>* g_nameCounters = nullptr;

// The shapes that references name, while importMetafile owns the tree it
// imports: every other shape item is freed as soon as its entity is made, so
// that a huge file does not hold its whole tree and all its entities at once.
// Null when the caller owns the tree; then nothing is freed.
const std::unordered_set<const metaTreeC*>* g_referencedShapes = nullptr;

class ImportScope {
 public:
  ImportScope() {
    if (!g_nameCounters) {
      g_nameCounters = &counters_;
      owner_ = true;
    }
  }
  ~ImportScope() {
    if (owner_) g_nameCounters = nullptr;
  }
  ImportScope(const ImportScope&) = delete;
  ImportScope& operator=(const ImportScope&) = delete;

 private:
  std::unordered_map<std::string, int> counters_;
  bool owner_ = false;
};

// Candidate k of a base name: the name itself, then the name with 0, 1, 2, ...
std::string candidateName(const std::string& base, int k) {
  return k == 0 ? base : base + std::to_string(k - 1);
}

std::string uniqueBlockName(const std::string& base) {
  int* next = g_nameCounters ? &(*g_nameCounters)[base] : nullptr;
  int k = next ? *next : 0;
  while (blockExists(candidateName(base, k).c_str())) ++k;
  if (next) *next = k + 1;  // this one is about to be taken
  return candidateName(base, k);
}

// The children of a section with one key, gathered before anything is made:
// making entities changes the tree, after which list views search anew.
std::vector<metaTreeC*> childrenWithKey(metaTreeC* section, const char* key) {
  std::vector<metaTreeC*> v;
  if (!section) return v;
  for (metaTreeC* c = section->firstChild; c; c = c->next)
    if (c->isIdent(key)) v.push_back(c);
  return v;
}

void copyName(const ads_name from, ads_name to) {
  to[0] = from[0];
  to[1] = from[1];
}

// Runs the builder of one shape item; kind is never shapeAttr or other here.
int buildShape(InterfaceSettings& s, m2dItemKind kind, metaTreeC* item, int style, bool cosmetic,
               ads_name ent) {
  switch (kind) {
    case m2dItemKind::line:
      return makeLine(s, m2dLineC(item), style, cosmetic, ent);
    case m2dItemKind::arc:
      return makeArc(s, m2dArcC(item), style, cosmetic, ent);
    case m2dItemKind::circle:
      return makeCircle(s, m2dCircleC(item), style, cosmetic, ent);
    case m2dItemKind::ellipse:
      return makeEllipse(s, m2dEllipseC(item), style, cosmetic, ent);
    case m2dItemKind::ellipseArc:
      return makeEllipseArc(s, m2dEllipseArcC(item), style, cosmetic, ent);
    case m2dItemKind::text:
      return makeText(s, m2dTextC(item), style, cosmetic, ent);
    case m2dItemKind::intCrv:
      return makePolyline(s, m2dIntCrvC(item), style, cosmetic, ent);
    default:
      return 1;
  }
}

bool isShape(const metaTreeC* node) {
  const m2dItemKind kind = m2dItemKindOf(node);
  return kind != m2dItemKind::other && kind != m2dItemKind::shapeAttr;
}

// Whether a node is a shape or lies inside one. Asked for the parents of
// reference targets only; every node passed on the way up is remembered, so
// that even a file nested a million deep costs one walk up in all.
class ShapeAncestry {
 public:
  bool shapeOrInside(const metaTreeC* node) {
    bool result = false;
    path_.clear();
    for (; node; node = node->parent) {
      if (auto it = known_.find(node); it != known_.end()) {
        result = it->second;
        break;
      }
      if (isShape(node)) {
        result = true;
        break;
      }
      path_.push_back(node);
    }
    // None of these is a shape: each answers as the node above them did.
    for (const metaTreeC* n : path_) known_.emplace(n, result);
    return result;
  }

 private:
  std::unordered_map<const metaTreeC*, bool> known_;
  std::vector<const metaTreeC*> path_;
};

// A reference may name any node of the file, but the import rewrites what lies
// inside shapes (a figure transformation replaces a point's numbers), which
// would leave a reference to such a node pointing at freed memory. Only shapes
// that are items of a figure, and not themselves inside a shape, stay targets;
// every other reference now names none, which the hatch code reports as a
// shape it cannot find, as it did for such targets before. One walk along the
// links finds the references; only their targets are looked at more closely,
// so nothing is gathered per shape while the whole tree is in memory. Returns
// the shapes still named.
std::unordered_set<const metaTreeC*> keepReferencesToShapesOnly(metaTreeC* root) {
  std::vector<metaTreeC*> references;
  const metaTreeC* above = root ? root->parent : nullptr;  // where the walk ends
  metaTreeC* node = root;
  while (node) {
    if (node->refResolved() && node->refTarget()) references.push_back(node);
    if (node->firstChild) {
      node = node->firstChild;
      continue;
    }
    // Leave the node and every ancestor without a next sibling.
    while (node) {
      if (node->next) {
        node = node->next;
        break;
      }
      node = node->parent == above ? nullptr : node->parent;
    }
  }
  std::unordered_set<const metaTreeC*> named;
  if (references.empty()) return named;
  std::unordered_map<const metaTreeC*, bool> targetIsShape;  // as small as the references
  for (const metaTreeC* r : references) targetIsShape.emplace(r->refTarget(), false);
  ShapeAncestry ancestry;
  for (auto& [target, isItem] : targetIsShape) {
    isItem = isShape(target) && target->parent && target->parent->isIdent("FIGURITEMS") &&
             !ancestry.shapeOrInside(target->parent);
    if (isItem) named.insert(target);
  }
  for (metaTreeC* r : references)
    if (!targetIsShape[r->refTarget()]) r->setRefTarget(nullptr);
  return named;
}

// Whether a shape item may go once its entity is made: nothing after the
// item loop reads a shape that no reference names (hatches find their
// boundaries through references only), and a shape holds no other shape
// that a reference could name.
bool mayFreeShape(const metaTreeC* item) {
  return g_referencedShapes && !g_referencedShapes->count(item);
}

// Sets the named shapes for one metafile import.
class ReferencedShapesScope {
 public:
  explicit ReferencedShapesScope(const std::unordered_set<const metaTreeC*>& shapes)
      : previous_(g_referencedShapes) {
    g_referencedShapes = &shapes;
  }
  ~ReferencedShapesScope() { g_referencedShapes = previous_; }
  ReferencedShapesScope(const ReferencedShapesScope&) = delete;
  ReferencedShapesScope& operator=(const ReferencedShapesScope&) = delete;

 private:
  const std::unordered_set<const metaTreeC*>* previous_;
};

}  // namespace

int probeMetafile(const std::string& fileName) {
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return -1;
  char head[3];
  std::size_t n = 0;
  for (; n < 3; ++n) {
    int ch = std::fgetc(f);
    if (ch == EOF || ch == '\n') break;
    head[n] = static_cast<char>(ch);
  }
  std::fclose(f);
  return n == 3 && head[0] == '0' && head[1] == '0' && head[2] == '0' ? 0 : 1;
}

int styleIndexForShape(int shapeType, int shapeWidth) {
  switch (shapeType) {
    case 0:
      return shapeWidth == 1 ? 1 : 0;
    case 1:
      return 2;
    case 2:
      if (shapeWidth == 1) return 3;
      if (shapeWidth == 2 || shapeWidth == 3) return 4;
      return 0;
    default:
      return 0;
  }
}

std::string blockNameFromText(const std::string& text) {
  std::string name = text.substr(0, 27);
  for (char& ch : name) {
    const bool letter = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
    const bool digit = ch >= '0' && ch <= '9';
    if (!letter && !digit) ch = '_';
  }
  return name;
}

int wrapSelectionInBlock(InterfaceSettings& settings, const std::string& nameText,
                         const ads_name content, double x, double y, double rotationRadians,
                         const ads_name callerSet) {
  std::string base = blockNameFromText(nameText);
  if (base.empty()) base = "MOXISOL";
  const std::string name = uniqueBlockName(base);

  const ads_point origin = {0.0, 0.0, 0.0};
  ads_command(RTSTR, "_.BLOCK", RTSTR, name.c_str(), RTPOINT, origin, RTPICKS, content, RTSTR, "",
              RTNONE);

  const ads_point at = {x, y, 0.0};
  resbuf* list = ads_buildlist(RTDXF0, "INSERT", 2, name.c_str(), 10, at, 50, rotationRadians, 0);
  const int rc = ads_entmake(list);
  ads_relrb(list);
  if (rc != RTNORM) {
    printMessage(settings, "Fehler beim Erzeugen des Blocks %s", name.c_str());
    return -1;
  }
  ads_name insert = {0, 0};
  ads_entlast(insert);
  ads_name out;
  ads_ssadd(insert, callerSet, out);
  return 1;
}

namespace {

// Frees a shape item when its iteration of the item loop ends (whichever way).
class ItemRelease {
 public:
  ItemRelease(metaTreeC* item, bool free) : item_(free ? item : nullptr) {}
  ~ItemRelease() {
    if (!item_) return;
    item_->detach();
    metaTreeC::destroy(item_);
  }
  ItemRelease(const ItemRelease&) = delete;
  ItemRelease& operator=(const ItemRelease&) = delete;
  bool frees() const { return item_ != nullptr; }

 private:
  metaTreeC* item_;
};

}  // namespace

int importFigure(InterfaceSettings& settings, const m2dFigureC& figure, const ads_name set,
                 int forceBlock, double baseX, double baseY, double rotationDegrees) {
  const std::string name = figure.name();
  const m2dInsertionC insertion = figure.insertion();
  mVec2d insertPoint = insertion.point();
  const double figureRotation = insertion.rotation();
  metaTreeC* items = figure.items().node();
  const bool inch = settings.inchMode();
  if (inch) insertPoint = insertPoint / kMillimetresPerInch;
  const bool block = forceBlock != 0 || figure.isGrouped();

  ads_name figureSet = {0, 0};
  if (block) {
    if (inch) scaleItems(items, 1.0 / kMillimetresPerInch);
    ads_ssadd(nullptr, nullptr, figureSet);
  } else {
    copyName(set, figureSet);
    if (inch) scaleItems(items, 1.0 / kMillimetresPerInch);
    // The figure's own placement, then the caller's.
    const mMatrix3 placement[] = {
        mMatrix3::rotation(figureRotation), mMatrix3::translation(insertPoint),
        mMatrix3::rotation(rotationDegrees), mMatrix3::translation({baseX, baseY})};
    transformItems(items, placement, 4);
  }

  std::vector<ShapeRefItem>& refs = settings.shapeRefs();
  int result = 1;
  int shapeType = 0;
  int style = styleIndexForShape(0, 0);
  bool cosmetic = false;
  // The style of the lines, looked up at the first line after each SHAPEATTR.
  EntityStyle lineStyle;
  bool lineStyleKnown = false;
  metaTreeC* next = nullptr;
  for (metaTreeC* item = items ? items->firstChild : nullptr; item && result == 1; item = next) {
    next = item->next;
    const m2dItemKind kind = m2dItemKindOf(item);
    if (kind == m2dItemKind::other) continue;
    if (kind == m2dItemKind::shapeAttr) {
      const m2dShapeAttrC attr(item);
      const int width = attr.shapeWidth();
      shapeType = attr.shapeType();
      cosmetic = attr.cosmetic() != 0;
      style = styleIndexForShape(shapeType, width);
      lineStyleKnown = false;
      continue;
    }
    // Read on until the end of this iteration; no later step reads it.
    ItemRelease release(item, mayFreeShape(item));
    if (shapeType == 4) continue;  // not drawn
    ads_name ent = {0, 0};
    if (kind == m2dItemKind::line) {
      if (!lineStyleKnown) {
        lineStyle = entityStyle(settings, style, cosmetic);
        lineStyleKnown = true;
      }
      result = makeLine(settings, lineStyle, m2dLineC(item), ent);
    } else {
      result = buildShape(settings, kind, item, style, cosmetic, ent);
    }
    // A curve whose approximation is empty reports 1 without an entity.
    if (result != 1 || (ent[0] == 0 && ent[1] == 0)) continue;
    ads_name out;
    ads_ssadd(ent, figureSet, out);
    // A freed node's address may come back for a new node: only shapes
    // that stay get an entry.
    if (kind != m2dItemKind::text && !release.frees()) {
      ShapeRefItem ref;
      ref.node = item;
      copyName(ent, ref.entity);
      refs.push_back(ref);
    }
  }

  if (result == 1) {
    for (metaTreeC* hatchNode : childrenWithKey(figure.hatches().node(), "M2DHATCH")) {
      ads_name ent = {0, 0};
      if (makeHatch(settings, m2dHatchC(hatchNode), ent) == 1) {
        ads_name out;
        ads_ssadd(ent, figureSet, out);
      }
    }
  }

  if (block) {
    if (result == 1)
      result = wrapSelectionInBlock(settings, name, figureSet, insertPoint.x, insertPoint.y,
                                    figureRotation * kPi / 180.0, set);
    ads_ssfree(figureSet);
  }
  return result;
}

int importDrawing(InterfaceSettings& settings, const m2dDrawingC& drawing, const ads_name set,
                  int forceBlock, double baseX, double baseY, double rotationDegrees) {
  const std::string name = drawing.name();
  const std::vector<metaTreeC*> figures = childrenWithKey(drawing.figures().node(), "FIGURE");
  if (figures.empty()) return 1;
  const bool wrap = figures.size() > 1;
  ads_name target = {0, 0};
  double x = baseX, y = baseY, rotation = rotationDegrees;
  if (wrap) {
    ads_ssadd(nullptr, nullptr, target);
    x = y = rotation = 0.0;
  } else {
    copyName(set, target);
  }
  int result = 1;
  for (metaTreeC* node : figures)
    result = importFigure(settings, m2dFigureC(node), target, forceBlock, x, y, rotation);
  if (wrap) {
    if (wrapSelectionInBlock(settings, name, target, baseX, baseY, rotationDegrees * kPi / 180.0,
                             set) != 1)
      result = -1;
    ads_ssfree(target);
  }
  return result;
}

int importMetafile(InterfaceSettings& settings, const std::string& fileName, const ads_name set,
                   int forceBlock, double baseX, double baseY, double rotationDegrees) {
  ImportScope scope;
  ShapeRefFloor floor(settings);
  metaObjectC read = readMetaFile(fileName, false);
  // The document view owns the tree from here and frees it at the end.
  m2dDocumentC document(nullptr);
  document.bind(read.node(), true);
  metaTreeC* root = document.node();
  const std::unordered_set<const metaTreeC*> named = keepReferencesToShapesOnly(root);
  ReferencedShapesScope freeing(named);
  if (root && root->isIdent("DRAWING"))
    return importDrawing(settings, m2dDrawingC(root), set, forceBlock, baseX, baseY,
                         rotationDegrees);
  if (root && root->isIdent("FIGURE"))
    return importFigure(settings, m2dFigureC(root), set, 1, baseX, baseY, rotationDegrees);
  printMessage(settings, "Fehler in der Metadatei!");
  return -1;
}
