#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/OsVersion.h"

namespace kiv {

// True exactly when the system reports major version 10 (Windows 10 and 11).
bool IsWindows10(OsVersion& os);

// Makes sure that <application data>\Brackenhall\<name> exists, creating each of the two levels
// when missing but nothing above them. Sets SettingsFolder() either way; true when the folder
// exists afterwards.
bool PrepareSettingsFolder(FileSystem& fs, std::u16string_view name);

// The settings folder ending in "\"; empty until PrepareSettingsFolder has run.
const std::u16string& SettingsFolder();

// Empties SettingsFolder() again, so that every test starts as the program does.
void ResetSettingsFolderForTesting();

}  // namespace kiv
