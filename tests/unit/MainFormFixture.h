#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePlatform.h"
#include "MainForm.h"

namespace kiv::test {

// A main window wired to fakes. Start() runs the start-up with the given arguments and then
// forgets what the start-up wrote, so that tests see only what their own action writes.
class MainFormFixture : public ::testing::Test {
 protected:
  using Write = FakeSystemSettings::Write;
  using Setting = Write::Setting;

  void Start(const std::vector<std::u16string>& arguments = {u"/t"}) {
    form.FormCreate(arguments);
    settings.writes.clear();
    cursor.shown = 0;
  }

  std::vector<Write> WheelWrites() const { return Only(Setting::WheelScrollLines); }
  std::vector<Write> Only(Setting setting) const {
    std::vector<Write> result;
    for (const Write& w : settings.writes) {
      if (w.setting == setting) result.push_back(w);
    }
    return result;
  }

  FakeSystemSettings settings;
  FakeOsVersion os;
  FakeWaitCursor cursor;
  FakeLinePositionStore store;
  FakeFormHost host;
  TmainForm form{{settings, os, cursor, store}, host};
};

}  // namespace kiv::test
