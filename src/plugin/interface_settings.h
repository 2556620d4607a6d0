// The per-command settings: the user's acad2d.cfg with its 24 registered items,
// plus the working data one command collects (messages, inch mode, line-style
// lists, definition tables, shape references, exchange-file names).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "config/config_file.h"
#include "plugin/ads.h"

class metaTreeC;

// A shape's node in the metafile tree and the host entity made for it.
struct ShapeRefItem {
  const metaTreeC* node = nullptr;
  ads_name entity = {0, 0};
};

// One colour of the colour definition file.
struct DefColorItem {
  std::string name;      // in the current language, else the default name
  int32_t number = 0;    // host colour number
  std::string allNames;  // every non-empty name, each followed by ";"
};

class InterfaceSettings : public CSConfig {
 public:
  // Item ids of the settings file.
  enum ItemId {
    kInchAllowed = 1,
    kAcadLin,
    kLayerSolidHeavy,
    kLayerSolidLight,
    kLayerHidden,
    kLayerCenter,
    kLayerHeavyDashDot,
    kLayerHatch,
    kLayerCosm,
    kLineTypeSolidHeavy,
    kLineTypeSolidLight,
    kLineTypeHidden,
    kLineTypeCenter,
    kLineTypeHeavyDashDot,
    kLineTypeHatch,
    kLineColorSolidHeavy,
    kLineColorSolidLight,
    kLineColorHidden,
    kLineColorCenter,
    kLineColorHeavyDashDot,
    kLineColorHatch,
    kSATFileName,
    kSATVersion,
    kMetaFileName,
  };

  // Empty settings with inch mode off; nothing is read yet.
  InterfaceSettings();

  // Loads "$HALDRIX_USER/acad2d.cfg" (a missing file leaves every item at its
  // default), registers the 24 items and copies the exchange-file names. Never
  // writes the file.
  void loadInterfaceSettings();

  // The InchAllowed item read as a boolean.
  bool isInchAllowed();
  void setInchMode(bool on) { inchMode_ = on; }
  bool inchMode() const { return inchMode_; }

  // Style values of index 0 to 4; outside that "0", "CONTINUOUS" and 7.
  std::string styleLayer(int index) const;
  std::string styleLinetype(int index) const;
  int styleColour(int index) const;

  std::unordered_map<std::string, std::string>& messages() { return messages_; }
  std::vector<ShapeRefItem>& shapeRefs() { return shapeRefs_; }
  std::vector<std::string>& styleLayers() { return styleLayers_; }
  std::vector<std::string>& styleLinetypes() { return styleLinetypes_; }
  std::vector<int>& styleColours() { return styleColours_; }
  std::string& hatchLayer() { return hatchLayer_; }
  std::string& hatchLinetype() { return hatchLinetype_; }
  std::string& cosmeticLayer() { return cosmeticLayer_; }
  int& hatchColour() { return hatchColour_; }
  std::vector<DefColorItem>& colourDefinitions() { return colourDefinitions_; }
  std::vector<std::string>& linetypeDefinitions() { return linetypeDefinitions_; }

  // Exchange-file settings as read at load time (no variable expansion).
  const std::string& MetaFileName() const { return metaFileName_; }
  const std::string& SATFileName() const { return satFileName_; }
  const std::string& SATVersion() const { return satVersion_; }

 private:
  std::unordered_map<std::string, std::string> messages_;
  bool inchMode_ = false;
  std::vector<ShapeRefItem> shapeRefs_;
  std::vector<std::string> styleLayers_;
  std::vector<std::string> styleLinetypes_;
  std::vector<int> styleColours_;
  std::string hatchLayer_;
  std::string hatchLinetype_;
  std::string cosmeticLayer_;
  int hatchColour_ = 0;
  std::vector<DefColorItem> colourDefinitions_;
  std::vector<std::string> linetypeDefinitions_;
  std::string metaFileName_;
  std::string satFileName_;
  std::string satVersion_;
};
