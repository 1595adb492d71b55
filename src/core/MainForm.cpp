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

TmainForm::TmainForm(FormServices services) : services_(services) {
  BtnPage.PairWith(BtnLine);
  for (MenuItem* item : {&PPPage, &PPLine, &N2, &PPNoActive, &N3, &PPDisp, &N1, &PPClose}) {
    PPMenu.Add(*item);
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
}

// --- Apply operations -------------------------------------------------------------------------

void TmainForm::ApplyScrollMode() {
  // Checking a radio button below runs its click handler, which comes back here with the mode
  // it already has. The outer call does the whole job, so the inner one has nothing to add; letting
  // it run would write and broadcast the same value twice.
  if (applyingScrollMode_) return;
  applyingScrollMode_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{applyingScrollMode_};

  const std::optional<std::int32_t> current = services_.settings.ReadWheelScrollLines();
  std::int32_t target;
  if (MMode == 0) {
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
  // The radio buttons have called back by now. The write below waits while every window takes
  // the broadcast, and a tray double-click arriving meanwhile must get a full apply of its own.
  applyingScrollMode_ = false;
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
  services_.host.SetShowMainForm(false);
  showMainForm_ = false;
  TrayIcon.SetVisible(false);
}

void TmainForm::StartCloseTimer() {
  if (closeTimerStarted_) return;
  closeTimerStarted_ = true;
  services_.host.StartCloseTimer();
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
    services_.host.ReportError(error.Message());
    return kDefaultLinePosition;
  }
}

void TmainForm::FormCreate(const std::vector<std::u16string>& arguments) {
  OfferNoActive(IsWindows10(services_.os));
  services_.host.UseMenuFontFace();
  Conceal();

  ComboBoxSpeed.FillWithNumbers(kSpeedCount);
  const std::optional<std::int32_t> speed = services_.settings.ReadPointerSpeed();
  ComboBoxSpeed.SetItemIndex(speed ? PositionOf(*speed, kSpeedCount) : -1);

  ComboBoxLine.FillWithNumbers(kLineCount);
  const std::optional<std::int32_t> lines = services_.settings.ReadWheelScrollLines();
  if (lines == kPageScroll) {
    MMode = 0;
    ComboBoxLine.SetItemIndex(ReadRememberedLinePosition());
  } else {
    MMode = 1;
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
    MMode = MMode == 0 ? 1 : 0;
    ApplyScrollMode();
    StartCloseTimer();
  }

  std::int32_t requestedSpeed = 0;
  bool resident = false;
  if (arguments.size() == 1) {
    const std::u16string& argument = arguments.front();
    if (argument == u"/t") {
      services_.host.SetShowMainForm(false);
      showMainForm_ = false;
      TrayIcon.SetVisible(true);
      resident = true;
    }
    if (argument == u"/w") {
      services_.host.SetShowMainForm(true);
      showMainForm_ = true;
      TrayIcon.SetVisible(false);
      resident = true;
    }
    requestedSpeed = ConvertArgumentToNumber(argument);
    if (requestedSpeed >= kMinSpeed && requestedSpeed <= kMaxSpeed) {
      Conceal();
      ComboBoxSpeed.SetItemIndex(requestedSpeed - 1);
      ApplySpeed();
      StartCloseTimer();
    }
  }

  const bool speedRequested = requestedSpeed >= kMinSpeed && requestedSpeed <= kMaxSpeed;
  if (arguments.size() >= 2 || (arguments.size() == 1 && !resident && !speedRequested)) {
    Conceal();
    services_.host.ShowCommandLineError();
    StartCloseTimer();
  }
}

void TmainForm::EnsureRunCanEnd() {
  if (!showMainForm_ && !TrayIcon.Visible()) StartCloseTimer();
}

// --- Handlers ---------------------------------------------------------------------------------

void TmainForm::BtnPageClick() {
  MMode = 0;
  ApplyScrollMode();
}

void TmainForm::BtnLineClick() {
  MMode = 1;
  ApplyScrollMode();
}

void TmainForm::PPCloseClick() { services_.host.CloseForm(); }

void TmainForm::PPDispClick() { services_.host.ShowForm(); }

void TmainForm::PPPageClick() {
  MMode = 0;
  ApplyScrollMode();
}

void TmainForm::PPLineClick() {
  MMode = 1;
  ApplyScrollMode();
}

void TmainForm::TrayIconDblClick() {
  MMode = MMode == 0 ? 1 : 0;
  ApplyScrollMode();
}

void TmainForm::TimerTimer() {
  // A tick while a close is under way (its error box is open) must not start another one.
  if (closing_) return;
  services_.host.CloseForm();
}

void TmainForm::ComboBoxLineChange() {
  MMode = 1;
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

void TmainForm::WMSysCommand(std::uint32_t command) {
  if ((command & 0xFFF0u) != kSysCommandMinimize) return;
  services_.host.HideForm();
  TrayIcon.SetVisible(true);
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
    services_.host.ReportError(error.Message());
    return closeTimerStarted_ ? CloseResult::EndWithFailure : CloseResult::Stay;
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
