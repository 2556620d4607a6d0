// A small reader for DCL dialog files: it finds the dialog definitions
// ("name : dialog { ... }") and the tiles inside them that have a key, with
// their type, label and initial value. Layout attributes are read and ignored.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace drafthost {

struct DclTile {
  std::string key;
  std::string type;   // "edit_box", "list_box", "button", ...; empty when unknown
  std::string label;  // the label attribute, if any
  std::string value;  // the value attribute, if any
  int editLimit = 0;  // the edit_limit attribute, if any (0: none given)
  bool isList() const { return type == "list_box" || type == "popup_list"; }
  // How many characters the user can type into the tile; 0 for no limit.
  // An edit box without edit_limit takes 132, as in the real host.
  int typingLimit() const { return editLimit > 0 ? editLimit : type == "edit_box" ? 132 : 0; }
};

struct DclDialog {
  std::string name;
  std::string label;
  std::vector<DclTile> tiles;                          // in file order, one per key
  std::unordered_map<std::string, std::size_t> byKey;  // index into tiles
  // The tile with this key, or null.
  const DclTile* tile(const std::string& key) const;
};

struct DclFile {
  std::vector<DclDialog> dialogs;
  // The dialog of that exact name, or null.
  const DclDialog* dialog(const std::string& name) const;
};

// Reads the text of a DCL file; nullopt with *error set (line number and
// problem) for unbalanced braces, unterminated strings or comments, a missing
// ";" and other broken syntax. Predefined prototypes used by reference
// (ok_cancel, ok_only, ok_cancel_help, ...) add their "accept" and "cancel" tiles.
std::optional<DclFile> parseDcl(const std::string& text, std::string* error);

// Forgets every loaded DCL file and dialog of the host's dialog engine
// (host_dialogs.cpp); a host that goes away leaves none behind.
void resetDialogs();

}  // namespace drafthost
