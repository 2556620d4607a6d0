#include "host.h"

#include <algorithm>

#include "codepage.h"
#include "dcl.h"
#include "plugin/ads.h"
#include "script.h"

namespace drafthost {
namespace {

Host* g_current = nullptr;

// Most open selection sets a host allows at once.
constexpr std::size_t kMaxSets = 128;

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

std::optional<std::string> StreamLines::nextLine() {
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

Host::Host(std::ostream& out) : out_(out), previous_(g_current) {
  g_current = this;
}

Host::~Host() {
  resetDialogs();
  if (g_current == this) g_current = previous_;
}

Host* Host::current() {
  return g_current;
}

void Host::attach(EntryPoint entry) {
  entry_ = entry;
  if (!entry_) return;
  entry_(ACRX_INIT_APP_MSG, &packet_);
  entry_(ACRX_LOAD_DWG_MSG, &packet_);
}

void Host::detach() {
  if (entry_) entry_(ACRX_UNLOAD_APP_MSG, &packet_);
  entry_ = nullptr;
}

void Host::run(LineSource& input) {
  LineSource* saved = input_;
  input_ = &input;
  while (auto line = input.nextLine()) commandLine(*line);
  input_ = saved;
}

std::optional<std::string> Host::nextInput() {
  if (!input_) return std::nullopt;
  while (auto line = input_->nextLine())
    if (classifyLine(*line).kind != ScriptLine::Comment) return line;
  return std::nullopt;
}

void Host::commandLine(const std::string& line) {
  ScriptLine s = classifyLine(line);
  switch (s.kind) {
    case ScriptLine::Comment:
      return;
    case ScriptLine::Escape:
      out_ << "Command: *Cancel*\n";
      return;
    case ScriptLine::Enter:
      // Enter at an idle command line does nothing here (no command repeat).
      out_ << "Command:\n";
      return;
    case ScriptLine::Text:
      break;
  }
  out_ << "Command: " << s.text << '\n';
  if (isDialogLine(s.text)) {
    out_ << "; error: no dialog is open\n";
    return;
  }
  std::string text = utf8ToCp1252(s.text);
  if (text[0] == '(') {
    std::string error;
    auto call = parseLispCall(text, &error);
    if (!call) {
      out_ << "; error: " << cp1252ToUtf8(error) << '\n';
    } else if (!invoke(call->function, call->args)) {
      out_ << "; error: no function definition: " << cp1252ToUtf8(upper(call->function)) << '\n';
    }
    return;
  }
  std::size_t blank = text.find_first_of(" \t");
  std::string name = text.substr(0, blank);
  std::string rest;
  if (blank != std::string::npos) {
    std::size_t b = text.find_first_not_of(" \t", blank);
    if (b != std::string::npos) rest = text.substr(b);
  }
  if (invoke("C:" + name, {})) return;
  if (hostCommandLine(name, rest)) return;
  out_ << "Unknown command \"" << cp1252ToUtf8(upper(name)) << "\".  Press F1 for help.\n";
}

bool Host::invoke(const std::string& name, const GroupList& args) {
  auto it = functionIndex_.find(foldCase(name));
  if (it == functionIndex_.end() || !entry_) return false;
  // A function invoked while another runs would need a second command context.
  if (activeCode_ >= 0) return false;
  activeCode_ = functions_[it->second].second;
  activeArgs_ = args;
  entry_(ACRX_INVK_SUBR_MSG, &packet_);
  activeCode_ = -1;
  activeArgs_.clear();
  return true;
}

int Host::defineFunction(const std::string& name, int code) {
  if (name.empty() || name.size() > 255 || name.find_first_of(" \t()\"'") != std::string::npos)
    return RTERROR;
  if (code < 0) return RTERROR;
  auto [it, added] = functionIndex_.emplace(foldCase(name), functions_.size());
  if (added)
    functions_.emplace_back(name, code);
  else
    functions_[it->second] = {name, code};
  return RTNORM;
}

void Host::print(const std::string& text) {
  out_ << cp1252ToUtf8(text);
}

void Host::writeTrace(const nlohmann::ordered_json& entry) {
  if (!trace) return;
  *trace << entry.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

nlohmann::ordered_json Host::groupJson(const Group& g) const {
  nlohmann::ordered_json value;
  switch (g.kind) {
    case ValueKind::String:
      value = cp1252ToUtf8(g.text);
      break;
    case ValueKind::Real:
      value = g.real;
      break;
    case ValueKind::Point:
      value = {g.point[0], g.point[1], g.point[2]};
      break;
    case ValueKind::Short:
    case ValueKind::Long:
      value = g.integer;
      break;
    case ValueKind::Name:
      if (g.code == RTPICKS || g.name[1] == kSetTag) {
        value = g.name[0];
      } else {
        EntityId id = entityOf(g.name.data());
        value = id ? nlohmann::ordered_json(drawing.entity(id)->handle())
                   : nlohmann::ordered_json(nullptr);
      }
      break;
    case ValueKind::None:
      break;
  }
  return nlohmann::ordered_json::array({g.code, value});
}

nlohmann::ordered_json Host::listJson(const GroupList& list) const {
  // Only the trace reads these records: without a trace file building them
  // would cost more than the call they describe.
  if (!trace) return nullptr;
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const Group& g : list) out.push_back(groupJson(g));
  return out;
}

Answer Host::ask(const std::string& prompt) {
  std::string shown = cp1252ToUtf8(prompt);
  out_ << shown;
  if (!shown.empty() && shown.back() != ' ' && shown.back() != '\n') out_ << ' ';
  Answer a;
  auto line = nextInput();
  if (!line) {
    a.kind = Answer::Cancel;
  } else {
    ScriptLine s = classifyLine(*line);
    a.kind = s.kind == ScriptLine::Enter    ? Answer::Enter
             : s.kind == ScriptLine::Escape ? Answer::Cancel
                                            : Answer::Text;
    a.text = s.text;
  }
  if (a.kind == Answer::Text)
    out_ << a.text << '\n';
  else if (a.kind == Answer::Enter)
    out_ << '\n';
  else
    out_ << "*Cancel*\n";
  return a;
}

int32_t Host::newSet() {
  if (sets_.size() >= kMaxSets) return 0;
  int32_t n = setSeed_++;
  sets_[n];
  return n;
}

Host::SelectionSet* Host::findSet(int32_t set) const {
  if (lastSetData_ && set == lastSet_) return lastSetData_;
  auto it = sets_.find(set);
  if (it == sets_.end()) return nullptr;
  lastSet_ = set;
  // Sets are changed only through the non-const members of a Host, and no
  // Host is const itself.
  lastSetData_ = const_cast<SelectionSet*>(&it->second);
  return lastSetData_;
}

bool Host::addToSet(int32_t set, EntityId id) {
  SelectionSet* found = findSet(set);
  if (!found || !drawing.entity(id)) return false;
  SelectionSet& s = *found;
  if (s.ascending) {
    if (s.ids.empty() || id > s.ids.back()) {
      s.ids.push_back(id);
      return true;
    }
    if (std::binary_search(s.ids.begin(), s.ids.end(), id)) return true;
    s.ascending = false;
    s.members.insert(s.ids.begin(), s.ids.end());
  }
  if (s.members.insert(id).second) s.ids.push_back(id);
  return true;
}

bool Host::freeSet(int32_t set) {
  if (set == lastSet_) lastSetData_ = nullptr;
  return sets_.erase(set) > 0;
}

const std::vector<EntityId>* Host::setMembers(int32_t set) const {
  const SelectionSet* s = findSet(set);
  return s ? &s->ids : nullptr;
}

EntityId Host::entityOf(const int32_t name[2]) const {
  if (!name || name[1] != kEntityTag || name[0] <= 0) return 0;
  auto id = static_cast<EntityId>(name[0]);
  return drawing.entity(id) ? id : 0;
}

}  // namespace drafthost
