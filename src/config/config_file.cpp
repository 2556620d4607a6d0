#include "config/config_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>

#include "config/environment.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t npos = std::string::npos;

enum class LineKind { Comment, Header, Item };

struct LineParts {
  LineKind kind = LineKind::Comment;
  std::string_view name;
  std::string_view value;
};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view stripBlanks(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view stripTrailingBlanks(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

// Case folding as tolower does in the "C" locale, so the order of the sorted
// lists cannot change when the host switches locales.
char foldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = foldChar(c);
  return out;
}

// Header: first non-blank is "[" and a "]" follows. Comment: starts with one
// of ";*!#" or holds no "=". Item: anything else.
LineParts classifyLine(std::string_view s) {
  LineParts parts;
  const std::size_t first = s.find_first_not_of(" \t");
  if (first != npos && s[first] == '[') {
    const std::size_t close = s.find(']');
    if (close != npos) {
      parts.kind = LineKind::Header;
      parts.name = stripBlanks(s.substr(first + 1, close - first - 1));
      return parts;
    }
  }
  if (s.empty() || s[0] == ';' || s[0] == '*' || s[0] == '!' || s[0] == '#') return parts;
  const std::size_t eq = s.find('=');
  if (eq == npos) return parts;
  parts.kind = LineKind::Item;
  parts.name = stripBlanks(s.substr(0, eq));
  parts.value = stripBlanks(s.substr(eq + 1));
  return parts;
}

// A line feed inside a name or value would split the written line and could
// even forge header lines, so lines we write carry a blank instead. (A lone
// carriage return inside a line does not end it when read.)
std::string singleLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// Carriage returns at the end of a line read as its line end, and the blanks
// then left at the end are stripped, so a value ending in such a mix would
// read back shorter after every save. It is written without that end, and
// then reads back as written.
std::string withoutCarriageReturnEnd(std::string value) {
  const std::size_t last = value.find_last_not_of(" \t\r");
  const std::size_t end = last == npos ? 0 : last + 1;
  if (value.find('\r', end) != npos) value.erase(end);
  return value;
}

// N=V. A name that starts with a comment character (" ;x=1" is an item named
// ";x") gets a leading blank, or the item would read back as a comment.
std::string itemLine(const std::string& name, const std::string& value) {
  const char first = name.empty() ? '\0' : name[0];
  const bool looksLikeComment = first == ';' || first == '*' || first == '!' || first == '#';
  return singleLine((looksLikeComment ? " " : "") + name + "=") +
         withoutCarriageReturnEnd(singleLine(value));
}

}  // namespace

NotificationEventConfigChanged::NotificationEventConfigChanged(CSConfig* config)
    : NotificationEvent(config), config_(config) {}

// ---------------------------------------------------------------- construction

CSConfig::CSConfig(bool ignoreCase) : ignoreCase_(ignoreCase) {
  blocks_.reserve(64);
}

CSConfig::CSConfig(const std::string& fileName, bool ignoreCase) : CSConfig(ignoreCase) {
  if (!fileName.empty()) load(fileName);
}

CSConfig::CSConfig(const char* fileName, bool ignoreCase)
    : CSConfig(std::string(fileName ? fileName : ""), ignoreCase) {}

CSConfig::CSConfig(std::istream* in, std::ostream* out, bool ignoreCase) : CSConfig(ignoreCase) {
  out_ = out;
  if (in) loadFromStream(in);
}

CSConfig::~CSConfig() {
  if (autoSave_) save();
}

// ---------------------------------------------------------------- names

// A name as it reads back from a line we write: line feeds made blanks, blanks
// and tabs gone at both ends. Lines are matched to blocks and items by it, so a
// name with a leading blank does not get a fresh line at every save.
std::string CSConfig::lineKey(const std::string& name) const {
  const std::string single = singleLine(name);
  const std::string_view stripped = stripBlanks(single);
  return ignoreCase_ ? fold(stripped) : std::string(stripped);
}

std::string CSConfig::foldedKey(const std::string& name) const {
  return fold(stripTrailingBlanks(name));
}

bool CSConfig::namesEqual(const std::string& a, const std::string& b) const {
  const std::string_view x = stripTrailingBlanks(a), y = stripTrailingBlanks(b);
  if (x.size() != y.size()) return false;
  if (!ignoreCase_) return x == y;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (foldChar(x[i]) != foldChar(y[i])) return false;
  }
  return true;
}

// "<default>" under the configuration's own rule: with case-sensitive names a
// header [<DEFAULT>] is an ordinary block and must not claim the lines before
// the first header.
bool CSConfig::isDefault(const std::string& block) const {
  return namesEqual(block, kDefaultBlockName);
}

CSConfig::Line CSConfig::newLine(std::string text) const {
  Line line;
  line.text = std::move(text);
  line.carriageReturns = static_cast<std::uint32_t>(lineEndCarriageReturns_);
  return line;
}

// ---------------------------------------------------------------- reading

// Reads the whole stream and splits it at line feeds. After a read error the
// unfinished last line is dropped and the result is -2.
int CSConfig::readLines(std::istream& in) {
  lines_.clear();
  lineEndCarriageReturns_ = 0;
  // readsome takes what the buffer holds; get() refills it one character at
  // a time, so a buffer that fails midway loses nothing it delivered.
  std::string data;
  // Not cleared first: only what readsome delivered is read from it.
  constexpr std::size_t kChunk = std::size_t{1} << 14;
  const auto chunk = std::make_unique_for_overwrite<char[]>(kChunk);
  for (;;) {
    const std::streamsize got = in.readsome(chunk.get(), static_cast<std::streamsize>(kChunk));
    if (got > 0) {
      data.append(chunk.get(), static_cast<std::size_t>(got));
      continue;
    }
    if (!in.good()) break;
    const auto c = in.get();
    if (std::istream::traits_type::eq_int_type(c, std::istream::traits_type::eof())) break;
    data.push_back(std::istream::traits_type::to_char_type(c));
  }
  const bool failed = in.bad();
  // An empty file has no lines at all (not one empty line).
  if (data.empty()) return failed ? -2 : 1;

  lines_.reserve(static_cast<std::size_t>(std::count(data.begin(), data.end(), '\n')) + 1);
  bool lineEndKnown = false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t feed = data.find('\n', start);
    if (feed == npos && failed) return -2;
    const std::size_t end = feed == npos ? data.size() : feed;
    std::size_t cut = end;
    while (cut > start && data[cut - 1] == '\r') --cut;
    Line line;
    line.lineFeed = feed != npos;
    line.carriageReturns = static_cast<std::uint32_t>(end - cut);
    line.text.assign(data, start, cut - start);
    // Lines we add later end like the file's first line ("\n" or "\r\n").
    if (!lineEndKnown && line.lineFeed) {
      lineEndKnown = true;
      lineEndCarriageReturns_ = line.carriageReturns > 0 ? 1 : 0;
    }
    lines_.push_back(std::move(line));
    if (feed == npos) return 1;
    start = feed + 1;
  }
}

int CSConfig::load(const std::string& fileName) {
  if (fileName.empty()) return -1;
  const std::string name = fileName;  // fileName may be our own member
  fileName_ = name;
  in_ = nullptr;
  out_ = nullptr;
  lines_.clear();
  const std::string path = expandVariables(name);
  std::error_code ec;
  if (fs::is_directory(path, ec)) return 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  const int result = readLines(in);
  parseLines();
  return result;
}

int CSConfig::loadFromStream(std::istream* in) {
  if (!in) return -1;
  fileName_.clear();
  in_ = in;
  const int result = readLines(*in);
  parseLines();
  return result;
}

void CSConfig::parseLines() {
  CSConfigBlock* current = nullptr;
  for (const Line& line : lines_) {
    const LineParts parts = classifyLine(line.text);
    if (parts.kind == LineKind::Header) {
      current = findOrCreateBlock(std::string(parts.name));
    } else if (parts.kind == LineKind::Item) {
      if (!current) current = findOrCreateBlock(kDefaultBlockName);
      const std::string name(parts.name);
      if (CSConfigItem* item = lookupItem(*current, name)) {
        // A repeated item: the last line read gives the value.
        item->value_.set(std::string(parts.value));
        if (!item->default_.empty() && item->value_.asString().empty()) {
          item->value_.set(item->default_);
        }
      } else {
        CSConfigItem* created = createItem(*current, name, std::string());
        created->value_.set(std::string(parts.value));
        created->value_.setModified(false);
      }
    }
  }
}

// ---------------------------------------------------------------- lookup

CSConfigBlock* CSConfig::findBlock(const std::string& name) {
  if (lastBlock_ && namesEqual(lastBlock_->name_, name)) return lastBlock_;
  const auto found = blockIndex_.find(foldedKey(name));
  if (found == blockIndex_.end()) return nullptr;
  for (CSConfigBlock* block : found->second) {
    if (namesEqual(block->name_, name)) {
      lastBlock_ = block;
      return block;
    }
  }
  return nullptr;
}

CSConfigBlock* CSConfig::findOrCreateBlock(const std::string& name) {
  if (CSConfigBlock* block = findBlock(name)) return block;
  blocks_.push_back(std::make_unique<CSConfigBlock>(name));
  CSConfigBlock* block = blocks_.back().get();
  blockIndex_[foldedKey(name)].push_back(block);
  lastBlock_ = block;
  return block;
}

// The sorted list is keyed by the very folding and blank stripping that name
// comparison uses, so searching the run of equal keys finds every candidate in
// creation order. A linear scan after a miss could never find more, so there
// is none (and loading huge files stays n log n); exact lookup therefore
// changes nothing here.
CSConfigItem* CSConfig::lookupItem(CSConfigBlock& block, const std::string& name) const {
  const auto range = block.sorted_.equal_range(foldedKey(name));
  for (auto it = range.first; it != range.second; ++it) {
    if (namesEqual(it->second->name_, name)) return it->second;
  }
  return nullptr;
}

CSConfigItem* CSConfig::createItem(CSConfigBlock& block, const std::string& name,
                                   const std::string& defaultText) {
  block.items_.push_back(std::make_unique<CSConfigItem>(name, defaultText));
  CSConfigItem* item = block.items_.back().get();
  item->value_.set(defaultText);
  block.sorted_.emplace(foldedKey(name), item);
  return item;
}

void CSConfig::applyDefault(CSConfigItem& item, const std::string& defaultText) {
  if (defaultText.empty()) return;
  item.default_ = defaultText;
  if (item.value_.asString().empty()) item.value_.set(defaultText);
}

void CSConfig::destroyItem(CSConfigBlock& block, CSConfigItem* item) {
  const auto range = block.sorted_.equal_range(foldedKey(item->name_));
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == item) {
      block.sorted_.erase(it);
      break;
    }
  }
  const auto owned = std::find_if(block.items_.begin(), block.items_.end(),
                                  [item](const auto& p) { return p.get() == item; });
  if (owned != block.items_.end()) block.items_.erase(owned);
}

// ---------------------------------------------------------------- items

CSConfigValue& CSConfig::getItem(const std::string& item, const std::string& block,
                                 const std::string& defaultText) {
  CSConfigBlock* b = findOrCreateBlock(block);
  CSConfigItem* found = lookupItem(*b, item);
  if (!found) {
    found = createItem(*b, item, defaultText);
  } else {
    applyDefault(*found, defaultText);
  }
  found->value_.setModified(true);
  return found->value_;
}

CSConfigItem* CSConfig::findItem(const std::string& item, const std::string& block) {
  CSConfigBlock* b = findBlock(block);
  return b ? lookupItem(*b, item) : nullptr;
}

bool CSConfig::hasItem(const std::string& item, const std::string& block) {
  return findItem(item, block) != nullptr;
}

bool CSConfig::hasBlock(const std::string& block) {
  return findBlock(block) != nullptr;
}

const CSConfigId* CSConfig::findId(int id) const {
  const auto found = ids_.find(id);
  return found == ids_.end() ? nullptr : &found->second;
}

int CSConfig::defineItem(int id, const std::string& item, const std::string& block,
                         const std::string& defaultText) {
  if (const CSConfigId* registered = findId(id)) {
    if (CSConfigItem* existing = findItem(registered->itemName, registered->blockName)) {
      applyDefault(*existing, defaultText);
      return 1;
    }
  } else {
    ids_.emplace(id, CSConfigId{id, item, block});
  }
  getItem(item, block, defaultText);
  return 1;
}

int CSConfig::defineItems(const CSConfigItemDef* table) {
  for (int k = 0; table && table[k].item; ++k) {
    defineItem(k, table[k].item, table[k].block ? table[k].block : "",
               table[k].defaultText ? table[k].defaultText : "");
  }
  return 1;
}

// An undefined id has no item; callers get a scratch value that is emptied on
// every such call, so reads give "" / 0 / false and writes go nowhere.
CSConfigValue& CSConfig::getItem(int id) {
  if (const CSConfigId* registered = findId(id)) {
    if (CSConfigItem* item = findItem(registered->itemName, registered->blockName)) {
      return item->value_;
    }
  }
  scratch_ = CSConfigValue();
  return scratch_;
}

std::vector<std::string> CSConfig::valuesOfIds(int firstId, int lastId) {
  std::vector<std::string> values;
  for (long long id = firstId; id <= lastId; ++id) {
    values.push_back(getItem(static_cast<int>(id)).asString());
  }
  return values;
}

void CSConfig::setValuesOfIds(int firstId, const std::vector<std::string>& values) {
  for (std::size_t k = 0; k < values.size(); ++k) {
    const long long id = static_cast<long long>(firstId) + static_cast<long long>(k);
    if (id > INT32_MAX) break;
    const CSConfigId* registered = findId(static_cast<int>(id));
    if (!registered) continue;
    if (CSConfigItem* item = findItem(registered->itemName, registered->blockName)) {
      item->value_.set(values[k]);
    }
  }
}

std::vector<std::string> CSConfig::blockNames() const {
  std::vector<std::string> names;
  names.reserve(blocks_.size());
  for (const auto& block : blocks_) names.push_back(block->name_);
  return names;
}

std::vector<std::string> CSConfig::itemNames(const std::string& block) {
  std::vector<std::string> names;
  if (CSConfigBlock* b = findBlock(block)) {
    for (const auto& item : b->items_) names.push_back(item->name_);
  }
  return names;
}

void CSConfig::numberedValues(const std::string& prefix, const std::string& block, int count,
                              std::vector<std::string>& out) {
  for (int i = 1; i <= count; ++i) {
    out.push_back(getItem(prefix + std::to_string(i), block).asString());
  }
}

void CSConfig::setNumberedValues(const std::string& prefix, const std::string& block, int count,
                                 const std::vector<std::string>& values) {
  for (int i = 1; i <= count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    getItem(prefix + std::to_string(i), block).set(k < values.size() ? values[k] : std::string());
  }
}

void CSConfig::addToRecentList(const std::string& prefix, const std::string& block,
                               const std::string& value, int maximum) {
  if (maximum < 1) return;
  std::vector<std::string> kept;
  for (int i = 1; i <= maximum; ++i) {
    const std::string& old = getItem(prefix + std::to_string(i), block).asString();
    if (old != value) kept.push_back(old);
  }
  getItem(prefix + "1", block).set(value);
  for (int i = 2; i <= maximum && static_cast<std::size_t>(i - 2) < kept.size(); ++i) {
    getItem(prefix + std::to_string(i), block).set(kept[static_cast<std::size_t>(i - 2)]);
  }
}

// ---------------------------------------------------------------- stored lines

bool CSConfig::isHeaderOf(const Line& line, const std::string& block) const {
  const std::size_t first = line.text.find_first_not_of(" \t");
  if (first == npos || line.text[first] != '[') return false;
  const LineParts parts = classifyLine(line.text);
  return parts.kind == LineKind::Header && lineKey(std::string(parts.name)) == lineKey(block);
}

std::size_t CSConfig::headerLineOf(const std::string& block) const {
  if (isDefault(block)) return npos;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (isHeaderOf(lines_[i], block)) return i;
  }
  return npos;
}

std::size_t CSConfig::rangeEnd(std::size_t start) const {
  for (std::size_t i = start; i < lines_.size(); ++i) {
    if (classifyLine(lines_[i].text).kind == LineKind::Header) return i;
  }
  return lines_.size();
}

std::size_t CSConfig::lastItemLine(std::size_t start, std::size_t end) const {
  for (std::size_t i = end; i > start; --i) {
    if (classifyLine(lines_[i - 1].text).kind == LineKind::Item) return i - 1;
  }
  return npos;
}

void CSConfig::eraseLines(const std::vector<bool>& drop) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (drop[i]) continue;
    if (kept != i) lines_[kept] = std::move(lines_[i]);
    ++kept;
  }
  lines_.resize(kept);
}

void CSConfig::appendHeader(const std::string& block) {
  const std::size_t n = lines_.size();
  if (!(n >= 2 && lines_[n - 1].text.empty() && lines_[n - 2].text.empty())) {
    lines_.push_back(newLine(""));
  }
  lines_.push_back(newLine(singleLine("[" + block + "]")));
  lines_.push_back(newLine(""));
}

bool CSConfig::removeItem(const std::string& item, const std::string& block) {
  CSConfigBlock* b = findBlock(block);
  if (!b) return false;
  CSConfigItem* found = lookupItem(*b, item);
  if (!found) return false;
  // Every line of the item goes, in every section of the block: a line left
  // behind would bring the item back at the next load.
  std::vector<bool> drop(lines_.size(), false);
  bool inBlock = isDefault(b->name_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const LineParts parts = classifyLine(lines_[i].text);
    if (parts.kind == LineKind::Header) {
      inBlock = lineKey(std::string(parts.name)) == lineKey(b->name_);
    } else if (inBlock && parts.kind == LineKind::Item &&
               lineKey(std::string(parts.name)) == lineKey(found->name_)) {
      drop[i] = true;
    }
  }
  eraseLines(drop);
  destroyItem(*b, found);
  return true;
}

bool CSConfig::removeBlock(const std::string& block) {
  CSConfigBlock* b = findBlock(block);
  if (!b) return false;
  // Every section of the block goes, headers included (the "<default>"
  // section is everything before the first header).
  std::vector<bool> drop(lines_.size(), false);
  bool inBlock = isDefault(b->name_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const LineParts parts = classifyLine(lines_[i].text);
    if (parts.kind == LineKind::Header) {
      inBlock = lineKey(std::string(parts.name)) == lineKey(b->name_);
    }
    drop[i] = inBlock;
  }
  eraseLines(drop);

  if (hasCurrentBlock_ && namesEqual(currentBlockName_, b->name_)) {
    hasCurrentBlock_ = false;
    currentBlockName_.clear();
    blockCursor_ = 0;
    itemCursor_ = 0;
  }
  auto& sameKey = blockIndex_[foldedKey(b->name_)];
  std::erase(sameKey, b);
  if (sameKey.empty()) blockIndex_.erase(foldedKey(b->name_));
  std::erase_if(blocks_, [b](const auto& p) { return p.get() == b; });
  lastBlock_ = nullptr;
  return true;
}

bool CSConfig::renameBlock(const std::string& oldName, const std::string& newName) {
  CSConfigBlock* b = findBlock(oldName);
  if (!b || isDefault(b->name_) || isDefault(newName)) return false;
  // Two blocks of one name would merge unpredictably at the next load.
  CSConfigBlock* other = findBlock(newName);
  if (other && other != b) return false;
  const std::string header = singleLine("[" + newName + "]");
  for (Line& line : lines_) {
    if (isHeaderOf(line, b->name_)) line.text = header;
  }
  const bool wasCurrent = hasCurrentBlock_ && namesEqual(currentBlockName_, b->name_);
  auto& oldList = blockIndex_[foldedKey(b->name_)];
  std::erase(oldList, b);
  if (oldList.empty()) blockIndex_.erase(foldedKey(b->name_));
  b->name_ = newName;
  // Keep the index list in block order.
  auto& newList = blockIndex_[foldedKey(newName)];
  newList.clear();
  for (const auto& p : blocks_) {
    if (foldedKey(p->name_) == foldedKey(newName)) newList.push_back(p.get());
  }
  lastBlock_ = b;
  if (wasCurrent) currentBlockName_ = newName;
  return true;
}

CSConfigBlock* CSConfig::addBlock(const std::string& block, const std::string& afterBlock) {
  if (CSConfigBlock* existing = findBlock(block)) return existing;
  if (!isDefault(block) && headerLineOf(block) == npos) {
    const std::string header = singleLine("[" + block + "]");
    const std::size_t afterHeader = afterBlock.empty() ? npos : headerLineOf(afterBlock);
    if (afterBlock.empty()) {
      lines_.push_back(newLine(""));
      lines_.push_back(newLine(header));
    } else if (afterHeader != npos) {
      const std::size_t last = lastItemLine(afterHeader + 1, rangeEnd(afterHeader + 1));
      const std::size_t at = (last == npos ? afterHeader : last) + 1;
      std::vector<Line> inserted{newLine(""), newLine(header), newLine("")};
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(),
                    inserted.end());
    } else {
      appendHeader(block);
    }
  }
  return findOrCreateBlock(block);
}

// ---------------------------------------------------------------- saving

// Writes the header of every block and the line of every modified item into
// the stored lines. The lines are indexed once, so large files are not
// searched over and over.
//
// An item whose lines stand in the block more than once (repeated item, or a
// repeated block) gets the new text in every one of them: the last line read
// gives the value at the next load, so changing only the first line would
// lose the change.
void CSConfig::writeBack() {
  const std::size_t n = lines_.size();
  std::vector<std::size_t> headers;
  std::unordered_map<std::string, std::vector<std::size_t>> headersOf;
  for (std::size_t i = 0; i < n; ++i) {
    const LineParts parts = classifyLine(lines_[i].text);
    if (parts.kind != LineKind::Header) continue;
    headers.push_back(i);
    headersOf[lineKey(std::string(parts.name))].push_back(i);
  }
  auto sectionEnd = [&](std::size_t header) {
    const auto next = std::upper_bound(headers.begin(), headers.end(), header);
    return next == headers.end() ? n : *next;
  };

  // New lines: before line 0, after an original line, or appended at the end.
  std::vector<Line> atStart;
  std::unordered_map<std::size_t, std::vector<Line>> insertAfter;
  std::vector<Line> tail;

  auto endsInTwoEmptyLines = [&] {
    int needed = 2;
    for (std::size_t k = tail.size(); k > 0 && needed > 0; --k, --needed) {
      if (!tail[k - 1].text.empty()) return false;
    }
    for (std::size_t i = n; i > 0 && needed > 0; --i, --needed) {
      if (insertAfter.count(i - 1) || !lines_[i - 1].text.empty()) return false;
    }
    return needed == 0;
  };

  for (const auto& blockPtr : blocks_) {
    CSConfigBlock& block = *blockPtr;
    const bool defaultBlock = isDefault(block.name_);
    // The block's sections among the original lines; new items go into the first.
    std::vector<std::pair<std::size_t, std::size_t>> sections;
    if (defaultBlock) sections.emplace_back(0, headers.empty() ? n : headers.front());
    if (const auto found = headersOf.find(lineKey(block.name_)); found != headersOf.end()) {
      for (std::size_t h : found->second) sections.emplace_back(h + 1, sectionEnd(h));
    }
    bool inTail = false;
    std::size_t tailInsert = 0;
    if (sections.empty()) {
      if (!endsInTwoEmptyLines()) tail.push_back(newLine(""));
      tail.push_back(newLine(singleLine("[" + block.name_ + "]")));
      tail.push_back(newLine(""));
      inTail = true;
      tailInsert = tail.size() - 1;
    }

    bool scanned = false;
    std::unordered_map<std::string, std::vector<std::size_t>> itemLines;
    std::size_t lastItem = npos;  // in the first section
    for (const auto& item : block.items_) {
      if (!item->value_.isModified() || item->name_.empty()) continue;
      Line line = newLine(itemLine(item->name_, item->value_.asString()));
      if (inTail) {
        tail.insert(tail.begin() + static_cast<std::ptrdiff_t>(tailInsert++), std::move(line));
        continue;
      }
      if (!scanned) {
        scanned = true;
        for (std::size_t s = 0; s < sections.size(); ++s) {
          for (std::size_t i = sections[s].first; i < sections[s].second; ++i) {
            const LineParts parts = classifyLine(lines_[i].text);
            if (parts.kind != LineKind::Item) continue;
            itemLines[lineKey(std::string(parts.name))].push_back(i);
            if (s == 0) lastItem = i;
          }
        }
      }
      if (const auto found = itemLines.find(lineKey(item->name_)); found != itemLines.end()) {
        for (std::size_t i : found->second) lines_[i].text = line.text;  // keeps its line end
      } else if (lastItem != npos) {
        insertAfter[lastItem].push_back(std::move(line));
      } else if (sections[0].first == 0) {
        atStart.push_back(std::move(line));
      } else {
        insertAfter[sections[0].first - 1].push_back(std::move(line));
      }
    }
  }

  if (atStart.empty() && insertAfter.empty() && tail.empty()) return;
  std::vector<Line> merged;
  merged.reserve(n + atStart.size() + tail.size() + insertAfter.size());
  for (Line& line : atStart) merged.push_back(std::move(line));
  for (std::size_t i = 0; i < n; ++i) {
    merged.push_back(std::move(lines_[i]));
    if (const auto found = insertAfter.find(i); found != insertAfter.end()) {
      for (Line& line : found->second) merged.push_back(std::move(line));
    }
  }
  for (Line& line : tail) merged.push_back(std::move(line));
  lines_.swap(merged);
}

// Trailing empty lines are left out and runs of empty lines cut to three.
// Every line keeps the line end it was read with; lines we added end like the
// file's first line, "\n" by default. A last line without a line end stays so.
std::string CSConfig::renderLines() const {
  std::size_t last = lines_.size();
  while (last > 0 && lines_[last - 1].text.empty()) --last;
  std::string out;
  int emptyRun = 0;
  for (std::size_t i = 0; i < last; ++i) {
    const Line& line = lines_[i];
    if (line.text.empty()) {
      if (++emptyRun > 3) continue;
    } else {
      emptyRun = 0;
    }
    out += line.text;
    out.append(line.carriageReturns, '\r');
    if (line.lineFeed) {
      out += '\n';
    } else if (i + 1 < last) {
      if (line.carriageReturns == 0 && lineEndCarriageReturns_ > 0) out += '\r';
      out += '\n';
    }
  }
  return out;
}

int CSConfig::save() {
  if (!fileName_.empty()) return saveToFile(expandVariables(fileName_));
  if (!out_) return -1;
  writeBack();
  const std::string text = renderLines();
  // A string stream is emptied first so a shorter text leaves no old tail behind.
  if (auto* s = dynamic_cast<std::ostringstream*>(out_)) s->str(std::string());
  if (auto* s = dynamic_cast<std::stringstream*>(out_)) s->str(std::string());
  out_->seekp(0);
  out_->clear();
  out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  out_->flush();
  return out_->good() ? 0 : -1;
}

// The new contents go to a fresh file beside the target, which is renamed
// over the target only once it is completely written and closed; on any
// failure the target stays as it was.
int CSConfig::saveToFile(const std::string& path) {
  if (path.empty()) return -1;
  writeBack();
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    const fs::path real = fs::weakly_canonical(target, ec);
    if (!ec) target = real;  // replace the file the link points at, not the link
  }
  if (fs::is_directory(target, ec)) return -1;
  // Renaming over a file would get past its missing write permission; a
  // read-only settings file stays read-only.
  const fs::file_status existing = fs::status(target, ec);
  const fs::perms anyWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (!ec && fs::exists(existing) && (existing.permissions() & anyWrite) == fs::perms::none) {
    return -1;
  }
  const std::string text = renderLines();

  std::string tempName;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    tempName = target.string() + ".tmp" + std::to_string(attempt);
    bool taken = false;
    file = platform::createNewFile(tempName, taken);
    if (!file && !taken) break;
  }
  if (!file) return -1;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = std::fflush(file) == 0 && ok;
  ok = !std::ferror(file) && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok) {
    if (fs::exists(existing)) fs::permissions(tempName, existing.permissions(), ec);
    fs::rename(tempName, target, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(tempName, ec);
    return -1;
  }
  return 0;
}

int CSConfig::reload() {
  clear();
  int result = -1;
  if (!fileName_.empty()) {
    result = load(fileName_);
  } else if (in_) {
    in_->clear();
    in_->seekg(0);
    result = loadFromStream(in_);
  }
  if (result != 1) return -1;
  notify(NotificationEventConfigChanged(this));
  return 0;
}

void CSConfig::clear() {
  blocks_.clear();
  blockIndex_.clear();
  ids_.clear();
  lastBlock_ = nullptr;
  hasCurrentBlock_ = false;
  currentBlockName_.clear();
  blockCursor_ = 0;
  itemCursor_ = 0;
  record_.clear();
  recordPos_ = 0;
}

std::vector<std::string> CSConfig::lines() const {
  std::vector<std::string> texts;
  texts.reserve(lines_.size());
  for (const Line& line : lines_) texts.push_back(line.text);
  return texts;
}

// ---------------------------------------------------------------- cursor

CSConfigBlock* CSConfig::currentBlock() {
  return hasCurrentBlock_ ? findBlock(currentBlockName_) : nullptr;
}

bool CSConfig::selectBlock(const std::string& block) {
  const bool existed = findBlock(block) != nullptr;
  findOrCreateBlock(block);
  currentBlockName_ = block;
  hasCurrentBlock_ = true;
  itemCursor_ = 0;
  return existed;
}

bool CSConfig::firstBlock(std::string* name) {
  blockCursor_ = 0;
  if (blocks_.empty()) return false;
  currentBlockName_ = blocks_[0]->name_;
  hasCurrentBlock_ = true;
  itemCursor_ = 0;
  if (name) *name = currentBlockName_;
  return true;
}

bool CSConfig::nextBlock(std::string* name) {
  if (blockCursor_ + 1 >= blocks_.size()) return false;
  ++blockCursor_;
  currentBlockName_ = blocks_[blockCursor_]->name_;
  hasCurrentBlock_ = true;
  itemCursor_ = 0;
  if (name) *name = currentBlockName_;
  return true;
}

bool CSConfig::firstItem(std::string* name, std::string* value) {
  itemCursor_ = 0;
  CSConfigBlock* block = currentBlock();
  if (!block || block->items_.empty()) return false;
  if (name) *name = block->items_[0]->name_;
  if (value) *value = block->items_[0]->value_.asString();
  return true;
}

bool CSConfig::nextItem(std::string* name, std::string* value) {
  CSConfigBlock* block = currentBlock();
  if (!block || itemCursor_ + 1 >= block->items_.size()) return false;
  ++itemCursor_;
  if (name) *name = block->items_[itemCursor_]->name_;
  if (value) *value = block->items_[itemCursor_]->value_.asString();
  return true;
}

bool CSConfig::removeBlockAndNotify(const std::string& block) {
  if (!removeBlock(block)) return false;
  notify(NotificationEventConfigChanged(this));
  return true;
}

bool CSConfig::removeItemAndNotify(const std::string& item, const std::string& block) {
  if (!removeItem(item, block)) return false;
  notify(NotificationEventConfigChanged(this));
  return true;
}

std::string CSConfig::readString(const std::string& item, const std::string& fallback) {
  CSConfigBlock* block = currentBlock();
  const CSConfigItem* found = block ? lookupItem(*block, item) : nullptr;
  return found ? found->value_.asString() : fallback;
}

int CSConfig::readInt(const std::string& item, int fallback) {
  CSConfigBlock* block = currentBlock();
  const CSConfigItem* found = block ? lookupItem(*block, item) : nullptr;
  int value = fallback;
  if (found && scanInt(found->value_.asString(), value)) return value;
  return fallback;
}

double CSConfig::readDouble(const std::string& item, double fallback) {
  CSConfigBlock* block = currentBlock();
  const CSConfigItem* found = block ? lookupItem(*block, item) : nullptr;
  double value = fallback;
  if (found && scanDouble(found->value_.asString(), value)) return value;
  return fallback;
}

bool CSConfig::readBool(const std::string& item, bool fallback) {
  CSConfigBlock* block = currentBlock();
  const CSConfigItem* found = block ? lookupItem(*block, item) : nullptr;
  if (!found) return fallback;
  const std::string text = fold(found->value_.asString());
  return text == "true" || text == "yes" || text == "ja" || text == "1";
}

void CSConfig::writeString(const std::string& item, const std::string& value) {
  if (CSConfigBlock* block = currentBlock()) getItem(item, block->name_).set(value);
}

void CSConfig::writeInt(const std::string& item, int value) {
  writeString(item, std::to_string(value));
}

void CSConfig::writeDouble(const std::string& item, double value) {
  writeString(item, formatFixed(value, 6));
}

void CSConfig::writeBool(const std::string& item, bool value) {
  writeString(item, value ? "true" : "false");
}

// While a record is built, recordPos_ counts its fields; while one is read, it
// is the read position (past the end when no field is left).
void CSConfig::beginRecord() {
  record_.clear();
  recordPos_ = 0;
}

void CSConfig::addRecordString(const std::string& field) {
  if (recordPos_++ > 0) record_ += ',';
  record_ += field;
}

void CSConfig::addRecordInt(int field) {
  addRecordString(std::to_string(field));
}

void CSConfig::addRecordDouble(double field) {
  addRecordString(formatFixed(field, 6));
}

void CSConfig::writeRecord(const std::string& item) {
  writeString(item, record_);
}

bool CSConfig::readRecord(const std::string& item) {
  CSConfigBlock* block = currentBlock();
  const CSConfigItem* found = block ? lookupItem(*block, item) : nullptr;
  record_ = found ? found->value_.asString() : std::string();
  // An empty text holds no field.
  recordPos_ = record_.empty() ? 1 : 0;
  return found != nullptr;
}

bool CSConfig::nextRecordString(std::string& field) {
  if (recordPos_ > record_.size() || (record_.empty() && recordPos_ > 0)) return false;
  const std::size_t comma = record_.find(',', recordPos_);
  const std::size_t end = comma == npos ? record_.size() : comma;
  field = record_.substr(recordPos_, end - recordPos_);
  recordPos_ = end + 1;
  return true;
}

bool CSConfig::nextRecordInt(int& field) {
  std::string text;
  return nextRecordString(text) && scanInt(text, field);
}

bool CSConfig::nextRecordDouble(double& field) {
  std::string text;
  return nextRecordString(text) && scanDouble(text, field);
}
