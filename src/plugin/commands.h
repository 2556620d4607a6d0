// The plug-in's commands: registration with the host and the dispatcher that
// runs one command from settings to clean-up.
#pragma once

#include <span>

#include "plugin/interface_settings.h"

// One command's work; returns 1 on success, -1 on failure or cancellation.
using CommandFlow = int (*)(InterfaceSettings& settings);

struct CommandEntry {
  const char* name;  // as registered with the host, "C:..."
  CommandFlow flow;
};

// The ten commands; the position is the function code.
std::span<const CommandEntry> commandTable();

// Registers the commands in table order, stopping at the first refusal;
// whether all were registered.
bool registerCommands();

// Runs the invoked command with the flows of the command table: 1 after a
// normal end, 0 after an early one (no function code, or the flow returned -1).
int dispatchCommand();
// The same with another flow per function code (codes past the end run none).
int dispatchCommand(std::span<const CommandFlow> flows);
