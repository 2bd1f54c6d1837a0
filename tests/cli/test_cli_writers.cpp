// The command-line tool's writers as separate processes meet them: another writer
// at work, a dead one's lock, anything but a lock file in its place, links where
// files are written, a pipe in the data folder, a full or read-only disk, a
// settings file that cannot be written, time stamps from the future.

#include "core/store/racedayfiles.h"
#include "core/testcard.h"
#include "gen/jvdatagen.h"
#include "gen/samplesource.h"
#include "support/testfiles.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

namespace velmora {
namespace {

using test::Finish;
using test::ProcessRun;
using test::RunCli;
using test::RunProgram;

/** Runs a shell script in a mount namespace of its own (root only); nothing when that is impossible. */
bool CanMountPrivately()
{
    if (geteuid() != 0)
        return false;
    const ProcessRun probe = RunProgram(QStringLiteral("unshare"),
                                        {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                                         QStringLiteral("mount -t tmpfs -o size=64k tmpfs /mnt")},
                                        10000);
    return probe.finished && probe.exitCode == 0;
}

/**
 * An application folder with its data folder, and a JV-Data source of race weekends
 * written as the local JV-Link serves them (one file per course-day, stamped now).
 */
class Writers : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    QString m_app = m_root.path() + QStringLiteral("/app");
    QString m_data = m_app + QStringLiteral("/Data");
    QString m_source = m_root.path() + QStringLiteral("/source");
    std::vector<gen::CourseDay> m_days;

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(m_data) && QDir().mkpath(m_source)); }

    /** Writes `weekends` race weekends from 2026-11-07 on into the source, with time stamp `stamp`. */
    void makeSource(int weekends, const QString &stamp = QStringLiteral("20261201120000"))
    {
        gen::Generator generator(77);
        for (int w = 0; w < weekends; ++w) {
            for (const gen::CourseDay &day : generator.weekend(QDate(2026, 11, 7).addDays(7 * w))) {
                std::vector<std::string> records = day.raceRecords;
                records.insert(records.end(), day.runnerRecords.begin(), day.runnerRecords.end());
                records.insert(records.end(), day.payoutRecords.begin(), day.payoutRecords.end());
                const QString name =
                    QStringLiteral("RACE_%1_%2_%3.jvd")
                        .arg(day.date.toString(QStringLiteral("yyyyMMdd")), stamp, QString::fromStdString(day.course));
                ASSERT_TRUE(gen::WriteRecordFile(m_source + QLatin1Char('/') + name, records));
                m_days.push_back(day);
            }
        }
    }

    QStringList importArgs(const QString &data) const
    {
        return {QStringLiteral("import"),
                QStringLiteral("--data"),
                data,
                QStringLiteral("--source"),
                m_source,
                QStringLiteral("--from"),
                QStringLiteral("20000101000000"),
                QStringLiteral("--option"),
                QStringLiteral("1")};
    }

    int recordCount() const
    {
        size_t count = 0;
        for (const gen::CourseDay &day : m_days)
            count += day.raceRecords.size() + day.runnerRecords.size() + day.payoutRecords.size();
        return static_cast<int>(count);
    }

    /** Every course-day file of a data folder by name, with its bytes. */
    static std::map<QString, std::string> Files(const QString &data)
    {
        std::map<QString, std::string> files;
        for (const QString &name : QDir(data).entryList(QDir::Files))
            files[name] = test::ReadFileBytes(data + QLatin1Char('/') + name);
        return files;
    }

    /** The files one import alone makes of the source. */
    std::map<QString, std::string> reference()
    {
        const QString data = m_root.path() + QStringLiteral("/reference/Data");
        const ProcessRun run = RunCli(importArgs(data));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return Files(data);
    }

    QString lastTime() const
    {
        QFile ini(m_app + QStringLiteral("/velmora.ini"));
        if (!ini.open(QIODevice::ReadOnly))
            return {};
        const QRegularExpression line(QStringLiteral("LastTime=(.*)"));
        return line.match(QString::fromUtf8(ini.readAll())).captured(1).trimmed();
    }

    /** Starts an import and waits until it holds the application folder's lock (its process number written). */
    void startHolding(QProcess &process)
    {
        process.start(QStringLiteral(VELMORA_CLI), importArgs(m_data));
        const QString lock = m_app + QStringLiteral("/velmora.lock");
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(lock).size() == 0 && waited.elapsed() < 20000)
            QThread::msleep(5);
        ASSERT_GT(QFileInfo(lock).size(), 0);
    }
};

TEST_F(Writers, ASecondWriterIsRefusedAndTheFirstLosesNothing)
{
    makeSource(4);
    const std::map<QString, std::string> alone = reference();

    QProcess first;
    startHolding(first);
    // Every writer of the tool takes the same lock.
    const QString name = QString::fromStdString(m_days.front().nameUtf8());
    for (const QStringList &args :
         {importArgs(m_data),
          QStringList{QStringLiteral("results"), QStringLiteral("--data"), m_data, QStringLiteral("--source"), m_source,
                      name},
          QStringList{QStringLiteral("save-bets"), QStringLiteral("--data"), m_data, name},
          QStringList{QStringLiteral("export-hits"), QStringLiteral("--data"), m_data, QStringLiteral("20261107")}}) {
        const ProcessRun second = RunCli(args, 20000);
        ASSERT_TRUE(second.finished) << args.front().toStdString();
        EXPECT_EQ(second.exitCode, 1) << args.front().toStdString();
        EXPECT_TRUE(second.err.contains(
            QStringLiteral("がフォルダ「%1」にデータを書き込んでいます。").arg(QDir::toNativeSeparators(m_app))))
            << second.err.toStdString();
    }
    const ProcessRun run = Finish(first);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("保存しなかったレコード: 0件")));
    EXPECT_EQ(Files(m_data), alone);
    EXPECT_FALSE(QFileInfo::exists(m_app + QStringLiteral("/velmora.lock"))) << "the lock goes with its writer";
    EXPECT_FALSE(QFileInfo::exists(m_app + QStringLiteral("/TXT")));
    EXPECT_FALSE(QFileInfo::exists(m_app + QStringLiteral("/HPupload")));
}

TEST_F(Writers, TheLockOfAKilledWriterIsTakenOverAndItsWorkRedone)
{
    makeSource(4);
    const std::map<QString, std::string> alone = reference();
    QProcess killed;
    startHolding(killed);
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    killed.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(m_app + QStringLiteral("/velmora.lock")));
    EXPECT_TRUE(lastTime().isEmpty());

    const ProcessRun run = RunCli(importArgs(m_data));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Files(m_data), alone);
    EXPECT_EQ(lastTime(), QStringLiteral("2026/12/01 12:00:00"));
}

/** Runs velmora-cli as an ordinary user: as itself when the test is not root, else as nobody, who is given `folder`. */
ProcessRun RunCliAsUser(const QString &folder, const QStringList &args)
{
    if (geteuid() != 0)
        return RunCli(args, 20000);
    const QString root = QFileInfo(folder).absolutePath();
    EXPECT_EQ(RunProgram(QStringLiteral("chmod"), {QStringLiteral("755"), root}).exitCode, 0);
    EXPECT_EQ(
        RunProgram(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"), folder}).exitCode, 0);
    return RunProgram(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups"), QStringLiteral("--"), QStringLiteral(VELMORA_CLI)} +
                          args,
                      20000);
}

TEST_F(Writers, AnythingButALockFileInTheLocksPlaceIsNamedAtOnceAndNeverWaitedOn)
{
    const QString name = test::WriteGeneratedDay(m_data, 3, QDate(2026, 11, 28), "05");
    const QStringList saveBets = {QStringLiteral("save-bets"), QStringLiteral("--data"), m_data, name};
    const QString lock = m_app + QStringLiteral("/velmora.lock");
    const QString nowhere = m_root.path() + QStringLiteral("/nowhere");
    const QByteArray native = QFile::encodeName(lock);
    const std::pair<const char *, std::function<bool()>> cases[] = {
        {"名前付きパイプ", [&] { return mkfifo(native.constData(), 0600) == 0; }},
        {"シンボリックリンク", [&] { return QFile::link(QStringLiteral("/dev/zero"), lock); }},
        {"シンボリックリンク", [&] { return QFile::link(nowhere, lock); }},
        {"フォルダ", [&] { return QDir().mkpath(lock); }},
    };
    for (const auto &[kind, make] : cases) {
        ASSERT_TRUE(make()) << kind;
        const ProcessRun run = RunCli(saveBets, 20000);
        ASSERT_TRUE(run.finished) << kind << ": the writer waits on the lock";
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("フォルダ「%1」のロックファイル「velmora.lock」が通常のファイルではなく、"
                           "%2になっています。「velmora.lock」を削除してから、もう一度実行してください。")
                .arg(m_app, QString::fromUtf8(kind))))
            << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(m_app + QStringLiteral("/TXT")));
        EXPECT_FALSE(QFileInfo::exists(nowhere)) << "the lock follows no link";
        ASSERT_TRUE(QFile::remove(lock) || QDir().rmdir(lock));
    }

    // A dead writer's lock is taken over, unless this user may not remove it; one that
    // cannot be read is named so. Root may do both.
    QProcess ended;
    ended.start(QStringLiteral("true"));
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    for (const auto &[mode, message] :
         {std::pair{0444,
                    QStringLiteral("ロックファイル「velmora.lock」は終了したプロセス（プロセス番号 %1）が残したもの"
                                   "ですが、削除できません（アクセスが許可されていません）。")
                        .arg(pid)},
          std::pair{
              0, QStringLiteral("ロックファイル「velmora.lock」を読み込めません（アクセスが許可されていません）。")}}) {
        QFile dead(lock);
        ASSERT_TRUE(dead.open(QIODevice::WriteOnly));
        dead.write(QByteArray::number(pid) + "\n\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        dead.close();
        ASSERT_EQ(::chmod(native.constData(), static_cast<mode_t>(mode)), 0);
        const ProcessRun asUser = RunCliAsUser(m_app, saveBets);
        EXPECT_EQ(asUser.exitCode, 1);
        EXPECT_TRUE(asUser.err.contains(message)) << asUser.err.toStdString();
        if (geteuid() == 0) {
            const ProcessRun asRoot = RunCli(saveBets, 20000);
            EXPECT_EQ(asRoot.exitCode, 0) << asRoot.err.toStdString();
            EXPECT_FALSE(QFileInfo::exists(lock));
        }
        QFile::remove(lock);
    }
}

TEST_F(Writers, LinksAreReplacedNotWrittenThroughAndTheSettingsLinkIsFollowedOnlyToAFile)
{
    makeSource(1);
    const std::map<QString, std::string> alone = reference();
    const QString outside = m_root.path() + QStringLiteral("/outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    // Every course-day file, the local JV-Link's cached copies and the settings file are
    // links to files that do not exist.
    for (const auto &[name, bytes] : alone)
        ASSERT_TRUE(QFile::link(outside + QLatin1Char('/') + name, m_data + QLatin1Char('/') + name));
    const QString cache = m_app + QStringLiteral("/JVLink/cache/");
    ASSERT_TRUE(QDir().mkpath(cache));
    const QStringList cached = QDir(m_root.path() + QStringLiteral("/reference/JVLink/cache")).entryList(QDir::Files);
    ASSERT_FALSE(cached.isEmpty());
    for (const QString &name : cached)
        ASSERT_TRUE(QFile::link(outside + QLatin1Char('/') + name, cache + name));
    const QString ini = m_app + QStringLiteral("/velmora.ini");
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/velmora.ini"), ini));

    ProcessRun run = RunCli(importArgs(m_data));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("リンク先のファイルがありません"))) << run.err.toStdString();
    EXPECT_EQ(Files(m_data), alone) << "each link is replaced by the course-day file";
    EXPECT_TRUE(QDir(outside).isEmpty()) << "nothing is created where the links point";
    EXPECT_TRUE(QFileInfo(cache + cached.front()).isFile() && !QFileInfo(cache + cached.front()).isSymLink());
    EXPECT_TRUE(QFileInfo(ini).isSymLink());

    // A settings file behind the link is the settings file.
    ASSERT_TRUE(gen::WriteRecordFile(outside + QStringLiteral("/velmora.ini"), {"[Ticker]\r\nOnOff=Off\r\n"}));
    run = RunCli(importArgs(m_data));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(ini).isSymLink());
    EXPECT_EQ(test::ReadFileBytes(outside + QStringLiteral("/velmora.ini")),
              "[Ticker]\r\nOnOff=Off\r\n[JvDataGet]\r\nLastTime=2026/12/01 12:00:00\r\n");

    // A file the program replaces whole, linked to an existing file: the link is replaced.
    const QString name = QString::fromStdString(m_days.front().nameUtf8());
    const QStringList saveBets = {QStringLiteral("save-bets"), QStringLiteral("--data"), m_data, name};
    ASSERT_EQ(RunCli(saveBets).exitCode, 0);
    const QString text =
        m_app + QStringLiteral("/TXT/") + QDir(m_app + QStringLiteral("/TXT")).entryList(QDir::Files).front();
    const std::string bets = test::ReadFileBytes(text);
    ASSERT_TRUE(QFile::remove(text) && QFile::link(ini, text));
    ASSERT_EQ(RunCli(saveBets).exitCode, 0);
    EXPECT_FALSE(QFileInfo(text).isSymLink());
    EXPECT_EQ(test::ReadFileBytes(text), bets);
    EXPECT_TRUE(test::ReadFileBytes(ini).starts_with("[Ticker]")) << "the link's target is left alone";
}

TEST_F(Writers, APipeInTheDataFolderEndsTheImportWithTheReasonAtOnce)
{
    makeSource(1);
    const QString pipe =
        m_data + QLatin1Char('/') + QString::fromStdString(m_days.front().nameUtf8()) + QStringLiteral(".jvSEr");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    const ProcessRun run = RunCli(importArgs(m_data), 20000);
    ASSERT_TRUE(run.finished) << "the import hangs on the pipe";
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("データファイル「%1」に書き込めませんでした（通常のファイルではありません").arg(pipe)))
        << run.err.toStdString();
    EXPECT_TRUE(lastTime().isEmpty());
}

TEST_F(Writers, AStampFromTheFutureDoesNotMoveLastTimePastNow)
{
    makeSource(1, QStringLiteral("20991231235959"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const ProcessRun run = RunCli(importArgs(m_data));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("2099/12/31 23:59:59）が現在時刻より後のため範囲外です。")))
        << run.err.toStdString();
    const QDateTime stored = QDateTime::fromString(lastTime(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    ASSERT_TRUE(stored.isValid()) << lastTime().toStdString();
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, QDateTime::currentDateTime());
}

TEST_F(Writers, ASettingsFileThatCannotBeWrittenFailsTheImportAndKeepsTheData)
{
    makeSource(1);
    ASSERT_TRUE(QDir().mkpath(m_app + QStringLiteral("/velmora.ini")));
    const ProcessRun run = RunCli(importArgs(m_data));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("設定ファイル「%1」にLastTimeを保存できませんでした")
                                     .arg(QDir::toNativeSeparators(m_app + QStringLiteral("/velmora.ini")))))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("LastTime: (変更なし)")));
    EXPECT_EQ(Files(m_data).size(), 3 * m_days.size()) << "the imported data stays";
}

/** What the summary of an import says it stored, by kind. */
std::array<int, 3> StoredCounts(const QString &out)
{
    const QRegularExpression line(QStringLiteral("保存したレコード: RA (\\d+)件, SE (\\d+)件, HR (\\d+)件"));
    const QRegularExpressionMatch match = line.match(out);
    return {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
}

/** The records a data folder holds: its non-blank lines, by kind. */
std::array<int, 3> RecordsIn(const QString &data)
{
    std::array<int, 3> counts{};
    for (const QString &name : QDir(data).entryList(QDir::Files)) {
        for (FileKind kind : {FileKind::Race, FileKind::Runner, FileKind::Payout}) {
            if (!name.endsWith(QLatin1String(KindInfo(kind).extension)))
                continue;
            for (const std::string &line : SplitLines(test::ReadFileBytes(data + QLatin1Char('/') + name)))
                counts[static_cast<size_t>(kind)] += line.find_first_not_of(' ') != std::string::npos;
        }
    }
    return counts;
}

TEST_F(Writers, AFullOrReadOnlyDiskIsReportedWithHonestCounts)
{
    if (!CanMountPrivately())
        GTEST_SKIP() << "needs root and a private mount namespace (unshare -m) for a small or read-only disk";
    makeSource(2);
    struct Case
    {
        const char *mount;
        const char *reason;
    };
    for (const Case &c :
         {Case{"size=300k", "ディスクの空き容量が不足しています"}, Case{"ro", "読み取り専用のドライブです"}}) {
        // The data folder lies on a disk of its own for the import; what it holds is copied out.
        const QString copy = m_root.path() + QStringLiteral("/copy-") + QLatin1String(c.mount);
        QStringList args = {
            QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("mount -t tmpfs -o %1 tmpfs \"$1\" || exit 99; data=$1; cli=$2; out=$3; shift 3; "
                           "\"$cli\" \"$@\"; status=$?; cp -r \"$data\" \"$out\"; exit $status")
                .arg(QLatin1String(c.mount)),
            QStringLiteral("sh")};
        args << m_data << QStringLiteral(VELMORA_CLI) << copy << importArgs(m_data);
        const ProcessRun run = RunProgram(QStringLiteral("unshare"), args);
        ASSERT_NE(run.exitCode, 99) << "the disk could not be mounted";
        EXPECT_EQ(run.exitCode, 1) << c.mount;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.reason))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("データファイル「") + m_data + QLatin1Char('/')))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("Unknown error")));
        // Stored means on the disk: the summary counts exactly the records the files hold.
        EXPECT_EQ(StoredCounts(run.out), RecordsIn(copy)) << run.out.toStdString();
        EXPECT_LT(StoredCounts(run.out)[1], recordCount()) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("書き込めなかったレコード"))) << run.out.toStdString();
        EXPECT_TRUE(lastTime().isEmpty()) << "LastTime does not move past data that was not written";
    }
}

TEST_F(Writers, ExportWithoutAComputableDayAndNamesWithLineBreaksFail)
{
    // Nine races cannot be computed: the export says why and exits 1.
    gen::Generator generator(5);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    options.races = 9;
    ASSERT_TRUE(gen::WriteCourseDayFiles(generator.courseDay(options), m_data));
    ProcessRun run =
        RunCli({QStringLiteral("export-hits"), QStringLiteral("--data"), m_data, QStringLiteral("20261128")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("レースが9件しかないため、予想を計算できません（10レース以上が必要です）。")))
        << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_app + QStringLiteral("/HPupload/TK2026112806.txt")));

    // A line break in race 1's year: the bets text would get a file name with a line break.
    options.races = 12;
    const gen::CourseDay day = generator.courseDay(options);
    ASSERT_TRUE(gen::WriteCourseDayFiles(day, m_data));
    const QString racePath =
        m_data + QLatin1Char('/') + QString::fromStdString(day.nameUtf8()) + QStringLiteral(".jvRA");
    QFile races(racePath);
    ASSERT_TRUE(races.open(QIODevice::ReadWrite));
    ASSERT_TRUE(races.seek(12));
    ASSERT_EQ(races.write("\n"), 1);
    races.close();
    run =
        RunCli({QStringLiteral("save-bets"), QStringLiteral("--data"), m_data, QString::fromStdString(day.nameUtf8())});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("使えない文字を含むため、保存できませんでした")))
        << run.err.toStdString();
    EXPECT_TRUE(QDir(m_app + QStringLiteral("/TXT")).entryList(QDir::Files).isEmpty());
}

TEST_F(Writers, TheRaceCardsOfAWeekImportedAfterItsResultsLeaveTheResults)
{
    makeSource(1);
    ProcessRun run = RunCli(importArgs(m_data));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto results = Files(m_data);

    // The same week's race cards, made before its results and fetched from an earlier date.
    const QString cards = m_root.path() + QStringLiteral("/cards");
    size_t cardRecords = 0;
    for (const gen::CourseDay &day : m_days) {
        const gen::CourseDay card = gen::CardOf(day);
        std::vector<std::string> records = card.raceRecords;
        records.insert(records.end(), card.runnerRecords.begin(), card.runnerRecords.end());
        cardRecords += records.size();
        const QString name = QStringLiteral("RACE_%1_%2_%3.jvd")
                                 .arg(day.date.toString(QStringLiteral("yyyyMMdd")),
                                      day.date.addDays(-1).toString(QStringLiteral("yyyyMMdd120000")),
                                      QString::fromStdString(day.course));
        ASSERT_TRUE(gen::WriteRecordFile(cards + QLatin1Char('/') + name, records));
    }
    run = RunCli({QStringLiteral("import"), QStringLiteral("--data"), m_data, QStringLiteral("--source"), cards,
                  QStringLiteral("--from"), QStringLiteral("20261101000000"), QStringLiteral("--option"),
                  QStringLiteral("1")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("より新しいデータが保存済み: %1件").arg(cardRecords)))
        << run.out.toStdString();
    EXPECT_EQ(StoredCounts(run.out), (std::array<int, 3>{0, 0, 0}));

    // Every runner keeps its results: data kind 7, its finishing place and popularity.
    EXPECT_EQ(Files(m_data), results);
    const gen::CourseDay &day = m_days.front();
    const std::string runners = test::ReadFileBytes(m_data + QLatin1Char('/') + QString::fromStdString(day.nameUtf8()) +
                                                    QStringLiteral(".jvSEr"));
    int winners = 0;
    for (const std::string &line : SplitLines(runners)) {
        if (line.find_first_not_of(' ') == std::string::npos)
            continue;
        EXPECT_EQ(line.substr(2, 1), "7");
        EXPECT_NE(line.substr(334, 2), "00");
        winners += line.substr(334, 2) == "01";
    }
    EXPECT_EQ(winners, static_cast<int>(day.races.size()));
}

} // namespace
} // namespace velmora
