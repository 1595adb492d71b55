// The bare minimum of a resident tray program: a hidden window, one notification-area icon and a
// message loop. The benchmark compares the working set of `kiv.exe /t` with this.
#include <windows.h>

#include <shellapi.h>

#define CALLBACK_MESSAGE (WM_USER + 1)

static NOTIFYICONDATAW icon;

static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    Shell_NotifyIconW(NIM_DELETE, &icon);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)commandLine;
  (void)show;
  WNDCLASSW wc = {0};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"BenchTrayResident";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, NULL,
                              NULL, instance, NULL);
  if (hwnd == NULL) return 1;
  icon.cbSize = sizeof(icon);
  icon.hWnd = hwnd;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = CALLBACK_MESSAGE;
  icon.hIcon = LoadIconW(NULL, (LPCWSTR)IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"tray", ARRAYSIZE(icon.szTip));
  if (!Shell_NotifyIconW(NIM_ADD, &icon)) return 1;
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
