// Arbitrary bytes as a configuration file. Checks, besides not crashing:
// an untouched save keeps every non-empty line in order (byte for byte unless
// it is an item line the write-back normalises), saving is a fixpoint, and
// values set before a save read back after loading the saved text.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The file's lines as read (split at line feeds, trailing carriage returns
// removed); `raw` keeps the carriage returns.
std::vector<std::string> nonEmptyLines(const std::string& text, std::vector<std::string>* raw) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    std::string stripped = line;
    while (!stripped.empty() && stripped.back() == '\r') stripped.pop_back();
    if (!stripped.empty()) {
      lines.push_back(stripped);
      if (raw) raw->push_back(line);
    }
    start = end + 1;
  }
  return lines;
}

std::string saved(CSConfig& config) {
  std::ostringstream out;
  config.setOutputStream(&out);
  check(config.save() == 0);
  return out.str();
}

// What reading the saved value gives back: line feeds are written as blanks,
// a value ending in carriage returns and blanks is written without that end,
// and reading strips outer blanks.
std::string reread(const std::string& value) {
  std::string v = value;
  for (char& c : v) c = c == '\n' ? ' ' : c;
  const std::size_t last = v.find_last_not_of(" \t\r");
  if (v.find('\r', last == std::string::npos ? 0 : last + 1) != std::string::npos)
    v.erase(last == std::string::npos ? 0 : last + 1);
  const std::size_t b = v.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  const std::size_t e = v.find_last_not_of(" \t");
  return v.substr(b, e - b + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const bool ignoreCase = size == 0 || (data[0] & 1) == 0;

  // 1. Untouched round trip.
  std::istringstream in(input);
  CSConfig config(&in, nullptr, ignoreCase);
  const std::string first = saved(config);
  std::vector<std::string> rawIn, rawOut;
  const std::vector<std::string> before = nonEmptyLines(input, &rawIn);
  const std::vector<std::string> after = nonEmptyLines(first, &rawOut);
  check(before.size() == after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    check(rawIn[i] == rawOut[i] ||
          (before[i].find('=') != std::string::npos && after[i].find('=') != std::string::npos));
  }

  // 2. Saving again, and loading and saving the result, changes nothing.
  check(saved(config) == first);
  {
    std::istringstream again(first);
    CSConfig second(&again, nullptr, ignoreCase);
    check(saved(second) == first);
  }

  // 3. Edits survive a save and a load.
  const std::vector<std::string> blocks = config.blockNames();
  const std::string block = blocks.empty() ? std::string("F") : blocks.front();
  const std::vector<std::string> items = config.itemNames(block);
  const std::string value = input.substr(0, 40);
  config.getItem("fz", block, "dflt").set(value);
  config.getItem("new", "Fresh Block", "n1");
  config.defineItem(7, "id7", "Ids", "seven");
  config.addToRecentList("r", "Recent", value, 3);
  std::vector<std::string> numbered;
  config.numberedValues("r", "Recent", 3, numbered);
  config.valuesOfIds(0, 8);
  const bool editItem =
      !items.empty() && items.front() != "fz" && !items.front().empty() && items.front()[0] != '[';
  if (editItem) config.getItem(items.front(), block).set("x y");
  config.addBlock("Added", block);
  if (blocks.size() > 1 && size > 1 && (data[1] & 1)) config.removeBlock(blocks[1]);
  if (blocks.size() > 2 && size > 1 && (data[1] & 2)) config.renameBlock(blocks[2], "Renamed");
  for (bool more = config.firstBlock(); more; more = config.nextBlock()) {
    for (bool item = config.firstItem(); item; item = config.nextItem()) {
    }
  }
  // Every touched item that still exists reads back with its value.
  struct Tracked {
    std::string item, block, value;
  };
  std::vector<Tracked> tracked;
  const std::string names[][2] = {{"fz", block},    {"new", "Fresh Block"}, {"id7", "Ids"},
                                  {"r1", "Recent"}, {"r2", "Recent"},       {"r3", "Recent"}};
  for (const auto& n : names) {
    if (const CSConfigItem* item = config.findItem(n[0], n[1])) {
      tracked.push_back({n[0], n[1], item->value().asString()});
    }
  }
  if (editItem) {
    if (const CSConfigItem* item = config.findItem(items.front(), block)) {
      tracked.push_back({items.front(), block, item->value().asString()});
    }
  }
  check(config.findItem("fz", block) != nullptr);
  const std::string edited = saved(config);

  std::istringstream back(edited);
  CSConfig reloaded(&back, nullptr, ignoreCase);
  for (const Tracked& t : tracked) {
    const CSConfigItem* item = reloaded.findItem(t.item, t.block);
    check(item != nullptr);
    check(item->value().asString() == reread(t.value));
  }
  // Values we wrote with outer blanks come back stripped, so the first
  // resave may normalise lines; from then on saving is a fixpoint.
  const std::string normalised = saved(reloaded);
  std::istringstream third(normalised);
  CSConfig again(&third, nullptr, ignoreCase);
  check(saved(again) == normalised);
  return 0;
}
