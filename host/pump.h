// drafthost's turn while the plug-in waits for a catalogue program: a progress
// line on standard error at most once a second, and Ctrl-C to cancel the wait.
#pragma once

namespace drafthost {

// Called from the Ctrl-C handler (a signal handler on POSIX, a handler thread
// on Windows): during a wait it asks the plug-in to cancel the wait and
// returns true; otherwise false, and Ctrl-C keeps its usual meaning.
bool cancelWaitOnInterrupt();

}  // namespace drafthost

// The hook the plug-in looks up in the host process: `secondsWaited` is 0 when
// a wait begins, the seconds so far while it lasts, -1 when it is over.
// Returns 1 when the user pressed Ctrl-C during the wait, else 0.
extern "C" int drafthost_pump(int secondsWaited);
