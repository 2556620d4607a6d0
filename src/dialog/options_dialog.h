// The options dialog (command C:MOXIoptions): shows the line-style and
// exchange-file settings in the host's dialog box, lets the user pick colours
// and linetypes from lists, store and load named configurations, and writes
// the settings file on OK. runOptionsDialog is declared in plugin/operations.h.
#pragma once

#include <string>
#include <vector>

#include "plugin/ads.h"
#include "plugin/interface_settings.h"

// A tile of the main dialog, the settings item it shows (0: none) and the key
// of the picker button that fills it (null: none).
struct OptionsTile {
  const char* key;
  int item;
  const char* picker;
};

// The tiles of the main dialog, in dialog order.
const std::vector<OptionsTile>& optionsTiles();

// An item of a named configuration and the main-dialog tile it stores.
struct NamedConfigItem {
  const char* item;
  const char* tile;
  bool optional;  // read back only when the block has it
};

// The items of a named configuration ("DESC" aside).
const std::vector<NamedConfigItem>& namedConfigItems();

// Loads "$HALDRIX_SETUP/drwlink2.dcl" and creates the dialog
// "drwlink2_<baseName>_<language>" (else the "_english" one): 1, or -1 after
// an alert (the file is unloaded again when the dialog is missing).
int openDialog(InterfaceSettings& settings, const std::string& baseName, int* dclId,
               ads_hdlg* dialog);

// Whether the DCL file's first line names the languages it holds and the
// language is not among them (then only the English dialogs are tried).
bool languageExcluded(const std::string& firstLine, const std::string& language);

// Names of the named-configuration blocks ("config_" in any case), in file order.
std::vector<std::string> namedConfigBlocks(InterfaceSettings& settings);

// Saves the settings file, leaving the lines of items whose value equals the
// file's as they are: 0, or -1 when the file could not be written.
int saveSettingsFile(InterfaceSettings& settings);
