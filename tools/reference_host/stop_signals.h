#pragma once
// What tells the reference host to end the run: Ctrl-C on its console or a
// named event that another program sets.
#include <string>

// Routes Ctrl-C, Ctrl-Break and closing the console to StopRequested()
// instead of ending the process, so the plug-in can release everything.
void CatchConsoleStop();

// Creates or opens the named manual-reset event that stops the run; false
// when the name cannot be used.
bool WatchStopEvent(const std::string &name);

// True once Ctrl-C came or the stop event is set.
bool StopRequested();
