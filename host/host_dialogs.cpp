// The host's dialog engine: DCL files read by dcl.h, dialogs made from them,
// their tiles, lists and callbacks. A started dialog takes its input from the
// command line's input: "~set KEY VALUE", "~action KEY", "~cancel" (see
// script.h); the end of the input cancels it. Every call is traced.
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "codepage.h"
#include "dcl.h"
#include "host.h"
#include "plugin/ads.h"
#include "script.h"

using drafthost::DclDialog;
using drafthost::DclFile;
using drafthost::DclTile;
using drafthost::Host;
using json = nlohmann::ordered_json;

namespace {

struct OpenTile {
  DclTile def;
  std::string value;
  std::vector<std::string> items;  // list tiles
  CLIENTFUNC action = nullptr;
  void* data = nullptr;
};

struct OpenDialog {
  int serial = 0;
  int fileId = 0;
  std::string name;
  std::string label;
  std::vector<OpenTile> tiles;
  std::unordered_map<std::string, std::size_t> byKey;
  CLIENTFUNC defaultAction = nullptr;
  bool started = false;
  bool done = false;
  int status = DLGCANCEL;

  OpenTile* tile(const char* key) {
    if (!key) return nullptr;
    auto it = byKey.find(key);
    return it == byKey.end() ? nullptr : &tiles[it->second];
  }
};

struct Engine {
  std::map<int, DclFile> files;
  int nextFile = 1;
  std::map<const void*, std::unique_ptr<OpenDialog>> dialogs;
  int nextSerial = 1;
  // The list being filled between ads_start_list and ads_end_list.
  OpenDialog* listDialog = nullptr;
  std::string listKey;
  short listOperation = 0;
  long listIndex = 0;
};

Engine& engine() {
  static Engine e;
  return e;
}

std::string text(const char* s) {
  return s ? std::string(s) : std::string();
}

std::string utf8(const std::string& cp1252) {
  return drafthost::cp1252ToUtf8(cp1252);
}

json call(const char* fn) {
  return json{{"fn", fn}};
}

int finish(Host* h, json& entry, int rc) {
  entry["rc"] = rc;
  h->writeTrace(entry);
  return rc;
}

OpenDialog* find(ads_hdlg handle) {
  auto& dialogs = engine().dialogs;
  auto it = dialogs.find(handle);
  return it == dialogs.end() ? nullptr : it->second.get();
}

json dialogJson(OpenDialog* d) {
  return d ? json(d->serial) : json(nullptr);
}

// The open dialog as text, for a person at a terminal.
void show(Host* h, OpenDialog* d) {
  std::string s = "\n=== " + d->label + " (" + d->name + ") ===\n";
  for (const OpenTile& t : d->tiles) {
    s += "  " + t.def.key + " [" + t.def.type + "]";
    if (!t.def.label.empty()) s += " \"" + t.def.label + "\"";
    if (t.def.isList()) {
      s += " selected: " + (t.value.empty() ? std::string("none") : t.value) + "\n";
      for (std::size_t i = 0; i < t.items.size(); ++i)
        s += "      " + std::to_string(i) + ": " + t.items[i] + "\n";
    } else if (t.def.type == "button" || t.def.type == "errtile") {
      s += "\n";
    } else {
      s += " = " + t.value + "\n";
    }
  }
  s += "~set KEY VALUE | ~action KEY | ~cancel > ";
  h->print(s);
}

// The user clicks the tile: its action, else the dialog's default action,
// else OK and Cancel close the dialog.
void click(OpenDialog* d, OpenTile* t) {
  CLIENTFUNC action = t->action ? t->action : d->defaultAction;
  if (!action) {
    if (t->def.key == "accept" || t->def.key == "cancel") {
      d->done = true;
      d->status = t->def.key == "accept" ? DLGOK : DLGCANCEL;
    }
    return;
  }
  std::string key = t->def.key;
  std::string value = t->value;
  ads_callback_packet packet{};
  packet.dialog = d;
  packet.tile = key.data();
  packet.value = value.data();
  packet.client_data = t->data;
  packet.reason = CBR_SELECT;
  action(&packet);
}

// One dialog input line; complains about lines it cannot use.
void dialogInput(Host* h, OpenDialog* d, const std::string& line) {
  std::string error;
  auto in = drafthost::parseDialogLine(line, &error);
  if (!in) {
    h->complain("; dialog: " + error);
    return;
  }
  if (in->kind == drafthost::DialogInput::Cancel) {
    d->done = true;
    d->status = DLGCANCEL;
    return;
  }
  OpenTile* t = d->tile(drafthost::utf8ToCp1252(in->key).c_str());
  if (!t) {
    h->complain("; dialog: no tile " + in->key);
    return;
  }
  if (in->kind == drafthost::DialogInput::Action) {
    click(d, t);
    return;
  }
  std::string value = drafthost::utf8ToCp1252(in->value);
  if (t->def.isList()) {
    long long index = 0;
    if (!value.empty() && (!drafthost::parseInteger(value, &index) || index < 0 ||
                           index >= static_cast<long long>(t->items.size()))) {
      h->complain("; dialog: " + in->key + " takes an index from 0 to " +
                  std::to_string(static_cast<long long>(t->items.size()) - 1));
      return;
    }
  }
  // Typing stops at the edit box's limit; a value the program puts into the
  // tile (ads_set_tile) is not limited.
  const std::size_t limit = static_cast<std::size_t>(t->def.typingLimit());
  if (limit > 0 && value.size() > limit) {
    h->complain("; dialog: " + in->key + " takes at most " + std::to_string(limit) +
                " characters; the rest is not typed");
    value.resize(limit);
  }
  t->value = value;
}

}  // namespace

void drafthost::resetDialogs() {
  engine() = Engine{};
}

extern "C" {

int ads_load_dialog(const char* file, int* dclId) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_load_dialog");
  e["file"] = utf8(text(file));
  if (dclId) *dclId = -1;
  std::ifstream in(text(file), std::ios::binary);
  std::stringstream content;
  if (in) content << in.rdbuf();
  std::string error;
  std::optional<DclFile> parsed;
  if (!file || !in || in.bad()) {
    error = "cannot read the file";
  } else {
    parsed = drafthost::parseDcl(content.str(), &error);
  }
  if (!parsed) {
    e["error"] = error;
    return finish(h, e, RTERROR);
  }
  Engine& en = engine();
  int id = en.nextFile++;
  en.files.emplace(id, std::move(*parsed));
  if (dclId) *dclId = id;
  e["id"] = id;
  return finish(h, e, RTNORM);
}

int ads_unload_dialog(int dclId) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_unload_dialog");
  e["id"] = dclId;
  Engine& en = engine();
  if (en.files.erase(dclId) == 0) return finish(h, e, RTERROR);
  // Dialogs made from the file but never started go with it; running ones
  // keep their own copy of the tiles until they close.
  for (auto it = en.dialogs.begin(); it != en.dialogs.end();) {
    if (it->second->fileId == dclId && !it->second->started) {
      if (en.listDialog == it->second.get()) en.listDialog = nullptr;
      it = en.dialogs.erase(it);
    } else {
      ++it;
    }
  }
  return finish(h, e, RTNORM);
}

int ads_new_dialog(const char* name, int dclId, CLIENTFUNC defaultCallback, ads_hdlg* dialog) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_new_dialog");
  e["name"] = utf8(text(name));
  e["id"] = dclId;
  if (dialog) *dialog = nullptr;
  Engine& en = engine();
  auto file = en.files.find(dclId);
  const DclDialog* def = file == en.files.end() ? nullptr : file->second.dialog(text(name));
  if (!def || !dialog) {
    e["dialog"] = nullptr;
    return finish(h, e, RTERROR);
  }
  auto d = std::make_unique<OpenDialog>();
  d->serial = en.nextSerial++;
  d->fileId = dclId;
  d->name = def->name;
  d->label = def->label;
  d->defaultAction = defaultCallback;
  for (const DclTile& t : def->tiles) {
    d->byKey.emplace(t.key, d->tiles.size());
    d->tiles.push_back(OpenTile{t, t.value, {}, nullptr, nullptr});
  }
  *dialog = d.get();
  e["dialog"] = d->serial;
  en.dialogs.emplace(d.get(), std::move(d));
  return finish(h, e, RTNORM);
}

int ads_start_dialog(ads_hdlg dialog, int* status) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_start_dialog");
  e["dialog"] = dialogJson(d);
  if (!d || d->started) return finish(h, e, RTERROR);
  d->started = true;
  while (!d->done) {
    if (h->interactive) show(h, d);
    auto line = h->nextInputLine();
    if (!line) {  // the input has ended: nobody is there to press OK
      d->status = DLGCANCEL;
      break;
    }
    if (drafthost::classifyLine(*line).kind == drafthost::ScriptLine::Enter) continue;
    h->print("[" + d->name + "] " + drafthost::utf8ToCp1252(*line) + "\n");
    if (!drafthost::isDialogLine(*line)) {
      h->complain("; dialog: a dialog is open; use ~set KEY VALUE, ~action KEY or ~cancel");
      continue;
    }
    dialogInput(h, d, *line);
  }
  int result = d->status;
  if (status) *status = result;
  Engine& en = engine();
  if (en.listDialog == d) en.listDialog = nullptr;
  en.dialogs.erase(dialog);
  e["status"] = result;
  return finish(h, e, RTNORM);
}

int ads_done_dialog(ads_hdlg dialog, int status) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_done_dialog");
  e["dialog"] = dialogJson(d);
  e["status"] = status;
  if (!d) return finish(h, e, RTERROR);
  d->done = true;
  d->status = status;
  return finish(h, e, RTNORM);
}

int ads_set_tile(ads_hdlg dialog, const char* key, const char* value) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_set_tile");
  e["dialog"] = dialogJson(d);
  e["key"] = utf8(text(key));
  e["value"] = utf8(text(value));
  OpenTile* t = d ? d->tile(key) : nullptr;
  if (!t) return finish(h, e, RTERROR);
  t->value = text(value);
  return finish(h, e, RTNORM);
}

int ads_get_tile(ads_hdlg dialog, const char* key, char* value, int maxLength) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_get_tile");
  e["dialog"] = dialogJson(d);
  e["key"] = utf8(text(key));
  OpenTile* t = d ? d->tile(key) : nullptr;
  if (!t || !value || maxLength < 1) return finish(h, e, RTERROR);
  std::string v = t->value.substr(0, static_cast<std::size_t>(maxLength) - 1);
  v.copy(value, v.size());
  value[v.size()] = '\0';
  e["value"] = utf8(v);
  return finish(h, e, RTNORM);
}

int ads_action_tile(ads_hdlg dialog, const char* key, CLIENTFUNC callback) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_action_tile");
  e["dialog"] = dialogJson(d);
  e["key"] = utf8(text(key));
  OpenTile* t = d ? d->tile(key) : nullptr;
  if (!t) return finish(h, e, RTERROR);
  t->action = callback;
  return finish(h, e, RTNORM);
}

int ads_client_data_tile(ads_hdlg dialog, const char* key, void* data) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_client_data_tile");
  e["dialog"] = dialogJson(d);
  e["key"] = utf8(text(key));
  OpenTile* t = d ? d->tile(key) : nullptr;
  if (!t) return finish(h, e, RTERROR);
  t->data = data;
  return finish(h, e, RTNORM);
}

int ads_start_list(ads_hdlg dialog, const char* key, short operation, short index) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  OpenDialog* d = find(dialog);
  json e = call("ads_start_list");
  e["dialog"] = dialogJson(d);
  e["key"] = utf8(text(key));
  e["operation"] = operation;
  e["index"] = index;
  OpenTile* t = d ? d->tile(key) : nullptr;
  Engine& en = engine();
  bool known = operation == LIST_NEW || operation == LIST_APPEND || operation == LIST_CHANGE;
  if (!t || !t->def.isList() || !known || en.listDialog) return finish(h, e, RTERROR);
  if (operation == LIST_NEW) {
    t->items.clear();
    t->value.clear();
  }
  en.listDialog = d;
  en.listKey = t->def.key;
  en.listOperation = operation;
  en.listIndex = index;
  return finish(h, e, RTNORM);
}

int ads_add_list(const char* item) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_add_list");
  e["text"] = utf8(text(item));
  Engine& en = engine();
  OpenTile* t = en.listDialog ? en.listDialog->tile(en.listKey.c_str()) : nullptr;
  if (!t) return finish(h, e, RTERROR);
  if (en.listOperation == LIST_CHANGE) {
    if (en.listIndex < 0 || en.listIndex >= static_cast<long>(t->items.size()))
      return finish(h, e, RTERROR);
    t->items[static_cast<std::size_t>(en.listIndex++)] = text(item);
  } else {
    t->items.push_back(text(item));
  }
  return finish(h, e, RTNORM);
}

int ads_end_list(void) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_end_list");
  Engine& en = engine();
  bool open = en.listDialog != nullptr;
  en.listDialog = nullptr;
  return finish(h, e, open ? RTNORM : RTERROR);
}

}  // extern "C"
