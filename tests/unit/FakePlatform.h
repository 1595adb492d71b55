#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KivError.h"
#include "platform/FormHost.h"
#include "platform/LinePositionStore.h"
#include "platform/OsVersion.h"
#include "platform/SystemSettings.h"
#include "platform/WaitCursor.h"

namespace kiv::test {

// The settings service: holds the three values and records every write, in order.
class FakeSystemSettings : public SystemSettings {
 public:
  struct Write {
    enum class Setting { WheelScrollLines, PointerSpeed, WheelRouting } setting;
    std::int32_t value;
    bool operator==(const Write&) const = default;
  };

  std::optional<std::int32_t> wheelScrollLines = 3;
  std::optional<std::int32_t> pointerSpeed = 10;
  std::optional<std::int32_t> wheelRouting = 0;
  std::vector<Write> writes;
  int reads = 0;

  std::optional<std::int32_t> ReadWheelScrollLines() override { return Read(wheelScrollLines); }
  void WriteWheelScrollLines(std::int32_t v) override {
    Store(wheelScrollLines, Write::Setting::WheelScrollLines, v);
  }
  std::optional<std::int32_t> ReadPointerSpeed() override { return Read(pointerSpeed); }
  void WritePointerSpeed(std::int32_t v) override {
    Store(pointerSpeed, Write::Setting::PointerSpeed, v);
  }
  std::optional<std::int32_t> ReadWheelRouting() override { return Read(wheelRouting); }
  void WriteWheelRouting(std::int32_t v) override {
    Store(wheelRouting, Write::Setting::WheelRouting, v);
  }

 private:
  std::optional<std::int32_t> Read(const std::optional<std::int32_t>& value) {
    ++reads;
    return value;
  }
  void Store(std::optional<std::int32_t>& value, Write::Setting setting, std::int32_t v) {
    // A write to a setting that cannot be read still lands in the log, not in the value.
    if (value) value = v;
    writes.push_back({setting, v});
  }
};

class FakeOsVersion : public OsVersion {
 public:
  std::uint32_t major = 10;
  std::uint32_t MajorVersion() override { return major; }
};

// Counts the bracket and checks that writes happen inside it.
class FakeWaitCursor : public WaitCursor {
 public:
  int shown = 0;
  int depth = 0;
  void Show() override {
    ++shown;
    ++depth;
  }
  void Restore() override { --depth; }
};

class FakeLinePositionStore : public LinePositionStore {
 public:
  std::int32_t stored = kDefaultLinePosition;
  std::vector<std::int32_t> saves;
  int reads = 0;
  bool failReads = false;
  bool failSaves = false;

  std::int32_t Read() override {
    ++reads;
    if (failReads) throw KivError(u"read failed");
    return stored;
  }
  void Save(std::int32_t position) override {
    if (failSaves) throw KivError(u"save failed");
    saves.push_back(position);
    stored = position;
  }
};

class FakeFormHost : public FormHost {
 public:
  bool visible = false;
  int closeRequests = 0;
  int showRequests = 0;
  int fontFaceCopies = 0;
  int commandLineErrors = 0;
  std::vector<std::u16string> errors;

  void ShowForm() override {
    ++showRequests;
    visible = true;
  }
  void HideForm() override { visible = false; }
  void CloseForm() override { ++closeRequests; }
  void UseMenuFontFace() override { ++fontFaceCopies; }
  void ShowCommandLineError() override { ++commandLineErrors; }
  void ReportError(const std::u16string& message) override { errors.push_back(message); }
};

}  // namespace kiv::test
