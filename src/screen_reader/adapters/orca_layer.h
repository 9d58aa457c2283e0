#pragma once

#include <string>
#include <vector>

namespace velira
{

// Orca's settings layers for one application (Orca 49 and later keep their
// settings in GSettings, in dconf), over GIO. Each call waits until dconf
// has the change, so it runs off the user-interface thread.

// Whether the schema of Orca's typing echo is installed.
bool OrcaLayerSchemaInstalled();

// Sets the shell's quiet settings (every key of kOrcaQuietSettings false) in
// the typing-echo layer at each path that does not set them already.
// Returns whether any was set.
bool SetOrcaQuietLayers(const std::vector<std::string> &paths);

// Takes the shell's quiet settings out of the layers at `paths`: each key
// that is false there goes back to unset, so that Orca's own value holds.
void ClearOrcaQuietLayers(const std::vector<std::string> &paths);

} // namespace velira
