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

m2dItemKind m2dItemKindOf(const metaTreeC* item) {
  if (!item || !item->value.isIdent()) return m2dItemKind::other;
  static const struct {
    const char* key;
    m2dItemKind kind;
  } kKinds[] = {{"SHAPEATTR", m2dItemKind::shapeAttr},
                {"LINE", m2dItemKind::line},
                {"ARC", m2dItemKind::arc},
                {"CIRCLE", m2dItemKind::circle},
                {"ELLIPSE", m2dItemKind::ellipse},
                {"ELLIPSEARC", m2dItemKind::ellipseArc},
                {"TEXT", m2dItemKind::text},
                {"ICRV2D", m2dItemKind::intCrv}};
  for (const auto& k : kKinds) {
    if (item->value.text() == k.key) return k.kind;
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
