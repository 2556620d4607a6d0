// Document views: the document registry and the figure operations.
#include "m2d/document.h"

#include <memory>

metaPrototypeRegistry& m2dDocumentRegistry() {
  static metaPrototypeRegistry registry = [] {
    metaPrototypeRegistry r;
    // Priorities: depth below metaObjectC (m2dBaseObjC 1, m2dDocumentC 2).
    r.registerPrototype("DRAWING", std::make_unique<m2dDrawingC>(), 3);
    r.registerPrototype("FIGURE", std::make_unique<m2dFigureC>(), 3);
    return r;
  }();
  return registry;
}

m2dDocumentKind m2dDocumentC::kind() const {
  return metaDispatch(m2dDocumentRegistry(), *this, m2dDocumentKind::none,
                      [](const m2dDocumentC& p) { return p.kind(); });
}

// Asked for every node of a file before the import and for every item after
// it, so the key is told by its length before any bytes are compared.
m2dItemKind m2dItemKindOf(const metaTreeC* item) {
  if (!item || !item->value.isIdent()) return m2dItemKind::other;
  const std::string_view key = item->value.text();
  switch (key.size()) {
    case 3:
      if (key == "ARC") return m2dItemKind::arc;
      break;
    case 4:
      if (key == "LINE") return m2dItemKind::line;
      if (key == "TEXT") return m2dItemKind::text;
      break;
    case 6:
      if (key == "CIRCLE") return m2dItemKind::circle;
      if (key == "ICRV2D") return m2dItemKind::intCrv;
      break;
    case 7:
      if (key == "ELLIPSE") return m2dItemKind::ellipse;
      break;
    case 9:
      if (key == "SHAPEATTR") return m2dItemKind::shapeAttr;
      break;
    case 10:
      if (key == "ELLIPSEARC") return m2dItemKind::ellipseArc;
      break;
    default:
      break;
  }
  return m2dItemKind::other;
}

void m2dFigureC::scaleItems(double f) const {
  ::scaleItems(items().node(), f);
}
void m2dFigureC::rotateItems(double degrees) const {
  ::rotateItems(items().node(), degrees);
}
void m2dFigureC::moveItems(mVec2d d) const {
  ::moveItems(items().node(), d);
}
