#include "MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>

#include "Application.h"
#include "CommandIds.h"
#include "CommonControls.h"
#include "ErrorReports.h"
#include "KivError.h"
#include "Nesting.h"
#include "NewerFunctions.h"
#include "WideText.h"
#include "WindowProcedure.h"
#include "resource.h"

namespace kiv::win32 {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::u16string& caption,
                 DWORD style, int id) {
  return CreateWindowExW(0, windowClass, Wide(caption), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

MainWindow::MainWindow(Application& application, FormServices services)
    : application_(application), form_(services, *this) {}

MainWindow::~MainWindow() {
  trayIcon_.reset();
  hwnd_.reset();
  font_.reset();
}

void MainWindow::CreateControls() {
  TmainForm& f = form_;
  // Creation order is the tab order; frames are never tab stops.
  wheelFrame_ = std::make_unique<WindowView>(
      CreateChild(hwnd_, WC_BUTTONW, f.GroupBoxWheel.Caption(), BS_GROUPBOX, kWheelFrame),
      f.GroupBoxWheel);
  lineModeButton_ =
      std::make_unique<RadioButtonView>(CreateChild(hwnd_, WC_BUTTONW, f.BtnLine.Caption(),
                                                    BS_RADIOBUTTON | WS_GROUP, kLineModeButton),
                                        f.BtnLine);
  pageModeButton_ = std::make_unique<RadioButtonView>(
      CreateChild(hwnd_, WC_BUTTONW, f.BtnPage.Caption(), BS_RADIOBUTTON, kPageModeButton),
      f.BtnPage);
  lineCountList_ = std::make_unique<ComboBoxView>(
      CreateChild(hwnd_, WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                  kLineCountList),
      f.ComboBoxLine);
  speedFrame_ = std::make_unique<WindowView>(
      CreateChild(hwnd_, WC_BUTTONW, f.GroupBoxPointer.Caption(), BS_GROUPBOX, kSpeedFrame),
      f.GroupBoxPointer);
  speedList_ = std::make_unique<ComboBoxView>(
      CreateChild(hwnd_, WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                  kSpeedList),
      f.ComboBoxSpeed);
  noActiveFrame_ = std::make_unique<WindowView>(
      CreateChild(hwnd_, WC_BUTTONW, f.GroupBoxNoActive.Caption(), BS_GROUPBOX, kNoActiveFrame),
      f.GroupBoxNoActive);
  noActiveCheckBox_ = std::make_unique<CheckBoxView>(
      CreateChild(hwnd_, WC_BUTTONW, f.CHKNoActive.Caption(),
                  BS_CHECKBOX | WS_TABSTOP | WS_GROUP | BS_MULTILINE, kNoActiveCheckBox),
      f.CHKNoActive);
}

void MainWindow::Create(const std::vector<std::u16string>& arguments) {
  // The start-up works on the control models alone, before any window exists, so that the
  // one-shot runs make their change without paying for windows, controls, font and layout first.
  // The windows then take the models' state as they attach.
  Guarded([&] { form_.FormCreate(arguments); });
  Guarded([&] { form_.EnsureRunCanEnd(); });
  CreateWindows();
}

void MainWindow::CreateWindows() {
  application_.CreateWindowOnce();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardToOwner<MainWindow>;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KIV));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  // Owned by the application window, which carries the taskbar button: this window has none.
  hwnd_.reset(CreateWindowExW(kExStyle, kWindowClass, L"KIV", kStyle, 0, 0, 0, 0,
                              application_.Handle(), nullptr, instance, this));
  if (hwnd_ == nullptr) throw KivError(u"ウィンドウを作成できません");
  application_.Carry(hwnd_);
  dpi_ = DpiForWindow(hwnd_);
  // The controls come with the window's first showing, if any: they and their library are most
  // of what a resident run would otherwise hold in memory.

  // The icon comes last: once it shows, the start-up has run to its end.
  trayIcon_ = std::make_unique<TrayIcon>(form_.TrayIcon, form_.PPMenu);
  trayIcon_->StateChanged();

  if (form_.QuitsByItself()) Guarded([&] { StartCloseTimer(); });
}

void MainWindow::CreateControlsOnce() {
  if (wheelFrame_ != nullptr) return;
  LoadCommonControls();
  CreateControls();
  // The controls take the state the models have reached so far.
  for (WindowView* view : std::initializer_list<WindowView*>{
           wheelFrame_.get(), lineModeButton_.get(), pageModeButton_.get(), lineCountList_.get(),
           speedFrame_.get(), speedList_.get(), noActiveFrame_.get(), noActiveCheckBox_.get()}) {
    view->StateChanged();
  }
  ApplyDpi(dpi_);
}

// --- Layout -----------------------------------------------------------------------------------

void MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi == 0 ? 96 : dpi;
  HFONT font = CreateFontW(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, fontFace_.c_str());
  if (font != nullptr) {
    font_.reset(font);
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
  Layout();
}

int MainWindow::TextHeight() const {
  const ScopedDC dc(hwnd_, font_);
  SIZE size{};
  if (dc && GetTextExtentPoint32W(dc.get(), L"0", 1, &size)) return size.cy;
  return Scale(13);
}

void MainWindow::Layout() {
  // The design figures hold for a face whose text height at this size is 13 pixels (Tahoma).
  // Another face, a Japanese one with its taller lines above all, makes every frame as much
  // taller as its controls need, with the design's margins kept; nothing shrinks below the design.
  const int textHeight = TextHeight();
  const int top = textHeight + Scale(2);  // a frame's content starts below its caption
  const int margin = Scale(2);
  const int width = std::max(Scale(304), WidthForCaptions());
  const int inner = width - 2 * margin;
  const int buttonHeight = std::max(Scale(17), textHeight + Scale(4));
  const int dropDown = Scale(200);  // room for the open list below the field

  // A drop-down list makes its field as tall as its font needs, whatever height it is given.
  MoveWindow(lineCountList_->Handle(), margin, 0, inner, Scale(21) + dropDown, FALSE);
  MoveWindow(speedList_->Handle(), margin, 0, inner, Scale(21) + dropDown, FALSE);
  RECT field{};
  GetWindowRect(speedList_->Handle(), &field);
  const int comboHeight = std::max<int>(Scale(21), field.bottom - field.top);

  // The frames stack from the top; their controls dock inside the content areas.
  const int wheelHeight =
      std::max(Scale(79), top + buttonHeight + Scale(7) + buttonHeight + comboHeight + margin);
  const int pointerHeight = std::max(Scale(47), top + comboHeight + Scale(9) + margin);
  const int noActiveHeight = std::max(Scale(45), top + buttonHeight + Scale(11) + margin);
  const int wheelY = 0;
  const int pointerY = wheelY + wheelHeight;
  const int noActiveY = pointerY + pointerHeight;

  MoveWindow(wheelFrame_->Handle(), 0, wheelY, width, wheelHeight, TRUE);
  MoveWindow(pageModeButton_->Handle(), margin, wheelY + top, inner, buttonHeight, TRUE);
  const int comboLineY = wheelY + wheelHeight - margin - comboHeight;
  MoveWindow(lineCountList_->Handle(), margin, comboLineY, inner, comboHeight + dropDown, TRUE);
  MoveWindow(lineModeButton_->Handle(), margin, comboLineY - buttonHeight, inner, buttonHeight,
             TRUE);
  MoveWindow(speedFrame_->Handle(), 0, pointerY, width, pointerHeight, TRUE);
  MoveWindow(speedList_->Handle(), margin, pointerY + top, inner, comboHeight + dropDown, TRUE);
  MoveWindow(noActiveFrame_->Handle(), 0, noActiveY, width, noActiveHeight, TRUE);
  MoveWindow(noActiveCheckBox_->Handle(), margin, noActiveY + top, inner,
             noActiveHeight - top - margin, TRUE);

  const int height = noActiveY + noActiveHeight;
  RECT frame{0, 0, width, height};
  AdjustWindowRectForDpi(&frame, kStyle, kExStyle, dpi_);
  SIZE outer{frame.right - frame.left, frame.bottom - frame.top};
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame keeps the system DPI on a monitor of another one (Windows 8.1), the client
  // area comes out other than asked for: correct by the difference.
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (client.right != width || client.bottom != height) {
    outer.cx += width - client.right;
    outer.cy += height - client.bottom;
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int MainWindow::WidthForCaptions() const {
  // The design width suits the design font; a wider face must not clip a caption.
  const ScopedDC dc(hwnd_, font_);
  if (!dc) return 0;
  const auto textWidth = [&dc](const std::u16string& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const TmainForm& f = form_;
  // A frame's caption starts a few pixels in; a button's after its mark and a gap.
  const int frameExtra = Scale(8) * 2;
  const int markExtra = SystemMetricForDpi(SM_CXMENUCHECK, dpi_) + Scale(6) + Scale(2) * 2;
  int needed = 0;
  for (const GroupBox* frame : {&f.GroupBoxWheel, &f.GroupBoxPointer, &f.GroupBoxNoActive}) {
    needed = std::max(needed, textWidth(frame->Caption()) + frameExtra);
  }
  for (const Control* button :
       {static_cast<const Control*>(&f.BtnPage), static_cast<const Control*>(&f.BtnLine),
        static_cast<const Control*>(&f.CHKNoActive)}) {
    needed = std::max(needed, textWidth(button->Caption()) + markExtra);
  }
  return needed;
}

void MainWindow::PlaceFirstTime() {
  placed_ = true;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  int left = work.left + (work.right - work.left - width) / 2;
  int top = work.top + (work.bottom - work.top - height) / 2;
  if (left < work.left) left = work.left;
  if (top < work.top) top = work.top;
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Showing, and what the logic asks of the window -------------------------------------------

void MainWindow::ShowAtStart(int showCommand) {
  if (!form_.ShowMainForm() || closed_) return;
  Guarded([&] { Show(showCommand); });
}

void MainWindow::Show(int showCommand) {
  CreateControlsOnce();
  if (!placed_) PlaceFirstTime();
  if (showCommand == SW_SHOWMINNOACTIVE) {
    // The application starts minimised to its taskbar button; the window stays hidden until the
    // button is restored (the application window shows it then).
    ShowWindow(application_.Handle(), SW_SHOWMINNOACTIVE);
    return;
  }
  application_.ShowTaskbarButton(true);
  ShowWindow(hwnd_, showCommand == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void MainWindow::ShowForm() {
  CreateControlsOnce();
  if (!placed_) PlaceFirstTime();
  application_.ShowTaskbarButton(true);
  if (IsIconic(application_.Handle())) ShowWindow(application_.Handle(), SW_RESTORE);
  ShowWindow(hwnd_, SW_SHOW);
  BringWindowToTop(hwnd_);
  SetForegroundWindow(hwnd_);
}

void MainWindow::HideForm() {
  ShowWindow(hwnd_, SW_HIDE);
  application_.ShowTaskbarButton(false);
}

// Posted: the close then runs from the message loop, after the handler that asked for it.
void MainWindow::CloseForm() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::StartCloseTimer() {
  if (startTimer(hwnd_, kCloseTimer, kCloseTimerInterval, nullptr) != 0) return;
  // Without a timer the run would stay on, unseen, holding the single-instance name: the tick
  // comes at once instead, and the run ends by the same path.
  if (!PostMessageW(hwnd_, WM_TIMER, kCloseTimer, 0)) throw KivError(u"タイマーが足りません");
}

void MainWindow::UseMenuFontFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (NonClientMetricsForDpi(&metrics, dpi_) && metrics.lfMenuFont.lfFaceName[0] != L'\0') {
    fontFace_ = metrics.lfMenuFont.lfFaceName;
    if (wheelFrame_ != nullptr) ApplyDpi(dpi_);
  }
}

void MainWindow::ShowCommandLineError() {
  // Owned by the hidden application window, so no window of the program shows with it.
  application_.CreateWindowOnce();
  const Nesting::Level box;
  MessageBoxW(application_.Handle(), L"コマンドラインオプションに誤りがあります。終了します。",
              L"KIV", MB_OK | MB_ICONERROR);
}

void MainWindow::ReportError(const std::u16string& message) { ShowGeneralErrorReport(message); }

void MainWindow::EndSession() {
  // The process ends from here, perhaps from inside the tray menu's loop: nothing is destroyed
  // under it; the icon leaves the notification area, the system takes the rest.
  if (trayIcon_ != nullptr) trayIcon_->Remove();
  ExitProcess(0);
}

// --- Messages ---------------------------------------------------------------------------------

void MainWindow::OnClose() {
  // Sent from another program, a close reaches this window wherever the program is: inside the
  // tray menu, a message box, a handler waiting for a broadcast to be answered. Closing there
  // would destroy what is still running; the loops end, and the close comes back when the program
  // is back in its message loop.
  if (Nesting::Depth() > 1) {
    Nesting::EndModalLoops();
    Nesting::PostWhenUnwound(hwnd_, WM_CLOSE);
    return;
  }
  switch (form_.RequestClose()) {
    case TmainForm::CloseResult::Stay:
      return;
    case TmainForm::CloseResult::EndWithFailure:
      failed_ = true;
      break;
    case TmainForm::CloseResult::Close:
      break;
  }
  closed_ = true;
  hwnd_.reset();
}

void MainWindow::OnCommand(int id, int code) {
  TmainForm& f = form_;
  switch (id) {
    case kPageModeButton:
      if (code == BN_CLICKED) f.BtnPage.Click();
      break;
    case kLineModeButton:
      if (code == BN_CLICKED) f.BtnLine.Click();
      break;
    case kNoActiveCheckBox:
      if (code == BN_CLICKED) f.CHKNoActive.Click();
      break;
    case kLineCountList:
    case kSpeedList:
      if (code == CBN_SELCHANGE && lineCountList_ != nullptr) {
        ComboBox& combo = id == kLineCountList ? f.ComboBoxLine : f.ComboBoxSpeed;
        HWND control = id == kLineCountList ? lineCountList_->Handle() : speedList_->Handle();
        combo.UserSelect(static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
      }
      break;
    default:
      break;
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SYSCOMMAND:
      if (form_.WMSysCommand(static_cast<std::uint32_t>(wParam))) return 0;
      return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_TIMER:
      if (wParam == kCloseTimer) form_.TimerTimer();
      return 0;
    case kDpiChangedMessage: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      dpi_ = HIWORD(wParam);
      if (wheelFrame_ != nullptr) ApplyDpi(dpi_);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_QUERYENDSESSION:
      form_.SaveForSessionEnd();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) EndSession();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kCloseTimer);
      trayIcon_.reset();
      application_.Carry(nullptr);
      application_.ShowTaskbarButton(false);
      application_.Terminate();
      return 0;
    case WM_NCDESTROY: {
      const HWND hwnd = hwnd_;
      hwnd_.forget();
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace kiv::win32
