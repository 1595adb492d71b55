#include <gtest/gtest.h>

#include <stdexcept>

#include "MainFormFixture.h"

namespace kiv::test {
namespace {

using FormCreateTest = MainFormFixture;

// What each kind of command line leaves behind when the message loop starts.
TEST_F(FormCreateTest, TheCommandLineDecidesTheRun) {
  struct Row {
    std::vector<std::u16string> arguments;
    bool showMainForm;
    bool trayVisible;
    std::vector<Write> writes;
    bool quitsByItself;
    int errorBoxes;
  };
  const std::vector<Row> rows = {
      {{}, false, false, {{Setting::WheelScrollLines, kPageScroll}}, true, 0},
      {{u"/t"}, false, true, {}, false, 0},
      {{u"/w"}, true, false, {}, false, 0},
      {{u"12"}, false, false, {{Setting::PointerSpeed, 12}}, true, 0},
      {{u"7"}, false, false, {}, true, 0},  // already the system's speed
      {{u"/T"}, false, false, {}, true, 1},
      {{u"21"}, false, false, {}, true, 1},
      {{u"/w "}, false, false, {}, true, 1},
      {{u"/t", u"5"}, false, false, {}, true, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.arguments.size()) +
                 (row.arguments.empty() ? ""
                                        : " first: " + std::string(row.arguments[0].begin(),
                                                                   row.arguments[0].end())));
    FakeSystemSettings system;
    system.wheelScrollLines = 4;
    system.pointerSpeed = 7;
    FakeFormHost window;
    FakeLinePositionStore remembered;
    TmainForm f{{system, os, cursor, remembered}, window};
    f.FormCreate(row.arguments);
    EXPECT_EQ(f.ShowMainForm(), row.showMainForm);
    EXPECT_EQ(f.TrayIcon.Visible(), row.trayVisible);
    EXPECT_EQ(system.writes, row.writes);
    EXPECT_EQ(f.QuitsByItself(), row.quitsByItself);
    EXPECT_EQ(window.commandLineErrors, row.errorBoxes);
    EXPECT_EQ(window.fontFaceCopies, 1);
    EXPECT_EQ(remembered.reads, 0);  // line mode: the file is not read
  }
}

TEST_F(FormCreateTest, PageModeTakesTheRememberedLineCount) {
  settings.wheelScrollLines = kPageScroll;
  store.stored = 6;
  form.FormCreate({});
  EXPECT_EQ(store.reads, 1);
  EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::WheelScrollLines, 7}}));
  bool canClose = true;
  form.FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_EQ(store.saves, (std::vector<std::int32_t>{6}));
}

TEST_F(FormCreateTest, LineModeSelectsTheSystemCount) {
  settings.wheelScrollLines = 5;
  form.FormCreate({});
  EXPECT_EQ(form.ComboBoxLine.ItemIndex(), 4);
  EXPECT_EQ(form.ComboBoxLine.Items().size(), 100u);
  EXPECT_EQ(form.ComboBoxLine.Items().front(), u"1");
  EXPECT_EQ(form.ComboBoxLine.Items().back(), u"100");
  EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::WheelScrollLines, kPageScroll}}));
}

TEST_F(FormCreateTest, AnUnreadableSettingsFileIsReportedOnceAndTheRunGoesOn) {
  settings.wheelScrollLines = kPageScroll;
  store.failReads = true;
  form.FormCreate({});
  EXPECT_EQ(host.errors, (std::vector<std::u16string>{u"read failed"}));
  EXPECT_EQ(form.ComboBoxLine.ItemIndex(), kDefaultLinePosition);
  EXPECT_EQ(settings.wheelScrollLines, 3);
  EXPECT_TRUE(form.QuitsByItself());
}

TEST_F(FormCreateTest, ARunWithNothingToShowIsMadeToEnd) {
  // A start-up that fails after hiding everything and before reaching the command line.
  class FailingSettings : public FakeSystemSettings {
    std::optional<std::int32_t> ReadPointerSpeed() override { throw std::runtime_error("x"); }
  } failing;
  TmainForm broken{{failing, os, cursor, store}, host};
  EXPECT_THROW(broken.FormCreate({u"/t"}), std::runtime_error);
  EXPECT_EQ(broken.ShowMainForm(), false);
  EXPECT_FALSE(broken.QuitsByItself());
  broken.EnsureRunCanEnd();
  EXPECT_TRUE(broken.QuitsByItself());

  FakeFormHost window;
  TmainForm resident{{settings, os, cursor, store}, window};
  resident.FormCreate({u"/t"});
  resident.EnsureRunCanEnd();
  EXPECT_FALSE(resident.QuitsByItself());
}

class CloseTest : public MainFormFixture {};

TEST_F(CloseTest, ClosingSavesTheSelectedPosition) {
  Start({u"/w"});
  form.ComboBoxLine.SetItemIndex(-5);
  EXPECT_EQ(form.RequestClose(), TmainForm::CloseResult::Close);
  EXPECT_EQ(store.saves, (std::vector<std::int32_t>{-1}));
}

TEST_F(CloseTest, AFailedSaveIsReportedAndEndsOnlyTheQuittingRuns) {
  store.failSaves = true;
  Start({u"/t"});
  EXPECT_EQ(form.RequestClose(), TmainForm::CloseResult::Stay);
  EXPECT_EQ(host.errors.size(), 1u);

  FakeFormHost window;
  TmainForm quitting{{settings, os, cursor, store}, window};
  quitting.FormCreate({});
  EXPECT_EQ(quitting.RequestClose(), TmainForm::CloseResult::EndWithFailure);
  EXPECT_EQ(window.errors, (std::vector<std::u16string>{u"save failed"}));
}

// The error box of a failed close runs a modal loop in which timer ticks keep arriving; they must
// not start a second close (and a second box) on top of the first.
TEST_F(CloseTest, TicksDuringACloseAreIgnored) {
  class TickingHost : public FakeFormHost {
   public:
    TmainForm* form = nullptr;
    void ReportError(const std::u16string& message) override {
      FakeFormHost::ReportError(message);
      form->TimerTimer();
      EXPECT_EQ(form->RequestClose(), TmainForm::CloseResult::Stay);
    }
  } window;
  store.failSaves = true;
  TmainForm f{{settings, os, cursor, store}, window};
  window.form = &f;
  f.FormCreate({});
  EXPECT_EQ(f.RequestClose(), TmainForm::CloseResult::EndWithFailure);
  EXPECT_EQ(window.closeRequests, 0);
  EXPECT_EQ(window.errors.size(), 1u);
  f.TimerTimer();
  EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(CloseTest, SessionEndSavesButNeverFails) {
  Start({u"/t"});
  form.SaveForSessionEnd();
  EXPECT_EQ(store.saves.size(), 1u);
  store.failSaves = true;
  form.SaveForSessionEnd();
  EXPECT_TRUE(host.errors.empty());
}

}  // namespace
}  // namespace kiv::test
