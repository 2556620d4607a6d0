// The library entry and the module handle it records.
#pragma once

// Records the module handle when the library is attached (reason 1); always 1.
int libraryEntry(void* module, int reason);

// The handle recorded at attach time; nullptr before.
void* moduleHandle();
