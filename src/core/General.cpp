#include "General.h"

namespace kiv {

bool IsWindows10(OsVersion& os) { return os.MajorVersion() == 10; }

namespace {

std::u16string& SettingsFolderPath() {
  static std::u16string path;
  return path;
}

}  // namespace

bool PrepareSettingsFolder(FileSystem& fs, std::u16string_view name) {
  const std::u16string base = fs.AppDataFolder();
  std::u16string path = base + u"\\Brackenhall";
  // Without a base the folders would land in the root of the current drive.
  const bool canCreate = !base.empty();
  if (canCreate && !fs.DirectoryExists(path)) fs.MakeDirectory(path);
  path += u'\\';
  path += name;
  if (canCreate && !fs.DirectoryExists(path)) fs.MakeDirectory(path);
  SettingsFolderPath() = path + u'\\';
  return canCreate && fs.DirectoryExists(SettingsFolderPath());
}

const std::u16string& SettingsFolder() { return SettingsFolderPath(); }

void ResetSettingsFolderForTesting() { SettingsFolderPath().clear(); }

}  // namespace kiv
