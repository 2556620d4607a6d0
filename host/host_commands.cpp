// Host commands: those the plug-in runs through ads_command and those typed at
// the command line of a script.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "codepage.h"
#include "host.h"
#include "plugin/ads.h"
#include "script.h"

namespace drafthost {
namespace {

std::string lower(std::string s) {
  return foldCase(s);
}

// Option keyword without its "_" (international) and "." (built-in) prefixes.
std::string keyword(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == '_' || text[i] == '.' || text[i] == '\'')) ++i;
  return lower(text.substr(i));
}

// The argument as text, as a host reads any typed answer.
std::optional<std::string> textOf(const Group& g) {
  char buf[96];
  switch (g.kind) {
    case ValueKind::String:
      return g.text;
    case ValueKind::Short:
    case ValueKind::Long:
      return std::to_string(g.integer);
    case ValueKind::Real:
      std::snprintf(buf, sizeof buf, "%.16g", g.real);
      return std::string(buf);
    case ValueKind::Point:
      std::snprintf(buf, sizeof buf, "%.16g,%.16g,%.16g", g.point[0], g.point[1], g.point[2]);
      return std::string(buf);
    default:
      return std::nullopt;
  }
}

std::vector<std::string> splitNames(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.push_back(item);
  return out;
}

std::string echoText(const GroupList& args) {
  std::string line;
  for (const Group& g : args) {
    if (!line.empty()) line += ' ';
    if (g.code == RTPICKS)
      line += "<selection set>";
    else if (g.code == RTENAME)
      line += "<entity>";
    else
      line += textOf(g).value_or("");
  }
  return line;
}

// Reads a regular file of sensible size (not a device or a pipe that never ends).
bool readFile(const std::string& path, std::string* text) {
  constexpr std::uintmax_t kMaxSize = 256u << 20;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) ||
      std::filesystem::file_size(path, ec) > kMaxSize)
    return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *text = s.str();
  return true;
}

}  // namespace

namespace {

std::string& installationSupport() {
  static std::string directory;
  return directory;
}

}  // namespace

void setInstallationSupport(const std::string& directory) {
  installationSupport() = directory;
}

std::optional<std::string> findSupportFile(const std::string& name) {
  namespace fs = std::filesystem;
  if (name.empty()) return std::nullopt;
  std::error_code ec;
  auto isFile = [&](const fs::path& p) { return fs::is_regular_file(p, ec); };
  fs::path p(name);
  if (isFile(p)) return p.string();
  if (p.is_absolute()) return std::nullopt;
  if (const char* support = std::getenv("DRAFTHOST_SUPPORT")) {
    std::stringstream dirs(support);
    std::string dir;
    // The system's list separator: ";" on Windows, where ":" follows drive letters.
#ifdef _WIN32
    const char separator = ';';
#else
    const char separator = ':';
#endif
    while (std::getline(dirs, dir, separator)) {
      if (dir.empty()) continue;
      fs::path candidate = fs::path(dir) / p;
      if (isFile(candidate)) return candidate.string();
    }
  }
  if (!installationSupport().empty()) {
    fs::path candidate = fs::path(installationSupport()) / p;
    if (isFile(candidate)) return candidate.string();
  }
  return std::nullopt;
}

bool loadLinetypeFile(Drawing& dwg, const std::string& path, const std::string& names,
                      std::string* error) {
  std::string text;
  if (!readFile(path, &text)) {
    if (error) *error = "Cannot open file \"" + path + "\".";
    return false;
  }
  // "*NAME,description" followed by its pattern line "A,dash,gap,...".
  std::vector<LinetypeRecord> found;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.compare(0, 2, ";;") == 0) continue;
    if (line[0] == '*') {
      LinetypeRecord lt;
      std::size_t comma = line.find(',');
      lt.name = line.substr(1, comma == std::string::npos ? std::string::npos : comma - 1);
      while (!lt.name.empty() && lt.name.back() == ' ') lt.name.pop_back();
      if (comma != std::string::npos) lt.description = line.substr(comma + 1);
      if (validSymbolName(lt.name)) found.push_back(lt);
    } else if (!found.empty() && found.back().pattern.empty() &&
               (line[0] == 'A' || line[0] == 'a')) {
      for (const std::string& item : splitNames(line.substr(1))) {
        char* end = nullptr;
        double v = std::strtod(item.c_str(), &end);
        // Shape and text elements ("[...]") carry no dash length of their own.
        if (end != item.c_str()) found.back().pattern.push_back(v);
      }
    }
  }
  std::vector<std::string> wanted = splitNames(names);
  bool all = names == "*";
  bool ok = !wanted.empty();
  for (const std::string& name : all ? std::vector<std::string>{} : wanted) {
    bool hit = false;
    for (const LinetypeRecord& lt : found) hit = hit || foldCase(lt.name) == foldCase(name);
    if (!hit) {
      if (error) *error = "Linetype " + name + " not found in file " + path + ".";
      ok = false;
    }
  }
  for (LinetypeRecord lt : found) {
    bool want = all;
    for (const std::string& name : wanted) want = want || foldCase(lt.name) == foldCase(name);
    if (!want || dwg.linetypes().find(lt.name)) continue;
    lt.handle = dwg.newHandle();
    dwg.linetypes().add(lt);
  }
  return ok;
}

int countSatBodies(const std::string& text) {
  // Three header lines: version numbers, product, units; then records ending in '#'.
  std::istringstream in(text);
  std::string header;
  if (!std::getline(in, header)) return -1;
  long long version = 0;
  std::istringstream first(header);
  std::string token;
  if (!(first >> token) || !parseInteger(token, &version) || version <= 0) return -1;
  std::string skip;
  for (int i = 0; i < 2; ++i)
    if (!std::getline(in, skip)) return 0;
  int bodies = 0;
  std::string record;
  while (std::getline(in, record, '#')) {
    std::istringstream words(record);
    std::string type;
    if (!(words >> type)) continue;
    if (type[0] == '-' && !(words >> type)) continue;  // record index
    if (type.rfind("End-of-ACIS-data", 0) == 0) break;
    if (type == "body") ++bodies;
  }
  return bodies;
}

int Host::setVariable(const std::string& name, const Group* value) {
  std::string var = keyword(name);
  if (var != "cmdecho" && var != "measurement") {
    out_ << "Unknown variable name.\n";
    return RTERROR;
  }
  long long v = -1;
  if (value && (value->kind == ValueKind::Short || value->kind == ValueKind::Long))
    v = value->integer;
  else if (value && value->kind == ValueKind::String && !parseInteger(value->text, &v))
    v = -1;
  if (v != 0 && v != 1) {
    out_ << "Requires an integer between 0 and 1.\n";
    return RTERROR;
  }
  (var == "cmdecho" ? cmdecho : measurement) = static_cast<int>(v);
  return RTNORM;
}

int Host::runCommand(const GroupList& args) {
  if (args.empty()) return RTNORM;
  if (args[0].kind != ValueKind::String) {
    out_ << "Invalid command name.\n";
    return RTERROR;
  }
  if (cmdecho) out_ << "Command: " << cp1252ToUtf8(echoText(args)) << '\n';
  std::string name = keyword(args[0].text);
  if (name == "cmdecho" || name == "measurement")
    return setVariable(name, args.size() > 1 ? &args[1] : nullptr);
  if (name == "layer") return layerCommand(args, 1);
  if (name == "linetype") return linetypeCommand(args, 1);
  if (name == "block") return blockCommand(args, 1);
  if (name == "acisin") return acisinCommand(args, 1);
  out_ << "Unknown command \"" << cp1252ToUtf8(args[0].text) << "\".  Press F1 for help.\n";
  return RTERROR;
}

int Host::layerCommand(const GroupList& args, std::size_t i) {
  bool ok = true;
  auto next = [&]() -> std::optional<std::string> {
    return i < args.size() ? textOf(args[i++]) : std::nullopt;
  };
  while (i < args.size()) {
    auto option = next();
    if (!option) return RTERROR;
    std::string key = keyword(*option);
    if (option->empty()) return ok ? RTNORM : RTERROR;
    if (key == "new" || key == "make") {
      auto names = next();
      if (!names) return RTERROR;
      for (const std::string& n : splitNames(*names))
        if (!drawing.layers().find(n) && !drawing.addLayer(n)) {
          out_ << "Invalid layer name.\n";
          ok = false;
        }
    } else if (key == "ltype" || key == "color") {
      auto value = next();
      auto names = next();
      if (!value || !names) return RTERROR;
      long long colour = 0;
      const LinetypeRecord* lt = nullptr;
      if (key == "ltype") {
        lt = drawing.linetypes().find(*value);
        if (!lt) {
          out_ << "Linetype \"" << cp1252ToUtf8(*value) << "\" not found.\n";
          ok = false;
          continue;
        }
      } else if (!parseInteger(*value, &colour) || colour < 1 || colour > 255) {
        out_ << "Invalid color.\n";
        ok = false;
        continue;
      }
      for (const std::string& n : splitNames(*names)) {
        LayerRecord* layer = drawing.layers().find(n);
        if (!layer) {
          out_ << "Layer \"" << cp1252ToUtf8(n) << "\" not found.\n";
          ok = false;
        } else if (lt) {
          layer->linetype = lt->name;
        } else {
          layer->color = static_cast<int>(colour);
        }
      }
    } else {
      out_ << "Invalid option keyword.\n";
      return RTERROR;
    }
  }
  return ok ? RTNORM : RTERROR;
}

int Host::linetypeCommand(const GroupList& args, std::size_t i) {
  bool ok = true;
  while (i < args.size()) {
    auto option = textOf(args[i++]);
    if (!option) return RTERROR;
    if (option->empty()) return ok ? RTNORM : RTERROR;
    if (keyword(*option) != "load") {
      out_ << "Invalid option keyword.\n";
      return RTERROR;
    }
    if (i + 1 >= args.size()) return RTERROR;
    auto names = textOf(args[i++]);
    auto file = textOf(args[i++]);
    if (!names || !file) return RTERROR;
    auto path = findSupportFile(*file);
    if (!path && std::filesystem::path(*file).extension().empty())
      path = findSupportFile(*file + ".lin");
    if (!path) {
      out_ << "Cannot find file \"" << cp1252ToUtf8(*file) << "\".\n";
      ok = false;
      continue;
    }
    std::string error;
    if (!loadLinetypeFile(drawing, *path, *names, &error)) {
      out_ << cp1252ToUtf8(error) << '\n';
      ok = false;
    }
  }
  return ok ? RTNORM : RTERROR;
}

int Host::blockCommand(const GroupList& args, std::size_t i) {
  if (i + 1 >= args.size() || args[i].kind != ValueKind::String) {
    out_ << "Incomplete BLOCK command.\n";
    return RTERROR;
  }
  std::string name = args[i++].text;
  Point base{};
  const Group& b = args[i++];
  if (b.kind == ValueKind::Point)
    base = b.point;
  else if (b.kind != ValueKind::String || !parsePoint(b.text, &base)) {
    out_ << "Invalid point.\n";
    return RTERROR;
  }
  std::vector<EntityId> ids;
  bool ended = false;
  while (i < args.size() && !ended) {
    const Group& g = args[i++];
    if (g.kind == ValueKind::String && g.text.empty()) {
      ended = true;
    } else if (g.kind == ValueKind::Name && g.name[1] == kSetTag) {
      if (const auto* members = setMembers(g.name[0]))
        ids.insert(ids.end(), members->begin(), members->end());
    } else if (g.kind == ValueKind::Name) {
      if (EntityId id = entityOf(g.name.data())) ids.push_back(id);
    } else {
      out_ << "Invalid selection.\n";
      return RTERROR;
    }
  }
  if (!ended) {
    out_ << "Incomplete BLOCK command.\n";
    return RTERROR;
  }
  if (drawing.blocks().find(name)) {
    out_ << "Block \"" << cp1252ToUtf8(name) << "\" already exists.\n";
    return RTERROR;
  }
  if (!validSymbolName(name)) {
    out_ << "Invalid block name.\n";
    return RTERROR;
  }
  // An empty selection still defines the (empty) block, so an INSERT of it works.
  drawing.defineBlock(name, base, ids);
  return RTNORM;
}

int Host::acisinCommand(const GroupList& args, std::size_t i) {
  if (i >= args.size() || args[i].kind != ValueKind::String) {
    out_ << "Incomplete ACISIN command.\n";
    return RTERROR;
  }
  std::string name = args[i].text;
  std::string text;
  if (!readFile(name, &text)) {
    out_ << "Cannot open file \"" << cp1252ToUtf8(name) << "\".\n";
    return RTERROR;
  }
  int bodies = countSatBodies(text);
  if (bodies < 0) {
    out_ << "Invalid ACIS file.\n";
    return RTERROR;
  }
  // Every solid keeps its own copy of the text, so a big file of many bodies
  // would multiply; past 256 MiB of solid text in all the file is refused.
  constexpr std::uintmax_t kMaxSolidText = 256u << 20;
  if (static_cast<std::uintmax_t>(bodies) * text.size() > kMaxSolidText) {
    out_ << "ACIS file too large: " << bodies << " bodies of " << text.size()
         << " bytes each exceed " << (kMaxSolidText >> 20) << " MiB.\n";
    return RTERROR;
  }
  // Each body becomes one solid carrying the file's text, a line per group 1
  // (longer lines continue in group 3 pieces of at most 255 characters).
  GroupList sat;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    sat.push_back(Group::str(1, line.substr(0, 255)));
    for (std::size_t p = 255; p < line.size(); p += 255)
      sat.push_back(Group::str(3, line.substr(p, 255)));
  }
  for (int b = 0; b < bodies; ++b) {
    GroupList groups{Group::str(100, "AcDbEntity"), Group::str(100, "AcDbModelerGeometry"),
                     Group::integral(70, 1)};
    groups.insert(groups.end(), sat.begin(), sat.end());
    drawing.addEntity("3DSOLID", std::move(groups));
  }
  return RTNORM;
}

bool Host::hostCommandLine(const std::string& name, const std::string& rest) {
  std::string key = keyword(name);
  std::vector<std::string> words;
  {
    std::istringstream in(rest);
    std::string w;
    while (in >> w) words.push_back(w);
  }
  if (key == "line") {
    Point a{}, b{};
    if (words.size() != 2 || !parsePoint(words[0], &a) || !parsePoint(words[1], &b)) {
      out_ << "Invalid point.\n";
      return true;
    }
    std::string error;
    if (!drawing.entmake({Group::str(0, "LINE"), Group::pt(10, a), Group::pt(11, b)}, &error))
      out_ << error << '\n';
    return true;
  }
  if (key == "setvar") {
    if (words.size() != 2) {
      out_ << "Requires a variable name and a value.\n";
      return true;
    }
    Group value = Group::str(RTSTR, words[1]);
    setVariable(words[0], &value);
    return true;
  }
  if (key == "cmdecho" || key == "measurement") {
    Group value = Group::str(RTSTR, words.empty() ? "" : words[0]);
    setVariable(key, &value);
    return true;
  }
  if (key == "layer") {
    if (rest.empty() || drawing.layers().find(rest)) {
      if (!rest.empty()) out_ << "Layer \"" << cp1252ToUtf8(rest) << "\" already exists.\n";
      return true;
    }
    if (!drawing.addLayer(rest)) out_ << "Invalid layer name.\n";
    return true;
  }
  return false;
}

}  // namespace drafthost
