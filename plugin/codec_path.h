#pragma once
#include <windows.h>

// The codec driver lies beside the plug-in with the same base name and the
// extension ".vcm". Empty when the module's own path gives no usable name.
extern char codecPath[MAX_PATH];

// Fills codecPath from the plug-in module's file name. A path that the system
// cut short, or one that does not end in a dot and three characters, leaves
// codecPath empty so that no garbage is ever registered.
void ComputeCodecPath(HMODULE module);

// The rule itself, on a given module path; false when it gives no codec path.
bool CodecPathFromModulePath(const char *modulePath, char (&result)[MAX_PATH]);
