// The script language of drafthost: one line is one input at the command line.
#pragma once

#include <optional>
#include <string>

#include "groups.h"

namespace drafthost {

struct ScriptLine {
  enum Kind { Comment, Escape, Enter, Text };
  Kind kind = Text;
  std::string text;  // trimmed of surrounding blanks, for Text
};

// Comment (first non-blank ';'), Escape ("^C"), Enter (blank) or text.
ScriptLine classifyLine(const std::string& line);

struct LispCall {
  std::string function;
  GroupList args;  // RTSTR, RTSHORT, RTLONG, RTREAL
};

// Parses "(NAME arg ...)": strings in double quotes with \" and \\ escapes,
// integers (RTSHORT when they fit 16 bits, else RTLONG), reals (RTREAL).
// nullopt with *error set for anything else.
std::optional<LispCall> parseLispCall(const std::string& text, std::string* error);

// Input to an open dialog: lines whose first non-blank character is '~'.
struct DialogInput {
  enum Kind { Set, Action, Cancel };
  Kind kind = Cancel;
  std::string key;
  std::string value;  // Set: everything after the key and one blank, as typed
};

// True for a line meant for an open dialog (first non-blank character '~').
bool isDialogLine(const std::string& line);
// "~set KEY VALUE", "~action KEY" or "~cancel"; nullopt with *error set for
// any other dialog line.
std::optional<DialogInput> parseDialogLine(const std::string& line, std::string* error);

// "x,y" or "x,y,z" (z 0 when missing); false otherwise.
bool parsePoint(const std::string& text, Point* point);
// A whole decimal integer or real; false when the text is anything more or less.
bool parseInteger(const std::string& text, long long* value);
bool parseReal(const std::string& text, double* value);

}  // namespace drafthost
