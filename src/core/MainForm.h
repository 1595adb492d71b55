#pragma once

#include <cstdint>
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

// The services the main window's logic calls.
struct FormServices {
  SystemSettings& settings;
  OsVersion& os;
  WaitCursor& cursor;
  LinePositionStore& linePosition;
  FormHost& host;
};

// The main window's logic: its controls, the mode, the apply operations and the event handlers.
// The real window mirrors these controls on screen and forwards the user's actions to them.
class TmainForm {
 public:
  explicit TmainForm(FormServices services);
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
  MenuItem N1{u"-", {}};
  MenuItem PPPage{u"１画面", {.autoCheck = true, .radioItem = true}};
  MenuItem PPLine{u"指定行数", {.autoCheck = true, .radioItem = true}};
  MenuItem N3{u"-", {}};
  GroupBox GroupBoxPointer{u"[ポインターの速度]"};
  ComboBox ComboBoxSpeed;
  GroupBox GroupBoxNoActive{u"[ホバーしたときに非アクティブウィンドウをスクロールする]"};
  CheckBox CHKNoActive{u"有効 (*Windows11/10)"};
  MenuItem PPNoActive{u"ホバーしたときに非アクティブウィンドウをスクロールする",
                      {.autoCheck = true}};
  MenuItem N2{u"-", {}};
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
  // The system-command message, after its standard processing.
  void WMSysCommand(std::uint32_t command);

  // The close path every way of closing takes. A save that fails is reported; a run that quits by
  // itself then ends with a failure, a resident run stays so that the user can retry.
  enum class CloseResult { Close, Stay, EndWithFailure };
  CloseResult RequestClose();
  // At the end of the session: save if possible, never hold the session up.
  void SaveForSessionEnd() noexcept;
  // After the start-up, however it went: a run with nothing to show and no timer would linger
  // unseen, so it is made to end like the quitting runs.
  void EnsureRunCanEnd();

  std::int32_t Mode() const { return MMode; }
  bool CloseTimerStarted() const { return closeTimerStarted_; }

 private:
  void ApplyScrollMode();
  void ApplySpeed();
  void ApplyNoActive();
  void Conceal();
  void StartCloseTimer();
  std::int32_t ReadRememberedLinePosition();
  void OfferNoActive(bool offered);
  void WireHandlers();

  FormServices services_;
  std::int32_t MMode = 0;
  bool applyingScrollMode_ = false;
  bool closeTimerStarted_ = false;
  bool showMainForm_ = true;
  bool closing_ = false;
};

// The tray images: 0 page mode, 1 line mode.
inline constexpr int kPageImage = 0;
inline constexpr int kLineImage = 1;

// SC_MINIMIZE; the low four bits of a system command are the system's own.
inline constexpr std::uint32_t kSysCommandMinimize = 0xF020;

}  // namespace kiv
