// What drafthost needs of the operating system: loading the plug-in, the
// terminal, Ctrl-C and its standard streams. POSIX and Windows each in a file
// of their own.
#pragma once

#include <string>

namespace drafthost::os {

// Loads the plug-in module (dlopen / LoadLibraryW); null with `error` set
// when it cannot be loaded.
void* loadModule(const std::string& path, std::string& error);
// An exported function of the module, or null.
void* moduleSymbol(void* module, const char* name);
void unloadModule(void* module);

// The plug-in beside the drafthost executable (drwlink2.so or drwlink2.dll).
std::string defaultPluginPath();

// Whether standard input is a terminal (a person types, no script).
bool inputIsTerminal();

// Ctrl-C during a wait for a catalogue program cancels the wait (see
// pump.h); at any other time it ends drafthost as usual.
void installCancelHandler();

// Standard output and error carry the same bytes on every system: no line
// ends are translated (Windows' text mode would write CR LF).
void untranslatedStandardStreams();

}  // namespace drafthost::os
