// Everything the plug-in shows the user passes through here: the German text
// written in the code is the key of its translation in the language file.
#pragma once

#include <string>

class InterfaceSettings;

// The translation of text from the settings' message dictionary, or the text
// itself when there is none (an empty translation counts as none).
std::string translateText(InterfaceSettings& settings, const std::string& text);

// The translated format with the arguments formatted in (printf rules). A
// translation whose placeholders do not match the German text's is not used.
std::string formatMessage(InterfaceSettings& settings, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// As formatMessage, shown in a modal alert box (ads_alert).
void alertMessage(InterfaceSettings& settings, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// As formatMessage with a line feed before and after the translated format,
// printed on the command line (ads_printf).
void printMessage(InterfaceSettings& settings, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
