#include "core/codes/keibafunc.h"
#include "core/store/racecard.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

using gen::RecordBuilder;

class Loader : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    RaceCard m_card;

    /** Writes a generated course-day and returns its name. */
    QString writeDay(int races = 12, QDate date = QDate(2026, 11, 28), std::uint64_t seed = 7)
    {
        gen::Generator generator(seed);
        gen::CourseDayOptions options;
        options.date = date;
        options.races = races;
        m_day = generator.courseDay(options);
        EXPECT_TRUE(gen::WriteCourseDayFiles(m_day, m_data));
        return QString::fromStdString(m_day.nameUtf8());
    }
    QString path(const QString &name, const char *extension) const
    {
        return m_data + QLatin1Char('/') + name + QLatin1String(extension);
    }
    QByteArray read(const QString &file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString &file, const QByteArray &bytes) const
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    /** Replaces bytes of one line of a file of fixed lines. */
    void patch(const QString &file, int recordLength, int line, int position, const std::string &bytes) const
    {
        QByteArray all = read(file);
        all.replace(line * recordLength + position - 1, static_cast<qsizetype>(bytes.size()),
                    QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        write(file, all);
    }

    gen::CourseDay m_day;
};

TEST_F(Loader, LoadsAGeneratedDayWithItsPayouts)
{
    const QString name = writeDay();
    const LoadResult result = LoadCourseDay(m_data, CourseDay(name), m_card);
    ASSERT_EQ(result.status, LoadStatus::Loaded) << result.message.toStdString();
    EXPECT_EQ(m_card.RaceCount, 12);
    EXPECT_TRUE(m_card.IsYear2005OrLater);
    for (int r = 1; r <= 12; ++r) {
        EXPECT_EQ(m_card.RaceRecords[r], m_day.raceRecords[static_cast<size_t>(r - 1)]);
        EXPECT_EQ(m_card.PayoutRecords[r], m_day.payoutRecords[static_cast<size_t>(r - 1)]);
        EXPECT_EQ(m_card.registeredRunners(r), m_day.races[static_cast<size_t>(r - 1)].registered);
    }
    EXPECT_EQ(m_card.RunnerRecords[1][1], m_day.runnerRecords.front());
    EXPECT_EQ(m_card.RunnerRecords[1][18], std::string(555, ' ')) << "slots past the field stay blank";

    const QStringList names = test::Names(LoadableCourseDays(m_data));
    EXPECT_EQ(names, QStringList{name});
}

TEST_F(Loader, NeedsTenFilledRacesToCompute)
{
    LoadResult result = LoadCourseDay(m_data, CourseDay(writeDay(10)), m_card);
    EXPECT_EQ(result.status, LoadStatus::Loaded);
    EXPECT_EQ(m_card.RaceCount, 10);

    result = LoadCourseDay(m_data, CourseDay(writeDay(9, QDate(2026, 11, 29))), m_card);
    EXPECT_EQ(result.status, LoadStatus::FewRaces);
    EXPECT_EQ(m_card.RaceCount, 9);
    EXPECT_TRUE(result.message.isEmpty());
}

TEST_F(Loader, OlderDaysAreBefore2005)
{
    const QString name = writeDay(12, QDate(2004, 12, 26));
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Loaded);
    EXPECT_FALSE(m_card.IsYear2005OrLater);
}

TEST_F(Loader, MissingFilesAndMissingBrackets)
{
    const QString name = writeDay();
    QFile::remove(path(name, ".jvHR"));
    EXPECT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Loaded) << "payouts are optional";
    EXPECT_EQ(m_card.PayoutRecords[1], std::string(719, ' '));

    patch(path(name, ".jvSEr"), 555, 18 + 2, 28, " "); // race 2, horse 3 without bracket
    LoadResult result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(result.status, LoadStatus::Incomplete);
    EXPECT_EQ(result.message, QStringLiteral("データ作成が未完了です。"));

    QFile::remove(path(name, ".jvSEr"));
    result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(result.status, LoadStatus::FilesMissing);
    EXPECT_EQ(result.message, QStringLiteral("データ作成が未完了のようです。"));
    EXPECT_EQ(LoadCourseDay(m_data, CourseDay(QStringLiteral("2099年01月01日東京")), m_card).status,
              LoadStatus::FilesMissing);
}

TEST_F(Loader, PayoutsAreMatchedByDateCourseAndRaceNumber)
{
    const QString name = writeDay();
    const std::string &race5 = m_day.payoutRecords[4];
    std::string otherCourse = race5;
    otherCourse.replace(19, 2, "05");
    std::string race5Again = race5;
    race5Again.replace(206, 2, "88"); // same key, later in the file: overwrites
    QByteArray bytes;
    for (const std::string &record : {otherCourse, race5, race5Again})
        bytes += QByteArray(record.data(), static_cast<qsizetype>(record.size()));
    write(path(name, ".jvHR"), bytes);

    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Loaded);
    EXPECT_EQ(m_card.PayoutRecords[5], race5Again);
    for (int r = 1; r <= 12; ++r) {
        if (r != 5) {
            EXPECT_EQ(m_card.PayoutRecords[r], std::string(719, ' ')) << "race " << r;
        }
    }

    // Only the first twelve records of a payout file are read.
    bytes.clear();
    for (int i = 0; i < 12; ++i)
        bytes += QByteArray(otherCourse.data(), static_cast<qsizetype>(otherCourse.size()));
    bytes += QByteArray(race5.data(), static_cast<qsizetype>(race5.size()));
    write(path(name, ".jvHR"), bytes);
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Loaded);
    EXPECT_EQ(m_card.PayoutRecords[5], std::string(719, ' '));
}

TEST_F(Loader, DamagedFilesGiveAMessageNamingTheFile)
{
    const QString name = writeDay();
    const QByteArray runners = read(path(name, ".jvSEr"));
    const QByteArray races = read(path(name, ".jvRA"));

    // A runner file that ends before the runners the race-day file lists.
    write(path(name, ".jvSEr"), runners.left(555 * 30));
    LoadResult result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(result.status, LoadStatus::Damaged);
    EXPECT_TRUE(result.message.contains(name + QStringLiteral(".jvSEr"))) << result.message.toStdString();
    EXPECT_EQ(m_card.RaceCount, 0);

    // A file cut inside a record.
    write(path(name, ".jvSEr"), runners.left(runners.size() - 1));
    EXPECT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Damaged);
    write(path(name, ".jvSEr"), runners);

    // Lines of the wrong width: the records would be read at the wrong offsets.
    QByteArray shifted = races;
    shifted.remove(100, 1);
    shifted.append(' ');
    write(path(name, ".jvRA"), shifted);
    result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(result.status, LoadStatus::Damaged);
    EXPECT_TRUE(result.message.contains(QStringLiteral(".jvRA")));
    write(path(name, ".jvRA"), races);

    write(path(name, ".jvHR"), QByteArray(100, 'x'));
    EXPECT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Damaged);
}

TEST_F(Loader, RefusesARaceThatWouldDivideByZero)
{
    const QString name = writeDay();
    patch(path(name, ".jvRA"), 1272, 6, 698, "0000"); // race 7 without distance
    const LoadResult result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(result.status, LoadStatus::ZeroDivisor);
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("7R"))) << result.message.toStdString();
}

TEST_F(Loader, ABlankSlotInsideTheDayIsRefusedNotComputed)
{
    const QString name = writeDay();
    patch(path(name, ".jvRA"), 1272, 2, 1, std::string(1270, ' ')); // race 3 missing, 11 races filled
    const LoadResult result = LoadCourseDay(m_data, CourseDay(name), m_card);
    EXPECT_EQ(m_card.RaceCount, 11);
    EXPECT_EQ(result.status, LoadStatus::ZeroDivisor);
}

TEST_F(Loader, ReadsAtMostEighteenRunnersPerRace)
{
    const QString name = writeDay();
    patch(path(name, ".jvRA"), 1272, 0, 882, "25");
    // Give race 1 eighteen runners with brackets so that the card is complete.
    QByteArray runners = read(path(name, ".jvSEr"));
    for (int s = 0; s < 18; ++s) {
        const std::string record =
            RecordBuilder::Runner()
                .setKey('7', m_day.date, m_day.date, m_day.course, m_day.meeting, m_day.meetingDay, 1)
                .setNumber(se::Bracket, gen::JraBracket(s + 1, 18))
                .setNumber(se::HorseNumber, s + 1);
        runners.replace(s * 555, 553, QByteArray(record.data(), 553));
    }
    write(path(name, ".jvSEr"), runners);
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), m_card).status, LoadStatus::Loaded);
    EXPECT_EQ(m_card.registeredRunners(1), 25);
    EXPECT_EQ(m_card.bracketOf(1, 18), 8);
    EXPECT_EQ(m_card.bracketOf(1, 19), 0);
}

TEST_F(Loader, ALoadIntoAUsedCardLeavesNothingOfTheDayBefore)
{
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(writeDay(12, QDate(2026, 11, 28), 7)), m_card).status,
              LoadStatus::Loaded);
    const QString smaller = writeDay(10, QDate(2026, 11, 29), 8);
    QFile::remove(path(smaller, ".jvHR"));
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(smaller), m_card).status, LoadStatus::Loaded);

    RaceCard fresh;
    fresh.clear();
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(smaller), fresh).status, LoadStatus::Loaded);
    EXPECT_EQ(m_card.RaceCount, 10);
    EXPECT_EQ(m_card.RaceRecords, fresh.RaceRecords);
    EXPECT_EQ(m_card.RunnerRecords, fresh.RunnerRecords);
    EXPECT_EQ(m_card.PayoutRecords, fresh.PayoutRecords);
}

TEST_F(Loader, CourseDayDateReadsRaceOneAlone)
{
    const QString name = writeDay(12, QDate(2026, 11, 29));
    EXPECT_EQ(CourseDayDate(m_data, CourseDay(name)), "20261129");
    // The rest of the file plays no part: a damaged runner file or a short race file later on.
    write(path(name, ".jvRA"), read(path(name, ".jvRA")).left(kRaceRecordLength + 100));
    EXPECT_EQ(CourseDayDate(m_data, CourseDay(name)), "20261129");
    write(path(name, ".jvRA"), read(path(name, ".jvRA")).left(kRaceRecordLength - 1));
    EXPECT_EQ(CourseDayDate(m_data, CourseDay(name)), "");
    EXPECT_EQ(CourseDayDate(m_data, CourseDay(QStringLiteral("2099年01月01日東京"))), "");
}

TEST_F(Loader, ListsCourseDaysLatestFirst)
{
    ASSERT_TRUE(QDir().mkpath(m_data));
    for (const char *name : {"2026年11月28日中山", "2026年11月29日中山", "2025年12月28日中山", "2026年11月28日京都"})
        write(m_data + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".jvRA"), {});
    write(m_data + QStringLiteral("/2027年01月01日中山.jvSEr"), {});
    write(m_data + QStringLiteral("/notes.txt"), {});
    // What QDir::Files lists: a link to a file, not one to nothing, a pipe or a hidden name.
    ASSERT_TRUE(
        QFile::link(m_data + QStringLiteral("/notes.txt"), m_data + QStringLiteral("/2024年01月06日中山.jvRA")));
    ASSERT_TRUE(QFile::link(m_data + QStringLiteral("/none"), m_data + QStringLiteral("/2024年01月07日中山.jvRA")));
    ASSERT_EQ(mkfifo(QFile::encodeName(m_data + QStringLiteral("/2024年01月08日中山.jvRA")).constData(), 0600), 0);
    write(m_data + QStringLiteral("/.2024年01月09日中山.jvRA"), {});
    const QStringList expected = {QStringLiteral("2026年11月29日中山"), QStringLiteral("2026年11月28日中山"),
                                  QStringLiteral("2026年11月28日京都"), QStringLiteral("2025年12月28日中山"),
                                  QStringLiteral("2024年01月06日中山")};
    EXPECT_EQ(test::Names(LoadableCourseDays(m_data)), expected);

    // A name that is not UTF-8 is listed, shown escaped, as one that cannot be read.
    write(m_data + QStringLiteral("/x.jvRA"), {});
    ASSERT_EQ(
        ::rename(QFile::encodeName(m_data + QStringLiteral("/x.jvRA")).constData(),
                 (QFile::encodeName(m_data + QStringLiteral("/2026年12月05日")) + "\x92\x86\x8eR.jvRA").constData()),
        0);
    const std::vector<CourseDay> days = ListCourseDays(m_data);
    ASSERT_EQ(days.size(), 6u);
    EXPECT_EQ(days.front(), CourseDay::Unreadable(QStringLiteral("2026年12月05日\\x92\\x86\\x8eR")));
    EXPECT_EQ(test::Names(LoadableCourseDays(m_data)), expected);
    EXPECT_EQ(test::Names(LoadableCourseDays(m_root.path() + QStringLiteral("/missing"))), QStringList{});
}

TEST_F(Loader, ANameWithACharacterCp932LacksSortsByTheQuestionMarkForIt)
{
    ASSERT_TRUE(QDir().mkpath(m_data));
    for (const char *name : {"2026年11月28日中山", "2026年11月28日😀", "2026年11月28日京都", "2026年11月29日😀"})
        write(m_data + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".jvRA"), {});
    // The emoji is ordered as "?" (3F), below the first byte of any course name.
    const QStringList expected = {QString::fromUtf8("2026年11月29日😀"), QStringLiteral("2026年11月28日中山"),
                                  QStringLiteral("2026年11月28日京都"), QString::fromUtf8("2026年11月28日😀")};
    EXPECT_EQ(test::Names(LoadableCourseDays(m_data)), expected);
}

} // namespace
} // namespace velmora
