#include "settings/SavedSizeBound.h"

#include <cstdint>

#include "settings/SettingsLines.h"
#include "settings/SettingsLookup.h"

namespace kiv {

namespace {

std::int64_t Units(std::size_t count) { return static_cast<std::int64_t>(count); }

// How many units the save's text differs from the file's, line by line. Blanks are ASCII, so
// the blanks a save trims are counted exactly; so are whole dropped lines, whose bytes are at
// least their units. Lines of repeated sections count as kept, which only overstates.
std::int64_t LineGrowth(std::u16string_view text) {
  std::int64_t growth = 0;
  bool inSection = false;
  SettingsLine line;
  for (SettingsLineReader reader(text); reader.Next(line);) {
    const std::int64_t toCrLf = 2 - Units(line.lineEndLength);
    switch (line.kind) {
      case SettingsLine::Kind::kHeader:
        inSection = true;
        // "[" name "]", CR LF, and the empty line that ends the section.
        growth += toCrLf - (Units(line.length) - Units(line.name.size() + 2)) + 2;
        break;
      case SettingsLine::Kind::kEntry:
        if (inSection) {
          const std::size_t kept = line.key.size() + (line.value ? 1 + line.value->size() : 0);
          growth += toCrLf - (Units(line.length) - Units(kept));
          break;
        }
        [[fallthrough]];  // before the first header: dropped
      case SettingsLine::Kind::kSkipped:
        growth -= Units(line.length + line.lineEndLength);
        break;
    }
  }
  return growth;
}

}  // namespace

std::size_t MaxSavedBytes(std::u16string_view text, SettingsEncoding encoding,
                          std::size_t fileBytes, std::u16string_view section,
                          std::u16string_view key, std::size_t maxValueLength, TextCodec& codec) {
  std::int64_t growth = LineGrowth(text);
  const SettingsLookup found = LookUpSetting(text, section, key, codec);
  const std::int64_t value = Units(maxValueLength);
  if (found.entryFound && found.value) {
    growth += value - Units(found.value->size());
  } else if (found.entryFound) {
    growth += 1 + value;  // "=" and the value after the bare key
  } else {
    growth += Units(key.size()) + 1 + value + 2;                               // a new entry
    if (!found.sectionFound) growth += 1 + Units(section.size()) + 1 + 2 + 2;  // and section
  }

  const std::int64_t unitBytes =
      encoding == SettingsEncoding::kUtf16Le || encoding == SettingsEncoding::kUtf16Be ? 2 : 1;
  const bool gainsMark =
      encoding == SettingsEncoding::kAnsi && codec.AnsiCodePage() == kUtf8CodePage;
  const std::int64_t bytes =
      static_cast<std::int64_t>(fileBytes) + (gainsMark ? 3 : 0) + unitBytes * growth;
  return bytes < 0 ? 0 : static_cast<std::size_t>(bytes);
}

}  // namespace kiv
