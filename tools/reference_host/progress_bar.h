#pragma once
// A one-line text progress bar on standard output, redrawn only when it moves.
#include <cstdint>

void DrawProgress(int32_t position, int32_t total);

// Ends the bar's line (once something was drawn).
void EndProgress();
