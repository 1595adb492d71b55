// The program entry: settings folder, single instance, the main window and the message loop.
#include <windows.h>

#include "Application.h"
#include "CommandLine.h"
#include "ErrorReports.h"
#include "General.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "SystemServices.h"
#include "WideText.h"

namespace {

int Run() {
  using namespace kiv;
  win32::SystemServices system;
  if (!PrepareSettingsFolder(system.fileSystem, u"KIV")) return 0;
  const win32::SingleInstance instance(win32::kKivInstanceName);
  if (instance.AnotherRuns()) return 0;

  win32::Application application;
  application.SetTitle(L"KIV");

  win32::MainWindow mainForm(application, system.ForWindow());
  mainForm.Create(SplitCommandLine(win32::Utf16(GetCommandLineW())));
  mainForm.ShowAtStart(win32::Application::LaunchShowCommand());

  application.Run();
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
