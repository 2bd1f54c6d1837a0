#include "core/codes/keibafunc.h"
#include "core/store/atomicfile.h"
#include "core/store/racedayfiles.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

using gen::RecordBuilder;

const QDate kDay(2003, 4, 5);

std::string Ra(int race, char kind = '7', std::string_view course = "06")
{
    return RecordBuilder::Race().setKey(kind, kDay, kDay, course, 2, 5, race).setText(ra::RaceName, "テスト");
}

std::string Se(int race, int horse)
{
    return RecordBuilder::Runner().setKey('7', kDay, kDay, "06", 2, 5, race).setNumber(se::HorseNumber, horse);
}

std::string Hr(int race, char kind = '2')
{
    return RecordBuilder::Payout().setKey(kind, kDay, kDay, "06", 2, 5, race);
}

class Store : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    RaceDayStore m_store{m_data};

    QByteArray read(const char *extension) const
    {
        QFile file(m_data + QStringLiteral("/2003年04月05日中山") + QLatin1String(extension));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static std::vector<std::string> lines(const QByteArray &bytes)
    {
        return SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    static std::string lineOf(const std::string &record) { return record.substr(0, record.size() - 2); }
    QStringList files() const
    {
        return QDir(m_root.path()).entryList(QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot);
    }
};

TEST_F(Store, FileNameComesFromTheRecordsDateAndCourse)
{
    EXPECT_EQ(SjisToUtf8(RaceDayFileName(Ra(1), ".jvRA")), "2003年04月05日中山.jvRA");
    // 58 is Sapporo used for local racing: the same name as 01.
    EXPECT_EQ(RaceDayFileName(Ra(1, '7', "58"), ".jvHR"), RaceDayFileName(Ra(1, '7', "01"), ".jvHR"));
}

TEST_F(Store, FirstRaceRecordCreatesTwelveSlotsAndLaterOnesReplaceTheirLine)
{
    ASSERT_TRUE(m_store.PutSlotRecord(Ra(5), FileKind::Race).stored());
    QByteArray bytes = read(".jvRA");
    ASSERT_EQ(bytes.size(), 12 * 1272);
    std::vector<std::string> l = lines(bytes);
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l[4], lineOf(Ra(5)));
    for (size_t i = 0; i < 12; ++i) {
        if (i != 4) {
            EXPECT_EQ(l[i], std::string(1270, ' '));
        }
    }

    const std::string updated =
        RecordBuilder::Race().setKey('7', kDay, kDay, "06", 2, 5, 5).setText(ra::RaceName, "改");
    ASSERT_TRUE(m_store.PutSlotRecord(updated, FileKind::Race).stored());
    ASSERT_TRUE(m_store.PutSlotRecord(Ra(1), FileKind::Race).stored());
    l = lines(read(".jvRA"));
    EXPECT_EQ(l[4], lineOf(updated));
    EXPECT_EQ(l[0], lineOf(Ra(1)));
    EXPECT_EQ(read(".jvRA").size(), 12 * 1272);
}

TEST_F(Store, RunnerRecordGoesToItsRaceAndHorseSlot)
{
    ASSERT_TRUE(m_store.PutSlotRecord(Se(3, 5), FileKind::Runner).stored());
    ASSERT_TRUE(m_store.PutSlotRecord(Se(12, 18), FileKind::Runner).stored());
    const QByteArray bytes = read(".jvSEr");
    ASSERT_EQ(bytes.size(), 216 * 555);
    const std::vector<std::string> l = lines(bytes);
    EXPECT_EQ(l[40], lineOf(Se(3, 5)));
    EXPECT_EQ(l[215], lineOf(Se(12, 18)));
}

TEST_F(Store, RecordsThatDoNotFitTheLayoutAreRefusedAndCreateNothing)
{
    std::string blankRace = Ra(1);
    blankRace.replace(25, 2, "  ");
    std::string zeroRace = Ra(1);
    zeroRace.replace(25, 2, "00");
    std::string hostileDate = Ra(1);
    hostileDate.replace(11, 8, "../../x/");
    std::string badDay = Ra(1);
    badDay.replace(11, 8, "20030231");
    std::string hostileCourse = Ra(1);
    hostileCourse.replace(19, 2, "/.");
    std::string lineBreak = Ra(1);
    lineBreak[100] = '\n';
    std::string wrongEnd = Ra(1);
    wrongEnd[1270] = ' ';
    // "C4" is a code of the table whose name is blank: the file would be named with blanks.
    std::string namelessCourse = Ra(1);
    namelessCourse.replace(19, 2, "C4");

    const std::vector<std::tuple<std::string, FileKind, StoreStatus>> cases = {
        {blankRace, FileKind::Race, StoreStatus::BadRaceNumber},
        {zeroRace, FileKind::Race, StoreStatus::BadRaceNumber},
        {Ra(13), FileKind::Race, StoreStatus::BadRaceNumber},
        {Se(1, 19), FileKind::Runner, StoreStatus::BadHorseNumber},
        {Se(1, 0), FileKind::Runner, StoreStatus::BadHorseNumber},
        {hostileDate, FileKind::Race, StoreStatus::BadDate},
        {badDay, FileKind::Race, StoreStatus::BadDate},
        {hostileCourse, FileKind::Race, StoreStatus::BadCourse},
        {namelessCourse, FileKind::Race, StoreStatus::NoCourseName},
        {Ra(1).substr(0, 1271), FileKind::Race, StoreStatus::WrongLength},
        {Ra(1) + "x", FileKind::Race, StoreStatus::WrongLength},
        {lineBreak, FileKind::Race, StoreStatus::WrongLength},
        {wrongEnd, FileKind::Race, StoreStatus::WrongLength},
        {Se(1, 1), FileKind::Race, StoreStatus::WrongLength},
        {Hr(1), FileKind::Race, StoreStatus::WrongLength},
        {std::string("SE") + Ra(1).substr(2), FileKind::Race, StoreStatus::WrongType},
    };
    for (const auto &[record, kind, status] : cases) {
        EXPECT_EQ(m_store.PutSlotRecord(record, kind).status, status) << StoreStatusText(status).toStdString();
        EXPECT_EQ(m_store.PutKeyedRecord(record, kind).status, status) << StoreStatusText(status).toStdString();
    }
    EXPECT_EQ(files(), QStringList{}) << "no file, not even the data folder, is made for refused records";
}

TEST_F(Store, SlotUpdatePadsAFileWithTooFewLines)
{
    ASSERT_TRUE(m_store.PutKeyedRecord(Ra(1), FileKind::Race).stored());
    ASSERT_EQ(lines(read(".jvRA")).size(), 1u);
    ASSERT_TRUE(m_store.PutSlotRecord(Ra(4), FileKind::Race).stored());
    const std::vector<std::string> l = lines(read(".jvRA"));
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l[1], std::string(1270, ' '));
    EXPECT_EQ(l[3], lineOf(Ra(4)));
}

TEST_F(Store, ASlotKeepsItsRecordAgainstAnOlderOne)
{
    // Results of the Monday after the race, then the race card of the Thursday before.
    const std::string results = RecordBuilder::Runner()
                                    .setKey('7', kDay.addDays(2), kDay, "06", 2, 5, 1)
                                    .setNumber(se::HorseNumber, 1)
                                    .setNumber(se::Finish, 1);
    const std::string card = RecordBuilder::Runner()
                                 .setKey('2', kDay.addDays(-2), kDay, "06", 2, 5, 1)
                                 .setNumber(se::HorseNumber, 1)
                                 .setNumber(se::Finish, 0);
    ASSERT_TRUE(m_store.PutSlotRecord(results, FileKind::Runner).stored());
    const QByteArray before = read(".jvSEr");
    EXPECT_EQ(m_store.PutSlotRecord(card, FileKind::Runner).status, StoreStatus::NewerStored);
    EXPECT_EQ(read(".jvSEr"), before);
    EXPECT_EQ(StoreStatusText(StoreStatus::NewerStored), QStringLiteral("より新しいデータが保存済み"));
    m_store.setBuffered(true);
    EXPECT_EQ(m_store.PutSlotRecord(card, FileKind::Runner).status, StoreStatus::NewerStored);
    EXPECT_EQ(m_store.PutSlotRecord(results, FileKind::Runner).status, StoreStatus::Stored);
}

TEST_F(Store, RecordsWithoutAnOrderOfDatesReplaceTheSlotAsBefore)
{
    auto withCreated = [](std::string record, std::string_view created) { return record.replace(3, 8, created); };
    // Stored creation date, incoming creation date: every pair replaces the slot.
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"20030405", "20030405"}, // the same day
        {"20030403", "20030407"}, // a later record
        {"        ", "20030401"}, // a slot record without a date
        {"20031340", "20030401"}, // not a date
        {"20030407", "2003O405"}, // an incoming record without a date
        {"20030407", "        "},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto &[stored, incoming] = cases[i];
        SCOPED_TRACE(std::string(stored) + " then " + incoming);
        const int race = static_cast<int>(i) + 2;
        ASSERT_TRUE(m_store.PutSlotRecord(withCreated(Ra(race, '7'), stored), FileKind::Race).stored());
        const std::string next = withCreated(Ra(race, '2'), incoming);
        ASSERT_TRUE(m_store.PutSlotRecord(next, FileKind::Race).stored());
        EXPECT_EQ(lines(read(".jvRA"))[i + 1], lineOf(next));
    }
    // A line of the keyed update carries zeros for its kind and date: any record replaces it.
    ASSERT_TRUE(m_store.PutKeyedRecord(withCreated(Ra(1, '7'), "20030407"), FileKind::Race).stored());
    ASSERT_EQ(lines(read(".jvRA"))[0].substr(2, 9), "000000000");
    EXPECT_TRUE(m_store.PutSlotRecord(withCreated(Ra(1, '2'), "20030403"), FileKind::Race).stored());
    EXPECT_EQ(lines(read(".jvRA"))[0].substr(2, 9), "220030403");
}

TEST_F(Store, KeyedUpdateOfAPayoutIntoANewFileMakesOneLineWithZeroedKind)
{
    ASSERT_TRUE(m_store.PutKeyedRecord(Hr(3), FileKind::Payout).stored());
    const std::vector<std::string> l = lines(read(".jvHR"));
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0].substr(2, 9), "000000000");
    EXPECT_EQ(l[0].substr(11), lineOf(Hr(3)).substr(11));
}

TEST_F(Store, KeyedRaceUpdateKeepsLineKForRaceK)
{
    // An imported day whose race 12 is still missing.
    for (int r = 1; r <= 11; ++r)
        ASSERT_TRUE(m_store.PutSlotRecord(Ra(r, '2'), FileKind::Race).stored());
    ASSERT_TRUE(m_store.PutKeyedRecord(Ra(12), FileKind::Race).stored());
    std::vector<std::string> l = lines(read(".jvRA"));
    ASSERT_EQ(l.size(), 12u);
    for (int r = 1; r <= 12; ++r)
        EXPECT_EQ(FieldValue(l[static_cast<size_t>(r - 1)].substr(25, 2)), r);
    EXPECT_EQ(l[11].substr(2, 9), "000000000");

    // A result for race 5 replaces its line in place, although its zeroed kind would sort first.
    ASSERT_TRUE(m_store.PutKeyedRecord(Ra(5), FileKind::Race).stored());
    l = lines(read(".jvRA"));
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l[4].substr(0, 11), "RA000000000");
    EXPECT_EQ(l[5].substr(0, 3), "RA2");
}

TEST_F(Store, KeyedRaceUpdatesWithMoreThanOneGapStayAligned)
{
    for (int r : {1, 2, 3, 6})
        ASSERT_TRUE(m_store.PutSlotRecord(Ra(r, '2'), FileKind::Race).stored());
    ASSERT_TRUE(m_store.PutKeyedRecord(Ra(9), FileKind::Race).stored());
    const std::vector<std::string> l = lines(read(".jvRA"));
    ASSERT_EQ(l.size(), 12u);
    for (int r = 1; r <= 12; ++r) {
        const int expected = (r <= 3 || r == 6 || r == 9) ? r : 0;
        EXPECT_EQ(FieldValue(l[static_cast<size_t>(r - 1)].substr(25, 2)), expected) << "line " << r;
    }
}

TEST_F(Store, KeyedRaceUpdatesAloneGiveOneLinePerRaceInOrder)
{
    for (int r : {2, 1, 3})
        ASSERT_TRUE(m_store.PutKeyedRecord(Ra(r), FileKind::Race).stored());
    const std::vector<std::string> l = lines(read(".jvRA"));
    ASSERT_EQ(l.size(), 3u);
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(FieldValue(l[static_cast<size_t>(r - 1)].substr(25, 2)), r);
}

TEST_F(Store, KeyedPayoutUpdatesFillBlankSlotsBeforeTheFileGrows)
{
    for (int r = 1; r <= 11; ++r)
        ASSERT_TRUE(m_store.PutSlotRecord(Hr(r), FileKind::Payout).stored());
    ASSERT_TRUE(m_store.PutKeyedRecord(Hr(12), FileKind::Payout).stored());
    ASSERT_TRUE(m_store.PutKeyedRecord(Hr(4), FileKind::Payout).stored());
    const std::vector<std::string> l = lines(read(".jvHR"));
    ASSERT_EQ(l.size(), 12u) << "a twelfth race must not push a payout beyond the twelve lines the loader reads";
    std::vector<int> races;
    for (const std::string &line : l)
        races.push_back(FieldValue(line.substr(25, 2)));
    std::sort(races.begin(), races.end());
    EXPECT_EQ(races, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(Store, FileSystemErrorsReachTheCallerWithThePath)
{
    // The course-day's race file is a folder: it can be neither read nor replaced.
    ASSERT_TRUE(QDir().mkpath(m_data + QStringLiteral("/2003年04月05日中山.jvRA")));
    StoreResult result = m_store.PutSlotRecord(Ra(2), FileKind::Race);
    EXPECT_EQ(result.status, StoreStatus::WriteFailed);
    EXPECT_TRUE(result.path.endsWith(QStringLiteral("/Data/2003年04月05日中山.jvRA")));
    EXPECT_FALSE(result.error.isEmpty());

    // The data folder is a file.
    QTemporaryDir other;
    QFile blocker(other.path() + QStringLiteral("/Data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RaceDayStore blocked(blocker.fileName());
    result = blocked.PutKeyedRecord(Hr(1), FileKind::Payout);
    EXPECT_EQ(result.status, StoreStatus::WriteFailed);
    EXPECT_FALSE(result.error.isEmpty());
}

TEST_F(Store, BufferedUpdatesReachTheDiskAtFlushAndEqualUnbufferedOnes)
{
    QTemporaryDir other;
    RaceDayStore direct(other.path());
    m_store.setBuffered(true);
    for (int r = 1; r <= 12; ++r) {
        for (RaceDayStore *store : {&m_store, &direct}) {
            ASSERT_TRUE(store->PutSlotRecord(Ra(r, '2'), FileKind::Race).stored());
            ASSERT_TRUE(store->PutSlotRecord(Se(r, 3), FileKind::Runner).stored());
            ASSERT_TRUE(store->PutKeyedRecord(Hr(r), FileKind::Payout).stored());
        }
    }
    ASSERT_TRUE(m_store.PutKeyedRecord(Ra(4), FileKind::Race).stored());
    ASSERT_TRUE(direct.PutKeyedRecord(Ra(4), FileKind::Race).stored());
    EXPECT_EQ(files(), QStringList{}) << "nothing is written before the flush";
    EXPECT_EQ(m_store.pendingFiles(), 3u);

    ASSERT_TRUE(m_store.flush().stored());
    EXPECT_EQ(m_store.pendingFiles(), 0u);
    for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"}) {
        QFile written(other.path() + QStringLiteral("/2003年04月05日中山") + QLatin1String(extension));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(read(extension), written.readAll()) << extension;
    }

    // A file already on disk is read once and updated in memory.
    ASSERT_TRUE(m_store.PutSlotRecord(Se(1, 1), FileKind::Runner).stored());
    ASSERT_TRUE(m_store.flush().stored());
    EXPECT_EQ(lines(read(".jvSEr"))[2], lineOf(Se(1, 3)));
    EXPECT_EQ(lines(read(".jvSEr"))[0], lineOf(Se(1, 1)));
}

TEST_F(Store, AFailedFlushNamesTheFileAndKeepsItsChanges)
{
    m_store.setBuffered(true);
    ASSERT_TRUE(m_store.PutSlotRecord(Ra(1), FileKind::Race).stored());
    ASSERT_TRUE(m_store.PutSlotRecord(Ra(2), FileKind::Race).stored());
    ASSERT_TRUE(m_store.PutSlotRecord(Se(1, 1), FileKind::Runner).stored());
    ASSERT_TRUE(QDir().mkpath(m_data + QStringLiteral("/2003年04月05日中山.jvRA")));
    const StoreResult result = m_store.flush();
    EXPECT_EQ(result.status, StoreStatus::WriteFailed);
    EXPECT_TRUE(result.path.endsWith(QStringLiteral(".jvRA")));
    EXPECT_EQ(m_store.pendingFiles(), 1u);
    // Only the records whose file reached the disk count as written.
    EXPECT_EQ(m_store.writtenRecords(), (std::array<int, 3>{0, 1, 0}));
    ASSERT_TRUE(QDir(m_data + QStringLiteral("/2003年04月05日中山.jvRA")).removeRecursively());
    EXPECT_TRUE(m_store.flush().stored());
    EXPECT_EQ(read(".jvRA").size(), 12 * 1272);
    EXPECT_EQ(m_store.writtenRecords(), (std::array<int, 3>{2, 1, 0}));
}

TEST_F(Store, APipeOrDeviceWithACourseDaysNameIsRefusedWithoutWaiting)
{
    ASSERT_TRUE(QDir().mkpath(m_data));
    const QString pipe = m_data + QStringLiteral("/2003年04月05日中山.jvRA");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Reading a pipe without a writer would block for ever; the store must answer at once.
    for (bool keyed : {false, true}) {
        const StoreResult result =
            keyed ? m_store.PutKeyedRecord(Ra(1), FileKind::Race) : m_store.PutSlotRecord(Ra(1), FileKind::Race);
        EXPECT_EQ(result.status, StoreStatus::WriteFailed);
        EXPECT_EQ(result.path, pipe);
        EXPECT_TRUE(result.error.contains(QStringLiteral("通常のファイルではありません")))
            << result.error.toStdString();
    }
    EXPECT_EQ(TypeOfPath(pipe), PathType::Other) << "the pipe is left in place, not replaced";
    EXPECT_EQ(m_store.writtenRecords(), (std::array<int, 3>{}));
}

/** The keyed update of a payout file as first written: replace or add the line, then sort the whole file stably. */
void KeyedUpdateBySorting(std::vector<std::string> &lines, std::string_view record, size_t width)
{
    const std::string line = OverwriteAt(record.substr(0, width), "000000000", common::KindAndCreated.pos);
    const std::string_view key = Field(line, common::RaceKey);
    auto match = std::find_if(lines.begin(), lines.end(),
                              [&](const std::string &old) { return Field(old, common::RaceKey) == key; });
    if (match == lines.end())
        match =
            std::find_if(lines.begin(), lines.end(), [](const std::string &old) { return TrimBlanks(old).empty(); });
    if (match != lines.end())
        *match = line;
    else
        lines.push_back(line);
    std::stable_sort(lines.begin(), lines.end(), LessIgnoringAsciiCase);
}

TEST_F(Store, KeyedPayoutUpdatesLeaveWhatSortingTheWholeFileLeaves)
{
    // Random files (sorted or not, with blank and empty lines, with lines of one race
    // key that differ only in the case of their letters) and random updates to them:
    // the file must hold byte for byte what a stable sort after every update gives.
    std::mt19937 random(17);
    const auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    const auto width = static_cast<size_t>(KindInfo(FileKind::Payout).lineWidth);
    const auto payout = [&] {
        std::string record = RecordBuilder::Payout().setKey(static_cast<char>('1' + pick(3)), kDay, kDay, "06",
                                                            1 + pick(2), 1 + pick(3), 1 + pick(12));
        // Letters whose case alone differs make lines equal under the order; the stable
        // sort keeps such lines in the order they stood.
        record[28] = "aA"[pick(2)];
        record[29] = "bB"[pick(2)];
        if (pick(3) == 0)
            record[30] = 'x';
        return record;
    };
    const QString path = m_data + QStringLiteral("/2003年04月05日中山.jvHR");
    ASSERT_TRUE(QDir().mkpath(m_data));
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> expected;
        if (pick(4) != 0) {
            for (int i = pick(40); i > 0; --i) {
                const int shape = pick(8);
                std::string line = shape == 0 ? std::string() : shape == 1 ? std::string(width, ' ') : lineOf(payout());
                if (shape > 3) // as a keyed update leaves it
                    line = OverwriteAt(line, "000000000", common::KindAndCreated.pos);
                expected.push_back(line);
            }
            if (pick(3) != 0)
                std::stable_sort(expected.begin(), expected.end(), LessIgnoringAsciiCase);
            std::string bytes;
            for (const std::string &line : expected)
                bytes += line + "\r\n";
            ASSERT_TRUE(WriteFileAtomically(path, bytes, nullptr));
            expected = lines(QByteArray::fromStdString(bytes));
        } else {
            QFile::remove(path);
        }
        RaceDayStore store(m_data);
        store.setBuffered(pick(5) != 0);
        for (int i = 1 + pick(60); i > 0; --i) {
            const std::string record = payout();
            ASSERT_TRUE(store.PutKeyedRecord(record, FileKind::Payout).stored());
            KeyedUpdateBySorting(expected, record, width);
        }
        ASSERT_TRUE(store.flush().stored());
        std::string bytes;
        for (const std::string &line : expected)
            bytes += line + "\r\n";
        ASSERT_EQ(read(".jvHR").toStdString(), bytes) << "round " << round;
    }
}

} // namespace
} // namespace velmora
