// drafthost's turn while the plug-in waits for a catalogue program: a progress
// line on standard error at most once a second, and Ctrl-C to cancel the wait.
#pragma once

namespace drafthost {

// Installs the Ctrl-C handler: during a wait it asks to cancel the wait,
// otherwise Ctrl-C ends drafthost as usual.
void installCancelHandler();

}  // namespace drafthost

// The hook the plug-in looks up in the host process: `secondsWaited` is 0 when
// a wait begins, the seconds so far while it lasts, -1 when it is over.
// Returns 1 when the user pressed Ctrl-C during the wait, else 0.
extern "C" int drafthost_pump(int secondsWaited);
