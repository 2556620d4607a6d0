// Language files of any content must load, and formatting the plug-in's German
// texts with whatever translations they hold must never go wrong: a translation
// whose placeholders differ from the German text's is not used.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "plugin/ads.h"
#include "plugin/interface_settings.h"
#include "plugin/message_format.h"
#include "plugin/messages.h"

// The two host functions the message output calls, without a host.
extern "C" int ads_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[64];
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n;
}
extern "C" int ads_alert(const char* text) {
  return text ? RTNORM : RTERROR;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InterfaceSettings settings;
  std::string text(reinterpret_cast<const char*>(data), size);
  // Lines as the loader splits them: at line feeds, without a final CR.
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    addLanguageLine(settings.messages(), line);
    start = end + 1;
  }

  // Texts of the plug-in with the argument types they are written for.
  std::string r;
  r += formatMessage(settings, "Drehwinkel:");
  r += formatMessage(settings, "Datei %s wurde nicht gefunden", "a/b.dcl");
  r += formatMessage(settings, "Programm MOXIstart (%s) wurde nicht gefunden!", "x");
  r += formatMessage(settings, "mconset=    1,%5.1f,%5.1f,   -1", 12.5, 3.0);
  r += formatMessage(settings, "%d %s %c %ld %x %%", 7, "s", 'c', 9L, 255u);
  r += formatMessage(settings, "%*d|%.*s", 4, 2, 3, "abcdef");
  printMessage(settings, "Layer %s konnte nicht erzeugt werden", "L");
  alertMessage(settings,
               "Linienstil %s existiert nicht!\nGeben Sie im 2D-Optionendialog der MOXIsolutions "
               "AutoCAD-Schnittstelle einen g\xfcltigen Linientyp an.",
               "Mitte");
  for (const auto& entry : settings.messages()) {
    r += translateText(settings, entry.first);
    conversionsMatch(entry.first, entry.second);
  }
  return r.empty() ? 1 : 0;
}
