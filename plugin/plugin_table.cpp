#include "host_interface.h"
#include "output_run.h"
#include "messages.h"

namespace {

// Pairs of description and pattern for the host's file dialog, closed by an
// empty string: 41 bytes in all.
const char kFileFilter[] = "AviFile (*.avi)\0*.avi\0AllFile (*.*)\0*.*\0";
static_assert(sizeof kFileFilter == 41, "the filter list is 41 bytes with its closing NUL");

const char kInfoText[] = "Zelvanoor " ZELVANOOR_VERSION " - frame server by the Zelvanoor authors";

OutputPluginTable pluginTable = {
    0, kDisplayName, kFileFilter, kInfoText, nullptr, nullptr, &RunOutput, {},
};

}  // namespace

extern "C" OutputPluginTable *__cdecl GetOutputPluginTable(void) { return &pluginTable; }
