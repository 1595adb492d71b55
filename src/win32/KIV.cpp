// The program entry: settings folder, single instance, the main window and the message loop.
#include <windows.h>

#include "Application.h"
#include "CommandLine.h"
#include "ErrorReports.h"
#include "General.h"
#include "MainWindow.h"
#include "SystemServices.h"

namespace {

// Its existence marks a running instance in this logon session; it is never waited on.
constexpr wchar_t kInstanceMutexName[] = L"KIV/Brackenhall";
HANDLE InstanceMutex = nullptr;

// True when another instance holds the name. Creating the mutex and finding that it already
// existed also counts, so that two starts at the same moment cannot both run.
bool AnotherInstanceRuns() {
  InstanceMutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName);
  if (InstanceMutex != nullptr) {
    CloseHandle(InstanceMutex);
    InstanceMutex = nullptr;
    return true;
  }
  InstanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  if (InstanceMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(InstanceMutex);
    InstanceMutex = nullptr;
    return true;
  }
  return false;
}

int Run() {
  using namespace kiv;
  win32::SystemServices system;
  if (!PrepareSettingsFolder(system.fileSystem, u"KIV")) return 0;
  if (AnotherInstanceRuns()) return 0;

  win32::Application application;
  application.SetTitle(L"KIV");

  win32::MainWindow mainForm(application, system.ForWindow());
  mainForm.Create(SplitCommandLine(reinterpret_cast<const char16_t*>(GetCommandLineW())));

  application.Run();
  ReleaseMutex(InstanceMutex);
  return mainForm.ClosedWithFailure() ? 1 : 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return Run();
  } catch (...) {
    kiv::win32::ShowFatalErrorReportForCurrentException();
    return 1;
  }
}
