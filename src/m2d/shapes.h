// Shape views: one class per shape key of a figure's items, each a shape view
// combined with its geometry class over the one shared binding.
//
//   SHAPEATTR m2dShapeAttrC      LINE m2dLineC          ARC m2dArcC
//   CIRCLE m2dCircleC            ELLIPSE m2dEllipseC    ELLIPSEARC m2dEllipseArcC
//   ICRV2D m2dIntCrvC            TEXT m2dTextC
#pragma once

#include <string>

#include "m2d/base.h"
#include "m2d/geometry.h"

// SHAPEATTR: line attributes for the shapes that follow it.
class m2dShapeAttrC : public m2dBaseObjC {
 public:
  explicit m2dShapeAttrC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // SHAPETYP: 0 continuous, 1 hidden, 2 centre line, 4 not drawn. Default 0.
  int shapeType(bool* found = nullptr) const { return intAttr("SHAPETYP", found); }
  // SHAPEWIDTH: 1 thin, else heavy. Default 0.
  int shapeWidth(bool* found = nullptr) const { return intAttr("SHAPEWIDTH", found); }
  // COSMETIC: non-zero marks cosmetic geometry. Default 0.
  int cosmetic(bool* found = nullptr) const { return intAttr("COSMETIC", found); }
};

// LINE: start() and end() are its first and second POINT.
class m2dLineC : public m2dShapeBaseC, public mBaseLine2dC {
 public:
  explicit m2dLineC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// ARC: point(0..2), and centre, radius, angles and sense from the geometry.
class m2dArcC : public m2dShapeBaseC, public mBaseArc2dC {
 public:
  explicit m2dArcC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// CIRCLE: centre() is POINT, radius() is RAD.
class m2dCircleC : public m2dShapeBaseC, public mBaseCircle2dC {
 public:
  explicit m2dCircleC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// ELLIPSE: centre(), rad1(), rad2(), angle(), axes(), ratio().
class m2dEllipseC : public m2dShapeBaseC, public mBaseEllipse2dC {
 public:
  explicit m2dEllipseC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// ELLIPSEARC: as ELLIPSE, plus angle1(), angle2(), startPoint(), endPoint().
class m2dEllipseArcC : public m2dShapeBaseC, public mBaseEllipseArc2dC {
 public:
  explicit m2dEllipseArcC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// ICRV2D: pointCount(), pointAt(i), closed(), segmentCurve().
class m2dIntCrvC : public m2dShapeBaseC, public mBaseIntCrv2dC {
 public:
  explicit m2dIntCrvC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};

// TEXT. It has no geometry class; the figure transformations move it with
// transform() and scale() below.
class m2dTextC : public m2dShapeBaseC {
 public:
  explicit m2dTextC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
  // The text (lines separated by line feeds); empty when missing or not a string.
  std::string text(bool* found = nullptr) const { return stringAttr("TEXT", found); }
  // Anchor point; (0, 0) when missing or malformed.
  mVec2d point(bool* found = nullptr) const { return pointAttr("POINT", found); }
  // Character height; 0.0 when missing.
  double height(bool* found = nullptr) const { return numberAttr("HEIGHT", found); }
  // Rotation in degrees; 0.0 when missing.
  double angle(bool* found = nullptr) const { return numberAttr("ANGLE", found); }
  // Anchor position on the text box, 1 to 9 (top left to bottom right); 0 when missing.
  int relPos(bool* found = nullptr) const { return intAttr("TEXTRELPOS", found); }
  // Line justification, 1 left, 2 centre, 3 right; 0 when missing.
  int align(bool* found = nullptr) const { return intAttr("TEXTALIGN", found); }
  // Text box width (TEXTBW) and height (TEXTBH); 0.0 when missing.
  double boxWidth(bool* found = nullptr) const { return numberAttr("TEXTBW", found); }
  double boxHeight(bool* found = nullptr) const { return numberAttr("TEXTBH", found); }
  // False for an empty view or a value of another kind.
  bool setPoint(mVec2d p) const { return setPointAttr("POINT", p); }
  bool setHeight(double v) const { return setNumberAttr("HEIGHT", v); }
  bool setAngle(double v) const { return setNumberAttr("ANGLE", v); }

  // The anchor becomes m.anchor and ANGLE grows by the turn of m's linear
  // part. 0 for an empty view, else 1.
  int transform(const mMatrix3& m) const;
  // Anchor, HEIGHT, TEXTBW and TEXTBH times f (present numbers only). 1.
  int scale(double f) const;
};
