#include "core/jvlink/jvresultmessage.h"
#include "core/text/sjis.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace velmora {
namespace {

std::string Utf8Message(std::string_view operation, int code)
{
    return SjisToUtf8(JVResultMessage(operation, code));
}

struct MessageCase
{
    const char *operation;
    int code;
    const char *message; // UTF-8; empty when the operation has no wording for the code
};

// Every message at least once, every operation, and codes that one operation
// words and a neighbouring one does not.
TEST(JVResultMessage, WordsEachOperationAndCode)
{
    const MessageCase cases[] = {
        {"JVInit", -103, "sid が不正（sid の１桁目がスペース）です。"},
        {"JVInit", -102, "sid が64byte 以上あります。"},
        {"JVInit", -101, "sid が設定されていません。"},
        {"JVInit", 0, "正常に実行されました。"},
        {"JVInit", -100, ""},
        {"JVSetUIProperties", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"},
        {"JVSetUIProperties", 0, "正常に実行されました。"},
        {"JVSetUIProperties", -102, ""},
        {"JVSetSaveFlag", -101, "すでにサービスキーが登録されています。"},
        {"JVSetSaveFlag", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"},
        {"JVSetSaveFlag", 0, "正常に実行されました。"},
        {"JVOpen", 0, "正常に実行されました。"},
        {"JVOpen", -2, "セットアップダイアログでキャンセルが押されました。"},
        {"JVOpen", -111, "dataspec パラメータが不正です。"},
        {"JVOpen", -112, "fromdate パラメータが不正です。"},
        {"JVOpen", -114, "key パラメータが不正です。"},
        {"JVOpen", -115, "option パラメータが不正です。"},
        {"JVOpen", -116, "dataspec とoption の組み合わせが不正です。"},
        {"JVOpen", -201, "JVInit が行なわれていません。"},
        {"JVOpen", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
        {"JVOpen", -211, "レジストリ内容が不正（レジストリ内容が不正に変更された）です。"},
        {"JVOpen", -301, "認証エラーが発生しました。"},
        {"JVOpen", -302, "サービスキーの有効期限切れです。"},
        {"JVOpen", -303, "サービスキーが設定されていません。（サービスキーが空値）"},
        {"JVOpen", -401, "JV- Link 内部エラーが発生しました。"},
        {"JVOpen", -411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。"},
        {"JVOpen", -412, "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。"},
        {"JVOpen", -413, "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。"},
        {"JVOpen", -421, "サーバーエラー（サーバーの応答が不正）が発生しました。"},
        {"JVOpen", -431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。"},
        {"JVOpen", -501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。"},
        {"JVOpen", -504, "サーバーがメンテナンス中です。"},
        {"JVOpen", -9, ""},
        {"JVRTOpen", -1, " 取得済みデータより最新のデータがありません。"},
        {"JVRTOpen", -504, "サーバーがメンテナンス中です。"},
        {"JVRTOpen", -118, ""},
        {"JVStatus", -502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）"},
        {"JVStatus", -203, "JVOpenが行なわれていません。"},
        {"JVStatus", -201, "JVInitが行なわれていません。"},
        {"JVStatus", 0, "正常に実行されました。"},
        {"JVStatus", -1, ""},
        {"JVRead", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
        {"JVRead", -1, "ファイルが切り替わりました。"},
        {"JVRead", -3, "ファイルダウンロード中"},
        {"JVRead", -402, "ダウンロードしたファイルサイズが異常です。"},
        {"JVRead", -403, "ダウンロードしたファイル内容が異常です。"},
        {"JVRead", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
        {"JVRead", -503, "ファイルが見つかりません。"},
        {"JVRead", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
        {"JVGets", -203, "JVOpenが行なわれていません。"},
        {"JVGets", -201, "JVInitが行なわれていません。"},
        {"JVGets", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
        {"JVFileDelete", -503, "ファイルが見つかりません。"},
        {"JVFileDelete", -201, "JVInitが行なわれていません。"},
        {"JVFileDelete", 0, "正常に実行されました。"},
        {"JVFileDelete", -1, ""},
        {"JVFukuFile", -118, "filepath パラメータが不正です。"},
        {"JVFukuFile", -1, "該当データがありません。"},
        {"JVFukuFile", 0, "正常に実行されました。"},
        {"JVFukuFile", -504, "サーバーがメンテナンス中です。"},
        {"JVFuku", -118, ""},
        {"JVFuku", -1, "該当データがありません。"},
        {"JVFuku", -431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。"},
        {"JVMVCheck", 0, "正常(公開動画なし)に実行されました。"},
        {"JVMVCheck", 1, "正常(公開動画あり)に実行されました。"},
        {"JVMVCheck", -114, "key パラメータが不正です。"},
        {"JVMVCheck", 2, ""},
        {"JVMVPlay", -100, "パラメータが不正またはレジストリへの保存に失敗しました。"},
        {"JVMVPlay", -111, "movietypeパラメータが不正です。"},
        {"JVMVPlay", -114, "keyパラメータが不正です。"},
        {"JVMVPlay", -201, "JVInitが行われていません。"},
        {"JVMVPlay", -211, "レジストリ内容が不正です。"},
        {"JVMVPlay", -302, "サービスキーの期限切れです。"},
        {"JVMVPlay", -303, "サービスキーが設定されていません。"},
        {"JVMVPlay", -304, "JRAレーシングビュアー連携機能認証エラーが発生しました。"},
        {"JVMVPlay", -401, "JV-Link内部エラーが発生しました。"},
        {"JVMVPlay", -411, "サーバーエラー(HTTPステータス404NotFound)が発生しました。"},
        {"JVMVPlay", -412, "サーバーエラー(HTTPステータス403Forbidden)が発生しました。"},
        {"JVMVPlay", -413, "サーバーエラー(HTTPステータス200,403,404以外)が発生しました。"},
        {"JVMVPlay", -421, "サーバーエラー(サーバーの応答が不正)が発生しました。"},
        {"JVMVPlay", -431, "サーバーエラー(サーバーアプリケーション内部エラー)が発生しました。"},
        {"JVMVPlay", -504, "サーバーメンテナンス中です。"},
        {"JVMVPlay", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
        {"JVMVPlayWithType", -100, "パラメータが不正またはレジストリへの保存に失敗しました。"},
        {"JVMVPlayWithType", 0, "正常に実行されました。"},
        {"JVMVOpen", -114, "searchkeyパラメータが不正です。"},
        {"JVMVOpen", -111, "movietypeパラメータが不正です。"},
        {"JVMVOpen", -304, "JRAレーシングビュアー連携機能認証エラーが発生しました。"},
        {"JVMVOpen", -100, ""},
        {"JVMVRead", -503, "一時ファイルが見つかりません。"},
        {"JVMVRead", -203, "JVMVOpenが行なわれていません。"},
        {"JVMVRead", -3, "データダウンロード中"},
        {"JVMVRead", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
        {"JVMVRead", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
        {"JVMVRead", -1, ""},
        {"JVCourseFile", -118, ""},
        {"JVCourseFile", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
        {"JVCourseFile", -114, "keyパラメータが不正です。"},
        {"JVCourseFile", -304, ""},
        {"JVCourseFile2", -118, "filepathパラメータが不正です。"},
        {"JVCourseFile2", -504, "サーバーメンテナンス中です。"},
        {"JVCourseFile2", 0, "正常に実行されました。"},
        {"JVClose", 0, "正常に実行されました。"},
    };
    for (const MessageCase &c : cases) {
        EXPECT_EQ(Utf8Message(c.operation, c.code), std::string(c.message) + "(" + std::to_string(c.code) + ")")
            << c.operation << " " << c.code;
    }
}

TEST(JVResultMessage, ResultIsCp932)
{
    ASSERT_TRUE(Cp932Available());
    EXPECT_EQ(JVResultMessage("JVOpen", 0), Utf8ToSjis("正常に実行されました。") + "(0)");
    // Full-width brackets and the full-width hyphen-minus of the older wording,
    // half-width brackets of the newer one.
    const std::string cdRom = JVResultMessage("JVOpen", -501);
    EXPECT_NE(cdRom.find("\x82\x62\x82\x63\x20\x81\x7C\x82\x71"), std::string::npos) << "ＣＤ －Ｒ";
    EXPECT_NE(JVResultMessage("JVOpen", -431).find("\x81\x69"), std::string::npos) << "（";
    EXPECT_NE(JVResultMessage("JVMVOpen", -431).find("\x81\x5B("), std::string::npos) << "ー(";
}

TEST(JVResultMessage, LaterGroupOverridesEarlierOne)
{
    // Matches its own name and the "JVSet" prefix; the prefix wording stands.
    EXPECT_EQ(Utf8Message("JVSetUIProperties", -101), "すでにサービスキーが登録されています。(-101)");
    // Only the first five characters are compared, case-sensitively.
    EXPECT_EQ(Utf8Message("JVSe", -101), "(-101)");
    EXPECT_EQ(Utf8Message("jvset", -101), "(-101)");
    EXPECT_EQ(Utf8Message("JVSet", -101), "すでにサービスキーが登録されています。(-101)");
}

TEST(JVResultMessage, PositiveCodesReadAsCountOrSize)
{
    EXPECT_EQ(Utf8Message("JVStatus", 7), "ダウンロード済みファイル数7(7)");
    EXPECT_EQ(Utf8Message("JVRead", 1272), "バッファにセットしたデータのサイズ1272(1272)");
    EXPECT_EQ(Utf8Message("JVGets", 555), "バッファにセットしたデータのサイズ555(555)");
    EXPECT_EQ(Utf8Message("JVMVRead", 1), "バッファにセットしたデータのサイズ1(1)");
    EXPECT_EQ(Utf8Message("JVStatus", INT_MAX), "ダウンロード済みファイル数2147483647(2147483647)");
    // Other operations have no such wording.
    EXPECT_EQ(Utf8Message("JVOpen", 3), "(3)");
    EXPECT_EQ(Utf8Message("JVClose", 1), "(1)");
}

TEST(JVResultMessage, UnknownOperationsAndCodesGiveTheCodeAlone)
{
    EXPECT_EQ(JVResultMessage("JVRead", -2), "(-2)");
    EXPECT_EQ(JVResultMessage("JVClose", -1), "(-1)");
    EXPECT_EQ(JVResultMessage("JVOpen", -9), "(-9)");
    EXPECT_EQ(JVResultMessage("JVWatchEvent", 0), "(0)");
    EXPECT_EQ(JVResultMessage("jvopen", 0), "(0)");
    EXPECT_EQ(JVResultMessage("", 0), "(0)");
    EXPECT_EQ(JVResultMessage("JVOpen ", 0), "(0)");
    EXPECT_EQ(JVResultMessage("JVOpen", INT_MIN), "(-2147483648)");
}

TEST(JVResultMessage, NoNewerDataMessageKeepsItsLeadingSpace)
{
    const std::string text = JVResultMessage("JVOpen", -1);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0], ' ');
    EXPECT_EQ(SjisToUtf8(text), " 取得済みデータより最新のデータがありません。(-1)");
}

} // namespace
} // namespace velmora
