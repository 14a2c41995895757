#include "cli/profile_listing.h"

namespace boxferry::cli {

std::string ProfileListing(const std::vector<ThunderbirdProfile>& profiles,
                           bool (*exists)(const std::string&)) {
  if (profiles.empty()) {
    return "Thunderbirdのプロファイルが見つかりませんでした.\n"
           "Thunderbirdを一度起動してメールアカウントを設定すると、ローカルフォルダが作られます.\n";
  }
  std::string text;
  for (const ThunderbirdProfile& profile : profiles) {
    if (!text.empty()) text += "\n";
    text += "プロファイル: " + (profile.name.empty() ? profile.directory : profile.name);
    if (profile.isDefault) text += " (既定)";
    text += "\n  プロファイルのフォルダ: " + profile.directory + "\n";
    if (profile.localFolders.empty()) {
      text += "  ローカルフォルダ: まだありません (Thunderbirdでメールアカウントを設定すると作られます)\n";
    } else {
      text += "  ローカルフォルダ: " + profile.localFolders;
      if (!exists(profile.localFolders)) text += " (まだ作られていません)";
      text += "\n";
      text += profile.format == StoreFormat::kMaildir
                  ? "  形式: maildir (メッセージ単位): 変換したメールはここでは表示されません\n"
                  : "  形式: mbox (フォルダ単位)\n";
    }
    text += profile.inUse ? "  Thunderbird: 起動中 (変換する前に終了して下さい)\n"
                          : "  Thunderbird: 起動していません\n";
  }
  return text;
}

}  // namespace boxferry::cli
