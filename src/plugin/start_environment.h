// Variables from where the plug-in is installed: HALDRIX_PROGRAMDRIVE and the
// ENVIRONS block of the nearest start.env. setupStartEnvironment (operations.h)
// runs these for the plug-in's own file.
#pragma once

#include <string>

// "X:" for a path with a drive letter, "//server/share" for a network path,
// else the empty text (every absolute POSIX path).
std::string programDrive(const std::string& modulePath);

// The start.env in the module's directory, its parent or its grandparent
// (nearest first); the empty text when none of them holds a readable one.
std::string findStartFile(const std::string& modulePath);

// Defines HALDRIX_PROGRAMDRIVE as a default and the start file's ENVIRONS
// items as overrides, for the module at that path. Never reports anything.
void setupStartEnvironmentFor(const std::string& modulePath);
