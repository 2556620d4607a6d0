#include "transfer/line_styles.h"

#include <cctype>
#include <cstdlib>

#include "config/environment.h"
#include "config/strings.h"
#include "plugin/messages.h"
#include "plugin/operations.h"
#include "transfer/host_tables.h"

namespace {

constexpr int kStyleCount = 5;

const char kLinetypeMissing[] =
    "Linienstil %s existiert nicht!\nGeben Sie im 2D-Optionendialog der MOXIsolutions "
    "AutoCAD-Schnittstelle einen g\xfcltigen Linientyp an.";
const char kLayerNotCreated[] = "Layer %s konnte nicht erzeugt werden";

std::string toUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool isKeyword(const std::string& linetype) {
  return linetype == "BYLAYER" || linetype == "BYBLOCK";
}

// True when the upper-cased text is the keyword or one of the BYNAME aliases.
bool matchesKeyword(InterfaceSettings& settings, const std::string& upper, const char* keyword,
                    const char* aliases) {
  if (upper == keyword) return true;
  for (const std::string& word :
       settings.getItem(keyword, "BYNAME", aliases).asStringList(',', '"'))
    if (upper == word) return true;
  return false;
}

// Name of a definition block in the current language, else its default name.
std::string definitionName(CSConfig& file, const std::string& block, const std::string& language) {
  std::string name;
  if (file.hasItem(language, block)) name = file.getItem(language, block).asString();
  if (name.empty() && file.hasItem("default", block))
    name = file.getItem("default", block).asString();
  return name;
}

// Alert about a linetype that is not in the drawing: the flow stops.
int linetypeMissing(InterfaceSettings& settings, const std::string& linetype) {
  alertMessage(settings, kLinetypeMissing, linetype.c_str());
  return -1;
}

}  // namespace

std::string normalizeByKeyword(InterfaceSettings& settings, const std::string& text) {
  std::string upper = toUpper(text);
  std::string result = text;
  if (matchesKeyword(settings, upper, "BYBLOCK", "VONBLOCK")) result = "BYBLOCK";
  if (matchesKeyword(settings, upper, "BYLAYER", "VONLAYER")) result = "BYLAYER";
  return result;
}

int colourFromText(InterfaceSettings& settings, const std::string& text) {
  std::string t = normalizeByKeyword(settings, text);
  if (t == "BYBLOCK") return 0;
  if (t == "BYLAYER") return 256;
  // An empty setting means BYBLOCK rather than whichever colour happens to be
  // defined first: that is what the number rule below gives for an empty text.
  if (t.empty()) return 0;
  for (const DefColorItem& colour : settings.colourDefinitions()) {
    if (equalsIgnoringCase(t, colour.name)) return colour.number;
    for (const std::string& entry : splitFields(colour.allNames, ';', 0, true))
      if (equalsIgnoringCase(t, stripChars(entry, " \t\r\n", StripBoth))) return colour.number;
  }
  return std::atoi(t.c_str());
}

void loadStyleDefinitions(InterfaceSettings& settings) {
  std::string language = expandVariables("$HALDRIX_LANGUAGE");
  CSConfig file(true);
  settings.linetypeDefinitions().clear();
  if (file.load("$HALDRIX_SETUP/dxflinetypes.def") == 1) {
    for (const std::string& block : file.blockNames()) {
      std::string name = definitionName(file, block, language);
      if (!name.empty()) settings.linetypeDefinitions().push_back(name);
    }
  }
  settings.colourDefinitions().clear();
  file.clear();
  if (file.load("$HALDRIX_SETUP/dxflinecolors.def") == 1) {
    for (const std::string& block : file.blockNames()) {
      DefColorItem colour;
      colour.name = definitionName(file, block, language);
      if (colour.name.empty()) continue;
      for (const std::string& item : file.itemNames(block)) {
        const std::string& value = file.getItem(item, block).asString();
        if (!value.empty()) colour.allNames += value + ";";
      }
      colour.number = std::atoi(block.c_str());
      settings.colourDefinitions().push_back(colour);
    }
  }
}

void applyLineStyleSettings(InterfaceSettings& settings) {
  settings.styleLayers().clear();
  settings.styleLinetypes().clear();
  settings.styleColours().clear();
  for (int i = 0; i < kStyleCount; ++i) {
    settings.styleLayers().push_back(
        settings.getItem(InterfaceSettings::kLayerSolidHeavy + i).asString());
    settings.styleLinetypes().push_back(normalizeByKeyword(
        settings, settings.getItem(InterfaceSettings::kLineTypeSolidHeavy + i).asString()));
    settings.styleColours().push_back(colourFromText(
        settings, settings.getItem(InterfaceSettings::kLineColorSolidHeavy + i).asString()));
  }
  settings.hatchLayer() = settings.getItem(InterfaceSettings::kLayerHatch).asString();
  settings.hatchLinetype() =
      normalizeByKeyword(settings, settings.getItem(InterfaceSettings::kLineTypeHatch).asString());
  settings.hatchColour() =
      colourFromText(settings, settings.getItem(InterfaceSettings::kLineColorHatch).asString());
  settings.cosmeticLayer() = settings.getItem(InterfaceSettings::kLayerCosm).asString();
}

bool loadLinetype(InterfaceSettings& settings, const std::string& name) {
  if (!linetypeExists(name.c_str())) {
    std::string file = settings.getItem(InterfaceSettings::kAcadLin).asString();
    ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, name.c_str(), RTSTR, file.c_str(),
                RTSTR, "", RTNONE);
  }
  return linetypeExists(name.c_str());
}

int createLayer(InterfaceSettings& settings, const std::string& layerName,
                const std::string& linetypeName, int colour) {
  std::string name = toUpper(layerName);
  std::string linetype = toUpper(linetypeName);
  if (ads_command(RTSTR, "_.layer", RTSTR, "_new", RTSTR, name.c_str(), RTSTR, "", RTNONE) !=
      RTNORM) {
    printMessage(settings, kLayerNotCreated, name.c_str());
    return -1;
  }
  int result = 1;
  if (!isKeyword(linetype)) {
    if (!linetypeExists(linetype.c_str()) && !loadLinetype(settings, linetype)) {
      printMessage(settings, "Linientyp %s konnte nicht geladen werden", linetype.c_str());
      result = -1;
    }
    if (linetypeExists(linetype.c_str()))
      ads_command(RTSTR, "_.layer", RTSTR, "_ltype", RTSTR, linetype.c_str(), RTSTR, name.c_str(),
                  RTSTR, "", RTNONE);
  }
  if (colour > 0 && colour < 256)
    ads_command(RTSTR, "_.layer", RTSTR, "_color", RTSHORT, colour, RTSTR, name.c_str(), RTSTR, "",
                RTNONE);
  return result;
}

int prepareLineStyles(InterfaceSettings& settings) {
  int result = 1;
  for (int i = 0; i < kStyleCount && result == 1; ++i) {
    std::string layer = settings.styleLayer(i);
    std::string linetype = settings.styleLinetype(i);
    int colour = settings.styleColour(i);
    if (!layerExists(layer.c_str())) {
      createLayer(settings, layer, linetype, colour);
      if (!isKeyword(linetype) && !linetypeExists(linetype.c_str()))
        result = linetypeMissing(settings, linetype);
    } else if (!isKeyword(linetype) && !linetypeExists(linetype.c_str())) {
      loadLinetype(settings, linetype);
      if (!linetypeExists(linetype.c_str())) result = linetypeMissing(settings, linetype);
    }
  }
  for (int i = 0; i < kStyleCount && result == 1; ++i) {
    std::string layer = settings.styleLayer(i);
    if (!layerExists(layer.c_str())) {
      alertMessage(settings, kLayerNotCreated, layer.c_str());
      result = -1;
    }
  }
  const std::string& cosmetic = settings.cosmeticLayer();
  if (!cosmetic.empty() && !layerExists(cosmetic.c_str()))
    createLayer(settings, cosmetic, "BYLAYER", 0);
  return result;
}
