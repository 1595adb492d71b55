#include "settings/SettingsFile.h"

#include <cstddef>
#include <limits>
#include <utility>

#include "KivError.h"
#include "settings/SettingsLines.h"

namespace kiv {

namespace {

// The upper-cased names of the sections read so far, as an open-addressing table of section
// numbers with their names' hashes: eight bytes a slot, where a set of strings would keep a copy
// of every name. Names are compared in full only when their hashes agree.
class SectionNameSet {
 public:
  explicit SectionNameSet(TextCodec& codec) : codec_(codec) {}

  // Adds the name under the number unless an equal one is there already; false then.
  template <typename NameOf>
  bool Add(std::u16string_view name, std::uint32_t number, const NameOf& nameOf) {
    const std::u16string upper = codec_.UpperCase(name);
    const std::uint32_t hash = Hash(upper);
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.number == kEmpty) {
        slot = {hash, number};
        ++count_;
        return true;
      }
      if (slot.hash == hash && codec_.UpperCase(nameOf(slot.number)) == upper) return false;
    }
  }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t number = kEmpty;
  };
  static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

  static std::uint32_t Hash(std::u16string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char16_t unit : text) hash = (hash ^ unit) * 16777619u;
    return hash;
  }

  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.number == kEmpty) continue;
      std::size_t i = slot.hash & mask;
      while (slots_[i].number != kEmpty) i = (i + 1) & mask;
      slots_[i] = slot;
    }
  }

  TextCodec& codec_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

std::uint32_t Position(std::size_t position) { return static_cast<std::uint32_t>(position); }

}  // namespace

SettingsFile SettingsFile::Parse(std::u16string text, TextCodec& codec) {
  // Positions are 32 bits: far beyond any settings file the store reads.
  if (text.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw KivError(u"設定ファイルが大きすぎます");
  }
  SettingsFile file(codec);
  file.text_ = std::move(text);
  const std::u16string_view all = file.text_;

  // Counted first, so that the lists take their final size at once rather than by doubling.
  std::size_t headers = 0;
  std::size_t entries = 0;
  SettingsLine line;
  for (SettingsLineReader reader(all); reader.Next(line);) {
    if (line.kind == SettingsLine::Kind::kHeader) ++headers;
    if (line.kind == SettingsLine::Kind::kEntry) ++entries;
  }
  file.sections_.reserve(headers);
  file.entries_.reserve(entries);

  SectionNameSet seen(codec);
  const auto nameOf = [&file](std::uint32_t number) {
    return file.SectionName(file.sections_[number]);
  };
  Section* current = nullptr;
  for (SettingsLineReader reader(all); reader.Next(line);) {
    switch (line.kind) {
      case SettingsLine::Kind::kSkipped:
        break;
      case SettingsLine::Kind::kHeader: {
        const auto number = Position(file.sections_.size());
        current = nullptr;
        if (seen.Add(line.name, number, nameOf)) {
          current = &file.sections_.emplace_back(Section{Position(line.name.data() - all.data()),
                                                         Position(line.name.size()),
                                                         Position(file.entries_.size()), 0});
        }
        break;
      }
      case SettingsLine::Kind::kEntry:
        if (current == nullptr) break;  // before the first header, or in a repeated section
        file.entries_.push_back(Position(line.text.data() - all.data()));
        ++current->entryCount;
        break;
    }
  }
  return file;
}

std::u16string_view SettingsFile::TextFrom(std::uint32_t position) const {
  // The added lines are kept apart: appending to the file's text could make it copy itself.
  if (position < text_.size()) return std::u16string_view(text_).substr(position);
  return std::u16string_view(added_).substr(position - text_.size());
}

std::u16string_view SettingsFile::SectionName(const Section& section) const {
  return TextFrom(section.name).substr(0, section.nameLength);
}

std::u16string_view SettingsFile::EntryLine(std::uint32_t position) const {
  const std::u16string_view rest = TextFrom(position);
  std::size_t end = 0;
  while (end < rest.size() && rest[end] != u'\r' && rest[end] != u'\n') ++end;
  return TrimSettingsText(rest.substr(0, end));
}

std::uint32_t SettingsFile::AddLine(std::u16string_view line) {
  const auto position = Position(text_.size() + added_.size());
  added_ += line;
  added_ += u'\n';
  return position;
}

std::optional<std::size_t> SettingsFile::FindSection(std::u16string_view name) const {
  const std::u16string wanted = codec_.UpperCase(name);
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (codec_.UpperCase(SectionName(sections_[i])) == wanted) return i;
  }
  return std::nullopt;
}

void SettingsFile::SetValue(std::u16string_view section, std::u16string_view key,
                            std::u16string_view value) {
  std::optional<std::size_t> found = FindSection(section);
  if (!found) {
    const std::uint32_t name = AddLine(section);
    sections_.push_back(Section{name, Position(section.size()), Position(entries_.size()), 0});
    found = sections_.size() - 1;
  }
  const std::u16string wanted = codec_.UpperCase(key);
  const Section& target = sections_[*found];
  for (std::uint32_t i = target.firstEntry; i < target.firstEntry + target.entryCount; ++i) {
    std::u16string_view entryKey;
    std::optional<std::u16string_view> entryValue;
    SplitSettingsEntry(EntryLine(entries_[i]), entryKey, entryValue);
    if (codec_.UpperCase(entryKey) == wanted) {
      // The key keeps its letter case; the line is written anew after the text.
      const std::u16string line = std::u16string(entryKey) + u'=' + std::u16string(value);
      entries_[i] = AddLine(line);
      return;
    }
  }
  const std::u16string line = std::u16string(key) + u'=' + std::u16string(value);
  entries_.insert(entries_.begin() + target.firstEntry + target.entryCount, AddLine(line));
  sections_[*found].entryCount++;
  for (std::size_t later = *found + 1; later < sections_.size(); ++later) {
    sections_[later].firstEntry++;
  }
}

std::u16string SettingsFile::Serialize() const {
  // Two rounds: the length first, so that the text is made at its final size.
  std::size_t length = 0;
  std::u16string text;
  for (int round = 0; round < 2; ++round) {
    const bool measure = round == 0;
    const auto put = [&](std::u16string_view piece) {
      if (measure) {
        length += piece.size();
      } else {
        text += piece;
      }
    };
    for (const Section& section : sections_) {
      put(u"[");
      put(SectionName(section));
      put(u"]\r\n");
      for (std::uint32_t i = 0; i < section.entryCount; ++i) {
        std::u16string_view key;
        std::optional<std::u16string_view> value;
        SplitSettingsEntry(EntryLine(entries_[section.firstEntry + i]), key, value);
        put(key);
        if (value) {
          put(u"=");
          put(*value);
        }
        put(u"\r\n");
      }
      put(u"\r\n");
    }
    if (measure) text.reserve(length);
  }
  return text;
}

}  // namespace kiv
