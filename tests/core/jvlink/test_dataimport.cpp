#include "core/jvlink/dataimport.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/settings/settingsfile.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <functional>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

// Failures show texts, not code units.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora {
namespace {

using gen::RecordBuilder;
using Outcome = DataImport::Outcome;
using Jv = test::ScriptedJVLink;

const QDate kDay(2003, 4, 5);
const QDateTime kFrom(kDay, QTime(0, 0));
const QString kDayName = QStringLiteral("2003年04月05日中山");

std::string Ra(int race, char kind = '7', QDate date = kDay)
{
    return RecordBuilder::Race().setKey(kind, kDay, date, "06", 2, 5, race).setText(ra::RaceName, "テスト");
}

std::string Se(int race, int horse, char kind = '7')
{
    return RecordBuilder::Runner().setKey(kind, kDay, kDay, "06", 2, 5, race).setNumber(se::HorseNumber, horse);
}

std::string Hr(int race, char kind = '2')
{
    return RecordBuilder::Payout().setKey(kind, kDay, kDay, "06", 2, 5, race);
}

std::string LineOf(const std::string &record)
{
    return record.substr(0, record.size() - 2);
}

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

class RecordingView : public ImportView
{
  public:
    QStringList labels;
    QStringList messages;
    QStringList created;
    int beeps = 0;
    int events = 0;
    bool busy = false;
    QDateTime fromDate;
    /** Runs at each processEvents with its 1-based count: the user acting during the read loop. */
    std::function<void(int)> onEvents;

    void setProgressText(const QString &text) override { labels << text; }
    void setDownloadProgress(int, int) override {}
    void setReadProgress(int, int) override {}
    void clearCreated() override { created.clear(); }
    void addCreated(const QString &line) override { created << line; }
    void showMessage(const QString &text) override { messages << text; }
    void beep() override { ++beeps; }
    void setBusy(bool isBusy) override { busy = isBusy; }
    void setFromDate(const QDateTime &from) override { fromDate = from; }
    void processEvents() override
    {
        ++events;
        if (onEvents)
            onEvents(events);
    }
};

/** An import with its own data folder (the only content of `root`) and settings file. */
struct Rig
{
    QTemporaryDir root;
    QTemporaryDir config;
    QString data = root.path() + QStringLiteral("/Data");
    RaceDayStore store{data};
    SettingsFile settings;
    Jv jv;
    RecordingView view;
    bool cancelled = false;
    DataImport import{jv, store, settings, view, cancelled};
    test::FakeTime time;

    Rig()
    {
        settings.setFileName(config.filePath(QStringLiteral("velmora.ini")));
        import.setPatience(time.patience());
    }

    void start() { import.start(kFrom, 2); }
    QString lastTime() const
    {
        return settings.ReadString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), QStringLiteral("<none>"));
    }
    QString path(const char *extension) const { return data + QLatin1Char('/') + kDayName + QLatin1String(extension); }
    std::vector<std::string> lines(const char *extension) const
    {
        QFile file(path(extension));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
};

TEST(DataImport, StoresAGeneratedCourseDayAsTheGeneratorWritesIt)
{
    gen::Generator generator(11);
    gen::CourseDayOptions options;
    options.date = kDay;
    const gen::CourseDay day = generator.courseDay(options);
    QTemporaryDir expected;
    ASSERT_TRUE(gen::WriteCourseDayFiles(day, expected.path()));

    Rig rig;
    rig.jv.readCount = 3;
    for (const auto *records : {&day.raceRecords, &day.runnerRecords, &day.payoutRecords}) {
        for (const std::string &record : *records)
            rig.jv.script({Jv::Record(record)});
        rig.jv.script({Jv::Code(-1)});
    }
    rig.start();

    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"}) {
        QFile want(expected.filePath(kDayName + QLatin1String(extension)));
        QFile got(rig.path(extension));
        ASSERT_TRUE(want.open(QIODevice::ReadOnly) && got.open(QIODevice::ReadOnly)) << extension;
        EXPECT_TRUE(want.readAll() == got.readAll()) << extension;
    }
    const std::array<int, 3> stored = {static_cast<int>(day.raceRecords.size()),
                                       static_cast<int>(day.runnerRecords.size()),
                                       static_cast<int>(day.payoutRecords.size())};
    EXPECT_EQ(rig.import.counts().stored, stored);
    EXPECT_EQ(rig.import.counts().totalRefused(), 0);
    ASSERT_EQ(rig.view.created.size(), stored[0] + stored[1] + stored[2]);
    EXPECT_EQ(rig.view.created.first(), U("作成済み:01R/") + kDayName + U(".jvRA"));
    EXPECT_EQ(rig.view.created.at(stored[0]), U("作成済み:01R/01番/") + kDayName + U(".jvSEr"));
    EXPECT_EQ(rig.view.created.last(), U("作成済み:12R/") + kDayName + U(".jvHR"));

    EXPECT_EQ(rig.jv.openedFrom, U("RACE,20030405000000"));
    EXPECT_EQ(rig.jv.openedOption, 2);
    EXPECT_EQ(rig.view.labels, QStringList({U("JVOpen正常:正常に実行されました。(0)ReadCount:3, DownloadCount:0"),
                                            U("データ読込み中．．．(0/3)"), U("データ読込み中．．．(1/3)"),
                                            U("データ読込み中．．．(2/3)"), U("データ読込み中．．．(3/3)"),
                                            U("データ読込み完了(3/3)")}));
    EXPECT_EQ(rig.jv.calls.first(), U("JVOpen"));
    EXPECT_EQ(rig.jv.calls.last(), U("JVClose"));
    EXPECT_EQ(rig.jv.count("JVClose"), 1);
    EXPECT_TRUE(rig.view.messages.isEmpty());
    EXPECT_EQ(rig.view.beeps, 2) << "one for the end of the read, one for the close";
    EXPECT_FALSE(rig.view.busy);
    EXPECT_FALSE(rig.import.running());

    EXPECT_EQ(rig.lastTime(), U("2003/04/06 12:34:56"));
    EXPECT_EQ(rig.view.fromDate, QDateTime(QDate(2003, 4, 6), QTime(12, 34, 56)));

    // The summary names the course-day as created; an import of the same day again updates it.
    EXPECT_EQ(ImportSummary(rig.import.counts()).mid(1, 3),
              QStringList({U("作成した開催日: 1件"), U("  ") + kDayName, U("更新した開催日: 0件")}));
    rig.jv.script({Jv::Record(day.payoutRecords.front()), Jv::Code(-1)});
    rig.start();
    EXPECT_EQ(ImportSummary(rig.import.counts()).mid(1, 4),
              QStringList({U("作成した開催日: 0件"), U("更新した開催日: 1件"), U("  ") + kDayName,
                           U("保存したレコード: RA 0件, SE 0件, HR 1件")}));
}

TEST(DataImport, LastTimeMovesOnlyWithAUsableTimeStamp)
{
    for (const char *stamp : {"00000000000000", "              ", "", "2003/04/06"}) {
        Rig rig;
        ASSERT_TRUE(rig.settings.WriteString(U("JvDataGet"), U("LastTime"), U("2003/01/01 10:00:00")));
        rig.jv.timestamp = U(stamp);
        rig.jv.script({Jv::Record(Ra(1))});
        rig.start();
        EXPECT_EQ(rig.import.outcome(), Outcome::Completed) << stamp;
        EXPECT_EQ(rig.lastTime(), U("2003/01/01 10:00:00")) << stamp;
        EXPECT_FALSE(rig.view.fromDate.isValid()) << stamp;
    }

    // The next import starts from the stored LastTime; a damaged one gives the default.
    Rig rig;
    const QDateTime now(QDate(2003, 4, 13), QTime(9, 30, 15));
    EXPECT_EQ(DataImport::StoredFromDate(rig.settings, now), now.addDays(-8));
    ASSERT_TRUE(rig.settings.WriteString(U("JvDataGet"), U("LastTime"), U("2003/01/01 10:00:00")));
    EXPECT_EQ(DataImport::StoredFromDate(rig.settings, now), QDateTime(QDate(2003, 1, 1), QTime(10, 0)));
    ASSERT_TRUE(rig.settings.WriteString(U("JvDataGet"), U("LastTime"), U("2003/13/45 99:00:00")));
    EXPECT_EQ(DataImport::StoredFromDate(rig.settings, now), now.addDays(-8));
}

TEST(DataImport, UnwantedAndMalformedRecordsAreRefusedByReason)
{
    std::string shortRecord = Ra(4).substr(0, 1271);
    std::string hostileDate = Ra(5);
    hostileDate.replace(11, 8, "../../x/");
    std::string hostileCourse = Ra(6);
    hostileCourse.replace(19, 2, "/.");
    std::string badDate = Ra(7);
    badDate.replace(11, 8, "20031345");
    const std::string otherType = "O1" + Ra(1).substr(2);
    // A lead byte followed by no trail byte, where the race name begins.
    std::string badBytes = Ra(8);
    badBytes.replace(32, 2, "\x82 ");

    Rig rig;
    for (const std::string &record :
         {Ra(1, 'A'), Se(1, 1, 'B'), Hr(1, 'A'), Ra(2, '7', QDate(2003, 4, 1)), Ra(3, '7', QDate(2003, 3, 31)), Ra(0),
          Se(1, 0), otherType, shortRecord, hostileDate, hostileCourse, badDate, Ra(13), Se(1, 19), badBytes})
        rig.jv.script({Jv::Record(record)});
    rig.start();

    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    const ImportCounts &counts = rig.import.counts();
    EXPECT_EQ(counts.stored, (std::array<int, 3>{1, 0, 1}));
    EXPECT_EQ(counts.otherTypes, 1);
    // From 2003/04/05 the window opens at 20030395 (plain subtraction): 04/01 passes, 03/31 does not.
    const std::map<QString, int> refused = {
        {U("地方・海外競馬のデータ"), 2}, {U("取得開始日付より前の開催"), 2},
        {U("レース番号なし"), 1},         {U("馬番なし"), 1},
        {U("レコード長が不正"), 1},       {U("競馬場コードが不正"), 1},
        {U("開催年月日が不正"), 1},       {U("レース番号が範囲外"), 1},
        {U("馬番が範囲外"), 1},           {U("文字コードが不正"), 1},
    };
    EXPECT_EQ(counts.refused, refused);
    EXPECT_EQ(rig.lines(".jvHR").at(0), LineOf(Hr(1, 'A')));

    QStringList written;
    for (QDirIterator it(rig.root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        written << QDir(rig.root.path()).relativeFilePath(it.next());
    written.sort();
    EXPECT_EQ(written, QStringList({U("Data"), U("Data/2003年04月01日中山.jvRA"), U("Data/2003年04月05日中山.jvHR")}));
}

TEST(DataImport, OpenAndCloseErrorsAreShownAndCloseFollows)
{
    struct Case
    {
        int open;
        int readCount;
        int close;
        QStringList messages;
        Outcome outcome;
        QString detail = {};
    };
    const QString noData = U("最新のRACEデータがありません。");
    // Option 2 (the rig's) looks at this week's meetings only, and says how to ask for older ones.
    const QString thisWeek = noData + U("\n今週開催データ（今週の開催分）だけを探しました。"
                                        "それより前の開催のデータは「取得データ」の「通常データ」で取り込めます。");
    const Case cases[] = {
        {-1, 3, 0, {thisWeek}, Outcome::NothingNew},
        {0, 0, 0, {thisWeek}, Outcome::NothingNew},
        {-303,
         3,
         0,
         {U("JVOpenエラー:サービスキーが設定されていません。（サービスキーが空値）(-303)")},
         Outcome::Failed},
        {-1, 3, -1, {thisWeek, U("JVCloseエラー:(-1)")}, Outcome::NothingNew},
        // What the component knows of the cause follows the worded code.
        {-211,
         3,
         0,
         {U("JVOpenエラー:レジストリ内容が不正（レジストリ内容が不正に変更された）です。(-211)"
            "\nフォルダ「X」がありません。")},
         Outcome::Failed,
         U("フォルダ「X」がありません。")},
        {-1, 3, 0, {noData + U("\nフォルダ「X」は空です。")}, Outcome::NothingNew, U("フォルダ「X」は空です。")},
    };
    for (const Case &c : cases) {
        Rig rig;
        rig.jv.openResult = c.open;
        rig.jv.readCount = c.readCount;
        rig.jv.closeResult = c.close;
        rig.jv.errorDetail = c.detail;
        rig.jv.script({Jv::Record(Ra(1))});
        rig.start();
        EXPECT_EQ(rig.view.messages, c.messages) << c.open;
        EXPECT_EQ(rig.jv.calls, QStringList({U("JVOpen"), U("JVClose")})) << c.open;
        EXPECT_EQ(rig.import.outcome(), c.outcome) << c.open;
        EXPECT_EQ(rig.import.closeFailed(), c.close != 0) << c.open;
        EXPECT_FALSE(rig.import.running());
        EXPECT_FALSE(rig.view.busy);
        EXPECT_EQ(rig.lastTime(), U("<none>"));
    }

    // Normal data (option 1) found nothing newer: there is nothing older to point to.
    Rig normal;
    normal.jv.openResult = -1;
    normal.import.start(kFrom, 1);
    EXPECT_EQ(normal.view.messages, QStringList{noData});
    // The command line names its own option.
    normal.import.setNormalDataHint(U("--option 1"));
    normal.start();
    EXPECT_TRUE(normal.view.messages.last().endsWith(U("--option 1で取り込めます。")));
}

TEST(DataImport, StatusAndReadErrorsEndTheImportKeepingWhatWasRead)
{
    Rig download;
    download.jv.downloadCount = 2;
    download.jv.statuses = {1, -502};
    download.start();
    download.import.poll();
    download.import.poll();
    EXPECT_EQ(download.view.messages,
              QStringList{U("JVStatusエラー:ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)")});
    EXPECT_EQ(download.jv.calls, QStringList({U("JVOpen"), U("JVStatus"), U("JVStatus"), U("JVClose")}));
    EXPECT_EQ(download.import.outcome(), Outcome::Failed);
    EXPECT_FALSE(download.import.downloading());

    // JVRead documents no -2: like every code it does not list, it is an error.
    for (const auto &[code, message] :
         {std::pair{-402, U("JVReadエラー:ダウンロードしたファイルサイズが異常です。(-402)")},
          std::pair{-2, U("JVReadエラー:(-2)")}}) {
        Rig read;
        read.jv.script({Jv::Record(Ra(1)), Jv::Record(Se(1, 1)), Jv::Code(code), Jv::Record(Ra(2))});
        read.start();
        EXPECT_EQ(read.view.messages, QStringList{message});
        EXPECT_EQ(read.jv.count("JVRead"), 3);
        EXPECT_EQ(read.jv.calls.last(), U("JVClose"));
        EXPECT_EQ(read.import.outcome(), Outcome::Failed);
        EXPECT_EQ(read.lines(".jvRA").at(0), LineOf(Ra(1)));
        EXPECT_EQ(read.lines(".jvRA").at(1), std::string(1270, ' '));
        EXPECT_EQ(read.lines(".jvSEr").at(0), LineOf(Se(1, 1)));
        EXPECT_EQ(read.lastTime(), U("<none>"));
    }
}

TEST(DataImport, AJVLinkThatNeverProgressesIsGivenUpAfterTenMinutes)
{
    // Still downloading for ever: every answer is waited out, and ten minutes after the
    // last record the import gives up, keeping that record.
    Rig read;
    read.jv.script({Jv::Record(Ra(1))});
    for (int i = 0; i < 11000; ++i)
        read.jv.reads.push_back(Jv::Code(-3));
    read.jv.reads.push_back(Jv::Record(Ra(2)));
    read.jv.readForEver = -3;
    read.start();
    EXPECT_EQ(read.import.outcome(), Outcome::Failed);
    EXPECT_EQ(read.view.messages,
              QStringList{
                  U("JV-Linkの応答が10分間進まないため、データ取込を中止しました（JVRead:ファイルダウンロード中(-3)）。"
                    "通信の状態を確かめて、時間をおいてからもう一度取り込んでください。")});
    EXPECT_EQ(read.time.pauses, 11000 + 12000) << "a record starts the ten minutes again";
    EXPECT_EQ(read.time.now, std::chrono::milliseconds(read.time.pauses * 50));
    EXPECT_EQ(read.jv.calls.mid(read.jv.calls.size() - 2), QStringList({U("JVCancel"), U("JVClose")}));
    EXPECT_EQ(read.lines(".jvRA").at(1), LineOf(Ra(2)));
    EXPECT_EQ(read.lastTime(), U("<none>"));

    // One file switch more than the files announced is an error at once.
    Rig switches;
    switches.jv.readCount = 2;
    switches.jv.script({Jv::Record(Ra(1)), Jv::Code(-1), Jv::Code(-1)});
    switches.jv.readForEver = -1;
    switches.start();
    EXPECT_EQ(switches.import.outcome(), Outcome::Failed);
    EXPECT_EQ(switches.view.messages,
              QStringList{U("JVReadエラー:読み込むファイル数（2）を超えてファイルが切り替わりました。(-1)")});
    EXPECT_EQ(switches.jv.count("JVRead"), 4);
    EXPECT_EQ(switches.lines(".jvRA").at(0), LineOf(Ra(1)));

    // A download count that stops moving, polled every 10 ms as the callers do: each change
    // starts the limit again.
    Rig download;
    download.import.setPatience(download.time.patience(std::chrono::seconds(1)));
    download.jv.downloadCount = 3;
    download.jv.statuses = std::deque<int>(90, 0);
    download.jv.statuses.insert(download.jv.statuses.end(), 90, 1);
    download.jv.statusForEver = 2;
    download.start();
    int polls = 0;
    for (; download.import.downloading() && polls < 100000; ++polls) {
        download.time.now += std::chrono::milliseconds(10);
        download.import.poll();
    }
    EXPECT_EQ(polls, 90 + 90 + 1 + 100);
    EXPECT_EQ(download.import.outcome(), Outcome::Failed);
    EXPECT_EQ(download.view.messages,
              QStringList{U("JV-Linkのダウンロードが1秒間進まないため、データ取込を中止しました（ダウンロード済み 2/3 "
                            "ファイル）。通信の状態を確かめて、時間をおいてからもう一度取り込んでください。")});
    EXPECT_EQ(download.jv.calls.mid(download.jv.calls.size() - 2), QStringList({U("JVCancel"), U("JVClose")}));
    EXPECT_EQ(download.jv.count("JVRead"), 0);
}

TEST(DataImport, DownloadIsPolledThenTheReadLoopWaitsOutPendingFiles)
{
    Rig rig;
    rig.jv.downloadCount = 3;
    rig.jv.readCount = 2;
    rig.jv.statuses = {1, 4, 3};
    rig.jv.script({Jv::Code(-3), Jv::Code(-3), Jv::Code(-3), Jv::Record(Ra(1)), Jv::Code(-1), Jv::Code(-3),
                   Jv::Record(Se(1, 1)), Jv::Code(-1), Jv::Code(0)});
    // A second click on start while the import runs changes nothing.
    rig.view.onEvents = [&](int pass) {
        if (pass == 2)
            rig.import.start(kFrom, 1);
    };
    rig.start();
    EXPECT_TRUE(rig.import.downloading());
    EXPECT_EQ(rig.view.labels.last(), U("ダウンロード中・・・"));

    rig.import.poll();
    EXPECT_EQ(rig.view.labels.last(), U("ダウンロード中．．．(1/3)"));
    const qsizetype labels = rig.view.labels.size();
    rig.import.poll(); // more than asked for: ignored
    EXPECT_EQ(rig.view.labels.size(), labels);
    EXPECT_TRUE(rig.import.downloading());
    EXPECT_EQ(rig.jv.count("JVRead"), 0);

    rig.import.poll();
    EXPECT_EQ(rig.view.labels.at(labels), U("ダウンロード中．．．(3/3)"));
    EXPECT_FALSE(rig.import.downloading());
    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    EXPECT_EQ(rig.jv.count("JVOpen"), 1);
    EXPECT_EQ(rig.jv.count("JVRead"), 9);
    EXPECT_EQ(rig.view.events, 9) << "events are handled on every pass, waiting ones included";
    EXPECT_EQ(rig.time.pauses, 4) << "each answer of a file still downloading is waited out";
    EXPECT_EQ(rig.view.labels.last(), U("データ読込み完了(2/2)"));
    EXPECT_EQ(rig.lines(".jvRA").at(0), LineOf(Ra(1)));
    EXPECT_EQ(rig.lines(".jvSEr").at(0), LineOf(Se(1, 1)));
    EXPECT_EQ(rig.lastTime(), U("2003/04/06 12:34:56"));

    rig.import.poll();
    EXPECT_EQ(rig.jv.count("JVStatus"), 3);
}

TEST(DataImport, CancelDuringTheDownloadClosesAndANewStartWorks)
{
    Rig rig;
    rig.jv.downloadCount = 2;
    rig.jv.statuses = {1};
    rig.start();
    rig.import.poll();
    rig.import.cancel();
    EXPECT_EQ(rig.jv.calls, QStringList({U("JVOpen"), U("JVStatus"), U("JVCancel"), U("JVClose")}));
    EXPECT_EQ(rig.view.messages, QStringList{U("JVCancel:キャンセルされました")});
    EXPECT_EQ(rig.view.labels.last(), U("JVCancel:キャンセルされました"));
    EXPECT_EQ(rig.import.outcome(), Outcome::Cancelled);
    EXPECT_FALSE(rig.import.running());
    EXPECT_TRUE(rig.cancelled);
    rig.import.poll();
    EXPECT_EQ(rig.jv.count("JVStatus"), 1);

    rig.jv.downloadCount = 0;
    rig.jv.script({Jv::Record(Ra(1))});
    rig.start();
    EXPECT_FALSE(rig.cancelled);
    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    EXPECT_EQ(rig.lines(".jvRA").at(0), LineOf(Ra(1)));
}

TEST(DataImport, CancelDuringTheReadLoopKeepsTheRecordsReadAndLastTime)
{
    Rig rig;
    rig.jv.readCount = 2;
    rig.jv.script({Jv::Record(Ra(1)), Jv::Record(Ra(2)), Jv::Code(-1), Jv::Record(Ra(3))});
    // In the middle of the first file: nothing has been flushed at a file switch yet.
    rig.view.onEvents = [&](int pass) {
        if (pass == 3)
            rig.import.cancel();
    };
    rig.start();
    EXPECT_EQ(rig.import.outcome(), Outcome::Cancelled);
    EXPECT_EQ(rig.jv.count("JVRead"), 2);
    EXPECT_EQ(rig.jv.count("JVCancel"), 1);
    EXPECT_EQ(rig.jv.count("JVClose"), 1);
    EXPECT_EQ(rig.jv.calls.last(), U("JVClose"));
    const std::vector<std::string> lines = rig.lines(".jvRA");
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], LineOf(Ra(1)));
    EXPECT_EQ(lines[1], LineOf(Ra(2)));
    EXPECT_EQ(lines[2], std::string(1270, ' '));
    EXPECT_EQ(rig.lastTime(), U("<none>")) << "the files not read must come again";
}

TEST(DataImport, FileSystemErrorEndsTheImportAfterWritingWhatWasRead)
{
    // A runner file that cannot be read: the record fails when it is stored.
    Rig store;
    ASSERT_TRUE(QDir().mkpath(store.path(".jvSEr")));
    store.jv.script({Jv::Record(Ra(1)), Jv::Record(Se(1, 1)), Jv::Record(Ra(2))});
    store.start();
    EXPECT_EQ(store.import.outcome(), Outcome::Failed);
    ASSERT_EQ(store.view.messages.size(), 1);
    EXPECT_TRUE(store.view.messages[0].startsWith(U("データファイル「") + store.path(".jvSEr") + U("」")))
        << store.view.messages[0].toStdString();
    EXPECT_EQ(store.jv.count("JVRead"), 2);
    EXPECT_EQ(store.jv.calls.last(), U("JVClose"));
    EXPECT_EQ(store.lines(".jvRA").at(0), LineOf(Ra(1)));
    EXPECT_EQ(store.lastTime(), U("<none>"));

    // A race-day file that cannot be replaced: the write at the file switch fails.
    Rig flush;
    flush.jv.script({Jv::Record(Ra(1)), Jv::Record(Hr(1)), Jv::Code(-1), Jv::Record(Ra(2))});
    flush.jv.hookAtRead = 2;
    flush.jv.hook = [&] { ASSERT_TRUE(QDir().mkpath(flush.path(".jvRA"))); };
    flush.start();
    EXPECT_EQ(flush.import.outcome(), Outcome::Failed);
    ASSERT_EQ(flush.view.messages.size(), 1) << flush.view.messages.join(U("\n")).toStdString();
    EXPECT_TRUE(flush.view.messages[0].startsWith(U("データファイル「") + flush.path(".jvRA") + U("」")));
    EXPECT_EQ(flush.jv.count("JVRead"), 3);
    EXPECT_EQ(flush.lines(".jvHR").at(0), LineOf(Hr(1)));
    EXPECT_EQ(flush.lastTime(), U("<none>"));
    // The payout reached its file, the race record did not: the summary says so.
    EXPECT_EQ(flush.import.counts().stored, (std::array<int, 3>{0, 0, 1}));
    EXPECT_EQ(flush.import.counts().unwritten, (std::array<int, 3>{1, 0, 0}));
}

TEST(DataImport, LastTimeNeverPassesNow)
{
    // A file stamped in 2099 (or a clock set wrong where it was made).
    Rig rig;
    const QDateTime now(QDate(2003, 4, 6), QTime(18, 0, 5, 700));
    rig.import.setClock([&] { return now; });
    rig.jv.timestamp = U("20991231235959");
    rig.jv.script({Jv::Record(Ra(1))});
    rig.start();
    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    EXPECT_EQ(rig.lastTime(), U("2003/04/06 18:00:05"));
    ASSERT_EQ(rig.view.messages.size(), 1);
    EXPECT_EQ(rig.view.messages[0],
              U("最新データのタイムスタンプ（2099/12/31 23:59:59）が現在時刻より後のため範囲外です。"
                "LastTimeは現在時刻（2003/04/06 18:00:05）にしました。"));

    // A LastTime already in the future, saved by an earlier version, does not stop imports.
    ASSERT_TRUE(rig.settings.WriteString(U("JvDataGet"), U("LastTime"), U("2099/12/31 23:59:59")));
    EXPECT_EQ(DataImport::StoredFromDate(rig.settings, now), QDateTime(QDate(2003, 3, 29), QTime(18, 0, 5)));
}

TEST(DataImport, ASettingsFileThatCannotBeWrittenIsReportedAndTheDataStays)
{
    Rig rig;
    ASSERT_TRUE(QDir().mkpath(rig.settings.path()));
    rig.jv.script({Jv::Record(Ra(1))});
    rig.start();
    EXPECT_EQ(rig.import.outcome(), Outcome::Completed);
    EXPECT_TRUE(rig.import.lastTimeSaveFailed());
    EXPECT_TRUE(rig.import.storedLastTime().isEmpty());
    ASSERT_EQ(rig.view.messages.size(), 1);
    EXPECT_TRUE(
        rig.view.messages[0].startsWith(U("設定ファイル「") + rig.settings.path() + U("」にLastTimeを保存できません")))
        << rig.view.messages[0].toStdString();
    EXPECT_EQ(rig.lines(".jvRA").at(0), LineOf(Ra(1)));
    EXPECT_EQ(rig.import.counts().stored, (std::array<int, 3>{1, 0, 0}));
}

} // namespace
} // namespace velmora
