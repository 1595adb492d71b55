// Resource identifiers shared by kiv.rc and the code.
#pragma once

#define IDI_KIV 1
#define IDI_TRAY_PAGE 101
#define IDI_TRAY_LINE 102
