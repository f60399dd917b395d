#pragma once
#include "host_interface.h"

// Writes the reference AVI of the run to info->outputPath: token video under
// ZVNR and the host's PCM audio. 1 when complete and closed; 0 on failure
// (after its warning box) or when the user aborted.
int32_t WriteReferenceAvi(const OutputInfo *info);

// Releases the writer's streams and file and ends its use of AVIFile.
int32_t CloseReferenceAvi();
