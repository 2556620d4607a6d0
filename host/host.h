// The drafting host: its drawing, system variables, registered functions,
// selection sets, command line and prompts, and the plug-in it runs.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "drawing.h"
#include "groups.h"

namespace drafthost {

// Where the command line reads its input lines from (UTF-8).
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line without its line end; nullopt at the end of input.
  virtual std::optional<std::string> nextLine() = 0;
};

class StreamLines : public LineSource {
 public:
  explicit StreamLines(std::istream& in) : in_(in) {}
  std::optional<std::string> nextLine() override;

 private:
  std::istream& in_;
};

using EntryPoint = int (*)(int message, void* packet);

// An answer typed at a prompt.
struct Answer {
  enum Kind { Text, Enter, Cancel };
  Kind kind = Cancel;
  std::string text;  // UTF-8
};

class Host {
 public:
  explicit Host(std::ostream& out);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The host the plug-in talks to (the one made last); nullptr when none.
  static Host* current();

  Drawing drawing;

  // Options.
  std::ostream* trace = nullptr;  // JSON Lines of the plug-in's host calls
  double pickbox = 1.0;
  int measurement = 1;         // 0 imperial, 1 metric
  int measurementType = 5010;  // RTLONG; a host may report RTSHORT instead
  int cmdecho = 1;
  bool interactive = false;  // a person types: show open dialogs as text before each input

  // Plug-in: sends the initialise and load-drawing messages, or unload.
  void attach(EntryPoint entry);
  void detach();
  bool unlocked() const { return unlocked_; }
  void unlock() { unlocked_ = true; }

  // Position of ads_tblnext in each table (by lower-case table name).
  std::map<std::string, std::size_t> tableCursors;

  // Reads and runs command lines until the input ends.
  void run(LineSource& input);
  // Runs one command line (UTF-8); prompts read further lines from the input.
  void commandLine(const std::string& line);
  void setInput(LineSource* input) { input_ = input; }
  // The next input line that is not a comment; nullopt at the end of input.
  std::optional<std::string> nextInputLine() { return nextInput(); }

  // Runs the plug-in function registered under the name with the arguments;
  // false when no function of that name is registered.
  bool invoke(const std::string& name, const GroupList& args);

  // --- services for the host functions (texts in Windows-1252) ---
  void print(const std::string& text);  // command line
  void writeTrace(const nlohmann::ordered_json& entry);
  nlohmann::ordered_json groupJson(const Group& g) const;
  // The list as trace JSON; null when no trace is written.
  nlohmann::ordered_json listJson(const GroupList& list) const;
  // Shows the prompt, reads the next answer (UTF-8 text, Enter or Escape;
  // Escape also when the input has ended) and echoes it.
  Answer ask(const std::string& prompt);
  // Shows an error after a bad answer.
  void complain(const std::string& text) { out_ << text << '\n'; }

  // Host command run through ads_command; RTNORM or RTERROR.
  int runCommand(const GroupList& args);

  // Registered functions.
  int defineFunction(const std::string& name, int code);
  int functionCode() const { return activeCode_; }
  const GroupList& functionArgs() const { return activeArgs_; }
  const std::vector<std::pair<std::string, int>>& functions() const { return functions_; }

  // Selection sets: 0 when the host has no room for another set.
  int32_t newSet();
  bool addToSet(int32_t set, EntityId id);
  bool freeSet(int32_t set);
  const std::vector<EntityId>* setMembers(int32_t set) const;
  std::size_t openSets() const { return sets_.size(); }

  // Entity id of a name, or 0.
  EntityId entityOf(const int32_t name[2]) const;

  void* appPacket() { return &packet_; }

 private:
  struct SelectionSet {
    std::vector<EntityId> ids;  // in the order added
    // While the ids ascend (as when a set gathers entities as they are made)
    // the sorted ids answer whether one is in; after that the members do.
    bool ascending = true;
    std::unordered_set<EntityId> members;
  };

  bool hostCommandLine(const std::string& name, const std::string& rest);
  std::optional<std::string> nextInput();
  int layerCommand(const GroupList& args, std::size_t i);
  int linetypeCommand(const GroupList& args, std::size_t i);
  int blockCommand(const GroupList& args, std::size_t i);
  int acisinCommand(const GroupList& args, std::size_t i);
  int setVariable(const std::string& name, const Group* value);

  std::ostream& out_;
  LineSource* input_ = nullptr;
  EntryPoint entry_ = nullptr;
  int packet_ = 0;
  bool unlocked_ = false;
  int activeCode_ = -1;
  GroupList activeArgs_;
  std::vector<std::pair<std::string, int>> functions_;
  std::unordered_map<std::string, std::size_t> functionIndex_;
  std::map<int32_t, SelectionSet> sets_;
  // The set found last: an import adds entity after entity to one set.
  SelectionSet* findSet(int32_t set) const;
  mutable int32_t lastSet_ = 0;
  mutable SelectionSet* lastSetData_ = nullptr;
  int32_t setSeed_ = 1;
  Host* previous_ = nullptr;
};

// Finds a support file: the name itself (relative to the current directory),
// then each directory of DRAFTHOST_SUPPORT (":"-separated, ";" on Windows),
// then the installation's support directory. nullopt if none.
std::optional<std::string> findSupportFile(const std::string& name);

// The support directory of an installed drafthost (its setup folder), searched
// last; empty for none.
void setInstallationSupport(const std::string& directory);

// Loads linetypes from an AutoCAD .lin file: the names given (comma-separated,
// "*" for all); false with *error when the file or a linetype is missing.
bool loadLinetypeFile(Drawing& dwg, const std::string& path, const std::string& names,
                      std::string* error);

// Number of bodies in a SAT text; -1 when the text is no SAT file.
int countSatBodies(const std::string& text);

}  // namespace drafthost
