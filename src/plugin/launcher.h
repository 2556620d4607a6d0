// The catalogue launcher: starts a catalogue program through the suite's
// launcher MOXIstart, named in "$HALDRIX_SETUP/moxisol.cfg", and waits for the
// launcher to end. launchForMetafile and launchForSat (operations.h) put the
// exchange-file switches together and call startAndWait.
#pragma once

#include <string>

#include "platform/process.h"

class InterfaceSettings;

// Starts "launcher -mview program arguments" and waits, a second at a time,
// until the launcher has ended: 1 then (whatever its exit code), -1 with an
// alert when the launcher or program is missing or cannot be started, -1 with
// a message when the user cancelled the wait.
int startAndWait(InterfaceSettings& settings, const std::string& program,
                 const std::string& arguments);

// Starts the command line (split into arguments as the Windows runtime does);
// `success` false and an empty handle when it could not be started.
platform::ProcessHandle startProcess(const std::string& commandLine, bool& success);

// Gives the host its turn during the wait (`secondsWaited` so far): false when
// the user asked to cancel the wait, true otherwise.
bool pumpMessages(int secondsWaited);
