// Attribute getters of the 2D views.
#include "m2d/base.h"

#include "m2d/attributes.h"

double m2dBaseObjC::numberAttr(std::string_view key, bool* found) const {
  return m2dReadNumber(node(), key, found);
}

int m2dBaseObjC::intAttr(std::string_view key, bool* found) const {
  return m2dReadInt(node(), key, found);
}

std::string m2dBaseObjC::stringAttr(std::string_view key, bool* found) const {
  return m2dReadString(node(), key, found);
}

mVec2d m2dBaseObjC::pointAttr(std::string_view key, bool* found) const {
  return m2dReadPoint(node(), key, found);
}

bool m2dBaseObjC::setNumberAttr(std::string_view key, double value) const {
  return m2dWriteNumber(node(), key, value);
}

bool m2dBaseObjC::setPointAttr(std::string_view key, mVec2d p) const {
  return m2dWritePoint(node(), key, p);
}
