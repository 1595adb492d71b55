#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kiv {

// One line of a settings file as the reading rules see it.
struct SettingsLine {
  enum class Kind {
    kSkipped,  // empty, or a comment
    kHeader,   // "[name]"
    kEntry,    // "key=value", or a bare key
  };

  Kind kind = Kind::kSkipped;
  std::u16string_view text;                  // without blanks at either end
  std::u16string_view name;                  // a header's section name, trimmed
  std::u16string_view key;                   // an entry's key, without blanks after it
  std::optional<std::u16string_view> value;  // after the first "=", without blanks before it
  std::size_t length = 0;                    // units before the line end, blanks included
  std::size_t lineEndLength = 0;             // 2 for CR LF, 1 for a lone CR or LF, 0 at the end
};

// Splits the text into lines at CR LF, at a lone LF and at a lone CR, and classifies each. The
// lines are views into the text, which must outlive them.
class SettingsLineReader {
 public:
  explicit SettingsLineReader(std::u16string_view text) : rest_(text) {}

  // The next line; false after the last one.
  bool Next(SettingsLine& line);

 private:
  std::u16string_view rest_;
};

// Blanks are all characters at or below U+0020.
std::u16string_view TrimSettingsText(std::u16string_view text);

// An entry's key and value: the text before the first "=" without blanks after it, and the text
// after it without blanks before it; the whole text and no value when there is no "=".
void SplitSettingsEntry(std::u16string_view text, std::u16string_view& key,
                        std::optional<std::u16string_view>& value);

}  // namespace kiv
