#include "dialog/options_dialog.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "config/config_value.h"
#include "config/environment.h"
#include "config/strings.h"
#include "plugin/messages.h"
#include "plugin/operations.h"

namespace {

using Id = InterfaceSettings::ItemId;

// Tile values are first read with room for 99 characters and the
// terminating zero; a value that fills the room is read again with twice the
// room, so a long setting the user did not touch is saved as it was. The
// ceiling only guards against a host that always fills the buffer.
constexpr std::size_t kTileBuffer = 100;
constexpr std::size_t kTileBufferCeiling = std::size_t{1} << 24;

const char kSaveFailed[] = "Die Einstellungen konnten nicht in %s gespeichert werden!";
const char kBadName[] =
    "Der Name %s kann nicht gespeichert werden: die Zeichen ] und Zeilenwechsel sind nicht "
    "erlaubt.";

// What a callback needs besides its dialog: the settings, the main dialog,
// and the edit tile a picker fills or the named configurations of the load list.
struct TileBinding {
  InterfaceSettings* settings = nullptr;
  ads_hdlg mainDialog = nullptr;
  std::string editKey;
  bool linetypes = false;
  std::vector<std::string> blocks;
};

TileBinding* bindingOf(ads_callback_packet* packet) {
  return packet ? static_cast<TileBinding*>(packet->client_data) : nullptr;
}

// The tile's whole text; nullopt when the dialog has no such tile.
std::optional<std::string> readTile(ads_hdlg dialog, const char* key) {
  std::vector<char> buffer(kTileBuffer);
  for (;;) {
    buffer.assign(buffer.size(), '\0');
    const int room = static_cast<int>(buffer.size());
    if (ads_get_tile(dialog, key, buffer.data(), room) != RTNORM) return std::nullopt;
    buffer.back() = '\0';
    const std::size_t length = std::strlen(buffer.data());
    if (length + 1 < buffer.size() || buffer.size() >= kTileBufferCeiling)
      return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

// Callbacks run inside the host's dialog loop: nothing may leave them as an
// exception. The dialog stays open; the user can still cancel it.
template <void (*Action)(ads_callback_packet*)>
void guarded(ads_callback_packet* packet) {
  try {
    Action(packet);
  } catch (...) {
    ads_printf("%s", "\nInternal Error. aborting\n");
  }
}

template <void (*Action)(ads_callback_packet*)>
void bind(ads_hdlg dialog, const char* key, TileBinding* binding) {
  ads_client_data_tile(dialog, key, binding);
  ads_action_tile(dialog, key, guarded<Action>);
}

// The offered names of a pick list.
std::vector<std::string> pickNames(InterfaceSettings& settings, bool linetypes) {
  if (linetypes) return settings.linetypeDefinitions();
  std::vector<std::string> names;
  for (const DefColorItem& colour : settings.colourDefinitions()) names.push_back(colour.name);
  return names;
}

void fillList(ads_hdlg dialog, const char* key, const std::vector<std::string>& items) {
  ads_start_list(dialog, key, LIST_NEW, 0);
  for (const std::string& item : items) ads_add_list(item.c_str());
  ads_end_list();
}

void saveOrComplain(InterfaceSettings& settings) {
  // A write that fails would otherwise lose the user's settings without a word.
  if (saveSettingsFile(settings) != 0) {
    alertMessage(settings, kSaveFailed, expandVariables(settings.fileName()).c_str());
  }
}

// ------------------------------------------------------------------ pick lists

void onPickOk(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  if (auto selected = readTile(packet->dialog, "vallist")) {
    const std::vector<std::string> names = pickNames(*b->settings, b->linetypes);
    const int index = textToInt(*selected);  // no selection reads as 0
    if (index >= 0 && static_cast<std::size_t>(index) < names.size()) {
      ads_set_tile(b->mainDialog, b->editKey.c_str(), names[index].c_str());
    }
  }
  ads_done_dialog(packet->dialog, DLGOK);
}

void onPick(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  int dclId = 0;
  ads_hdlg dialog = nullptr;
  if (openDialog(settings, b->linetypes ? "ltype" : "color", &dclId, &dialog) != 1) return;
  const std::string current = readTile(b->mainDialog, b->editKey.c_str()).value_or("");
  const std::vector<std::string> names = pickNames(settings, b->linetypes);
  fillList(dialog, "vallist", names);
  int found = -1;  // the last name that matches, in any case
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (equalsIgnoringCase(names[i], current)) found = static_cast<int>(i);
  }
  if (found >= 0) ads_set_tile(dialog, "vallist", intToString(found).c_str());
  TileBinding pick = *b;
  bind<onPickOk>(dialog, "accept", &pick);
  int status = 0;
  ads_start_dialog(dialog, &status);
  ads_unload_dialog(dclId);
}

// --------------------------------------------------------- named configurations

void onLoadOk(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  if (auto selected = readTile(packet->dialog, "cfglist")) {
    const int index = textToInt(*selected);  // no selection reads as 0: the first one
    if (index >= 0 && static_cast<std::size_t>(index) < b->blocks.size()) {
      const std::string& block = b->blocks[index];
      for (const NamedConfigItem& item : namedConfigItems()) {
        if (item.optional && !settings.hasItem(item.item, block)) continue;
        const std::string value = settings.getItem(item.item, block).asString();
        ads_set_tile(b->mainDialog, item.tile, value.c_str());
      }
    }
  }
  ads_done_dialog(packet->dialog, DLGOK);
}

void onLoad(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  TileBinding load;
  load.settings = &settings;
  load.mainDialog = b->mainDialog;
  load.blocks = namedConfigBlocks(settings);
  int dclId = 0;
  ads_hdlg dialog = nullptr;
  if (openDialog(settings, "load", &dclId, &dialog) != 1) return;
  std::vector<std::string> descriptions;
  for (const std::string& block : load.blocks) {
    const CSConfigItem* desc = settings.findItem("DESC", block);
    descriptions.push_back(translateText(settings, desc ? desc->value().asString() : ""));
  }
  fillList(dialog, "cfglist", descriptions);
  bind<onLoadOk>(dialog, "accept", &load);
  int status = 0;
  ads_start_dialog(dialog, &status);
  ads_unload_dialog(dclId);
}

void onSaveOk(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  if (auto name = readTile(packet->dialog, "cfgname")) {
    // A block name with "]" or a line break cannot be written as a header
    // that reads back as itself: every save would add the block once more.
    // The save dialog stays open for another name.
    if (name->find_first_of("]\r\n") != std::string::npos) {
      alertMessage(settings, kBadName, name->c_str());
      return;
    }
    const std::string block = "config_" + *name;
    settings.getItem("DESC", block).set(*name);
    for (const NamedConfigItem& item : namedConfigItems()) {
      if (auto value = readTile(b->mainDialog, item.tile)) {
        settings.getItem(item.item, block).set(*value);
      }
    }
    saveOrComplain(settings);
  }
  ads_done_dialog(packet->dialog, DLGOK);
}

void onSave(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  TileBinding save;
  save.settings = &settings;
  save.mainDialog = b->mainDialog;
  save.blocks = namedConfigBlocks(settings);
  int dclId = 0;
  ads_hdlg dialog = nullptr;
  if (openDialog(settings, "save", &dclId, &dialog) != 1) return;
  bind<onSaveOk>(dialog, "accept", &save);
  int status = 0;
  ads_start_dialog(dialog, &status);
  ads_unload_dialog(dclId);
}

// ------------------------------------------------------------------ main dialog

void onOk(ads_callback_packet* packet) {
  TileBinding* b = bindingOf(packet);
  if (!b) return;
  InterfaceSettings& settings = *b->settings;
  for (const OptionsTile& tile : optionsTiles()) {
    if (tile.item == 0) continue;
    // A tile the dialog file does not have leaves its item alone.
    auto value = readTile(packet->dialog, tile.key);
    if (!value) continue;
    // Stored as typed: names, colours and file names are not checked.
    CSConfigValue& item = settings.getItem(tile.item);
    if (item.asString() != *value) item.set(*value);
  }
  saveOrComplain(settings);
  ads_done_dialog(packet->dialog, DLGOK);
}

// The first line of the file after leading white space.
std::string firstLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  char c = 0;
  while (in.get(c) && std::isspace(static_cast<unsigned char>(c))) {
  }
  if (!in) return line;
  line += c;
  std::string rest;
  std::getline(in, rest);
  return line + rest;
}

}  // namespace

const std::vector<OptionsTile>& optionsTiles() {
  // "ltype_hatch" shows item 15, the hatch linetype: without an item its
  // picker would fill a tile whose value goes nowhere.
  static const std::vector<OptionsTile> tiles = {
      {"layer_solidheavy", Id::kLayerSolidHeavy, nullptr},
      {"layer_solidlight", Id::kLayerSolidLight, nullptr},
      {"layer_hidden", Id::kLayerHidden, nullptr},
      {"layer_center", Id::kLayerCenter, nullptr},
      {"layer_heavydashdot", Id::kLayerHeavyDashDot, nullptr},
      {"layer_hatch", Id::kLayerHatch, nullptr},
      {"layer_cosm", Id::kLayerCosm, nullptr},
      {"ltype_solidheavy", Id::kLineTypeSolidHeavy, "ltbut_solidheavy"},
      {"ltype_solidlight", Id::kLineTypeSolidLight, "ltbut_solidlight"},
      {"ltype_hidden", Id::kLineTypeHidden, "ltbut_hidden"},
      {"ltype_center", Id::kLineTypeCenter, "ltbut_center"},
      {"ltype_heavydashdot", Id::kLineTypeHeavyDashDot, "ltbut_heavydashdot"},
      {"ltype_hatch", Id::kLineTypeHatch, "ltbut_hatch"},
      {"lcolor_solidheavy", Id::kLineColorSolidHeavy, "clbut_solidheavy"},
      {"lcolor_solidlight", Id::kLineColorSolidLight, "clbut_solidlight"},
      {"lcolor_hidden", Id::kLineColorHidden, "clbut_hidden"},
      {"lcolor_center", Id::kLineColorCenter, "clbut_center"},
      {"lcolor_heavydashdot", Id::kLineColorHeavyDashDot, "clbut_heavydashdot"},
      {"lcolor_hatch", Id::kLineColorHatch, "clbut_hatch"},
      {"SATXCHGNAME", Id::kSATFileName, nullptr},
      {"SATVERSION", Id::kSATVersion, nullptr},
      {"METAXCHGNAME", Id::kMetaFileName, nullptr},
  };
  return tiles;
}

const std::vector<NamedConfigItem>& namedConfigItems() {
  // "LT_Hatch" goes with the hatch linetype tile. It is read back only where
  // a block has it, so configurations stored without it load as before and
  // leave that tile alone.
  static const std::vector<NamedConfigItem> items = {
      {"LY_SolidHeavy", "layer_solidheavy", false},
      {"LY_SolidLight", "layer_solidlight", false},
      {"LY_Hidden", "layer_hidden", false},
      {"LY_Center", "layer_center", false},
      {"LY_HeavyDashDot", "layer_heavydashdot", false},
      {"LY_Hatch", "layer_hatch", false},
      {"LY_Cosm", "layer_cosm", false},
      {"LT_SolidHeavy", "ltype_solidheavy", false},
      {"LT_SolidLight", "ltype_solidlight", false},
      {"LT_Hidden", "ltype_hidden", false},
      {"LT_Center", "ltype_center", false},
      {"LT_HeavyDashDot", "ltype_heavydashdot", false},
      {"LT_Hatch", "ltype_hatch", true},
      {"LC_SolidHeavy", "lcolor_solidheavy", false},
      {"LC_SolidLight", "lcolor_solidlight", false},
      {"LC_Hidden", "lcolor_hidden", false},
      {"LC_Center", "lcolor_center", false},
      {"LC_HeavyDashDot", "lcolor_heavydashdot", false},
      {"LC_Hatch", "lcolor_hatch", false},
  };
  return items;
}

bool languageExcluded(const std::string& firstLine, const std::string& language) {
  const std::string marker = "LANGUAGES:";
  const std::size_t at = firstLine.find(marker);
  if (at == std::string::npos) return false;
  return !listContains(language, firstLine.substr(at + marker.size()), true);
}

int openDialog(InterfaceSettings& settings, const std::string& baseName, int* dclId,
               ads_hdlg* dialog) {
  const std::string path = expandVariables("$HALDRIX_SETUP/drwlink2.dcl");
  const bool tryLanguage = !languageExcluded(firstLine(path), expandVariables("$HALDRIX_LANGUAGE"));
  int id = -1;
  if (ads_load_dialog(path.c_str(), &id) != RTNORM || id < 0) {
    alertMessage(settings, "Datei %s wurde nicht gefunden", path.c_str());
    return -1;
  }
  ads_hdlg created = nullptr;
  bool found = false;
  if (tryLanguage) {
    const std::string name =
        toLower(expandVariables("drwlink2_" + baseName + "_$HALDRIX_LANGUAGE"));
    found = ads_new_dialog(name.c_str(), id, nullptr, &created) == RTNORM && created;
  }
  if (!found) {
    const std::string name = "drwlink2_" + baseName + "_english";
    found = ads_new_dialog(name.c_str(), id, nullptr, &created) == RTNORM && created;
  }
  if (!found) {
    alertMessage(settings, "Dialog konnte nicht geladen werden");
    ads_unload_dialog(id);
    return -1;
  }
  if (dclId) *dclId = id;
  if (dialog) *dialog = created;
  return 1;
}

std::vector<std::string> namedConfigBlocks(InterfaceSettings& settings) {
  std::vector<std::string> blocks;
  for (const std::string& name : settings.blockNames()) {
    if (toLower(name.substr(0, 7)) == "config_") blocks.push_back(name);
  }
  return blocks;
}

int saveSettingsFile(InterfaceSettings& settings) {
  // Reading an item marks it as changed, and a changed item is written back
  // in the plain form "name=value". Items that still hold what the file holds
  // keep their lines as the user wrote them, comments and spacing included.
  CSConfig onDisk(settings.fileName());
  for (const auto& block : settings.blocks()) {
    for (const auto& item : block->items()) {
      const CSConfigItem* stored = onDisk.findItem(item->name(), block->name());
      if (stored && stored->value().asString() == item->value().asString()) {
        item->value().setModified(false);
      }
    }
  }
  return settings.save();
}

int runOptionsDialog(InterfaceSettings& settings) {
  int dclId = 0;
  ads_hdlg dialog = nullptr;
  if (openDialog(settings, "opt", &dclId, &dialog) != 1) return -1;
  for (const OptionsTile& tile : optionsTiles()) {
    if (tile.item != 0) {
      ads_set_tile(dialog, tile.key, settings.getItem(tile.item).asString().c_str());
    }
  }
  TileBinding main;
  main.settings = &settings;
  main.mainDialog = dialog;
  bind<onOk>(dialog, "accept", &main);
  bind<onLoad>(dialog, "load", &main);
  bind<onSave>(dialog, "save", &main);
  std::vector<std::unique_ptr<TileBinding>> pickers;
  for (const OptionsTile& tile : optionsTiles()) {
    if (!tile.picker) continue;
    auto picker = std::make_unique<TileBinding>(main);
    picker->editKey = tile.key;
    picker->linetypes = std::string(tile.picker).rfind("ltbut_", 0) == 0;
    bind<onPick>(dialog, tile.picker, picker.get());
    pickers.push_back(std::move(picker));
  }
  int status = 0;
  ads_start_dialog(dialog, &status);
  ads_unload_dialog(dclId);
  return 1;
}
