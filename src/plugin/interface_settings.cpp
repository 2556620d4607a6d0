#include "plugin/interface_settings.h"

namespace {

// The registered items in id order (id = position + 1).
const CSConfigItemDef kItems[] = {
    {"InchAllowed", "Options", "1"},
    {"AcadLin", "Options", "acad.lin"},
    {"SolidHeavy", "Layer", "0"},
    {"SolidLight", "Layer", "0"},
    {"Hidden", "Layer", "0"},
    {"Center", "Layer", "0"},
    {"HeavyDashDot", "Layer", "0"},
    {"Hatch", "Layer", "0"},
    {"Cosm", "Layer", ""},
    {"SolidHeavy", "LineType", "Continuous"},
    {"SolidLight", "LineType", "Continuous"},
    {"Hidden", "LineType", "Verdeckt"},
    {"Center", "LineType", "Mitte"},
    {"HeavyDashDot", "LineType", "Strichpunkt"},
    {"Hatch", "LineType", "Continuous"},
    {"SolidHeavy", "LineColor", "7"},
    {"SolidLight", "LineColor", "7"},
    {"Hidden", "LineColor", "7"},
    {"Center", "LineColor", "7"},
    {"HeavyDashDot", "LineColor", "7"},
    {"Hatch", "LineColor", "7"},
    {"SATFileName", "XCHG3D", "c:\\acadxchg.sat"},
    {"SATVersion", "XCHG3D", "1.6"},
    {"MetaFileName", "XCHG2D", "c:\\acad2d.out"},
};

constexpr std::size_t kDictionaryBuckets = 64;

}  // namespace

InterfaceSettings::InterfaceSettings() : CSConfig(true) {
  messages_.reserve(kDictionaryBuckets);
}

void InterfaceSettings::loadInterfaceSettings() {
  load("$HALDRIX_USER/acad2d.cfg");
  int id = 1;
  for (const CSConfigItemDef& def : kItems) defineItem(id++, def.item, def.block, def.defaultText);
  satFileName_ = getItem(kSATFileName).asString();
  satVersion_ = getItem(kSATVersion).asString();
  metaFileName_ = getItem(kMetaFileName).asString();
}

bool InterfaceSettings::isInchAllowed() {
  return getItem(kInchAllowed).asBool();
}

std::string InterfaceSettings::styleLayer(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= styleLayers_.size()) return "0";
  return styleLayers_[static_cast<std::size_t>(index)];
}

std::string InterfaceSettings::styleLinetype(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= styleLinetypes_.size()) return "CONTINUOUS";
  return styleLinetypes_[static_cast<std::size_t>(index)];
}

int InterfaceSettings::styleColour(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= styleColours_.size()) return 7;
  return styleColours_[static_cast<std::size_t>(index)];
}
