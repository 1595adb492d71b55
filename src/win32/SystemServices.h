#pragma once

#include "MainForm.h"
#include "Win32FileSystem.h"
#include "Win32OsVersion.h"
#include "Win32SystemSettings.h"
#include "Win32TextCodec.h"
#include "Win32WaitCursor.h"
#include "settings/IniLinePositionStore.h"

namespace kiv::win32 {

// The real operating-system services behind the window's logic, made and owned together: the
// program's entry uses them, and so do the tests that run the real window in their own process.
struct SystemServices {
  Win32FileSystem fileSystem;
  Win32TextCodec codec;
  Win32SystemSettings settings;
  Win32OsVersion os;
  Win32WaitCursor cursor;
  IniLinePositionStore linePosition{fileSystem, codec};

  FormServices ForWindow() { return {settings, os, cursor, linePosition}; }
};

}  // namespace kiv::win32
