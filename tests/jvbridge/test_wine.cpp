// velmora-jvbridge (x86_64) under wine64 against the test JV-Link: imports, result
// fetches, dumps and faults set against the local JV-Link. One wine prefix serves the
// whole run; each test points the test JV-Link at its own source and cache folders.

#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/dataimport.h"
#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/messageview.h"
#include "core/settings/settingsfile.h"
#include "core/text/sjis.h"
#include "gen/samplesource.h"
#include "protocol/jvresulttext.h"

#include <csignal>
#include <gtest/gtest.h>
#include <map>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora {
namespace {

const QString kWine = QStringLiteral("/usr/lib/wine/wine64");
const QString kWineServer = QStringLiteral("/usr/lib/wine/wineserver");
const QString kBridge = QStringLiteral(VELMORA_JVBRIDGE_EXE);
const QString kFrom = QStringLiteral("20200101000000");

struct Ran
{
    int exitCode = -1;
    QString out;
    QString err;
};

/** Runs a program to its end with extra environment variables. */
Ran RunProgram(const QString &program, const QStringList &args, const std::map<QString, QString> &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : environment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.start(program, args);
    process.waitForFinished(180000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

/** A Unix path as the wine prefix's Z: drive shows it. */
QString WinePath(const QString &path)
{
    return QStringLiteral("Z:") +
           QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

/** What the tool said on standard error after its first line, which names the JV-Link in use. */
QString AfterJVLinkLine(const QString &err)
{
    EXPECT_TRUE(err.startsWith(QStringLiteral("使用中のJV-Link："))) << err.toStdString();
    return err.mid(err.indexOf(QLatin1Char('\n')) + 1);
}

/** An import's output without the download counts, which show whatever the polls happened to see. */
QString WithoutDownloadProgress(const QString &out)
{
    QStringList lines = out.split(QLatin1Char('\n'));
    lines.removeIf([](const QString &line) { return line.startsWith(QStringLiteral("ダウンロード中．．．")); });
    return lines.join(QLatin1Char('\n'));
}

/** Every file under `root` with its bytes, by relative path. */
std::map<QString, QByteArray> Tree(const QString &root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files[QDir(root).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

class Bridge : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!QFileInfo(kWine).isExecutable() || kBridge.isEmpty() || !QFileInfo(kBridge).isFile())
            return;
        const QString prefix = QStringLiteral(VELMORA_BRIDGE_PREFIX);
        QDir(prefix).removeRecursively();
        qputenv("WINEPREFIX", prefix.toUtf8());
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        const Ran made =
            RunProgram(QStringLiteral(VELMORA_JVLINK_MOCK_SCRIPT), {prefix, prefix + QStringLiteral("/none")},
                       {{QStringLiteral("VELMORA_MOCKJVLINK"), QStringLiteral(VELMORA_MOCKJVLINK_DLL)}});
        s_ready = made.exitCode == 0;
        EXPECT_TRUE(s_ready) << made.err.toStdString();
        // One wineserver for the whole suite: a run that starts while the last one's server shuts
        // down can fail without a word, which would read as the bridge failing.
        QProcess server;
        server.setProgram(kWineServer);
        server.setArguments({QStringLiteral("-p")});
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.startDetached();
    }

    static void TearDownTestSuite()
    {
        if (QFileInfo(kWineServer).isExecutable())
            RunProgram(kWineServer, {QStringLiteral("-k")});
    }

    void SetUp() override
    {
        if (!QFileInfo(kWine).isExecutable())
            GTEST_SKIP() << "wine64 is not installed (scripts/deps installs it)";
        if (kBridge.isEmpty() || !QFileInfo(kBridge).isFile())
            GTEST_SKIP() << "velmora-jvbridge.exe was not cross-built (MinGW-w64 missing; scripts/deps installs it)";
        ASSERT_TRUE(s_ready) << "the wine prefix with the test JV-Link could not be made";
        // The present moment of the sample: this week's races, as a new user's first import brings them.
        ASSERT_TRUE(gen::LayOutSampleSource(m_source, QDateTime::currentDateTime()));
    }

    /** The environment that points the test JV-Link at this test's folders, plus `more`. */
    std::map<QString, QString> mockEnvironment(std::map<QString, QString> more = {}) const
    {
        more[QStringLiteral("VELMORA_MOCKJV_SOURCE")] = WinePath(m_source);
        more[QStringLiteral("VELMORA_MOCKJV_SAVEPATH")] = WinePath(m_root.filePath(QStringLiteral("mockcache")));
        more[QStringLiteral("VELMORA_MOCKJV_DOWNLOAD_MS")] = QStringLiteral("5");
        return more;
    }

    QString bridgeCommand() const { return kWine + QLatin1Char(' ') + kBridge; }

    /** velmora-cli COMMAND --data <app>/Data ARGS. */
    Ran cli(const QString &app, const QString &command, QStringList args, std::map<QString, QString> env = {}) const
    {
        args.prepend(m_root.filePath(app) + QStringLiteral("/Data"));
        args.prepend(QStringLiteral("--data"));
        args.prepend(command);
        return RunProgram(QStringLiteral(VELMORA_CLI), args, env);
    }
    Ran localImport(const QString &app, const QString &source) const
    {
        return cli(app, QStringLiteral("import"),
                   {QStringLiteral("--source"), source, QStringLiteral("--from"), kFrom});
    }
    Ran bridgeImport(const QString &app, std::map<QString, QString> faults = {}) const
    {
        return cli(app, QStringLiteral("import"),
                   {QStringLiteral("--bridge"), bridgeCommand(), QStringLiteral("--from"), kFrom},
                   mockEnvironment(std::move(faults)));
    }
    QString data(const QString &app) const { return m_root.filePath(app) + QStringLiteral("/Data"); }
    /** The course-day of the sample's Saturday (the day with results) at the first racecourse. */
    QString saturday(const QString &app) const
    {
        const QStringList names = QDir(data(app)).entryList({QStringLiteral("*.jvRA")}, QDir::Files, QDir::Name);
        return names.isEmpty() ? QString() : QFileInfo(names.front()).completeBaseName();
    }

    static bool s_ready;
    QTemporaryDir m_root;
    QString m_source = m_root.filePath(QStringLiteral("source"));
};

bool Bridge::s_ready = false;

TEST_F(Bridge, ImportAndResultFetchGiveTheFilesOfTheLocalJVLink)
{
    const Ran local = localImport(QStringLiteral("local"), m_source);
    ASSERT_EQ(local.exitCode, 0) << local.err.toStdString();
    // The second file arrives damaged until the bridge deletes it and reads it afresh.
    const Ran bridged =
        bridgeImport(QStringLiteral("bridge"), {{QStringLiteral("VELMORA_MOCKJV_DAMAGED"), QStringLiteral("-403@2")}});
    ASSERT_EQ(bridged.exitCode, 0) << bridged.err.toStdString();
    EXPECT_TRUE(
        bridged.err.startsWith(QStringLiteral("使用中のJV-Link：JRA-VANのJV-Link（64ビット版のvelmora-jvbridge経由、"
                                              "--bridge の指定：")))
        << bridged.err.toStdString();
    EXPECT_EQ(WithoutDownloadProgress(bridged.out), WithoutDownloadProgress(local.out))
        << "the same progress, counts and LastTime";
    EXPECT_TRUE(local.out.contains(QStringLiteral("保存したレコード: RA 72件")));
    const auto localFiles = Tree(data(QStringLiteral("local")));
    EXPECT_EQ(localFiles.size(), 15u);
    EXPECT_EQ(Tree(data(QStringLiteral("bridge"))), localFiles);

    const QString day = saturday(QStringLiteral("local"));
    const Ran localResults =
        cli(QStringLiteral("local"), QStringLiteral("results"), {QStringLiteral("--source"), m_source, day});
    ASSERT_EQ(localResults.exitCode, 0) << localResults.err.toStdString();
    const Ran bridgedResults = cli(QStringLiteral("bridge"), QStringLiteral("results"),
                                   {QStringLiteral("--bridge"), bridgeCommand(), day}, mockEnvironment());
    ASSERT_EQ(bridgedResults.exitCode, 0) << bridgedResults.err.toStdString();
    EXPECT_EQ(bridgedResults.out, localResults.out);
    EXPECT_NE(Tree(data(QStringLiteral("bridge"))), localFiles) << "the results changed the files";
    EXPECT_EQ(Tree(data(QStringLiteral("bridge"))), Tree(data(QStringLiteral("local"))));
}

TEST_F(Bridge, ADumpImportsThroughTheLocalJVLinkAsTheSourceItself)
{
    const QString out = m_root.filePath(QStringLiteral("dump"));
    const QStringList dump{kBridge, QStringLiteral("dump"),     QStringLiteral("--out"), out, QStringLiteral("--from"),
                           kFrom,   QStringLiteral("--option"), QStringLiteral("2")};
    Ran dumped = RunProgram(kWine, dump, mockEnvironment());
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err.toStdString();
    EXPECT_TRUE(dumped.err.contains(QStringLiteral("完了しました。"))) << dumped.err.toStdString();
    dumped = RunProgram(kWine, QStringList(dump.begin(), dump.begin() + 4), mockEnvironment());
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_TRUE(dumped.err.contains(QStringLiteral("新しいデータはありません。"))) << dumped.err.toStdString();

    ASSERT_EQ(localImport(QStringLiteral("direct"), m_source).exitCode, 0);
    const Ran fromDump = localImport(QStringLiteral("dumped"), out);
    ASSERT_EQ(fromDump.exitCode, 0) << fromDump.err.toStdString();
    EXPECT_EQ(Tree(data(QStringLiteral("dumped"))), Tree(data(QStringLiteral("direct"))));

    // The results of the Saturday, dumped as real-time data, fetch the same too.
    const QString day = saturday(QStringLiteral("direct"));
    const QString key = day.left(11).remove(QRegularExpression(QStringLiteral("[^0-9]")));
    ASSERT_EQ(key.size(), 8);
    dumped =
        RunProgram(kWine, {kBridge, QStringLiteral("dump"), QStringLiteral("--out"), out, QStringLiteral("--rt"), key},
                   mockEnvironment());
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err.toStdString();
    ASSERT_EQ(
        cli(QStringLiteral("direct"), QStringLiteral("results"), {QStringLiteral("--source"), m_source, day}).exitCode,
        0);
    ASSERT_EQ(cli(QStringLiteral("dumped"), QStringLiteral("results"), {QStringLiteral("--source"), out, day}).exitCode,
              0);
    EXPECT_EQ(Tree(data(QStringLiteral("dumped"))), Tree(data(QStringLiteral("direct"))));
}

TEST_F(Bridge, InjectedJVLinkErrorsReadAsThroughTheLocalJVLinkAndLeaveLastTime)
{
    // A download failure the local JV-Link really has: its cache cannot be made.
    ASSERT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("local/JVLink"))));
    QFile blocker(m_root.filePath(QStringLiteral("local/JVLink/cache")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Ran local = localImport(QStringLiteral("local"), m_source);
    EXPECT_EQ(local.exitCode, 1);
    const Ran bridged = bridgeImport(QStringLiteral("bridge"),
                                     {{QStringLiteral("VELMORA_MOCKJV_FAIL"), QStringLiteral("JVStatus=-502")}});
    EXPECT_EQ(bridged.exitCode, local.exitCode);
    EXPECT_EQ(AfterJVLinkLine(bridged.err), AfterJVLinkLine(local.err));
    EXPECT_EQ(WithoutDownloadProgress(bridged.out), WithoutDownloadProgress(local.out));
    EXPECT_TRUE(bridged.out.endsWith(QStringLiteral("LastTime: (変更なし)\n"))) << bridged.out.toStdString();

    const struct
    {
        const char *fault;
        const char *operation;
        int code;
    } faults[] = {
        {"JVOpen=-301", "JVOpen", -301}, // authentication
        {"JVOpen=-504", "JVOpen", -504}, // maintenance
        {"JVOpen=-2", "JVOpen", -2},     // the person cancelled JV-Link's dialog
        {"JVRead=-502@40", "JVRead", -502},
    };
    for (const auto &fault : faults) {
        const QString app = QStringLiteral("fault") + QLatin1String(fault.fault).left(6);
        const Ran run = bridgeImport(app, {{QStringLiteral("VELMORA_MOCKJV_FAIL"), QLatin1String(fault.fault)}});
        EXPECT_EQ(run.exitCode, 1) << fault.fault;
        EXPECT_EQ(AfterJVLinkLine(run.err).trimmed(), QLatin1String(fault.operation) + QStringLiteral("エラー:") +
                                                          FromSjis(JVResultMessage(fault.operation, fault.code)));
        EXPECT_TRUE(run.out.endsWith(QStringLiteral("LastTime: (変更なし)\n"))) << fault.fault;
        SettingsFile ini;
        ini.setFileName(m_root.filePath(app) + QStringLiteral("/velmora.ini"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), QStringLiteral("<none>")),
                  QStringLiteral("<none>"));
    }
}

TEST_F(Bridge, KillingTheBridgeInTheReadLoopEndsTheImportWithinSeconds)
{
    for (const auto &[name, value] : mockEnvironment())
        qputenv(name.toUtf8().constData(), value.toUtf8());
    BridgeJVLink jvlink({kWine, kBridge});
    RaceDayStore store(data(QStringLiteral("app")));
    SettingsFile settings;
    settings.setFileName(m_root.filePath(QStringLiteral("velmora.ini")));
    test::MessageView view;
    QElapsedTimer sinceKill;
    view.onEvents = [&](int events) {
        if (events != 100)
            return;
        ASSERT_NE(jvlink.processId(), 0);
        ::kill(static_cast<pid_t>(jvlink.processId()), SIGKILL);
        sinceKill.start();
    };
    bool cancelled = false;
    DataImport import(jvlink, store, settings, view, cancelled);
    ASSERT_EQ(jvlink.JVInit(SoftwareId()), 0);
    import.start(QDateTime::fromString(kFrom, QStringLiteral("yyyyMMddHHmmss")), 2);
    while (import.downloading())
        import.poll();

    EXPECT_EQ(import.outcome(), DataImport::Outcome::Failed);
    EXPECT_TRUE(sinceKill.isValid());
    EXPECT_LT(sinceKill.elapsed(), 10000);
    EXPECT_EQ(view.messages, QStringList{QStringLiteral("JVReadエラー:") +
                                         FromSjis(JVResultMessage("JVRead", jvbridge::kBridgeEnded))});
    EXPECT_TRUE(import.storedLastTime().isEmpty());
    // The records that reached Velmora before the kill are in their files.
    const ImportCounts &counts = import.counts();
    EXPECT_GT(counts.stored[0] + counts.stored[1] + counts.stored[2], 99);
    EXPECT_FALSE(Tree(data(QStringLiteral("app"))).empty());
}

/** Sets environment variables for the bridges this process starts, and takes them back. */
class ScopedEnvironment
{
  public:
    explicit ScopedEnvironment(const std::map<QString, QString> &variables)
    {
        for (const auto &[name, value] : variables) {
            qputenv(name.toUtf8().constData(), value.toUtf8());
            m_names.push_back(name.toUtf8());
        }
    }
    ~ScopedEnvironment()
    {
        for (const QByteArray &name : m_names)
            qunsetenv(name.constData());
    }

  private:
    std::vector<QByteArray> m_names;
};

/** The files directly in `folder` (not its state folder) with their bytes. */
std::map<QString, QByteArray> Files(const QString &folder)
{
    std::map<QString, QByteArray> files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(info.filePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files[info.fileName()] = file.readAll();
    }
    return files;
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(Bridge, ADumpKeepsTheRecordsBytesWhateverWayJVLinkHandsThemOverAndWritesOnlyIntoItsFolder)
{
    // A record holding a NUL, which must arrive whole.
    const QByteArray withNul = QByteArray("RA720250101") + QDate::currentDate().toString(u"yyyyMMdd").toLatin1() +
                               QByteArray("A\0B", 3) + QByteArray(20, ' ') + "\r\n";
    QFile extra(m_source + QStringLiteral("/RACE_") + QDate::currentDate().toString(u"yyyyMMdd") +
                QStringLiteral("_20991231000000_nul.jvd"));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write(withNul);
    extra.close();

    const auto dump = [&](const QString &out, const QString &variant, const QString &damaged = {}) {
        return RunProgram(kWine,
                          {kBridge, QStringLiteral("dump"), QStringLiteral("--out"), out, QStringLiteral("--from"),
                           kFrom, QStringLiteral("--option"), QStringLiteral("1")},
                          mockEnvironment({{QStringLiteral("VELMORA_MOCKJV_READ"), variant},
                                           {QStringLiteral("VELMORA_MOCKJV_DAMAGED"), damaged}}));
    };
    const QString reference = m_root.filePath(QStringLiteral("reference"));
    const Ran plain = dump(reference, {});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const auto expected = Files(reference);
    ASSERT_GE(expected.size(), 5u);
    EXPECT_TRUE(
        std::any_of(expected.begin(), expected.end(), [&](const auto &file) { return file.second == withNul; }));

    // A link planted where the dump writes its state and its first file is never written through.
    const QString victim = m_root.filePath(QStringLiteral("victim"));
    QFile(victim).open(QIODevice::WriteOnly);
    const QString planted = m_root.filePath(QStringLiteral("planted"));
    ASSERT_TRUE(QDir().mkpath(planted + QStringLiteral("/.jvbridge")));
    ASSERT_TRUE(QFile::link(victim, planted + QStringLiteral("/.jvbridge/state.part")));
    ASSERT_TRUE(QFile::link(victim, planted + QStringLiteral("/.jvbridge/") + expected.begin()->first +
                                        QStringLiteral(".part")));

    const struct
    {
        const char *variant;
        const char *damaged;
        const char *why;
    } same[] = {
        {"longer,nuls", "", "JVGets's array longer than the record, padded with NULs"},
        {"getsvariant,longer", "", "JVGets taking its array in a VARIANT"},
        {"nogets,longer,nuls", "", "JVRead's text under the Japanese locale the bridge sets, longer, with NULs"},
        {"", "-402@2", "a damaged download deleted and read afresh"},
    };
    for (const auto &c : same) {
        const QString out = &c == same ? planted : m_root.filePath(QStringLiteral("same%1").arg(&c - same));
        const Ran ran = dump(out, QLatin1String(c.variant), QLatin1String(c.damaged));
        EXPECT_EQ(ran.exitCode, 0) << c.why << ran.err.toStdString();
        EXPECT_EQ(Files(out), expected) << c.why;
    }
    EXPECT_TRUE(Bytes(victim).isEmpty()) << "the planted links' target is untouched";

    const struct
    {
        const char *variant;
        const char *damaged;
        int code;
    } refused[] = {
        {"nogets,widen", "", jvbridge::kRecordSizeMismatch}, // bytes widened to characters on a Western code page
        {"", "-403@2!", -403},                               // a file that is damaged again
    };
    for (const auto &c : refused) {
        const Ran ran =
            dump(m_root.filePath(QStringLiteral("refused")), QLatin1String(c.variant), QLatin1String(c.damaged));
        EXPECT_EQ(ran.exitCode, 1) << c.variant << c.damaged;
        EXPECT_TRUE(ran.err.contains(QStringLiteral("JVReadエラー:") +
                                     QString::fromStdString(jvbridge::JVResultTextUtf8("JVRead", c.code)) +
                                     QStringLiteral(" ファイル「")))
            << c.variant << c.damaged << " exit " << ran.exitCode << "\nerr: " << ran.err.toStdString()
            << "\nout: " << ran.out.toStdString();
    }

    // A state folder that is a link to elsewhere is refused before JV-Link is asked.
    const QString elsewhere = m_root.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString linked = m_root.filePath(QStringLiteral("linkedstate"));
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_TRUE(QFile::link(elsewhere, linked + QStringLiteral("/.jvbridge")));
    const Ran ran = dump(linked, {});
    EXPECT_EQ(ran.exitCode, 2);
    EXPECT_TRUE(ran.err.contains(QStringLiteral("はフォルダではないか、リンクです。"))) << ran.err.toStdString();
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

TEST_F(Bridge, WidenedRecordsAreRefusedByTheImportWithTheirReason)
{
    const Ran run =
        bridgeImport(QStringLiteral("app"), {{QStringLiteral("VELMORA_MOCKJV_READ"), QStringLiteral("nogets,widen")}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("JVReadエラー:") +
                                 FromSjis(JVResultMessage("JVRead", jvbridge::kRecordSizeMismatch))))
        << run.err.toStdString();
    EXPECT_TRUE(Tree(data(QStringLiteral("app"))).empty()) << "nothing of the wrong bytes is stored";
}

TEST_F(Bridge, JVLinksDialogGetsVelmorasWindowAndIsAnsweredWhileTheBridgeWaits)
{
    const QString log = m_root.filePath(QStringLiteral("mock.log"));
    // A cache of its own: the files are downloaded, and the download waits for the dialog's answer.
    ScopedEnvironment environment(mockEnvironment(
        {{QStringLiteral("VELMORA_MOCKJV_DIALOG"), QStringLiteral("1")},
         {QStringLiteral("VELMORA_MOCKJV_LOG"), WinePath(log)},
         {QStringLiteral("VELMORA_MOCKJV_SAVEPATH"), WinePath(m_root.filePath(QStringLiteral("own")))}}));
    BridgeJVLink jvlink({kWine, kBridge});
    std::vector<qint64> askedFor;
    jvlink.setDialogOwner([&](qint64 process) {
        askedFor.push_back(process);
        return std::uint32_t{0x000a0b2c};
    });
    RaceDayStore store(data(QStringLiteral("app")));
    SettingsFile settings;
    settings.setFileName(m_root.filePath(QStringLiteral("velmora.ini")));
    test::MessageView view;
    bool cancelled = false;
    DataImport import(jvlink, store, settings, view, cancelled);
    ASSERT_EQ(jvlink.JVInit(SoftwareId()), 0);
    import.start(QDateTime::fromString(kFrom, QStringLiteral("yyyyMMddHHmmss")), 2);
    QElapsedTimer clock;
    clock.start();
    while (import.downloading() && clock.elapsed() < 60000)
        import.poll();

    EXPECT_EQ(import.outcome(), DataImport::Outcome::Completed) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(askedFor, std::vector<qint64>(2, jvlink.processId())) << "JVInit and JVOpen";
    EXPECT_EQ(QString::fromUtf8(Bytes(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              QStringList({QStringLiteral("ParentHWnd=658220"), QStringLiteral("dialog answered")}));
}

TEST_F(Bridge, UnderWslThePackagedBridgeRunsAndThe64BitOneStandsInForA32BitOneThatCannotCreateJVLink)
{
    // WSL runs a Windows program named on the command line through its interop; here a
    // script beside the tool hands it to wine64 in the same way. The 32-bit bridge meets
    // a JV-Link that cannot be created, as on a PC with only the 64-bit JV-Link.
    const QString bin = m_root.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString tool = bin + QStringLiteral("/velmora-cli");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_CLI), tool));
    const auto interop = [&](const char *name, const char *variables) {
        QFile script(bin + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QByteArray("#!/bin/sh\n") + variables + "exec " + kWine.toUtf8() + " " + kBridge.toUtf8() +
                     " \"$@\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    };
    interop("velmora-jvbridge.exe", "VELMORA_MOCKJV_REFUSE=1 ");
    interop("velmora-jvbridge64.exe", "");

    std::map<QString, QString> environment = mockEnvironment();
    environment[QStringLiteral("WSL_DISTRO_NAME")] = QStringLiteral("Debian");
    const Ran run = RunProgram(tool,
                               {QStringLiteral("import"), QStringLiteral("--data"), data(QStringLiteral("wsl")),
                                QStringLiteral("--from"), kFrom},
                               environment);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("使用中のJV-Link：JRA-VANのJV-Link（64ビット版のvelmora-jvbridge経由、"
                                                "WSLからWindowsで実行：%1/velmora-jvbridge64.exe）")
                                     .arg(bin));
    EXPECT_TRUE(run.out.contains(QStringLiteral("保存したレコード: RA 72件"))) << run.out.toStdString();
}

} // namespace
} // namespace velmora
