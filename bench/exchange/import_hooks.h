#pragma once
// Redirects a module's imports: every slot of the module's import address
// table that holds the named function gets `replacement`. This lets the
// benchmark count the platform calls of the real code (its own copy of the
// exchange, the codec driver, the plug-in) without touching that code.
#include <windows.h>

// Returns the number of slots changed; stores the previous target in
// *original when one slot was found.
int PatchImport(HMODULE module, const char *name, void *replacement, void **original);
