// Pieces of the message output that the language-file tests and the fuzz
// target look at directly.
#pragma once

#include <string>
#include <unordered_map>

// True when both printf formats take the same arguments in the same order
// (same conversions and length modifiers, same '*' fields). False when either
// holds %n, a positional argument, an unknown conversion or a width or
// precision above 9999. Text after a character 0 is not looked at.
bool conversionsMatch(const std::string& german, const std::string& translation);

// One line of a language file (without its line end) into the dictionary;
// lines that are not an entry change nothing.
void addLanguageLine(std::unordered_map<std::string, std::string>& dictionary,
                     const std::string& line);
