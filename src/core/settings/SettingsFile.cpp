#include "settings/SettingsFile.h"

#include <unordered_set>
#include <utility>

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

std::u16string_view Trim(std::u16string_view text) { return TrimRight(TrimLeft(text)); }

// The next line of the text, which ends at CR LF, at a lone LF or at a lone CR.
std::u16string_view TakeLine(std::u16string_view& text) {
  std::size_t end = 0;
  while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
  const std::u16string_view line = text.substr(0, end);
  if (end == text.size()) {
    text = {};
    return line;
  }
  const bool crLf = text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n';
  text.remove_prefix(end + (crLf ? 2 : 1));
  return line;
}

}  // namespace

SettingsFile SettingsFile::Parse(std::u16string_view text, TextCodec& codec) {
  SettingsFile file(codec);
  // Upper-cased names seen so far: a set keeps a file of many sections from taking quadratic time.
  std::unordered_set<std::u16string> seen;
  SettingsSection* current = nullptr;
  while (!text.empty()) {
    const std::u16string_view line = Trim(TakeLine(text));
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[' && line.back() == u']') {
      const std::u16string_view name = Trim(line.substr(1, line.size() - 2));
      if (seen.insert(codec.UpperCase(name)).second) {
        current = &file.sections_.emplace_back(SettingsSection{std::u16string(name), {}});
      } else {
        current = nullptr;
      }
      continue;
    }
    if (current == nullptr) continue;
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) {
      current->entries.push_back({std::u16string(line), std::nullopt});
    } else {
      current->entries.push_back({std::u16string(TrimRight(line.substr(0, equals))),
                                  std::u16string(TrimLeft(line.substr(equals + 1)))});
    }
  }
  return file;
}

const SettingsSection* SettingsFile::FindSection(std::u16string_view name) const {
  const std::u16string wanted = codec_.UpperCase(name);
  for (const SettingsSection& section : sections_) {
    if (codec_.UpperCase(section.name) == wanted) return &section;
  }
  return nullptr;
}

SettingsSection* SettingsFile::FindSection(std::u16string_view name) {
  return const_cast<SettingsSection*>(std::as_const(*this).FindSection(name));
}

std::u16string SettingsFile::Value(std::u16string_view section, std::u16string_view key) const {
  const SettingsSection* found = FindSection(section);
  if (found == nullptr) return {};
  const std::u16string wanted = codec_.UpperCase(key);
  for (const SettingsEntry& entry : found->entries) {
    if (codec_.UpperCase(entry.key) == wanted) return entry.value.value_or(std::u16string());
  }
  return {};
}

void SettingsFile::SetValue(std::u16string_view section, std::u16string_view key,
                            std::u16string_view value) {
  SettingsSection* found = FindSection(section);
  if (found == nullptr) {
    found = &sections_.emplace_back(SettingsSection{std::u16string(section), {}});
  }
  const std::u16string wanted = codec_.UpperCase(key);
  for (SettingsEntry& entry : found->entries) {
    if (codec_.UpperCase(entry.key) == wanted) {
      entry.value = std::u16string(value);
      return;
    }
  }
  found->entries.push_back({std::u16string(key), std::u16string(value)});
}

std::u16string SettingsFile::Serialize() const {
  std::u16string text;
  for (const SettingsSection& section : sections_) {
    text += u'[';
    text += section.name;
    text += u"]\r\n";
    for (const SettingsEntry& entry : section.entries) {
      text += entry.key;
      if (entry.value) {
        text += u'=';
        text += *entry.value;
      }
      text += u"\r\n";
    }
    text += u"\r\n";
  }
  return text;
}

}  // namespace kiv
