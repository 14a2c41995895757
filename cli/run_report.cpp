#include "cli/run_report.h"

#include <nlohmann/json.hpp>

#include "engine/folder_names.h"
#include "engine/messages.h"

namespace boxferry::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* ResultName(RunResult result) {
  switch (result) {
    case RunResult::kCompleted:
      return "completed";
    case RunResult::kFailed:
      return "failed";
    case RunResult::kCancelled:
      return "cancelled";
  }
  return "failed";
}

const char* ReasonName(ConversionReport::SkipReason reason) {
  switch (reason) {
    case ConversionReport::SkipReason::kLinkLoop:
      return "link loop";
    case ConversionReport::SkipReason::kBoxFile:
      return "box file";
    case ConversionReport::SkipReason::kAlmDirectory:
      return "alm directory";
    case ConversionReport::SkipReason::kAccountFile:
      return "account file";
  }
  return "";
}

// The rules in the order the name adjustment applies them.
Json RuleNames(unsigned rules) {
  static constexpr struct {
    unsigned bit;
    const char* name;
  } kRules[] = {
      {kNameDeviceName, "device name"},
      {kNameUnsafeCharacter, "unsafe characters"},
      {kNameTooLong, "too long"},
      {kNameLeadingDot, "leading dot"},
      {kNameTrailingCharacter, "trailing character"},
      {kNameThunderbirdEnding, "Thunderbird file ending"},
      {kNameRole, "role name"},
  };
  Json names = Json::array();
  for (const auto& rule : kRules) {
    if (rules & rule.bit) names.push_back(rule.name);
  }
  return names;
}

// A folder whose read-back found exactly the messages converted into it.
bool Confirmed(const ConversionReport::Folder& folder) {
  return folder.messagesVerified >= 0 && folder.messagesVerified == folder.filesConverted;
}

}  // namespace

std::string SummaryText(const ConversionReport& report, RunResult result) {
  std::int64_t folders = 0;
  std::int64_t messages = 0;
  for (const ConversionReport::Folder& folder : report.folders) {
    if (!Confirmed(folder)) continue;
    ++folders;
    messages += folder.messagesVerified;
  }
  const bool stopped = result != RunResult::kCompleted;
  std::string text;
  if (folders > 0) {
    // A folder without message files makes no mbox: the last line counts it, this line does not.
    text += std::string("検証: ") + (stopped ? "止まるまでに、" : "") + "メールのある " +
            std::to_string(folders) + " フォルダ、計 " + std::to_string(messages) +
            " 通を出力で確認しました.\n";
  } else if (stopped && !report.folders.empty()) {
    text += "検証: 出力で確認できたフォルダはありません.\n";
  }
  if (!report.renames.empty()) {
    text += "名前の変更: " + std::to_string(report.renames.size()) +
            " フォルダの名前を、出力できる名前に変えました.\n";
  }
  if (!report.unencodable.empty()) {
    std::int64_t characters = 0;
    for (const ConversionReport::Unencodable& file : report.unencodable) characters += file.characters;
    text += "文字の置き換え: " + std::to_string(report.unencodable.size()) + " ファイルの " +
            std::to_string(characters) + " 文字を〓にしました (ISO-2022-JPに無い文字).\n";
  }
  if (!report.skipped.empty()) {
    text += "対象外: " + std::to_string(report.skipped.size()) +
            " 項目を変換しませんでした (メールではないファイルやフォルダ、リンクの循環).\n";
  }
  return text;
}

std::string ReportJson(const RunRecord& run, const ConversionReport& report) {
  Json counts;
  counts["accounts"] = run.accounts;
  counts["folders"] = run.folders;
  counts["files"] = run.files;
  Json folders = Json::array();
  for (const ConversionReport::Folder& f : report.folders) {
    Json entry;
    entry["source"] = f.source;
    entry["output"] = f.output;
    entry["files_converted"] = f.filesConverted;
    entry["messages_verified"] = f.messagesVerified >= 0 ? Json(f.messagesVerified) : Json(nullptr);
    entry["appended"] = f.appended;
    folders.push_back(std::move(entry));
  }
  Json renamed = Json::array();
  for (const ConversionReport::Rename& r : report.renames) {
    Json entry;
    entry["source"] = r.source;
    entry["title"] = r.title;
    entry["output"] = r.output;
    entry["rules"] = RuleNames(r.rules);
    renamed.push_back(std::move(entry));
  }
  Json unencodable = Json::array();
  for (const ConversionReport::Unencodable& u : report.unencodable) {
    Json entry;
    entry["file"] = u.file;
    entry["characters"] = u.characters;
    unencodable.push_back(std::move(entry));
  }
  Json skipped = Json::array();
  for (const ConversionReport::Skipped& s : report.skipped) {
    Json entry;
    entry["path"] = s.path;
    entry["reason"] = ReasonName(s.reason);
    skipped.push_back(std::move(entry));
  }

  Json json;
  json["version"] = kVersionText;
  json["input"] = run.input;
  json["output"] = run.output;
  json["result"] = ResultName(run.result);
  json["counts"] = std::move(counts);
  json["folders"] = std::move(folders);
  json["renamed"] = std::move(renamed);
  json["unencodable"] = std::move(unencodable);
  json["skipped"] = std::move(skipped);
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace boxferry::cli
