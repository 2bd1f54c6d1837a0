#include "core/jvlink/dataimport.h"
#include "core/jvlink/localjvlink.h"
#include "core/settings/settingsfile.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "gen/samplesource.h"
#include "support/testfiles.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using gen::RecordBuilder;

// The clock of every test: a Monday, two days after the Saturday of the sample weekend.
const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

std::string Ra(QDate meeting, std::string_view course = "06", int race = 1)
{
    return RecordBuilder::Race().setKey('2', meeting.addDays(-2), meeting, course, 5, 1, race);
}

std::string Se(QDate meeting, int race, int horse)
{
    return RecordBuilder::Runner()
        .setKey('2', meeting.addDays(-2), meeting, "06", 5, 1, race)
        .setNumber(se::HorseNumber, horse);
}

std::string Hr(QDate meeting, std::string_view course = "06", int race = 1)
{
    return RecordBuilder::Payout().setKey('7', meeting, meeting, course, 5, 1, race);
}

/** The component's own file name for data of `dataspec`, meeting date and time stamp. */
QString OwnName(const char *dataspec, const char *meeting, const char *stamp, const char *suffix = "")
{
    return QStringLiteral("%1_%2_%3%4.jvd")
        .arg(QLatin1String(dataspec), QLatin1String(meeting), QLatin1String(stamp), QLatin1String(suffix));
}

/** Writes a file and sets its modification time (which is the stamp of a plain file). */
void PutFile(const QString &path, const std::string &bytes, const QDateTime &modified = kNow.addDays(-1))
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
    // Written out first: a flush at close would stamp the file with the present time.
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

/** Every file and folder under `root`, as paths relative to it. */
std::set<QString> Tree(const QString &root)
{
    std::set<QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.insert(QDir(root).relativeFilePath(it.next()));
    return entries;
}

struct Opened
{
    int result = 0;
    int readCount = -9;
    int downloadCount = -9;
    QString last = QStringLiteral("unset");
};

Opened Open(JVLink &jv, const QString &from, int option = 1, const QString &dataspec = QStringLiteral("RACE"))
{
    Opened opened;
    opened.result = jv.JVOpen(dataspec, from, option, opened.readCount, opened.downloadCount, opened.last);
    return opened;
}

/** JVStatus every millisecond until it reaches `count` or fails; the distinct values seen, in order. */
std::vector<int> PollStatus(JVLink &jv, int count)
{
    std::vector<int> seen;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (;;) {
        const int status = jv.JVStatus();
        if (seen.empty() || seen.back() != status)
            seen.push_back(status);
        if (status < 0 || status >= count || std::chrono::steady_clock::now() > deadline)
            return seen;
        std::this_thread::sleep_for(1ms);
    }
}

struct Read
{
    int code = 0;
    std::string record;
    QString fileName;
};

/** JVRead until 0 or an error, waiting out -3 for at most twenty seconds. */
std::vector<Read> ReadToEnd(JVLink &jv)
{
    std::vector<Read> reads;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    int size = 60000;
    for (;;) {
        Read read;
        read.code = jv.JVRead(read.record, size, read.fileName);
        if (read.code == -3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        reads.push_back(read);
        if (read.code == 0 || read.code < -1)
            return reads;
    }
}

/** The names of the files read, one per file switch. */
QStringList FilesRead(const std::vector<Read> &reads)
{
    QStringList names;
    for (const Read &read : reads) {
        if (read.code == -1)
            names << read.fileName;
    }
    return names;
}

class LocalJVLinkTest : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    QString m_home = m_root.path() + QStringLiteral("/JVLink");
    QString m_source = m_root.path() + QStringLiteral("/source");
    LocalJVLink m_jv{m_home, m_source};

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(m_source));
        m_jv.setDownloadDelay(0ms);
        m_jv.setClock([] { return kNow; });
        ASSERT_EQ(m_jv.JVInit(SoftwareId()), 0);
    }

    void put(const QString &name, const std::string &bytes, const QDateTime &modified = kNow.addDays(-1))
    {
        PutFile(m_source + QLatin1Char('/') + name, bytes, modified);
    }
};

// ---------------------------------------------------------------------------
// Initialisation and arguments

TEST(LocalJVLinkInit, RefusesBadSoftwareIdsAndServesNothingBeforeIt)
{
    QTemporaryDir root;
    LocalJVLink jv(root.path() + QStringLiteral("/JVLink"), root.path() + QStringLiteral("/source"));
    std::string buffer;
    QString fileName;
    int size = 60000;
    EXPECT_EQ(Open(jv, QStringLiteral("20261201000000")).result, -201);
    EXPECT_EQ(jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), -201);
    EXPECT_EQ(jv.JVStatus(), -201);
    EXPECT_EQ(jv.JVRead(buffer, size, fileName), -201);

    EXPECT_EQ(jv.JVInit(QString()), -101);
    // The limit counts CP932 bytes: half-width katakana take one, kana two.
    const QString halfWidth(63, QChar(0xFF71));                     // ｱ
    EXPECT_EQ(jv.JVInit(halfWidth.left(62) + QChar(0x3042)), -102); // 63 characters, 64 bytes
    EXPECT_EQ(jv.JVInit(QString(32, QChar(0x3042))), -102);
    EXPECT_EQ(jv.JVInit(QString(64, QLatin1Char('a'))), -102);
    EXPECT_EQ(jv.JVInit(QLatin1Char(' ') + SoftwareId()), -103);
    EXPECT_EQ(Open(jv, QStringLiteral("20261201000000")).result, -201) << "a refused JVInit leaves it uninitialised";

    EXPECT_EQ(jv.JVInit(halfWidth), 0);
    EXPECT_EQ(jv.JVStatus(), -203);
    EXPECT_EQ(jv.JVRead(buffer, size, fileName), -203);
}

TEST_F(LocalJVLinkTest, JVOpenChecksItsArgumentsAndSettings)
{
    put(OwnName("RACE", "20261205", "20261206120000"), Ra(QDate(2026, 12, 5)));
    const QString from = QStringLiteral("20261201000000");

    for (const char *dataspec : {"TOKU", "race", "0B12", ""})
        EXPECT_EQ(Open(m_jv, from, 1, QLatin1String(dataspec)).result, -111) << dataspec;
    for (const char *bad : {"2026120100000", "202612010000000", "2026120100000a", " 2026120100000", "20261301000000",
                            "20260230000000", "20261201240000", "20261201006000", ""})
        EXPECT_EQ(Open(m_jv, QLatin1String(bad)).result, -112) << bad;
    EXPECT_EQ(Open(m_jv, from, 3).result, -116);
    EXPECT_EQ(Open(m_jv, from, 4).result, -116);
    for (const int option : {0, 5, -1})
        EXPECT_EQ(Open(m_jv, from, option).result, -115) << option;

    // A refused open reports nothing to read.
    const Opened refused = Open(m_jv, from, 0);
    EXPECT_EQ(refused.readCount, 0);
    EXPECT_EQ(refused.downloadCount, 0);
    EXPECT_TRUE(refused.last.isEmpty());

    ASSERT_TRUE(m_jv.setSettings({m_source, QString()}));
    EXPECT_EQ(Open(m_jv, from).result, -303);
    ASSERT_TRUE(m_jv.setSettings({m_source, QStringLiteral("  ")}));
    EXPECT_EQ(Open(m_jv, from).result, -303);

    const QString missing = m_root.path() + QStringLiteral("/missing");
    ASSERT_TRUE(m_jv.setSettings({missing, QStringLiteral("KEY")}));
    EXPECT_EQ(Open(m_jv, from).result, -211);
    EXPECT_FALSE(QFileInfo::exists(missing));

    ASSERT_TRUE(m_jv.setSettings({m_source, QStringLiteral("KEY")}));
    ASSERT_EQ(Open(m_jv, from).result, 0);
    EXPECT_EQ(Open(m_jv, from).result, -202);
    EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), -202);
    // The refused second open leaves the first one working.
    EXPECT_EQ(FilesRead(ReadToEnd(m_jv)), QStringList{OwnName("RACE", "20261205", "20261206120000")});
    EXPECT_EQ(m_jv.JVClose(), 0);
    const Opened again = Open(m_jv, from);
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.readCount, 1);
}

// ---------------------------------------------------------------------------
// Selection

TEST_F(LocalJVLinkTest, SelectsTheFilesStampedAfterTheFromTime)
{
    put(OwnName("RACE", "20261128", "20261201090000"), Ra(QDate(2026, 11, 28)));
    put(OwnName("RACE", "20261205", "20261203120000"), Ra(QDate(2026, 12, 5)));
    put(OwnName("RACE", "20261206", "20261206183000", "_09"), Ra(QDate(2026, 12, 6), "09"));
    put(OwnName("RACE", "20261205", "20261204080000", "_06"), Ra(QDate(2026, 12, 5)));
    put(OwnName("0B12", "20261205", "20261205170000", "_06"), Hr(QDate(2026, 12, 5)));

    // A file stamped exactly at the from-time is not newer.
    const Opened opened = Open(m_jv, QStringLiteral("20261203120000"));
    ASSERT_EQ(opened.result, 0);
    EXPECT_EQ(opened.readCount, 2);
    EXPECT_EQ(opened.last, QStringLiteral("20261206183000"));
    EXPECT_EQ(FilesRead(ReadToEnd(m_jv)), (QStringList{OwnName("RACE", "20261205", "20261204080000", "_06"),
                                                       OwnName("RACE", "20261206", "20261206183000", "_09")}));
    m_jv.JVClose();

    const Opened nothing = Open(m_jv, opened.last);
    EXPECT_EQ(nothing.result, -1);
    EXPECT_EQ(nothing.readCount, 0);
    EXPECT_EQ(nothing.downloadCount, 0);
    m_jv.JVClose();

    const Opened lastSecond = Open(m_jv, QStringLiteral("20261206182959"));
    EXPECT_EQ(lastSecond.result, 0);
    EXPECT_EQ(lastSecond.readCount, 1);
}

TEST_F(LocalJVLinkTest, PlainFilesAreRaceDataStampedWithTheirModificationTime)
{
    const QDate day(2026, 12, 5);
    const std::string records = Ra(day) + Se(day, 1, 1);
    // Modified within the second 08:00:00: to the second, that is its stamp.
    put(QStringLiteral("weekend.txt"), records, QDateTime(day, QTime(8, 0, 0, 700)));
    put(QStringLiteral("older.dat"), Ra(day), QDateTime(day.addDays(-1), QTime(8, 0)));

    EXPECT_EQ(Open(m_jv, QStringLiteral("20261205080000")).result, -1);
    m_jv.JVClose();

    const Opened opened = Open(m_jv, QStringLiteral("20261205075959"));
    ASSERT_EQ(opened.result, 0);
    EXPECT_EQ(opened.readCount, 1);
    EXPECT_EQ(opened.last, QStringLiteral("20261205080000"));
    const std::vector<Read> reads = ReadToEnd(m_jv);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0].record, Ra(day));
    EXPECT_EQ(reads[1].record, Se(day, 1, 1));
    EXPECT_EQ(reads[2].code, -1);
    EXPECT_EQ(reads[2].fileName, QStringLiteral("weekend.txt"));
}

TEST_F(LocalJVLinkTest, ThisWeeksOptionKeepsMeetingsWithinSixDaysOfToday)
{
    // Today is Monday 2026-12-07.
    const char *stamp = "20261206120000";
    put(OwnName("RACE", "20261130", stamp), Ra(QDate(2026, 12, 1))); // the name decides, not the records
    put(OwnName("RACE", "20261201", stamp), Ra(QDate(2026, 11, 1)));
    put(OwnName("RACE", "20261213", stamp), Ra(QDate(2026, 12, 13)));
    put(OwnName("RACE", "20261214", stamp), Ra(QDate(2026, 12, 14)));
    // Plain files: any record of the week counts.
    put(QStringLiteral("near.txt"), Ra(QDate(2026, 11, 20)) + Ra(QDate(2026, 12, 10)));
    put(QStringLiteral("far.txt"), Ra(QDate(2026, 11, 20)) + Ra(QDate(2026, 11, 30)));
    put(QStringLiteral("nodates.txt"), "no dates in here at all\r\n");

    const Opened week = Open(m_jv, QStringLiteral("20261101000000"), 2);
    ASSERT_EQ(week.result, 0);
    QStringList read = FilesRead(ReadToEnd(m_jv));
    read.sort();
    EXPECT_EQ(read, (QStringList{OwnName("RACE", "20261201", stamp), OwnName("RACE", "20261213", stamp),
                                 QStringLiteral("near.txt")}));
    m_jv.JVClose();

    EXPECT_EQ(Open(m_jv, QStringLiteral("20261101000000"), 1).readCount, 7);
}

// ---------------------------------------------------------------------------
// Download

TEST_F(LocalJVLinkTest, DownloadsWhatTheCacheLacks)
{
    EXPECT_EQ(m_jv.JVStatus(), -203);
    const QDate day(2026, 12, 5);
    put(OwnName("RACE", "20261205", "20261206120000", "_06"), Ra(day));
    put(OwnName("RACE", "20261205", "20261206120000", "_09"), Ra(day, "09"));
    put(QStringLiteral("plain.txt"), Ra(day, "05"));
    m_jv.setDownloadDelay(2ms);

    const QString from = QStringLiteral("20261201000000");
    const Opened first = Open(m_jv, from);
    ASSERT_EQ(first.result, 0);
    EXPECT_EQ(first.readCount, 3);
    EXPECT_EQ(first.downloadCount, 3);
    const std::vector<int> seen = PollStatus(m_jv, 3);
    EXPECT_EQ(seen.back(), 3);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.front(), 0);
    EXPECT_EQ(FilesRead(ReadToEnd(m_jv)).size(), 3);
    EXPECT_EQ(m_jv.JVClose(), 0);
    EXPECT_EQ(m_jv.JVStatus(), -203);

    // The same files again: all in the cache, readable at once.
    const Opened second = Open(m_jv, from);
    ASSERT_EQ(second.result, 0);
    EXPECT_EQ(second.readCount, 3);
    EXPECT_EQ(second.downloadCount, 0);
    std::string buffer;
    QString fileName;
    int size = 60000;
    EXPECT_EQ(m_jv.JVRead(buffer, size, fileName), kRaceRecordLength);
    m_jv.JVClose();

    // A new file, and a plain file that changed: only those two are fetched, and the new bytes are served.
    put(OwnName("RACE", "20261206", "20261206130000", "_06"), Ra(day.addDays(1)));
    put(QStringLiteral("plain.txt"), Ra(day, "05") + Ra(day, "05", 2), kNow.addSecs(-60));
    const Opened third = Open(m_jv, from);
    ASSERT_EQ(third.result, 0);
    EXPECT_EQ(third.readCount, 4);
    EXPECT_EQ(third.downloadCount, 2);
    EXPECT_EQ(PollStatus(m_jv, 2).back(), 2);
    const std::vector<Read> reads = ReadToEnd(m_jv);
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads[reads.size() - 3].record, Ra(day, "05", 2));
    EXPECT_EQ(reads[reads.size() - 2].fileName, QStringLiteral("plain.txt"));
    m_jv.JVClose();

    // A file rewritten in place keeps its name, its stamp and here its size: the cached copy
    // of the old bytes must not be served for it.
    put(OwnName("RACE", "20261205", "20261206120000", "_09"), Ra(day, "09", 3), kNow.addSecs(-30));
    const Opened fourth = Open(m_jv, from);
    ASSERT_EQ(fourth.result, 0);
    EXPECT_EQ(fourth.downloadCount, 1);
    EXPECT_EQ(PollStatus(m_jv, 1).back(), 1);
    const std::vector<Read> again = ReadToEnd(m_jv);
    EXPECT_TRUE(
        std::any_of(again.begin(), again.end(), [&](const Read &read) { return read.record == Ra(day, "09", 3); }));
    EXPECT_TRUE(
        std::none_of(again.begin(), again.end(), [&](const Read &read) { return read.record == Ra(day, "09"); }));
}

TEST_F(LocalJVLinkTest, AnUnusableSourceFolderIsNamed)
{
    const QString from = QStringLiteral("20261201000000");
    // Empty: nothing newer, and the reason is the folder.
    EXPECT_EQ(Open(m_jv, from).result, -1);
    EXPECT_EQ(m_jv.lastErrorDetail(), QStringLiteral("データの取得元フォルダ「%1」にJV-Dataのファイルがありません。")
                                          .arg(QDir::toNativeSeparators(m_source)));
    EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), -1);
    EXPECT_TRUE(m_jv.lastErrorDetail().contains(QStringLiteral("ファイルがありません")));

    const QString missing = m_root.path() + QStringLiteral("/missing");
    m_jv.setSourceOverride(missing);
    EXPECT_EQ(Open(m_jv, from).result, -211);
    EXPECT_EQ(m_jv.lastErrorDetail(), QStringLiteral("データの取得元フォルダ「%1」がありません。"
                                                     "「JVLink設定」で取得元フォルダを指定してください。")
                                          .arg(QDir::toNativeSeparators(missing)));
    PutFile(missing, "not a folder");
    EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), -211);
    EXPECT_TRUE(m_jv.lastErrorDetail().contains(QStringLiteral("はフォルダではありません")));

    // Files that are not newer are no fault of the folder.
    m_jv.setSourceOverride(m_source);
    put(OwnName("RACE", "20261205", "20261130120000"), Ra(QDate(2026, 12, 5)));
    EXPECT_EQ(Open(m_jv, from).result, -1);
    EXPECT_TRUE(m_jv.lastErrorDetail().isEmpty());
}

TEST_F(LocalJVLinkTest, ReadingWaitsForTheDownloadAndCancelStopsIt)
{
    put(OwnName("RACE", "20261205", "20261206120000"), Ra(QDate(2026, 12, 5)));
    put(OwnName("RACE", "20261206", "20261206130000"), Ra(QDate(2026, 12, 6)));
    m_jv.setDownloadDelay(10min);

    const Opened opened = Open(m_jv, QStringLiteral("20261201000000"));
    ASSERT_EQ(opened.result, 0);
    EXPECT_EQ(opened.downloadCount, 2);
    std::string buffer;
    QString fileName;
    int size = 60000;
    EXPECT_EQ(m_jv.JVRead(buffer, size, fileName), -3);
    EXPECT_EQ(m_jv.JVRead(buffer, size, fileName), -3);
    EXPECT_EQ(m_jv.JVStatus(), 0);

    const auto cancelled = std::chrono::steady_clock::now();
    m_jv.JVCancel();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 5s);
    EXPECT_EQ(m_jv.JVStatus(), 0);
    EXPECT_EQ(m_jv.JVClose(), 0);
    EXPECT_TRUE(QDir(m_jv.cacheFolder()).isEmpty()) << "no partial copies are left";

    m_jv.setDownloadDelay(0ms);
    EXPECT_EQ(Open(m_jv, QStringLiteral("20261201000000")).downloadCount, 2);
}

TEST_F(LocalJVLinkTest, FailedDownloadIsReportedByStatusAndRead)
{
    put(OwnName("RACE", "20261205", "20261206120000"), Ra(QDate(2026, 12, 5)));
    // A file where the cache folder should be: nothing can be copied.
    ASSERT_TRUE(QDir().mkpath(m_home));
    PutFile(m_jv.cacheFolder(), "in the way");

    const Opened opened = Open(m_jv, QStringLiteral("20261201000000"));
    ASSERT_EQ(opened.result, 0);
    EXPECT_EQ(PollStatus(m_jv, opened.downloadCount).back(), -502);
    // The file will never arrive: reading must not ask the caller to wait for ever.
    std::string buffer;
    QString fileName;
    int size = 60000;
    EXPECT_EQ(m_jv.JVRead(buffer, size, fileName), -502);
    EXPECT_EQ(m_jv.JVClose(), 0);
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(LocalJVLinkTest, JVReadHandsOutEachRecordAsItsBytesWithItsSize)
{
    const QDate day(2026, 12, 5);
    const std::string race = Ra(day);
    // CP932's own characters, an IBM extension, half-width kana, and bytes that are no CP932 at all:
    // the reader gets the file's bytes, whatever they are.
    const std::string special = "RA" + Sj("～①髙") + Sj("ｱｲｳｴｵ") + "\x82\xff\x81" + "\r\n";
    const std::string runner = Se(day, 1, 3);
    const std::string unterminated = "SE without a line end";
    const QString first = OwnName("RACE", "20261205", "20261206120000");
    const QString second = OwnName("RACE", "20261205", "20261206120100");
    const QString empty = OwnName("RACE", "20261205", "20261206120200");
    put(first, race + special);
    put(second, runner + unterminated);
    put(empty, std::string());

    ASSERT_EQ(Open(m_jv, QStringLiteral("20261201000000")).readCount, 3);
    const std::vector<Read> reads = ReadToEnd(m_jv);
    struct Expected
    {
        int code;
        std::string bytes;
        QString fileName;
    };
    const std::vector<Expected> expected = {
        {kRaceRecordLength, race, first},
        {static_cast<int>(special.size()), special, first},
        {-1, {}, first},
        {kRunnerRecordLength, runner, second},
        {static_cast<int>(unterminated.size()), unterminated, second},
        {-1, {}, second},
        {-1, {}, empty},
        {0, {}, {}},
    };
    ASSERT_EQ(reads.size(), expected.size());
    for (size_t i = 0; i < reads.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reads[i].code, expected[i].code);
        if (expected[i].code > 0) {
            EXPECT_EQ(reads[i].record, expected[i].bytes);
        }
        if (expected[i].code != 0) {
            EXPECT_EQ(reads[i].fileName, expected[i].fileName);
        }
    }

    std::string buffer;
    QString fileName;
    int size = 60000;
    EXPECT_EQ(m_jv.JVRead(buffer, size, fileName), 0) << "the end stays the end";
}

TEST_F(LocalJVLinkTest, JVRTOpenServesOneDaysResults)
{
    const QDate saturday(2026, 12, 5);
    // Old stamps: real-time data is served whatever its time stamp.
    put(OwnName("0B12", "20261205", "20261101000000", "_06"), Hr(saturday) + Hr(saturday, "06", 2));
    put(OwnName("0B12", "20261205", "20261101000100", "_09"), Hr(saturday, "09"));
    put(OwnName("0B12", "20261206", "20261101000200", "_06"), Hr(saturday.addDays(1)));
    put(OwnName("RACE", "20261205", "20261101000300", "_06"), Ra(saturday));
    put(QStringLiteral("results.txt"), Hr(saturday, "05")); // plain files are RACE data

    EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("RACE"), QStringLiteral("20261205")), -111);
    for (const char *key : {"2026125", "202612050", "2026120a", " 20261205", "20261305", "20260230", ""})
        EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QLatin1String(key)), -114) << key;
    EXPECT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261207")), -1);

    ASSERT_EQ(m_jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), 0);
    EXPECT_EQ(Open(m_jv, QStringLiteral("20261201000000")).result, -202);
    const std::vector<Read> reads = ReadToEnd(m_jv);
    EXPECT_EQ(FilesRead(reads), (QStringList{OwnName("0B12", "20261205", "20261101000000", "_06"),
                                             OwnName("0B12", "20261205", "20261101000100", "_09")}));
    ASSERT_EQ(reads.size(), 6u);
    EXPECT_EQ(reads[1].record, Hr(saturday, "06", 2));
    EXPECT_EQ(m_jv.JVClose(), 0);
}

// ---------------------------------------------------------------------------
// Source folder and settings

TEST(LocalJVLinkSource, OnlyTheMissingDefaultSourceIsLaidOut)
{
    QTemporaryDir root;
    const QString home = root.path() + QStringLiteral("/JVLink");
    const QString defaultSource = home + QStringLiteral("/source");
    std::vector<std::pair<QString, QDateTime>> made;
    LocalJVLink jv(home, defaultSource);
    jv.setClock([] { return kNow; });
    jv.setDownloadDelay(0ms);
    jv.setSourceMaker([&](const QString &folder, const QDateTime &now) {
        made.emplace_back(folder, now);
        return gen::LayOutSampleSource(folder, now);
    });
    ASSERT_EQ(jv.JVInit(SoftwareId()), 0);
    const QString from = kNow.addDays(-8).toString(QStringLiteral("yyyyMMddHHmmss"));

    // A folder given for this run, or chosen in the settings, is never invented.
    const QString elsewhere = root.path() + QStringLiteral("/elsewhere");
    jv.setSourceOverride(elsewhere);
    EXPECT_EQ(Open(jv, from, 2).result, -211);
    EXPECT_EQ(jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261205")), -211);
    jv.setSourceOverride(QString());
    ASSERT_TRUE(jv.setSettings({elsewhere, QStringLiteral("KEY")}));
    EXPECT_EQ(Open(jv, from, 2).result, -211);
    EXPECT_TRUE(made.empty());
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    EXPECT_FALSE(QFileInfo::exists(defaultSource));

    ASSERT_TRUE(jv.setSettings({defaultSource, QStringLiteral("KEY")}));
    const Opened opened = Open(jv, from, 2);
    ASSERT_EQ(opened.result, 0);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].first, defaultSource);
    EXPECT_EQ(made[0].second, kNow);
    EXPECT_EQ(opened.readCount, static_cast<int>(gen::MakeSampleSource(kNow.date()).raceData.size()));
    jv.JVClose();

    // Once there, the default folder is the user's: emptied, it stays empty.
    for (const QString &name : QDir(defaultSource).entryList(QDir::Files))
        ASSERT_TRUE(QFile::remove(defaultSource + QLatin1Char('/') + name));
    EXPECT_EQ(Open(jv, from, 2).result, -1);
    EXPECT_EQ(made.size(), 1u);
}

TEST(LocalJVLinkSource, MissingDefaultWithoutAWorkingMakerIsASettingsError)
{
    QTemporaryDir root;
    const QString home = root.path() + QStringLiteral("/JVLink");
    LocalJVLink withoutMaker(home, home + QStringLiteral("/source"));
    ASSERT_EQ(withoutMaker.JVInit(SoftwareId()), 0);
    EXPECT_EQ(Open(withoutMaker, QStringLiteral("20261201000000")).result, -211);

    LocalJVLink failingMaker(home, home + QStringLiteral("/source"));
    failingMaker.setSourceMaker([](const QString &, const QDateTime &) { return false; });
    ASSERT_EQ(failingMaker.JVInit(SoftwareId()), 0);
    EXPECT_EQ(Open(failingMaker, QStringLiteral("20261201000000")).result, -211);
}

TEST(LocalJVLinkSettings, TheDialogEditsTheStoredSettings)
{
    QTemporaryDir root;
    const QString home = root.path() + QStringLiteral("/JVLink");
    const QString defaultSource = home + QStringLiteral("/source");
    const QString chosen = root.path() + QStringLiteral("/ my source ");
    {
        LocalJVLink jv(home, defaultSource);
        EXPECT_EQ(jv.JVSetUIProperties(), -100);
        const LocalJVLinkSettings defaults = jv.settings();
        EXPECT_EQ(defaults.sourceFolder, defaultSource);
        EXPECT_FALSE(defaults.serviceKey.isEmpty()) << "a new user can import the sample";

        LocalJVLinkSettings shown;
        jv.setSettingsDialog([&](LocalJVLinkSettings &settings) {
            shown = settings;
            settings.sourceFolder = chosen;
            settings.serviceKey = U("ＡＢＣ-1234");
            return true;
        });
        EXPECT_EQ(jv.JVSetUIProperties(), 0);
        EXPECT_EQ(shown.sourceFolder, defaults.sourceFolder);
        EXPECT_EQ(shown.serviceKey, defaults.serviceKey);
        EXPECT_EQ(jv.sourceFolder(), chosen);
    }

    LocalJVLink again(home, defaultSource);
    EXPECT_EQ(again.settings().sourceFolder, chosen) << "blanks at the ends survive";
    EXPECT_EQ(again.settings().serviceKey, U("ＡＢＣ-1234"));

    again.setSettingsDialog([](LocalJVLinkSettings &settings) {
        settings.sourceFolder = QStringLiteral("/cancelled");
        settings.serviceKey.clear();
        return false;
    });
    EXPECT_EQ(again.JVSetUIProperties(), 0);
    EXPECT_EQ(again.settings().sourceFolder, chosen);
    EXPECT_EQ(again.settings().serviceKey, U("ＡＢＣ-1234"));

    // A value the settings file cannot hold is a failure, and nothing changes.
    again.setSettingsDialog([](LocalJVLinkSettings &settings) {
        settings.sourceFolder = QStringLiteral("/two\nlines");
        return true;
    });
    EXPECT_EQ(again.JVSetUIProperties(), -100);
    EXPECT_EQ(again.settings().sourceFolder, chosen);
}

// ---------------------------------------------------------------------------
// Import through the component

/** Records what an import shows. */
class RecordedView : public SilentImportView
{
  public:
    QStringList messages;
    QStringList created;
    QString label;

    void setProgressText(const QString &text) override { label = text; }
    void clearCreated() override { created.clear(); }
    void addCreated(const QString &line) override { created << line; }
    bool showsCreated() const override { return true; }
    void showMessage(const QString &text) override { messages << text; }
};

/** The application folder of an import: the component, the program's settings and the data folder. */
class ImportThroughLocalJVLink : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    QString m_app = m_root.path();
    QString m_source = m_app + QStringLiteral("/JVLink/source");
    QString m_data = m_app + QStringLiteral("/app/Data");
    LocalJVLink m_jv{m_app + QStringLiteral("/JVLink"), m_source};
    SettingsFile m_settings;
    RaceDayStore m_store{m_data};
    bool m_importCancelled = false;

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_jv.setDownloadDelay(0ms);
        m_jv.setClock([] { return kNow; });
        ASSERT_EQ(m_jv.JVInit(SoftwareId()), 0);
        m_settings.setFileName(m_app + QStringLiteral("/app/velmora.ini"));
    }

    /** Runs an import as the import window does: start, then poll while downloading. */
    void runImport(DataImport &import, const QDateTime &from, int option)
    {
        import.start(from, option);
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (import.downloading() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
            import.poll();
        }
        ASSERT_FALSE(import.downloading()) << "the download did not end";
        ASSERT_FALSE(import.running());
    }

    /** Every file of a folder with its bytes. */
    static std::map<QString, std::string> Contents(const QString &folder)
    {
        std::map<QString, std::string> files;
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            files[name] = test::ReadFileBytes(folder + QLatin1Char('/') + name);
        return files;
    }
};

TEST_F(ImportThroughLocalJVLink, TheSampleWeekendArrivesAsTheGeneratorWritesIt)
{
    ASSERT_TRUE(gen::LayOutSampleSource(m_source, kNow));
    RecordedView view;
    DataImport import(m_jv, m_store, m_settings, view, m_importCancelled);
    const QDateTime from = DataImport::StoredFromDate(m_settings, kNow);
    EXPECT_EQ(from, kNow.addDays(-8));
    runImport(import, from, 2);
    EXPECT_EQ(import.outcome(), DataImport::Outcome::Completed);
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(import.counts().totalRefused(), 0);
    EXPECT_EQ(import.counts().otherTypes, 0);

    // The same course-days written straight from the generator.
    const gen::SampleSource sample = gen::MakeSampleSource(kNow.date());
    const QString expectedDir = m_app + QStringLiteral("/expected");
    size_t records = 0;
    for (const gen::CourseDay &day : sample.raceData) {
        ASSERT_TRUE(gen::WriteCourseDayFiles(day, expectedDir));
        records += day.raceRecords.size() + day.runnerRecords.size() + day.payoutRecords.size();
    }
    EXPECT_EQ(import.ReadCount(), static_cast<int>(sample.raceData.size()));
    EXPECT_EQ(import.DownloadCount(), import.ReadCount());
    EXPECT_EQ(static_cast<size_t>(view.created.size()), records);

    const std::map<QString, std::string> imported = Contents(m_data);
    const std::map<QString, std::string> expected = Contents(expectedDir);
    ASSERT_FALSE(expected.empty());
    for (const auto &[name, bytes] : expected) {
        const auto found = imported.find(name);
        ASSERT_NE(found, imported.end()) << name.toStdString();
        EXPECT_TRUE(found->second == bytes) << name.toStdString() << " differs";
    }
    for (const auto &entry : imported)
        EXPECT_TRUE(expected.count(entry.first)) << "unexpected " << entry.first.toStdString();
    EXPECT_EQ(import.storedLastTime(), QStringLiteral("2026/12/07 10:00:00"));

    // The next import continues from the stored time: nothing is newer.
    RecordedView nextView;
    DataImport next(m_jv, m_store, m_settings, nextView, m_importCancelled);
    runImport(next, DataImport::StoredFromDate(m_settings, kNow.addSecs(3600)), 2);
    EXPECT_EQ(next.outcome(), DataImport::Outcome::NothingNew);
    ASSERT_EQ(nextView.messages.size(), 1);
    EXPECT_TRUE(nextView.messages[0].startsWith(U("最新のRACEデータがありません。\n今週開催データ")))
        << nextView.messages[0].toStdString();
    EXPECT_TRUE(Contents(m_data) == imported);
}

TEST_F(ImportThroughLocalJVLink, HostileSourceFilesAreRefusedAndWriteNothingOutsideTheDataFolder)
{
    const QDate day(2026, 12, 5);
    gen::CourseDayOptions options;
    options.date = day;
    options.course = "06";
    const gen::CourseDay good = gen::Generator(7).courseDay(options);
    std::vector<std::string> goodRecords = good.raceRecords;
    goodRecords.insert(goodRecords.end(), good.runnerRecords.begin(), good.runnerRecords.end());
    goodRecords.insert(goodRecords.end(), good.payoutRecords.begin(), good.payoutRecords.end());
    ASSERT_TRUE(
        gen::WriteRecordFile(m_source + QLatin1Char('/') + OwnName("RACE", "20261205", "20261206120000"), goodRecords));

    // Bytes that are no CP932 text at all, in lines, and a line that starts like a race record.
    std::mt19937 random(5);
    std::string garbage;
    for (int line = 0; line < 40; ++line) {
        for (int i = 0; i < 300; ++i)
            garbage += static_cast<char>(0x80 + random() % 0x80);
        garbage += "\r\n";
    }
    std::string fakeRace = "RA";
    for (int i = 2; i < kRaceRecordLength - 2; ++i)
        fakeRace += static_cast<char>(0x80 + random() % 0x80);
    garbage += fakeRace + "\r\n";
    PutFile(m_source + QStringLiteral("/garbage.bin"), garbage);

    // Race records whose date and course would lead out of the data folder, and an endless line.
    std::string climbing = Ra(day, "06", 3);
    climbing.replace(11, 10, "../../../x");
    std::string dots = Ra(day, "..", 4);
    std::string endless = Ra(day, "06", 5);
    endless.resize(endless.size() - 2);
    endless += std::string(100000, 'X');
    PutFile(m_source + QStringLiteral("/hostile.txt"), climbing + dots + endless);

    ASSERT_TRUE(QDir().mkpath(m_data));
    const std::set<QString> before = Tree(m_root.path());
    RecordedView view;
    DataImport import(m_jv, m_store, m_settings, view, m_importCancelled);
    runImport(import, QDateTime(QDate(2026, 12, 1), QTime(0, 0)), 1);
    EXPECT_EQ(import.outcome(), DataImport::Outcome::Completed);
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(import.ReadCount(), 3);
    EXPECT_EQ(import.counts().totalRefused(), 4); // the fake race record, the climbing date, the dots, the endless line
    EXPECT_EQ(import.counts().otherTypes, 40);
    std::map<QString, int> refused = import.counts().refused;
    EXPECT_EQ(refused[StoreStatusText(StoreStatus::WrongLength)], 1);
    EXPECT_EQ(refused[StoreStatusText(StoreStatus::BadCourse)], 1);

    // Only the good course-day reached the data folder; elsewhere only the cache and the settings are new.
    const QString expectedDir = m_root.path() + QStringLiteral("/expected");
    ASSERT_TRUE(gen::WriteCourseDayFiles(good, expectedDir));
    EXPECT_TRUE(Contents(m_data) == Contents(expectedDir));
    for (const QString &entry : Tree(m_root.path())) {
        if (before.count(entry) || entry.startsWith(QStringLiteral("app/Data/")) ||
            entry.startsWith(QStringLiteral("JVLink/cache")) || entry.startsWith(QStringLiteral("expected")) ||
            entry == QStringLiteral("app/velmora.ini"))
            continue;
        ADD_FAILURE() << "written outside the data folder: " << entry.toStdString();
    }
    EXPECT_EQ(QDir(m_data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
}

} // namespace
} // namespace velmora
