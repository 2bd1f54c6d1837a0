#include "protocol/jvresulttext.h"

#include "protocol/protocol.h"

#include <array>
#include <span>

namespace velmora::jvbridge {
namespace {

// The messages, numbered as the code lists below refer to them; 0 is no message.
// The older operations write full-width brackets and spaces between words, the
// movie and course-file operations half-width brackets and no spaces. Both are
// kept exactly as JV-Link users know them, misspellings included.
constexpr std::array<const char *, 64> kMessageTexts = {
    "",                                                                                  // 0
    "正常に実行されました。",                                                            // 1
    "sid が不正（sid の１桁目がスペース）です。",                                        // 2
    "sid が64byte 以上あります。",                                                       // 3
    "sid が設定されていません。",                                                        // 4
    "パラメータが不正あるいはレジストリへの保存に失敗しました。",                        // 5
    "すでにサービスキーが登録されています。",                                            // 6
    "サーバーがメンテナンス中です。",                                                    // 7
    "セットアップ処理においてＣＤ －ＲＯＭ が無効です。",                                // 8
    "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。",              // 9
    "サーバーエラー（サーバーの応答が不正）が発生しました。",                            // 10
    "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。",                 // 11
    "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。",                   // 12
    "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。",                    // 13
    "JV- Link 内部エラーが発生しました。",                                               // 14
    "サービスキーが設定されていません。（サービスキーが空値）",                          // 15
    "サービスキーの有効期限切れです。",                                                  // 16
    "認証エラーが発生しました。",                                                        // 17
    "レジストリ内容が不正（レジストリ内容が不正に変更された）です。",                    // 18
    "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）", // 19
    "JVInit が行なわれていません。",                                                     // 20
    "dataspec とoption の組み合わせが不正です。",                                        // 21
    "option パラメータが不正です。",                                                     // 22
    "key パラメータが不正です。",                                                        // 23
    "fromdate パラメータが不正です。",                                                   // 24
    "dataspec パラメータが不正です。",                                                   // 25
    "セットアップダイアログでキャンセルが押されました。",                                // 26
    " 取得済みデータより最新のデータがありません。",                                     // 27
    "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）",                    // 28
    "JVOpenが行なわれていません。",                                                      // 29
    "JVInitが行なわれていません。",                                                      // 30
    "全ファイルの読み込みが終了しました。（ＥＯＦ ）",                                   // 31
    "ファイルが見つかりません。",                                                        // 32
    "ダウンロードに失敗しました。(通信エラーやディスクエラー)",                          // 33
    "ダウンロードしたファイル内容が異常です。",                                          // 34
    "ダウンロードしたファイルサイズが異常です。",                                        // 35
    "ファイルダウンロード中",                                                            // 36
    "ファイルが切り替わりました。",                                                      // 37
    "filepath パラメータが不正です。",                                                   // 38
    "該当データがありません。",                                                          // 39
    "正常(公開動画なし)に実行されました。",                                              // 40
    "正常(公開動画あり)に実行されました。",                                              // 41
    "サーバーメンテナンス中です。",                                                      // 42
    "サーバーエラー(サーバーアプリケーション内部エラー)が発生しました。",                // 43
    "サーバーエラー(サーバーの応答が不正)が発生しました。",                              // 44
    "サーバーエラー(HTTPステータス200,403,404以外)が発生しました。",                     // 45
    "サーバーエラー(HTTPステータス403Forbidden)が発生しました。",                        // 46
    "サーバーエラー(HTTPステータス404NotFound)が発生しました。",                         // 47
    "JV-Link内部エラーが発生しました。",                                                 // 48
    "JRAレーシングビュアー連携機能認証エラーが発生しました。",                           // 49
    "サービスキーが設定されていません。",                                                // 50
    "サービスキーの期限切れです。",                                                      // 51
    "レジストリ内容が不正です。",                                                        // 52
    "JVInitが行われていません。",                                                        // 53
    "keyパラメータが不正です。",                                                         // 54
    "movietypeパラメータが不正です。",                                                   // 55
    "パラメータが不正またはレジストリへの保存に失敗しました。",                          // 56
    "searchkeyパラメータが不正です。",                                                   // 57
    "一時ファイルが見つかりません。",                                                    // 58
    "JVMVOpenが行なわれていません。",                                                    // 59
    "データダウンロード中",                                                              // 60
    "filepathパラメータが不正です。",                                                    // 61
    "ダウンロード済みファイル数",         // 62: followed by a positive JVStatus code
    "バッファにセットしたデータのサイズ", // 63: followed by a positive read code
};

constexpr int kNone = 0;
constexpr int kDone = 1;
constexpr int kDownloadedFiles = 62;
constexpr int kBufferSize = 63;

std::string Message(int number)
{
    return kMessageTexts[static_cast<size_t>(number)];
}

// The bridge's own failures, worded for whichever operation met them.
struct BridgeMessage
{
    int code;
    const char *text;
};
constexpr BridgeMessage kBridgeMessages[] = {
    {kBridgeNotStarted, "JV-Linkブリッジ（velmora-jvbridge）を起動できませんでした。"},
    {kBridgeEnded, "JV-Linkブリッジ（velmora-jvbridge）が途中で終了しました。"},
    {kBridgeTimeout, "JV-Linkブリッジ（velmora-jvbridge）が応答しないため停止しました。"},
    {kBridgeBadAnswer, "JV-Linkブリッジ（velmora-jvbridge）の応答が不正です。"},
    {kBridgeWrongVersion, "JV-Linkブリッジ（velmora-jvbridge）の版が本ソフトと合いません。"},
    {kJVLinkNotCreated, "JV-Linkを作成できませんでした。JV-Linkがインストールされているか確認してください。"},
    {kJVLinkCallFailed, "JV-Linkの呼び出しに失敗しました。"},
    {kBridgeRefusedRequest, "JV-Linkブリッジ（velmora-jvbridge）が要求を受け付けませんでした。"},
    {kRecordSizeMismatch, "JV-Linkから受け取ったレコードの長さが戻り値と合いません。"},
};

struct CodeMessage
{
    int code;
    int message;
};

constexpr CodeMessage kInitCodes[] = {{-103, 2}, {-102, 3}, {-101, 4}};
constexpr CodeMessage kSetUIPropertiesCodes[] = {{-100, 5}};
constexpr CodeMessage kSetCodes[] = {{-101, 6}, {-100, 5}};
constexpr CodeMessage kOpenCodes[] = {
    {0, 1},     {-1, 27},   {-2, 26},   {-111, 25}, {-112, 24}, {-114, 23}, {-115, 22}, {-116, 21},
    {-201, 20}, {-202, 19}, {-211, 18}, {-301, 17}, {-302, 16}, {-303, 15}, {-401, 14}, {-411, 13},
    {-412, 12}, {-413, 11}, {-421, 10}, {-431, 9},  {-501, 8},  {-504, 7},
};
constexpr CodeMessage kStatusCodes[] = {{-502, 28}, {-203, 29}, {-201, 30}};
constexpr CodeMessage kReadCodes[] = {
    {0, 31}, {-1, 37}, {-3, 36}, {-201, 30}, {-202, 19}, {-203, 29}, {-402, 35}, {-403, 34}, {-502, 33}, {-503, 32},
};
constexpr CodeMessage kFileDeleteCodes[] = {{-503, 32}, {-201, 30}};
constexpr CodeMessage kFukuCodes[] = {
    {0, 1},     {-1, 39},   {-201, 20}, {-211, 18}, {-301, 17}, {-302, 16}, {-303, 15},
    {-401, 14}, {-411, 13}, {-412, 12}, {-413, 11}, {-421, 10}, {-431, 9},  {-504, 7},
};
constexpr CodeMessage kFukuFileExtraCodes[] = {{-118, 38}};
constexpr CodeMessage kMVCheckCodes[] = {
    {0, 40},    {1, 41},    {-1, 39},   {-114, 23}, {-201, 20}, {-202, 19}, {-211, 18}, {-301, 17}, {-302, 16},
    {-303, 15}, {-401, 14}, {-411, 13}, {-412, 12}, {-413, 11}, {-421, 10}, {-431, 9},  {-504, 7},
};
constexpr CodeMessage kMVPlayCodes[] = {
    {0, 1},     {-1, 39},   {-100, 56}, {-111, 55}, {-114, 54}, {-201, 53}, {-202, 19},
    {-211, 52}, {-301, 17}, {-302, 51}, {-303, 50}, {-304, 49}, {-401, 48}, {-411, 47},
    {-412, 46}, {-413, 45}, {-421, 44}, {-431, 43}, {-504, 42},
};
constexpr CodeMessage kMVOpenCodes[] = {
    {0, 1},     {-1, 39},   {-111, 55}, {-114, 57}, {-201, 53}, {-202, 19}, {-211, 52}, {-301, 17}, {-302, 51},
    {-303, 50}, {-304, 49}, {-401, 48}, {-411, 47}, {-412, 46}, {-413, 45}, {-421, 44}, {-431, 43}, {-504, 42},
};
constexpr CodeMessage kMVReadCodes[] = {
    {0, 31}, {-3, 60}, {-201, 30}, {-203, 59}, {-402, 35}, {-403, 34}, {-502, 33}, {-503, 58},
};
constexpr CodeMessage kCourseFileCodes[] = {
    {0, 1},     {-1, 39},   {-114, 54}, {-201, 53}, {-202, 19}, {-211, 52}, {-301, 17}, {-302, 51}, {-303, 50},
    {-401, 48}, {-411, 47}, {-412, 46}, {-413, 45}, {-421, 44}, {-431, 43}, {-502, 33}, {-504, 42},
};
constexpr CodeMessage kCourseFile2ExtraCodes[] = {{-118, 61}};

/** The wording of one operation (or two operations sharing it). */
struct Group
{
    std::string_view name;
    std::string_view otherName = {};
    bool byPrefix = false; // any operation whose name starts with name
    std::span<const CodeMessage> codes = {};
    std::span<const CodeMessage> extraCodes = {};
    bool doneByDefault = false; // code 0 reads kDone when no list gives it
    int positivePrefix = kNone; // a code > 0 reads this message followed by the code
};

// Every group that matches the operation is applied in this order and the last
// one wins: "JVSetUIProperties" also matches the "JVSet" prefix group, whose
// wording stands for it.
const Group kGroups[] = {
    {.name = "JVInit", .codes = kInitCodes, .doneByDefault = true},
    {.name = "JVSetUIProperties", .codes = kSetUIPropertiesCodes, .doneByDefault = true},
    {.name = "JVSet", .byPrefix = true, .codes = kSetCodes, .doneByDefault = true},
    {.name = "JVOpen", .otherName = "JVRTOpen", .codes = kOpenCodes},
    {.name = "JVStatus", .codes = kStatusCodes, .doneByDefault = true, .positivePrefix = kDownloadedFiles},
    {.name = "JVRead", .otherName = "JVGets", .codes = kReadCodes, .positivePrefix = kBufferSize},
    {.name = "JVFileDelete", .codes = kFileDeleteCodes, .doneByDefault = true},
    {.name = "JVFukuFile", .codes = kFukuCodes, .extraCodes = kFukuFileExtraCodes},
    {.name = "JVFuku", .codes = kFukuCodes},
    {.name = "JVMVCheck", .codes = kMVCheckCodes},
    {.name = "JVMVPlay", .otherName = "JVMVPlayWithType", .codes = kMVPlayCodes},
    {.name = "JVMVOpen", .codes = kMVOpenCodes},
    {.name = "JVMVRead", .codes = kMVReadCodes, .positivePrefix = kBufferSize},
    {.name = "JVCourseFile", .codes = kCourseFileCodes},
    {.name = "JVCourseFile2", .codes = kCourseFileCodes, .extraCodes = kCourseFile2ExtraCodes},
    {.name = "JVClose", .doneByDefault = true},
};

bool Matches(const Group &group, std::string_view operation)
{
    if (group.byPrefix)
        return operation.starts_with(group.name);
    return operation == group.name || (!group.otherName.empty() && operation == group.otherName);
}

int FindMessage(std::span<const CodeMessage> codes, int code)
{
    for (const CodeMessage &entry : codes) {
        if (entry.code == code)
            return entry.message;
    }
    return kNone;
}

std::string GroupText(const Group &group, int code)
{
    if (group.positivePrefix != kNone && code > 0)
        return Message(group.positivePrefix) + std::to_string(code);
    int message = FindMessage(group.codes, code);
    if (message == kNone)
        message = FindMessage(group.extraCodes, code);
    if (message == kNone && group.doneByDefault && code == 0)
        message = kDone;
    return Message(message);
}

} // namespace

std::string JVResultTextUtf8(std::string_view operation, int code)
{
    std::string text;
    for (const BridgeMessage &bridge : kBridgeMessages) {
        if (bridge.code == code)
            return std::string(bridge.text) + "(" + std::to_string(code) + ")";
    }
    for (const Group &group : kGroups) {
        if (Matches(group, operation))
            text = GroupText(group, code);
    }
    return text + "(" + std::to_string(code) + ")";
}

} // namespace velmora::jvbridge
