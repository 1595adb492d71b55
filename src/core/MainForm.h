#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "controls/CheckBox.h"
#include "controls/ComboBox.h"
#include "controls/Control.h"
#include "controls/NotifyIcon.h"
#include "controls/PopupMenu.h"
#include "controls/RadioButton.h"
#include "platform/FormHost.h"
#include "platform/LinePositionStore.h"
#include "platform/OsVersion.h"
#include "platform/SystemSettings.h"
#include "platform/WaitCursor.h"

namespace kiv {

// The system services the main window's logic calls.
struct FormServices {
  SystemSettings& settings;
  OsVersion& os;
  WaitCursor& cursor;
  LinePositionStore& linePosition;
};

// The two values of the mode.
inline constexpr std::int32_t kPageMode = 0;  // one screen per notch
inline constexpr std::int32_t kLineMode = 1;  // the chosen number of lines per notch

// The main window's logic: its controls, the mode, the apply operations and the event handlers.
// The real window mirrors these controls on screen, forwards the user's actions to them and
// carries out what the logic asks of it through the host.
class TmainForm {
 public:
  TmainForm(FormServices services, FormHost& host);
  TmainForm(const TmainForm&) = delete;
  TmainForm& operator=(const TmainForm&) = delete;

  // Components, in declaration order.
  RadioButton BtnLine{u"１度に次の行数スクロールする"};
  RadioButton BtnPage{u"１画面ずつスクロールする"};
  GroupBox GroupBoxWheel{u"[ホイールの１目盛りでスクロールする量]"};
  ComboBox ComboBoxLine;
  PopupMenu PPMenu;
  MenuItem PPClose{u"終了", {}};
  MenuItem PPDisp{u"ウィンドウを表示", {}};
  MenuItem PPPage{u"１画面", {.autoCheck = true, .radioItem = true}};
  MenuItem PPLine{u"指定行数", {.autoCheck = true, .radioItem = true}};
  GroupBox GroupBoxPointer{u"[ポインターの速度]"};
  ComboBox ComboBoxSpeed;
  GroupBox GroupBoxNoActive{u"[ホバーしたときに非アクティブウィンドウをスクロールする]"};
  CheckBox CHKNoActive{u"有効 (*Windows11/10)"};
  MenuItem PPNoActive{u"ホバーしたときに非アクティブウィンドウをスクロールする",
                      {.autoCheck = true}};
  NotifyIcon TrayIcon;

  // Event handlers.
  void FormCreate(const std::vector<std::u16string>& arguments);
  void BtnPageClick();
  void BtnLineClick();
  void PPCloseClick();
  void PPDispClick();
  void PPPageClick();
  void PPLineClick();
  void TrayIconDblClick();
  void TimerTimer();
  void ComboBoxLineChange();
  void ComboBoxSpeedChange();
  void CHKNoActiveClick();
  void PPNoActiveClick();
  void FormCloseQuery(bool& canClose);
  // The system-command message; true when the command was taken here and the system's own
  // processing must not run.
  bool WMSysCommand(std::uint32_t command);

  // The close path every way of closing takes. A save that fails is reported; a run that quits by
  // itself then ends with a failure, a resident run stays so that the user can retry.
  enum class CloseResult { Close, Stay, EndWithFailure };
  CloseResult RequestClose();
  // At the end of the session: save if possible, never hold the session up.
  void SaveForSessionEnd() noexcept;
  // After the start-up, however it went: a run with nothing to show that would not quit would
  // linger unseen, so it is made to quit like the one-shot runs.
  void EnsureRunCanEnd();

  // What the start-up decided, for the window to carry out once it exists: whether the window
  // shows when the message loop starts, and whether the run quits by itself (on the close timer).
  bool ShowMainForm() const { return showMainForm_; }
  bool QuitsByItself() const { return quitsByItself_; }

  std::int32_t Mode() const { return MMode; }

 private:
  void ApplyScrollMode();
  void ApplySpeed();
  void ApplyNoActive();
  void Conceal();
  void QuitByItself() { quitsByItself_ = true; }
  std::int32_t ReadRememberedLinePosition();
  void OfferNoActive(bool offered);
  void WireHandlers();

  FormServices services_;
  FormHost& host_;
  std::int32_t MMode = kPageMode;
  bool quitsByItself_ = false;
  bool showMainForm_ = true;
  bool closing_ = false;
};

// The tray menu from the top; an empty entry is a separator line.
inline constexpr MenuItem TmainForm::*kTrayMenuLayout[] = {
    &TmainForm::PPPage,
    &TmainForm::PPLine,
    nullptr,
    &TmainForm::PPNoActive,
    nullptr,
    &TmainForm::PPDisp,
    nullptr,
    &TmainForm::PPClose,
};

// An item's place in the tray menu, counting the separators; -1 when it is not in the menu.
constexpr int TrayMenuPosition(MenuItem TmainForm::*item) {
  for (std::size_t i = 0; i < std::size(kTrayMenuLayout); ++i) {
    if (item != nullptr && kTrayMenuLayout[i] == item) return static_cast<int>(i);
  }
  return -1;
}

// The tray images.
inline constexpr int kPageImage = 0;
inline constexpr int kLineImage = 1;

// SC_MINIMIZE; the low four bits of a system command are the system's own.
inline constexpr std::uint32_t kSysCommandMinimize = 0xF020;

}  // namespace kiv
