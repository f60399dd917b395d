#pragma once
#include "host_interface.h"

// One output run: register the codec, create the exchange objects, write the
// reference AVI, serve frames until the host's abort callback returns exactly 1.
// Returns 1 when the run ended through the user's abort while serving, else 0.
int32_t __cdecl RunOutput(OutputInfo *info);

// Registers the codec and creates the exchange objects for the run's frame
// size; on failure reports it in a box, releases what it made and returns 0.
// An existing region of the same name that is too small for the run counts as
// a failed mapping.
int32_t OpenExchange();

// Releases the exchange objects and removes the codec registration.
int32_t CloseExchange();
