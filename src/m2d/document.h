// Document views: a DRAWING of FIGUREs, or a single FIGURE, with the figure's
// placement, items and hatches.
//
// List views (figures(), hatches(), loops(), references()) cache what they
// have found: keep one list object for a loop over its items, so that the
// loop stays linear.
#pragma once

#include <cstddef>
#include <string>

#include "m2d/base.h"
#include "m2d/geometry.h"
#include "meta/containers.h"
#include "meta/hooks.h"
#include "meta/registry.h"

// Registry key -> document prototype: DRAWING and FIGURE. Filled on first use.
metaPrototypeRegistry& m2dDocumentRegistry();

enum class m2dDocumentKind { none, drawing, figure };

// DRAWING or FIGURE at the root (or a FIGURE inside a drawing).
class m2dDocumentC : public m2dBaseObjC {
 public:
  explicit m2dDocumentC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // NAME; empty when missing or not a string.
  std::string name(bool* found = nullptr) const { return stringAttr("NAME", found); }
  // ANSICHTNO; 0.0 when missing.
  double viewNumber(bool* found = nullptr) const { return numberAttr("ANSICHTNO", found); }
  // Which document the node is, by key (dispatched through m2dDocumentRegistry());
  // none for any other key or an empty view.
  virtual m2dDocumentKind kind() const;
};

// INSERTPOINT of a figure.
class m2dInsertionC : public m2dBaseObjC {
 public:
  explicit m2dInsertionC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // POINT, millimetres; (0, 0) when missing or not exactly two numbers.
  mVec2d point(bool* found = nullptr) const { return pointAttr("POINT", found); }
  // ROTATION, degrees counter-clockwise; 0.0 when missing.
  double rotation(bool* found = nullptr) const { return numberAttr("ROTATION", found); }
};

// A MOREF of a hatch loop: a reference to a boundary shape of the same figure.
class m2dHatchLoopRefListEntryC : public m2dShapeBaseC, public metaObjectRefC {
 public:
  explicit m2dHatchLoopRefListEntryC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false) {}
  // target() (inherited) is the shape's node, null when unresolved.
  // A view of the target shape; empty when there is none.
  m2dShapeBaseC shape() const { return m2dShapeBaseC(target()); }
  // An any-shape geometry view of the target; empty when there is none.
  mBaseShape2dC geometry() const { return mBaseShape2dC(target()); }
};

// M2DHATCHLOOPSHREFS: the boundary references of a loop, in order.
class m2dHatchLoopRefListC : public metaTypedListC<m2dHatchLoopRefListEntryC> {
 public:
  explicit m2dHatchLoopRefListC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false), metaTypedListC("MOREF", node) {}
};

// M2DHATCHLOOP.
class m2dHatchLoopC : public m2dBaseObjC {
 public:
  explicit m2dHatchLoopC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // M2DHATCHLOOPSHREFS (get-or-create); empty for an empty view.
  m2dHatchLoopRefListC references() const {
    return m2dHatchLoopRefListC(child("M2DHATCHLOOPSHREFS"));
  }
};

// M2DHATCHLOOPS: the loops of a hatch.
class m2dHatchLoopListC : public metaTypedListC<m2dHatchLoopC> {
 public:
  explicit m2dHatchLoopListC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false), metaTypedListC("M2DHATCHLOOP", node) {}
};

// M2DHATCH.
class m2dHatchC : public m2dBaseObjC {
 public:
  explicit m2dHatchC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // ANGLE of the hatch lines, degrees; 0.0 when missing.
  double angle(bool* found = nullptr) const { return numberAttr("ANGLE", found); }
  // DISTANCE between hatch lines; 0.0 when missing.
  double distance(bool* found = nullptr) const { return numberAttr("DISTANCE", found); }
  // M2DHATCHLOOPS (get-or-create); empty for an empty view.
  m2dHatchLoopListC loops() const { return m2dHatchLoopListC(child("M2DHATCHLOOPS")); }
};

// M2DHATCHES: the hatches of a figure.
class m2dHatchListC : public metaTypedListC<m2dHatchC> {
 public:
  explicit m2dHatchListC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false), metaTypedListC("M2DHATCH", node) {}
};

// What an item of FIGURITEMS is, by its key.
enum class m2dItemKind { other, shapeAttr, line, arc, circle, ellipse, ellipseArc, text, intCrv };
// other for null, a non-identifier or any key not listed.
m2dItemKind m2dItemKindOf(const metaTreeC* item);

// FIGURITEMS: the items of a figure in drawing order, iterated as plain children:
//   for (metaTreeC* item : figure.items().childNodes()) { ... }
class m2dFigureItemsC : public m2dBaseObjC {
 public:
  explicit m2dFigureItemsC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// FIGURE.
class m2dFigureC : public m2dDocumentC {
 public:
  explicit m2dFigureC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // GROUP holds exactly the string "YES".
  bool isGrouped() const { return stringAttr("GROUP") == "YES"; }
  // INSERTPOINT, FIGURITEMS and M2DHATCHES (get-or-create); empty for an empty view.
  m2dInsertionC insertion() const { return m2dInsertionC(child("INSERTPOINT")); }
  m2dFigureItemsC items() const { return m2dFigureItemsC(child("FIGURITEMS")); }
  m2dHatchListC hatches() const { return m2dHatchListC(child("M2DHATCHES")); }

  // The figure transformations on all items (see scaleItems in geometry.h).
  void scaleItems(double f) const;
  void rotateItems(double degrees) const;
  void moveItems(mVec2d d) const;

  m2dDocumentKind kind() const override { return m2dDocumentKind::figure; }
};

// DRAWINGITEMS: the FIGUREs of a drawing; other keys are skipped.
class m2dFigureListC : public metaTypedListC<m2dFigureC> {
 public:
  explicit m2dFigureListC(metaTreeC* node = nullptr)
      : metaObjectVirtualDataBaseC(node, false), metaTypedListC("FIGURE", node) {}
};

// DRAWING.
class m2dDrawingC : public m2dDocumentC {
 public:
  explicit m2dDrawingC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // DRAWINGITEMS (get-or-create); empty for an empty view.
  m2dFigureListC figures() const { return m2dFigureListC(child("DRAWINGITEMS")); }

  m2dDocumentKind kind() const override { return m2dDocumentKind::drawing; }
};
