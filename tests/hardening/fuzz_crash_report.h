#pragma once
// A crash inside the codec ends the test program; this makes it end with the
// case that caused it printed, so that the case can be replayed.

// Installs the process's last-chance exception handler.
void InstallCrashReport();

// The case about to run, as one line of text (copied).
void SetCurrentCase(const char *description);
