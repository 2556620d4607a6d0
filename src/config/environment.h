// Variables in file names: $NAME and $(NAME) resolved through the override
// table, the registry, the process environment, two built-ins and the default
// table, and the %SystemRoot% / %SystemTemp% placeholders.
#pragma once

#include <map>
#include <string>

// Status of resolveVariables.
enum ExpandStatus {
  ExpandFinished = 1,    // no variable, or every variable resolved
  ExpandSubstituted = 2, // a variable was substituted in this pass (internal)
  ExpandUndefined = -2,  // a variable is undefined; the result is its name
};

// Every variable resolved with registry lookup on; the input unchanged when any
// variable is undefined.
std::string expandVariables(const std::string& text);

// One full resolution; `status` receives an ExpandStatus. A chain of variables
// that leads back to itself counts as undefined.
std::string resolveVariables(const std::string& text, int& status, bool useRegistry = true);

void setVariableOverride(const std::string& name, const std::string& value);
void setVariableDefault(const std::string& name, const std::string& value);
void clearVariableOverrides();
void clearVariableDefaults();
// The override table's value, or the empty text.
std::string getVariableOverride(const std::string& name);

// Every variable the sources know, later sources overriding earlier ones.
void listVariables(std::map<std::string, std::string>& out);

// Writes the variable into the registry; 1 on success.
int storeVariable(const std::string& name, const std::string& value);
