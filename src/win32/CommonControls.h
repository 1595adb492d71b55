#pragma once

#include <windows.h>

namespace kiv::win32 {

// The common controls library is loaded when the settings window first needs its controls, not
// when the process starts: loading it costs a one-shot run a noticeable part of its start-up,
// before the change it was started for, and a resident run memory it may never use. The manifest
// selects version 6, as it would for an import.

// Loads the library, version 6 through the manifest, never from the program's or the current
// folder.
HMODULE LoadCommonControlsLibrary() noexcept;

// Loads the library and registers the standard control classes. Without it the controls fall back
// to the system's own classes, so a failure is not fatal.
void LoadCommonControls() noexcept;

}  // namespace kiv::win32
