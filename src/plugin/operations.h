// Operations of the other plug-in modules that the entry point, the dispatcher
// and the command flows call, each defined by its own module (start-up
// environment, messages, line styles, launcher, placement, screw connection,
// options dialog).
#pragma once

#include <string>

#include "plugin/interface_settings.h"

// Start-up environment for a drawing, from the plug-in's own location.
void setupStartEnvironment(void* moduleHandle);

// Reads the language file into the settings' message dictionary; a missing file is no error.
void loadLanguageFile(InterfaceSettings& settings, const std::string& path);

// Fills the linetype and colour definition tables; missing files leave them empty.
void loadStyleDefinitions(InterfaceSettings& settings);
// Fills the per-style layer, linetype and colour lists from the settings items.
void applyLineStyleSettings(InterfaceSettings& settings);
// Makes sure the style layers and linetypes exist in the drawing: 1, else -1.
int prepareLineStyles(InterfaceSettings& settings);

// Starts a catalogue program through the launcher and waits for it: 1 on success.
int launchForMetafile(InterfaceSettings& settings, const std::string& program,
                      const std::string& switches);
int launchForSat(InterfaceSettings& settings, const std::string& program,
                 const std::string& switches);

// Brings an exchange file into the drawing: 1 on success, -1 (metafile) or 0
// (missing SAT file) otherwise.
int placeMetafile(InterfaceSettings& settings, const std::string& fileName);
int placeSatFile(InterfaceSettings& settings, const std::string& fileName);

// The screw-connection command and the options dialog: flow results.
int runScrewConnection(InterfaceSettings& settings);
int runOptionsDialog(InterfaceSettings& settings);
