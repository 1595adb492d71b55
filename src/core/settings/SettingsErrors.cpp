#include "settings/SettingsErrors.h"

namespace kiv {

std::u16string SystemErrorText(FileSystem& fs, std::uint32_t code) {
  std::u16string text = fs.ErrorText(code);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return text;
}

KivError FileReadError(FileSystem& fs, const std::u16string& path, std::uint32_t code) {
  // Ends in a space so that the error report adds no full stop of its own.
  return KivError(u"ファイル " + path + u" は開けません。 " + SystemErrorText(fs, code) + u" ");
}

KivError FileCreateError(FileSystem& fs, const std::u16string& path, std::uint32_t code) {
  return KivError(u"ファイル \"" + path + u"\" を作成できません。" + SystemErrorText(fs, code));
}

KivError TextMappingError() {
  return KivError(
      u"Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません");
}

}  // namespace kiv
