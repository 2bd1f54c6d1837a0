#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/dataimport.h"
#include "core/jvlink/jvlinkchoice.h"
#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/localjvlink.h"
#include "core/jvlink/messageview.h"
#include "core/settings/settingsfile.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <chrono>
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

// Failures show texts, not code units.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora {
namespace {

using Outcome = DataImport::Outcome;
using namespace std::chrono_literals;

const QDate kDay(2025, 1, 4);

QString Worded(const char *prefix, const char *operation, int code)
{
    return QString::fromUtf8(prefix) + FromSjis(JVResultMessage(operation, code));
}

/** Two generated course-days served by the fake bridge as two files, and an import of them. */
class BridgeImport : public testing::Test
{
  protected:
    void SetUp() override
    {
        gen::Generator generator(5);
        ASSERT_TRUE(QDir().mkpath(m_source));
        for (const char *course : {"06", "09"}) {
            gen::CourseDayOptions options;
            options.date = kDay;
            options.course = course;
            m_days.push_back(generator.courseDay(options));
            const gen::CourseDay &day = m_days.back();
            std::vector<std::string> records = day.raceRecords;
            records.insert(records.end(), day.runnerRecords.begin(), day.runnerRecords.end());
            records.insert(records.end(), day.payoutRecords.begin(), day.payoutRecords.end());
            m_records += static_cast<int>(records.size());
            ASSERT_TRUE(gen::WriteRecordFile(m_source + QStringLiteral("/%1.jvd").arg(QLatin1String(course)), records));
        }
        m_settings.setFileName(m_root.filePath(QStringLiteral("velmora.ini")));
    }

    BridgeJVLink bridge(QStringList extra = {}, BridgeTimeouts timeouts = {})
    {
        return BridgeJVLink(
            QStringList{QStringLiteral(VELMORA_FAKE_BRIDGE), QStringLiteral("--source"), m_source} + extra, timeouts);
    }

    Outcome import(JVLink &jvlink)
    {
        RaceDayStore store(m_data);
        bool cancelled = false;
        DataImport run(jvlink, store, m_settings, m_view, cancelled);
        EXPECT_EQ(jvlink.JVInit(SoftwareId()), 0);
        run.start(QDateTime(kDay, QTime(0, 0)), 1);
        m_counts = run.counts();
        return run.outcome();
    }

    QString lastTime() const
    {
        return m_settings.ReadString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), QStringLiteral("<none>"));
    }

    QTemporaryDir m_root;
    QString m_source = m_root.filePath(QStringLiteral("source"));
    QString m_data = m_root.filePath(QStringLiteral("Data"));
    std::vector<gen::CourseDay> m_days;
    int m_records = 0;
    SettingsFile m_settings;
    test::MessageView m_view;
    ImportCounts m_counts;
};

TEST_F(BridgeImport, StoresTheRecordsAsTheGeneratorWritesThem)
{
    BridgeJVLink jvlink = bridge();
    ASSERT_EQ(import(jvlink), Outcome::Completed) << m_view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_view.messages.isEmpty());
    EXPECT_EQ(lastTime(), QStringLiteral("2025/01/05 12:00:00"));

    QTemporaryDir expected;
    for (const gen::CourseDay &day : m_days) {
        ASSERT_TRUE(gen::WriteCourseDayFiles(day, expected.path()));
        const QString name = QString::fromStdString(day.nameUtf8());
        for (const char *extension : {".jvRAr", ".jvSEr", ".jvHRr"}) {
            EXPECT_EQ(test::ReadFileBytes(m_data + QLatin1Char('/') + name + QLatin1String(extension)),
                      test::ReadFileBytes(expected.filePath(name + QLatin1String(extension))))
                << extension;
        }
    }
}

TEST_F(BridgeImport, ABridgeKilledInTheReadLoopEndsTheImportAtOnceKeepingWhatWasRead)
{
    const QString marker = m_root.filePath(QStringLiteral("died"));
    BridgeJVLink jvlink =
        bridge({QStringLiteral("--die-at-read"), QStringLiteral("300"), QStringLiteral("--once-marker"), marker});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(import(jvlink), Outcome::Failed);
    EXPECT_LT(clock.elapsed(), 10000);
    // The close of a bridge that has gone adds no second box.
    EXPECT_EQ(m_view.messages, QStringList{Worded("JVReadエラー:", "JVRead", jvbridge::kBridgeEnded)});
    EXPECT_TRUE(m_view.messages.front().contains(QStringLiteral("途中で終了しました")));
    EXPECT_EQ(lastTime(), QStringLiteral("<none>"));
    // The first batch of records reached their files.
    EXPECT_GT(m_counts.stored[static_cast<size_t>(FileKind::Runner)], 200);

    // The next import starts the bridge again (with JVInit replayed) and completes.
    m_view.messages.clear();
    int readCount = 0, downloadCount = 0;
    QString stamp;
    ASSERT_EQ(
        jvlink.JVOpen(QStringLiteral("RACE"), QStringLiteral("20250101000000"), 1, readCount, downloadCount, stamp), 0);
    EXPECT_EQ(readCount, 2);
    int size = 60000, records = 0;
    std::string buffer;
    QString file;
    for (int result; (result = jvlink.JVRead(buffer, size, file)) != 0;) {
        ASSERT_GE(result, -1);
        records += result > 0;
    }
    EXPECT_EQ(records, m_records);
    EXPECT_EQ(jvlink.JVClose(), 0);
}

TEST_F(BridgeImport, ABridgeThatStopsAnsweringIsStoppedAfterItsTimeout)
{
    BridgeTimeouts timeouts;
    timeouts.call = 300ms;
    BridgeJVLink jvlink = bridge({QStringLiteral("--stall-at-read"), QStringLiteral("1")}, timeouts);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(import(jvlink), Outcome::Failed);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(m_view.messages, QStringList{Worded("JVReadエラー:", "JVRead", jvbridge::kBridgeTimeout)});
    EXPECT_EQ(jvlink.processId(), 0);
    EXPECT_EQ(lastTime(), QStringLiteral("<none>"));
}

TEST(BridgeJVLink, ABridgeThatCannotServeGivesItsOwnCodeAtOnce)
{
    const QString fake = QStringLiteral(VELMORA_FAKE_BRIDGE);
    const auto initResult = [](const QStringList &command) {
        BridgeTimeouts timeouts;
        timeouts.start = 5s;
        timeouts.call = 5s;
        BridgeJVLink jvlink(command, timeouts);
        const int result = jvlink.JVInit(SoftwareId());
        EXPECT_EQ(jvlink.processId(), 0) << "a failed bridge is not left running";
        EXPECT_EQ(jvlink.JVClose(), 0);
        return result;
    };
    EXPECT_EQ(initResult({QStringLiteral("/nonexistent/velmora-jvbridge.exe")}), jvbridge::kBridgeNotStarted);
    EXPECT_EQ(initResult({fake, QStringLiteral("--version"), QStringLiteral("99")}), jvbridge::kBridgeWrongVersion);
    EXPECT_EQ(initResult({fake, QStringLiteral("--not-created")}), jvbridge::kJVLinkNotCreated);
    EXPECT_EQ(initResult({fake, QStringLiteral("--garbage")}), jvbridge::kBridgeBadAnswer);

    EXPECT_EQ(
        FromSjis(JVResultMessage("JVInit", jvbridge::kJVLinkNotCreated)),
        QStringLiteral("JV-Linkを作成できませんでした。JV-Linkがインストールされているか確認してください。(-906)"));
}

TEST(BridgeJVLink, ABridgeThatCouldNotStartAtJVInitIsInitialisedWhenItStartsLater)
{
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("velmora-jvbridge"));
    QTemporaryDir source;
    BridgeJVLink jvlink({program, QStringLiteral("--source"), source.path()});
    EXPECT_EQ(jvlink.JVInit(SoftwareId()), jvbridge::kBridgeNotStarted);

    ASSERT_TRUE(QFile::link(QStringLiteral(VELMORA_FAKE_BRIDGE), program));
    int readCount = 0, downloadCount = 0;
    QString stamp;
    EXPECT_EQ(
        jvlink.JVOpen(QStringLiteral("RACE"), QStringLiteral("20250101000000"), 1, readCount, downloadCount, stamp), -1)
        << "not -201 (JVInit missing): the new bridge was initialised";
}

TEST(BridgeJVLink, TheSettingsDialogComesBeforeJVLinksOwn)
{
    BridgeJVLink jvlink({QStringLiteral(VELMORA_FAKE_BRIDGE)});
    int shown = 0;
    jvlink.setSettingsDialog([&](const std::function<int()> &openJVLinkDialog) {
        ++shown;
        return openJVLinkDialog();
    });
    EXPECT_EQ(jvlink.JVSetUIProperties(), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_NE(jvlink.processId(), 0);
}

TEST(JVLinkChoice, TheCommandLineThenTheSettingsThenThePackagedBridgeChooseAndTheChoiceSaysWhy)
{
    QTemporaryDir app;
    BridgeHost windows;
    windows.windows = true;
    const JVLinkChoice none = ChooseJVLink(app.path(), std::nullopt, windows);
    EXPECT_FALSE(none.usesBridge());
    EXPECT_TRUE(none.description().contains(QStringLiteral("velmora-jvbridge.exe が見つからないため")));
    EXPECT_TRUE(ChooseJVLink(app.path(), std::nullopt, BridgeHost{})
                    .description()
                    .contains(QStringLiteral("WindowsかWSLでしか使えないため")));

    BridgeHost packaged = windows;
    packaged.bridge = QStringLiteral("C:/Program Files/Velmora/velmora-jvbridge.exe");
    packaged.fallback = QStringLiteral("C:/Program Files/Velmora/velmora-jvbridge64.exe");
    const JVLinkChoice shipped = ChooseJVLink(app.path(), std::nullopt, packaged);
    EXPECT_EQ(shipped.bridgeCommand, QStringList{packaged.bridge});
    EXPECT_EQ(shipped.fallbackCommand, QStringList{packaged.fallback});
    EXPECT_TRUE(shipped.description().contains(QStringLiteral("本ソフトに同梱")));

    SettingsFile ini;
    ini.setFileName(app.filePath(QStringLiteral("JVLink/JVLink.ini")));
    ASSERT_TRUE(QDir().mkpath(app.filePath(QStringLiteral("JVLink"))));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("JVLink"), QStringLiteral("Bridge"),
                                QStringLiteral("wine64 \"/opt/velmora jv/velmora-jvbridge.exe\"")));
    const QStringList configured{QStringLiteral("wine64"), QStringLiteral("/opt/velmora jv/velmora-jvbridge.exe")};
    const JVLinkChoice set = ChooseJVLink(app.path(), std::nullopt, packaged);
    EXPECT_EQ(set.bridgeCommand, configured);
    EXPECT_TRUE(set.fallbackCommand.isEmpty()) << "a command of one's own has no fallback";
    EXPECT_TRUE(set.description().contains(QStringLiteral("JVLink/JVLink.ini の Bridge= の指定")));
    EXPECT_EQ(ChooseJVLink(app.path(), QStringLiteral("other.exe"), packaged).bridgeCommand,
              QStringList{QStringLiteral("other.exe")});
    const JVLinkChoice emptyOption = ChooseJVLink(app.path(), QString(), packaged);
    EXPECT_FALSE(emptyOption.usesBridge());
    EXPECT_TRUE(emptyOption.description().contains(QStringLiteral("--bridge が空のため")));

    // An empty key turns the packaged bridge off, and says so.
    ASSERT_TRUE(ini.WriteString(QStringLiteral("JVLink"), QStringLiteral("Bridge"), QString()));
    const JVLinkChoice local = ChooseJVLink(app.path(), std::nullopt, packaged);
    EXPECT_FALSE(local.usesBridge());
    EXPECT_EQ(local.description(), QStringLiteral("使用中のJV-Link：ローカルJV-Link（JVLink/JVLink.ini の Bridge= "
                                                  "が空のため。提供元フォルダのJV-Dataファイルを読み込みます）"));
    EXPECT_TRUE(dynamic_cast<LocalJVLink *>(ProgramJVLinkFactory(app.path(), local)(kJVLinkClassName).get()));

    const JVLinkChoice bridged = ChooseJVLink(app.path(), QStringLiteral("velmora-jvbridge.exe"), {});
    EXPECT_TRUE(dynamic_cast<BridgeJVLink *>(ProgramJVLinkFactory(app.path(), bridged)(kJVLinkClassName).get()));
    EXPECT_FALSE(ProgramJVLinkFactory(app.path(), bridged)(QStringLiteral("Other.Class")));
}

TEST(JVLinkChoice, TheToolSaysWhichJVLinkItImportsThroughAndWhy)
{
    QTemporaryDir app;
    QTemporaryDir source;
    ASSERT_TRUE(QDir().mkpath(app.filePath(QStringLiteral("JVLink"))));
    SettingsFile ini;
    ini.setFileName(app.filePath(QStringLiteral("JVLink/JVLink.ini")));
    ASSERT_TRUE(ini.WriteString(QStringLiteral("JVLink"), QStringLiteral("Bridge"), QString()));
    const QStringList import{QStringLiteral("import"), QStringLiteral("--data"), app.filePath(QStringLiteral("Data")),
                             QStringLiteral("--source"), source.path()};
    const auto firstLine = [](const test::ProcessRun &run) { return run.err.section(QLatin1Char('\n'), 0, 0); };
    EXPECT_EQ(firstLine(test::RunCli(import)),
              QStringLiteral("使用中のJV-Link：ローカルJV-Link（JVLink/JVLink.ini の Bridge= "
                             "が空のため。提供元フォルダのJV-Dataファイルを読み込みます）"));
    EXPECT_TRUE(firstLine(test::RunCli(import + QStringList{QStringLiteral("--bridge"), QString()}))
                    .contains(QStringLiteral("--bridge が空のため")));
}

TEST(JVLinkChoice, UnderWslThePackagedBridgeIsTheDefault)
{
    const QProcessEnvironment plain;
    QProcessEnvironment wsl;
    wsl.insert(QStringLiteral("WSL_DISTRO_NAME"), QStringLiteral("Debian"));
    EXPECT_TRUE(IsWsl("5.15.153.1-microsoft-standard-WSL2\n", plain));
    EXPECT_TRUE(IsWsl("4.4.0-19041-Microsoft\n", plain)) << "WSL 1";
    EXPECT_TRUE(IsWsl("6.1.0-18-amd64\n", wsl));
    EXPECT_FALSE(IsWsl("6.1.0-18-amd64\n", plain));

    // An installed package keeps both bridges in its data folder, beside bin/.
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("share/velmora"))));
    BridgeHost host;
    host.wsl = true;
    FindPackagedBridges(prefix.filePath(QStringLiteral("bin")), host);
    EXPECT_TRUE(host.bridge.isEmpty());
    for (const char *name : {"velmora-jvbridge.exe", "velmora-jvbridge64.exe"}) {
        QFile file(prefix.filePath(QStringLiteral("share/velmora/") + QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    FindPackagedBridges(prefix.filePath(QStringLiteral("bin")), host);
    EXPECT_EQ(host.bridge, prefix.filePath(QStringLiteral("share/velmora/velmora-jvbridge.exe")));
    EXPECT_EQ(host.fallback, prefix.filePath(QStringLiteral("share/velmora/velmora-jvbridge64.exe")));

    QTemporaryDir app;
    const JVLinkChoice choice = ChooseJVLink(app.path(), std::nullopt, host);
    EXPECT_EQ(choice.bridgeCommand, QStringList{host.bridge});
    EXPECT_EQ(choice.fallbackCommand, QStringList{host.fallback});
    EXPECT_TRUE(choice.description().startsWith(
        QStringLiteral("使用中のJV-Link：JRA-VANのJV-Link（velmora-jvbridge経由、WSLからWindowsで実行：")));
}

TEST(BridgeJVLink, ABridgeThatCannotCreateJVLinkGivesWayToThe64BitOneAndJVLinksDialogsGetTheirOwner)
{
    QTemporaryDir folder;
    QTemporaryDir emptySource;
    const QString log = folder.filePath(QStringLiteral("calls"));
    const QString fake = QStringLiteral(VELMORA_FAKE_BRIDGE);
    BridgeJVLink jvlink({fake, QStringLiteral("--not-created")}, {},
                        {fake, QStringLiteral("--source"), emptySource.path(), QStringLiteral("--log"), log});
    std::uint32_t owner = 0x2a0012;
    std::vector<qint64> processes;
    jvlink.setDialogOwner([&](qint64 process) {
        processes.push_back(process);
        return owner;
    });
    ASSERT_EQ(jvlink.JVInit(SoftwareId()), 0);
    EXPECT_EQ(jvlink.command().at(1), QStringLiteral("--source")) << "the fallback took over";
    EXPECT_EQ(jvlink.bitness(), 64);
    JVLinkChoice choice;
    choice.bridgeCommand = {fake, QStringLiteral("--not-created")};
    choice.reason = JVLinkChoice::Reason::Packaged;
    EXPECT_TRUE(choice.description(&jvlink).contains(QStringLiteral("64ビット版のvelmora-jvbridge経由")));

    int readCount = 0, downloadCount = 0;
    QString stamp;
    EXPECT_EQ(
        jvlink.JVOpen(QStringLiteral("RACE"), QStringLiteral("20250101000000"), 1, readCount, downloadCount, stamp),
        -1);
    owner = 0x2a0040;
    EXPECT_EQ(jvlink.JVSetUIProperties(), 0);
    EXPECT_EQ(processes, std::vector<qint64>(3, jvlink.processId()));
    QFile calls(log);
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    // The owner goes to JV-Link before its first call that may show a dialog, and again when it changes.
    EXPECT_EQ(QString::fromUtf8(calls.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              QStringList({QStringLiteral("ParentHWnd=2752530"), QStringLiteral("JVInit"), QStringLiteral("JVOpen"),
                           QStringLiteral("ParentHWnd=2752576"), QStringLiteral("JVSetUIProperties")}));
}

} // namespace
} // namespace velmora
