// Bases of the 2D views: attribute getters with found flags, and the shape base.
#pragma once

#include <string>
#include <string_view>

#include "m2d/vector2d.h"
#include "meta/object.h"

// Base of every 2D view. The getters read an attribute of the bound section
// (creating its empty key when missing) and give the default with found false
// when it is missing or of another kind; an empty view always gives defaults.
class m2dBaseObjC : public virtual metaObjectC {
 public:
  explicit m2dBaseObjC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}

  // Default 0.0.
  double numberAttr(std::string_view key, bool* found = nullptr) const;
  // Truncated toward zero; default 0.
  int intAttr(std::string_view key, bool* found = nullptr) const;
  // A quoted string; default empty (an identifier value counts as missing).
  std::string stringAttr(std::string_view key, bool* found = nullptr) const;
  // Exactly two numbers; default (0, 0).
  mVec2d pointAttr(std::string_view key, bool* found = nullptr) const;
  // Setters: false for an empty view or a value of another kind.
  bool setNumberAttr(std::string_view key, double value) const;
  bool setPointAttr(std::string_view key, mVec2d p) const;
};

// Base of every shape view (and of the hatch boundary references).
class m2dShapeBaseC : public m2dBaseObjC {
 public:
  explicit m2dShapeBaseC(metaTreeC* node = nullptr) : metaObjectVirtualDataBaseC(node, false) {}
};
