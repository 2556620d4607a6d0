// Configuration files: blocks ([name] header lines) of items (name=value
// lines). CSConfig reads a file into blocks and items and writes changed items
// back into the file's own lines, so comments and layout survive a save.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/config_value.h"
#include "meta/references.h"

class CSConfig;

// Name of the block that holds the items standing before the first header.
inline constexpr const char* kDefaultBlockName = "<default>";

// One item: its name, the last non-empty default given for it, and its value.
class CSConfigItem {
 public:
  CSConfigItem(std::string name, std::string defaultText)
      : name_(std::move(name)), default_(std::move(defaultText)) {}

  const std::string& name() const { return name_; }
  const std::string& defaultText() const { return default_; }
  CSConfigValue& value() { return value_; }
  const CSConfigValue& value() const { return value_; }

 private:
  friend class CSConfig;
  std::string name_;
  std::string default_;
  CSConfigValue value_;
};

// A block: its name and its items.
class CSConfigBlock {
 public:
  explicit CSConfigBlock(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  // Items in creation order.
  const std::vector<std::unique_ptr<CSConfigItem>>& items() const { return items_; }

 private:
  friend class CSConfig;
  std::string name_;
  std::vector<std::unique_ptr<CSConfigItem>> items_;
  // The same items ordered by name ignoring case (trailing blanks and tabs
  // removed): the sorted list searched before anything else.
  std::multimap<std::string, CSConfigItem*> sorted_;
};

// An integer handle for an item, registered by defineItem.
struct CSConfigId {
  int id = 0;
  std::string itemName;
  std::string blockName;
  bool operator==(const CSConfigId& other) const { return id == other.id; }
};

// One entry of a defineItems table; the table ends with an entry whose item is null.
struct CSConfigItemDef {
  const char* item;
  const char* block;
  const char* defaultText;
};

// Sent by reload and by the notifying remove operations.
class NotificationEventConfigChanged : public NotificationEvent {
 public:
  explicit NotificationEventConfigChanged(CSConfig* config);
  CSConfig* config() const { return config_; }

 private:
  CSConfig* config_;
};

// A configuration file in memory. Saving keeps every line it does not have to
// change byte for byte, line ends included; lines it adds end like the file's
// first line ("\n" for a new file). Names of blocks must not hold "]" and
// names of items must not hold "=": such names cannot be written as lines
// that read back as themselves.
class CSConfig : public NotifyingObject {
 public:
  // An empty configuration.
  explicit CSConfig(bool ignoreCase = true);
  // Loads the file when the name is not empty.
  CSConfig(const std::string& fileName, bool ignoreCase = true);
  CSConfig(const char* fileName, bool ignoreCase = true);
  // Reads `in` (when not null); save writes to `out`. The streams are not owned.
  CSConfig(std::istream* in, std::ostream* out, bool ignoreCase = true);
  // Saves first when auto save is on.
  ~CSConfig() override;

  void setIgnoreCase(bool on) { ignoreCase_ = on; }
  // Kept for callers; item lookup never needs the slow fallback scan this
  // flag would switch off (see lookupItem), so it changes nothing.
  void setExactLookup(bool on) { exactLookup_ = on; }
  void setAutoSave(bool on) { autoSave_ = on; }
  void setFileName(const std::string& fileName) { fileName_ = fileName; }
  void setOutputStream(std::ostream* out) { out_ = out; }
  bool ignoreCase() const { return ignoreCase_; }
  const std::string& fileName() const { return fileName_; }

  // --- reading and writing ---
  // 1 read; 0 the file could not be opened (no stored lines are left); -2 a
  // read error (the lines read so far are parsed); -1 empty name (nothing changes).
  // The name is kept as given; the file opened has its variables expanded.
  int load(const std::string& fileName);
  // 1 read, -2 read error, -1 null stream. Clears the file name.
  int loadFromStream(std::istream* in);
  // Writes changed items into the lines and the lines to the file (replaced
  // only once the new contents are complete) or to the output stream.
  // 0 on success; -1 without a target or when writing fails (the file is untouched).
  int save();
  // Like save, but to exactly this path (no variable expansion); 0 on
  // success, -1 on failure.
  int saveToFile(const std::string& path);
  // clear, then load the file (or the input stream) again; 0 and a change
  // notification on success, -1 otherwise.
  int reload();
  // Drops blocks, items, ids and cursors; the stored lines stay.
  void clear();

  // --- items and blocks (note: item name before block name) ---
  // The item's value, creating block and item when missing; marks it modified.
  CSConfigValue& getItem(const std::string& item, const std::string& block,
                         const std::string& defaultText = std::string());
  // The item, or null; never creates.
  CSConfigItem* findItem(const std::string& item, const std::string& block);
  bool hasItem(const std::string& item, const std::string& block);
  bool hasBlock(const std::string& block);
  // Registers the id (a registration never changes) and makes sure the item exists; 1.
  int defineItem(int id, const std::string& item, const std::string& block,
                 const std::string& defaultText = std::string());
  // Defines entry k with id k until an entry with a null item name; 1.
  int defineItems(const CSConfigItemDef* table);
  // The value of the id's item. For an id never defined, or whose item is gone,
  // an empty scratch value that belongs to no item (writes to it are lost).
  CSConfigValue& getItem(int id);
  // Value texts of ids first..last inclusive (empty texts for unknown ids).
  std::vector<std::string> valuesOfIds(int firstId, int lastId);
  // Sets the item of id first + k to values[k]; unknown ids are skipped.
  void setValuesOfIds(int firstId, const std::vector<std::string>& values);
  // Block names in block order; empty when there is none.
  std::vector<std::string> blockNames() const;
  // Item names of the block in creation order; empty when the block does not exist.
  std::vector<std::string> itemNames(const std::string& block);
  // False when block or item does not exist; removes the item and its lines.
  bool removeItem(const std::string& item, const std::string& block);
  // False when the block does not exist; removes it with all its lines.
  bool removeBlock(const std::string& block);
  // False when the old block does not exist, is "<default>", or the new name is taken.
  bool renameBlock(const std::string& oldName, const std::string& newName);
  // The block, found or created (a created block gets its header line at once).
  CSConfigBlock* addBlock(const std::string& block, const std::string& afterBlock = std::string());
  // Appends the values of prefix1..prefix<count> (missing ones created empty).
  void numberedValues(const std::string& prefix, const std::string& block, int count,
                      std::vector<std::string>& out);
  // Sets prefix1..prefix<count> from the list; items past its end become empty.
  void setNumberedValues(const std::string& prefix, const std::string& block, int count,
                         const std::vector<std::string>& values);
  // Moves `value` to the front of the most-recently-used list prefix1..prefix<maximum>.
  void addToRecentList(const std::string& prefix, const std::string& block,
                       const std::string& value, int maximum);

  // --- cursor interface: sequential access to one current block ---
  // Makes the block current, creating it when missing; whether it existed.
  bool selectBlock(const std::string& block);
  // Walk the blocks (each becomes current); false at the end. `name` may be null.
  bool firstBlock(std::string* name = nullptr);
  bool nextBlock(std::string* name = nullptr);
  // Walk the items of the current block; false at the end or without a current block.
  bool firstItem(std::string* name = nullptr, std::string* value = nullptr);
  bool nextItem(std::string* name = nullptr, std::string* value = nullptr);
  // removeBlock / removeItem that notify the listeners after a removal.
  bool removeBlockAndNotify(const std::string& block);
  bool removeItemAndNotify(const std::string& item, const std::string& block);
  // Typed access in the current block; reads give `fallback` for a missing
  // item, an unreadable text or no current block; writes without one do nothing.
  std::string readString(const std::string& item, const std::string& fallback = std::string());
  int readInt(const std::string& item, int fallback = 0);
  double readDouble(const std::string& item, double fallback = 0.0);
  // True for "true", "yes", "ja", "1" (any case).
  bool readBool(const std::string& item, bool fallback = false);
  void writeString(const std::string& item, const std::string& value);
  void writeInt(const std::string& item, int value);        // "%d"
  void writeDouble(const std::string& item, double value);  // "%lf"
  void writeBool(const std::string& item, bool value);      // "true" / "false"
  // Record form: one item holding ","-separated fields. Build with beginRecord
  // and the add calls, store with writeRecord; readRecord loads an item's text
  // (false when missing) and the next calls take its fields in order (false
  // when none is left or the field does not hold that type).
  void beginRecord();
  void addRecordString(const std::string& field);
  void addRecordInt(int field);
  void addRecordDouble(double field);
  void writeRecord(const std::string& item);
  bool readRecord(const std::string& item);
  bool nextRecordString(std::string& field);
  bool nextRecordInt(int& field);
  bool nextRecordDouble(double& field);

  // --- inspection ---
  // The stored lines as edited so far (texts without line ends).
  std::vector<std::string> lines() const;
  const std::vector<std::unique_ptr<CSConfigBlock>>& blocks() const { return blocks_; }

 private:
  // One stored line: its text without the line end, and the line end it was
  // read with (carriage returns, then a line feed or, on the last line, none),
  // so untouched lines are written back byte for byte.
  struct Line {
    std::string text;
    std::uint32_t carriageReturns = 0;
    bool lineFeed = true;
  };

  std::string lineKey(const std::string& name) const;
  std::string foldedKey(const std::string& name) const;
  bool namesEqual(const std::string& a, const std::string& b) const;
  bool isDefault(const std::string& block) const;
  Line newLine(std::string text) const;

  int readLines(std::istream& in);
  void parseLines();
  CSConfigBlock* findBlock(const std::string& name);
  CSConfigBlock* findOrCreateBlock(const std::string& name);
  CSConfigItem* lookupItem(CSConfigBlock& block, const std::string& name) const;
  CSConfigItem* createItem(CSConfigBlock& block, const std::string& name,
                           const std::string& defaultText);
  void applyDefault(CSConfigItem& item, const std::string& defaultText);
  void destroyItem(CSConfigBlock& block, CSConfigItem* item);
  const CSConfigId* findId(int id) const;
  CSConfigBlock* currentBlock();

  // Stored-line helpers.
  bool isHeaderOf(const Line& line, const std::string& block) const;
  std::size_t headerLineOf(const std::string& block) const;            // npos when none
  std::size_t rangeEnd(std::size_t start) const;                       // next header or size
  std::size_t lastItemLine(std::size_t start, std::size_t end) const;  // npos when none
  void appendHeader(const std::string& block);
  void eraseLines(const std::vector<bool>& drop);
  void writeBack();
  std::string renderLines() const;

  std::vector<Line> lines_;
  int lineEndCarriageReturns_ = 0;  // line end of lines we add: "\n" or "\r\n"
  std::string fileName_;
  std::istream* in_ = nullptr;
  std::ostream* out_ = nullptr;
  bool ignoreCase_ = true;
  bool exactLookup_ = false;
  bool autoSave_ = false;
  std::vector<std::unique_ptr<CSConfigBlock>> blocks_;
  // Blocks by folded name, each list in block order.
  std::unordered_map<std::string, std::vector<CSConfigBlock*>> blockIndex_;
  std::unordered_map<int, CSConfigId> ids_;
  CSConfigBlock* lastBlock_ = nullptr;
  CSConfigValue scratch_;

  // Cursor state.
  std::string currentBlockName_;
  bool hasCurrentBlock_ = false;
  std::size_t blockCursor_ = 0;
  std::size_t itemCursor_ = 0;
  std::string record_;
  std::size_t recordPos_ = 0;
};
