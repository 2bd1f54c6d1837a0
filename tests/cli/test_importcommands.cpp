// velmora-cli import and results as processes, through the fake bridge: a JV-Link that
// never progresses, answers codes it does not document, closes with an error or hands
// over bytes that are no CP932. The tool under test gives up after two seconds without
// progress (its test build); the real one after ten minutes.

#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

using test::ProcessRun;

const QDate kDay(2025, 1, 4);

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

/** A generated course-day served by the fake bridge as one file, and an application folder to import it into. */
class ImportCommand : public testing::Test
{
  protected:
    void SetUp() override
    {
        gen::CourseDayOptions options;
        options.date = kDay;
        m_day = gen::Generator(3).courseDay(options);
        ASSERT_TRUE(QDir().mkpath(m_source));
        ASSERT_TRUE(gen::WriteRecordFile(m_source + QStringLiteral("/06.jvd"), m_day.raceRecords));
    }

    /** The tool with the fake bridge and `bridgeOptions`; it must end well within a minute. */
    ProcessRun run(const QStringList &args, const QStringList &bridgeOptions)
    {
        QStringList bridge{QStringLiteral(VELMORA_FAKE_BRIDGE)};
        bridge << bridgeOptions;
        for (QString &word : bridge)
            word = QLatin1Char('"') + word + QLatin1Char('"');
        ProcessRun result =
            test::RunProgram(QStringLiteral(VELMORA_CLI_SHORT_STALL),
                             args + QStringList{QStringLiteral("--data"), m_data, QStringLiteral("--bridge"),
                                                bridge.join(QLatin1Char(' '))},
                             60000);
        EXPECT_TRUE(result.finished) << "still running after a minute";
        return result;
    }
    ProcessRun import(const QStringList &bridgeOptions, const char *option = "1")
    {
        return run({QStringLiteral("import"), QStringLiteral("--from"), QStringLiteral("20250101000000"),
                    QStringLiteral("--option"), QLatin1String(option)},
                   QStringList{QStringLiteral("--source"), m_source} + bridgeOptions);
    }

    QString raceFile() const
    {
        return m_data + QLatin1Char('/') + QString::fromStdString(m_day.nameUtf8()) + U(".jvRA");
    }

    QTemporaryDir m_root;
    QString m_source = m_root.filePath(QStringLiteral("source"));
    QString m_data = m_root.filePath(QStringLiteral("app/Data"));
    gen::CourseDay m_day;
};

TEST_F(ImportCommand, AJVLinkThatNeverProgressesEndsTheImportWithinTheBound)
{
    // Still downloading for ever after the records: the records read stay, LastTime does not move.
    ProcessRun run = import({QStringLiteral("--read-for-ever"), QStringLiteral("-3")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(
        U("JV-Linkの応答が2秒間進まないため、データ取込を中止しました（JVRead:ファイルダウンロード中(-3)）。")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(U("LastTime: (変更なし)")));
    EXPECT_EQ(test::ReadFileBytes(raceFile()).size(), 12u * 1272);

    // A download count that never moves.
    run = import({QStringLiteral("--status-for-ever"), QStringLiteral("0")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(
        U("JV-Linkのダウンロードが2秒間進まないため、データ取込を中止しました（ダウンロード済み 0/1 ファイル）。")))
        << run.err.toStdString();

    // File switches for ever: an error at once.
    run = import({QStringLiteral("--read-for-ever"), QStringLiteral("-1")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(U("JVReadエラー:読み込むファイル数（1）を超えてファイルが切り替わりました。(-1)")))
        << run.err.toStdString();
}

TEST_F(ImportCommand, AFailedCloseOrBytesThatAreNoCP932AreSaid)
{
    // A record with a lead byte and no trail byte in its race name: refused and counted, never stored.
    std::vector<std::string> records = m_day.raceRecords;
    records[4].replace(32, 2, "\x81 ");
    ASSERT_TRUE(gen::WriteRecordFile(m_source + QStringLiteral("/06.jvd"), records));
    ProcessRun run = import({});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(U("  文字コードが不正: 1件"))) << run.out.toStdString();
    EXPECT_EQ(test::ReadFileBytes(raceFile()).substr(4 * 1272, 1272), std::string(1270, ' ') + "\r\n");

    // Everything read and stored, but JVClose failed: said, and the tool fails.
    run = import({QStringLiteral("--close-result"), QStringLiteral("-201")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(U("JVCloseエラー:"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(U("LastTime: 2025/01/05 12:00:00"))) << "the data read is whole";
}

TEST_F(ImportCommand, ResultsEndWhenJVLinkNeverProgressesOrFailsToClose)
{
    ASSERT_TRUE(gen::WriteCourseDayFiles(m_day, m_data));
    const QString results = m_root.filePath(QStringLiteral("results"));
    ASSERT_TRUE(QDir().mkpath(results));
    ASSERT_TRUE(gen::WriteRecordFile(results + QStringLiteral("/0B12.jvd"), {m_day.payoutRecords.front()}));
    const QStringList args{QStringLiteral("results"), QString::fromStdString(m_day.nameUtf8())};

    ProcessRun run = this->run(
        args, {QStringLiteral("--rt-source"), results, QStringLiteral("--read-for-ever"), QStringLiteral("-1")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(U(
        "JV-Linkの応答が2秒間進まないため、結果情報の取得を中止しました（JVRead:ファイルが切り替わりました。(-1)）。")))
        << run.err.toStdString();

    run = this->run(args,
                    {QStringLiteral("--rt-source"), results, QStringLiteral("--close-result"), QStringLiteral("-1")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(U("JVCloseエラー:(-1)"))) << run.err.toStdString();
}

} // namespace
} // namespace velmora
