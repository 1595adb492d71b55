#pragma once

#include <windows.h>

#include "MainForm.h"

namespace kiv::win32 {

// The settings window's child controls. The tests drive and inspect the window through them.
enum ControlId : int {
  kPageModeButton = 101,
  kLineModeButton,
  kLineCountList,
  kSpeedList,
  kNoActiveCheckBox,
  kWheelFrame = 201,
  kSpeedFrame,
  kNoActiveFrame,
};

// The tray menu's commands: the first one plus the item's place in the menu, separators counted.
inline constexpr UINT kFirstMenuCommand = 100;

constexpr UINT MenuCommandOf(MenuItem TmainForm::*item) {
  return kFirstMenuCommand + static_cast<UINT>(TrayMenuPosition(item));
}

enum MenuCommand : UINT {
  kMenuPageMode = MenuCommandOf(&TmainForm::PPPage),
  kMenuLineMode = MenuCommandOf(&TmainForm::PPLine),
  kMenuNoActive = MenuCommandOf(&TmainForm::PPNoActive),
  kMenuShowWindow = MenuCommandOf(&TmainForm::PPDisp),
  kMenuClose = MenuCommandOf(&TmainForm::PPClose),
};

}  // namespace kiv::win32
