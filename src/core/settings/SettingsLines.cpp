#include "settings/SettingsLines.h"

namespace kiv {

namespace {

bool IsBlank(char16_t c) { return c <= u' '; }

std::u16string_view TrimLeft(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::u16string_view TrimRight(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::u16string_view TrimSettingsText(std::u16string_view text) { return TrimRight(TrimLeft(text)); }

bool SettingsLineReader::Next(SettingsLine& line) {
  if (rest_.empty()) return false;
  std::size_t end = 0;
  while (end < rest_.size() && rest_[end] != u'\r' && rest_[end] != u'\n') ++end;
  std::size_t lineEnd = 0;
  if (end < rest_.size()) {
    lineEnd = rest_[end] == u'\r' && end + 1 < rest_.size() && rest_[end + 1] == u'\n' ? 2 : 1;
  }
  const std::u16string_view raw = rest_.substr(0, end);
  rest_.remove_prefix(end + lineEnd);

  line = SettingsLine();
  line.length = raw.size();
  line.lineEndLength = lineEnd;
  line.text = TrimSettingsText(raw);
  const std::u16string_view text = line.text;
  if (text.empty() || text.front() == u';') return true;
  if (text.front() == u'[' && text.back() == u']' && text.size() >= 2) {
    line.kind = SettingsLine::Kind::kHeader;
    line.name = TrimSettingsText(text.substr(1, text.size() - 2));
    return true;
  }
  line.kind = SettingsLine::Kind::kEntry;
  SplitSettingsEntry(text, line.key, line.value);
  return true;
}

void SplitSettingsEntry(std::u16string_view text, std::u16string_view& key,
                        std::optional<std::u16string_view>& value) {
  const std::size_t equals = text.find(u'=');
  if (equals == std::u16string_view::npos) {
    key = text;
    value.reset();
  } else {
    key = TrimRight(text.substr(0, equals));
    value = TrimLeft(text.substr(equals + 1));
  }
}

}  // namespace kiv
