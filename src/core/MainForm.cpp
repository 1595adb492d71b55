#include "MainForm.h"

#include "CommandLine.h"
#include "General.h"
#include "KivError.h"

namespace kiv {

namespace {

constexpr int kLineCount = 100;
constexpr int kSpeedCount = 20;
constexpr std::int32_t kMinSpeed = 1;
constexpr std::int32_t kMaxSpeed = 20;

// The list position that shows a setting value, or -1 when the list has no such entry.
int PositionOf(std::int32_t value, int count) {
  return value >= 1 && value <= count ? value - 1 : -1;
}

}  // namespace

TmainForm::TmainForm(FormServices services, FormHost& host) : services_(services), host_(host) {
  BtnPage.PairWith(BtnLine);
  for (MenuItem TmainForm::*item : kTrayMenuLayout) {
    if (item != nullptr) {
      PPMenu.Add(this->*item);
    } else {
      PPMenu.AddSeparator();
    }
  }
  WireHandlers();
}

void TmainForm::WireHandlers() {
  BtnPage.OnClick = [this] { BtnPageClick(); };
  BtnLine.OnClick = [this] { BtnLineClick(); };
  ComboBoxLine.OnChange = [this] { ComboBoxLineChange(); };
  ComboBoxSpeed.OnChange = [this] { ComboBoxSpeedChange(); };
  CHKNoActive.OnClick = [this] { CHKNoActiveClick(); };
  PPPage.OnClick = [this] { PPPageClick(); };
  PPLine.OnClick = [this] { PPLineClick(); };
  PPNoActive.OnClick = [this] { PPNoActiveClick(); };
  PPDisp.OnClick = [this] { PPDispClick(); };
  PPClose.OnClick = [this] { PPCloseClick(); };
  TrayIcon.OnDblClick = [this] { TrayIconDblClick(); };
}

// --- Apply operations -------------------------------------------------------------------------

void TmainForm::ApplyScrollMode() {
  const std::optional<std::int32_t> current = services_.settings.ReadWheelScrollLines();
  std::int32_t target;
  if (MMode == kPageMode) {
    BtnPage.SetChecked(true);
    BtnLine.SetChecked(false);
    ComboBoxLine.SetEnabled(false);
    PPPage.SetChecked(true);
    PPLine.SetChecked(false);
    TrayIcon.SetImageIndex(kPageImage);
    TrayIcon.SetHint(u"１画面");
    target = kPageScroll;
  } else {
    BtnPage.SetChecked(false);
    BtnLine.SetChecked(true);
    ComboBoxLine.SetEnabled(true);
    PPPage.SetChecked(false);
    PPLine.SetChecked(true);
    TrayIcon.SetImageIndex(kLineImage);
    TrayIcon.SetHint(u"指定行数");
    if (ComboBoxLine.ItemIndex() < 0) {
      // No line count chosen: writing zero lines per notch would stop the wheel. Leaving page
      // mode takes the default count; any other system value is left as it is.
      if (current != kPageScroll) return;
      ComboBoxLine.SetItemIndex(kDefaultLinePosition);
    }
    target = ComboBoxLine.ItemIndex() + 1;
  }
  // The write waits while every window takes the broadcast; a tray double-click arriving
  // meanwhile comes back here and is applied in full on its own.
  if (current == target) return;
  WaitCursorScope wait(services_.cursor);
  services_.settings.WriteWheelScrollLines(target);
}

void TmainForm::ApplySpeed() {
  if (ComboBoxSpeed.ItemIndex() < 0) return;
  const std::int32_t target = ComboBoxSpeed.ItemIndex() + 1;
  WaitCursorScope wait(services_.cursor);
  if (services_.settings.ReadPointerSpeed() != target) {
    services_.settings.WritePointerSpeed(target);
  }
}

void TmainForm::ApplyNoActive() {
  const std::optional<std::int32_t> current = services_.settings.ReadWheelRouting();
  // Without a readable value the setting is not offered, and is never written.
  if (!current) return;
  const bool wanted = CHKNoActive.Checked();
  if ((*current == kRoutingMousePos) == wanted) return;
  WaitCursorScope wait(services_.cursor);
  services_.settings.WriteWheelRouting(wanted ? kRoutingMousePos : kRoutingFocus);
}

// --- Start-up ---------------------------------------------------------------------------------

void TmainForm::Conceal() {
  showMainForm_ = false;
  TrayIcon.SetVisible(false);
}

void TmainForm::OfferNoActive(bool offered) {
  GroupBoxNoActive.SetEnabled(offered);
  CHKNoActive.SetEnabled(offered);
  PPNoActive.SetEnabled(GroupBoxNoActive.Enabled());
}

std::int32_t TmainForm::ReadRememberedLinePosition() {
  // A settings file that cannot be read is reported once; the start-up then goes on with the
  // default so that the command line is still honoured.
  try {
    return services_.linePosition.Read();
  } catch (const KivError& error) {
    host_.ReportError(error.Message());
    return kDefaultLinePosition;
  }
}

void TmainForm::FormCreate(const std::vector<std::u16string>& arguments) {
  OfferNoActive(IsWindows10(services_.os));
  host_.UseMenuFontFace();
  Conceal();

  ComboBoxSpeed.FillWithNumbers(kSpeedCount);
  const std::optional<std::int32_t> speed = services_.settings.ReadPointerSpeed();
  ComboBoxSpeed.SetItemIndex(speed ? PositionOf(*speed, kSpeedCount) : -1);

  ComboBoxLine.FillWithNumbers(kLineCount);
  const std::optional<std::int32_t> lines = services_.settings.ReadWheelScrollLines();
  if (lines == kPageScroll) {
    MMode = kPageMode;
    ComboBoxLine.SetItemIndex(ReadRememberedLinePosition());
  } else {
    MMode = kLineMode;
    ComboBoxLine.SetItemIndex(lines ? PositionOf(*lines, kLineCount) : -1);
  }
  ApplyScrollMode();

  if (GroupBoxNoActive.Enabled()) {
    const std::optional<std::int32_t> routing = services_.settings.ReadWheelRouting();
    if (routing) {
      CHKNoActive.SetChecked(*routing == kRoutingMousePos);
      PPNoActive.SetChecked(CHKNoActive.Checked());
    } else {
      OfferNoActive(false);
    }
  }

  if (arguments.empty()) {
    Conceal();
    MMode = MMode == kPageMode ? kLineMode : kPageMode;
    ApplyScrollMode();
    QuitByItself();
  }

  std::int32_t requestedSpeed = 0;
  bool resident = false;
  if (arguments.size() == 1) {
    const std::u16string& argument = arguments.front();
    if (argument == u"/t") {
      showMainForm_ = false;
      TrayIcon.SetVisible(true);
      resident = true;
    }
    if (argument == u"/w") {
      showMainForm_ = true;
      TrayIcon.SetVisible(false);
      resident = true;
    }
    requestedSpeed = ConvertArgumentToNumber(argument);
    if (requestedSpeed >= kMinSpeed && requestedSpeed <= kMaxSpeed) {
      Conceal();
      ComboBoxSpeed.SetItemIndex(requestedSpeed - 1);
      ApplySpeed();
      QuitByItself();
    }
  }

  const bool speedRequested = requestedSpeed >= kMinSpeed && requestedSpeed <= kMaxSpeed;
  if (arguments.size() >= 2 || (arguments.size() == 1 && !resident && !speedRequested)) {
    Conceal();
    host_.ShowCommandLineError();
    QuitByItself();
  }
}

void TmainForm::EnsureRunCanEnd() {
  if (!showMainForm_ && !TrayIcon.Visible()) QuitByItself();
}

// --- Handlers ---------------------------------------------------------------------------------

void TmainForm::BtnPageClick() {
  MMode = kPageMode;
  ApplyScrollMode();
}

void TmainForm::BtnLineClick() {
  MMode = kLineMode;
  ApplyScrollMode();
}

void TmainForm::PPCloseClick() { host_.CloseForm(); }

void TmainForm::PPDispClick() { host_.ShowForm(); }

void TmainForm::PPPageClick() {
  MMode = kPageMode;
  ApplyScrollMode();
}

void TmainForm::PPLineClick() {
  MMode = kLineMode;
  ApplyScrollMode();
}

void TmainForm::TrayIconDblClick() {
  MMode = MMode == kPageMode ? kLineMode : kPageMode;
  ApplyScrollMode();
}

void TmainForm::TimerTimer() {
  // A tick while a close is under way (its error box is open) must not start another one.
  if (closing_) return;
  host_.CloseForm();
}

void TmainForm::ComboBoxLineChange() {
  MMode = kLineMode;
  ApplyScrollMode();
}

void TmainForm::ComboBoxSpeedChange() { ApplySpeed(); }

void TmainForm::CHKNoActiveClick() {
  if (GroupBoxNoActive.Enabled()) ApplyNoActive();
  PPNoActive.SetChecked(CHKNoActive.Checked());
}

void TmainForm::PPNoActiveClick() { CHKNoActive.SetChecked(PPNoActive.Checked()); }

void TmainForm::FormCloseQuery(bool& canClose) {
  services_.linePosition.Save(ComboBoxLine.ItemIndex());
  (void)canClose;
}

bool TmainForm::WMSysCommand(std::uint32_t command) {
  // Minimising folds the program into the notification area: no iconic window, no button.
  if ((command & 0xFFF0u) != kSysCommandMinimize) return false;
  host_.HideForm();
  TrayIcon.SetVisible(true);
  return true;
}

// --- Closing ----------------------------------------------------------------------------------

TmainForm::CloseResult TmainForm::RequestClose() {
  if (closing_) return CloseResult::Stay;
  closing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closing_};
  try {
    bool canClose = true;
    FormCloseQuery(canClose);
    return canClose ? CloseResult::Close : CloseResult::Stay;
  } catch (const KivError& error) {
    host_.ReportError(error.Message());
    return quitsByItself_ ? CloseResult::EndWithFailure : CloseResult::Stay;
  }
}

void TmainForm::SaveForSessionEnd() noexcept {
  try {
    bool canClose = true;
    FormCloseQuery(canClose);
  } catch (...) {
    // The session ends regardless; a message box now would only hold it up.
  }
}

}  // namespace kiv
