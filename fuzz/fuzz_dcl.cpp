// Arbitrary bytes as a DCL file, optionally followed by a zero byte and
// dialog script lines: the file is read; when it loads, every dialog in it is
// created, its tiles are filled, and the first one is started and driven by
// the lines (a button callback opens the second dialog inside it).
#include <cstdint>
#include <cstdio>
#include <deque>
#include <sstream>
#include <string>

#include "dcl.h"
#include "fuzz/scratch_file.h"
#include "host.h"
#include "plugin/ads.h"
#include "script.h"

namespace {

class QueueLines : public drafthost::LineSource {
 public:
  std::optional<std::string> nextLine() override {
    if (lines.empty()) return std::nullopt;
    std::string l = lines.front();
    lines.pop_front();
    return l;
  }
  std::deque<std::string> lines;
};

ads_hdlg g_inner = nullptr;

void openInner(ads_callback_packet* packet) {
  char buffer[100];
  ads_get_tile(packet->dialog, packet->tile, buffer, sizeof buffer);
  if (g_inner) {
    ads_hdlg inner = g_inner;
    g_inner = nullptr;
    int status = 0;
    ads_start_dialog(inner, &status);
  }
  ads_done_dialog(packet->dialog, 1);
}

const std::string& scratchFile() { return fuzzscratch::file("fuzz_dcl", "dialogs.dcl"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string dcl = input.substr(0, split);
  std::string script = split == std::string::npos ? std::string() : input.substr(split + 1);

  std::string error;
  auto parsed = drafthost::parseDcl(dcl, &error);

  fuzzscratch::write(scratchFile(), reinterpret_cast<const uint8_t*>(dcl.data()), dcl.size());
  std::ostringstream out;
  drafthost::Host host(out);
  QueueLines lines;
  std::istringstream in(script);
  for (std::string l; std::getline(in, l) && lines.lines.size() < 200;) lines.lines.push_back(l);
  host.setInput(&lines);

  int id = -1;
  if (ads_load_dialog(scratchFile().c_str(), &id) != RTNORM) return 0;
  std::vector<ads_hdlg> dialogs;
  for (std::size_t i = 0; parsed && i < parsed->dialogs.size() && i < 2; ++i) {
    const drafthost::DclDialog& d = parsed->dialogs[i];
    ads_hdlg h = nullptr;
    if (ads_new_dialog(d.name.c_str(), id, nullptr, &h) != RTNORM) continue;
    for (const drafthost::DclTile& t : d.tiles) {
      ads_set_tile(h, t.key.c_str(), t.label.c_str());
      if (t.isList() && ads_start_list(h, t.key.c_str(), LIST_NEW, 0) == RTNORM) {
        ads_add_list(t.key.c_str());
        ads_add_list(t.value.c_str());
        ads_end_list();
      }
      if (t.type == "button") ads_action_tile(h, t.key.c_str(), openInner);
    }
    dialogs.push_back(h);
  }
  if (dialogs.size() > 1 && dialogs[1] != dialogs[0]) g_inner = dialogs[1];
  if (!dialogs.empty() && dialogs[0]) {
    int status = 0;
    ads_start_dialog(dialogs[0], &status);
  }
  g_inner = nullptr;
  ads_unload_dialog(id);
  return 0;
}
