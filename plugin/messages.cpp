#include "messages.h"

#include <windows.h>

void ShowWarning(const char *text) { MessageBoxA(nullptr, text, kDisplayName, MB_ICONWARNING); }
