#include "core/codes/racetitle.h"
#include "core/report/hitexport.h"
#include "core/report/session.h"
#include "core/store/atomicfile.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <tuple>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace velmora {
namespace {

const QDate kSaturday(2026, 11, 28);
const char *const kHeadingUtf8 =
    "<br /><img src=\"./image/balist.gif\"><font color=\"black\">【Velmora for JRA-VAN Data "
    "Lab.】</font>";

std::string Joined(const std::vector<std::string> &lines)
{
    std::string bytes;
    for (const std::string &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

/** A payout of `amount` yen on the first computed bet of race `race` of one kind. */
struct Paid
{
    int race;
    const hr::PayoutTable *table;
    int amount;
};

class HitExportTest : public testing::Test
{
  protected:
    /**
     * Writes a generated course-day whose payouts are exactly `paid`. The paid
     * combinations are the day's own computed bets, or those of `betsOf` (a day
     * that cannot be computed has none).
     */
    QString writeDay(std::uint64_t seed, const char *course, QDate date, const std::vector<Paid> &paid, int races = 12,
                     const QString &betsOf = {})
    {
        gen::CourseDayOptions options;
        options.date = date;
        options.course = course;
        options.races = races;
        options.withResults = false;
        gen::CourseDay day = gen::Generator(seed).courseDay(options);
        day.raceRecords[0].replace(592, 12, m_shortName);
        EXPECT_TRUE(gen::WriteCourseDayFiles(day, m_data));
        const QString name = QString::fromStdString(day.nameUtf8());
        // Where the short name is blank, the line names the race by its title.
        for (size_t r = 1; r <= day.raceRecords.size(); ++r)
            m_shortNames[{name, static_cast<int>(r)}] = SjisToUtf8(RaceShortNameOf(day.raceRecords[r - 1]));
        Session session;
        EXPECT_TRUE(LoadIntoSession(session, m_data, CourseDay(betsOf.isEmpty() ? name : betsOf)).computable());

        std::map<int, gen::RecordBuilder> records;
        std::map<std::pair<int, const hr::PayoutTable *>, int> used;
        for (const Paid &p : paid) {
            const bool brackets = p.table == &hr::BracketQuinella;
            const RacePrediction &race = session.prediction.races[p.race];
            const auto &bets = brackets ? race.bracketBets : race.quinellaBets;
            // The first bet that is not void (a void bet has no first number).
            const auto bet = std::find_if(bets.begin(), bets.end(), [](const Bet &b) { return b.low != 0; });
            EXPECT_NE(bet, bets.end());
            const std::pair<int, int> pair{bet->low, bet->high};
            m_pairs[{name, p.race, p.table}] = pair;
            auto record = records.try_emplace(p.race, gen::RecordBuilder::Payout()).first;
            record->second.setKey('7', date, date, course, day.meeting, day.meetingDay, p.race);
            const int entry = ++used[{p.race, p.table}];
            record->second.set(hr::EntryCombination(*p.table, entry),
                               brackets ? Format("%d%d", pair.first, pair.second)
                                        : Format("%02d%02d", pair.first, pair.second));
            record->second.setNumber(hr::EntryPayout(*p.table, entry), p.amount);
        }
        day.payoutRecords.clear();
        for (const auto &[race, record] : records)
            day.payoutRecords.push_back(record.bytes());
        EXPECT_TRUE(gen::WriteCourseDayFiles(day, m_data));
        return name;
    }

    /** The export line of a paid bet, built from its parts. */
    std::string line(const QString &day, const char *courseUtf8, const Paid &p, const char *labelUtf8, bool red) const
    {
        const std::pair<int, int> pair = m_pairs.at({day, p.race, p.table});
        char text[400];
        std::snprintf(text, sizeof text,
                      "<img src=\"./image/%s.gif\"><font color=\"%s\">%s%2dR[%s]：　%2d-%2d/配当 %7d円　%s</font>",
                      red ? "lis1" : "lis2", red ? "red" : "blue", courseUtf8, p.race, labelUtf8, pair.first,
                      pair.second, p.amount,
                      p.race == 1 && m_shortNameEscaped ? m_shortNameEscaped : m_shortNames.at({day, p.race}).c_str());
        return Utf8ToSjis(text);
    }

    HitExportResult exportHits(const QString &date, HitThreshold threshold) const
    {
        return ExportHits(m_data, m_root.path(), LoadableCourseDays(m_data),
                          QDate::fromString(date, QStringLiteral("yyyy年MM月dd日")), threshold);
    }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    QString m_upload = m_root.path() + QStringLiteral("/HPupload");
    std::string m_shortName = std::string(12, ' ');
    const char *m_shortNameEscaped = nullptr; ///< race 1's short name as written, when it is not blank
    std::map<std::pair<QString, int>, std::string> m_shortNames;
    std::map<std::tuple<QString, int, const hr::PayoutTable *>, std::pair<int, int>> m_pairs;
};

TEST_F(HitExportTest, ThresholdsColoursAndOrder)
{
    m_shortName = "<b>&        ";
    m_shortNameEscaped = "&lt;b&gt;&amp;        ";
    const std::vector<Paid> paid = {
        {1, &hr::Quinella, 1230}, {2, &hr::Quinella, 5001}, {3, &hr::Quinella, 10000},
        {4, &hr::Wide, 3000},     {5, &hr::Wide, 5000},     {6, &hr::BracketQuinella, 3000},
    };
    const QString day = writeDay(1, "05", kSaturday, paid);
    struct Expected
    {
        const char *label;
        bool red;
        bool longshot; ///< kept by "穴的中"
    };
    const Expected expected[] = {
        {"馬連　", false, false}, {"馬連　", false, true}, {"馬連　", true, true},
        {"ワイド", false, false}, {"ワイド", true, true},  {"枠連　", false, false},
    };

    for (const HitThreshold threshold : {HitThreshold::Hit, HitThreshold::Longshot}) {
        const HitExportResult result = exportHits(QStringLiteral("2026年11月28日"), threshold);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        ASSERT_TRUE(result.written);
        std::vector<std::string> lines = {Utf8ToSjis(kHeadingUtf8)};
        for (size_t i = 0; i < paid.size(); ++i) {
            if (threshold == HitThreshold::Hit || expected[i].longshot)
                lines.push_back(line(day, "東京", paid[i], expected[i].label, expected[i].red));
        }
        // Every red line (lis1) before every blue one (lis2), then by course and race.
        std::stable_sort(lines.begin() + 1, lines.end(), [](const std::string &a, const std::string &b) {
            return a.find("lis1") != std::string::npos && b.find("lis2") != std::string::npos;
        });
        EXPECT_EQ(result.lines, lines);
        EXPECT_EQ(result.exportPath, m_upload + QStringLiteral("/TK2026112805.txt"));
        EXPECT_EQ(test::ReadFileBytes(result.exportPath), Joined(lines));
        EXPECT_EQ(result.clipboardText(), FromSjis(Joined(lines)));
    }
    const std::string archive = test::ReadFileBytes(m_upload + QStringLiteral("/Manbaken.txt"));
    const std::pair<int, int> first = m_pairs.at({day, 1, &hr::Quinella});
    EXPECT_EQ(archive.substr(0, 32), " Velmora for JRA-VAN Data Lab.\r\n");
    EXPECT_NE(archive.find(Utf8ToSjis("202611280501R[馬連　]：　") + Format("%2d-%2d", first.first, first.second) +
                           Utf8ToSjis("/配当    1230円\r\n")),
              std::string::npos);
    EXPECT_EQ(archive.find('<'), std::string::npos) << "the archive holds no HTML";
}

TEST_F(HitExportTest, ArchiveStaysSortedAndExportingAgainAddsNothing)
{
    writeDay(2, "05", kSaturday, {{1, &hr::Quinella, 1230}, {2, &hr::Wide, 700}});
    // Letters compare without case: "aX" before "BX", and "ax" is the same line as "aX".
    ASSERT_TRUE(QDir().mkpath(m_upload));
    const QString archive = m_upload + QStringLiteral("/Manbaken.txt");
    ASSERT_TRUE(WriteFileAtomically(archive, "2026010105BX\r\n2026010105aX\r\n Velmora for JRA-VAN Data Lab.\r\n"
                                             "2026010105ax\r\n"));
    ASSERT_TRUE(exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit).written);
    const std::string once = test::ReadFileBytes(archive);
    EXPECT_EQ(once.substr(0, 60), " Velmora for JRA-VAN Data Lab.\r\n2026010105aX\r\n2026010105BX\r\n");
    EXPECT_EQ(std::count(once.begin(), once.end(), '\n'), 5);
    ASSERT_TRUE(exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit).written);
    EXPECT_EQ(test::ReadFileBytes(archive), once);
}

TEST_F(HitExportTest, EveryComputableCourseOfTheDateContributes)
{
    // Data list order: 福島, 東京, then a Kyoto day of nine races, which cannot be computed.
    const QString fukushima = writeDay(3, "03", kSaturday, {{2, &hr::Quinella, 1500}});
    const QString tokyo = writeDay(4, "05", kSaturday, {{3, &hr::Wide, 900}});
    // Kyoto's payout matches Tokyo's bets: only bets left over from Tokyo could "hit" it.
    const QString kyoto = writeDay(5, "08", kSaturday, {{3, &hr::Wide, 800}}, 9, tokyo);
    writeDay(6, "05", kSaturday.addDays(1), {{1, &hr::Quinella, 2000}, {2, &hr::Quinella, 3000}});
    ASSERT_EQ(test::Names(LoadableCourseDays(m_data)).mid(1), (QStringList{fukushima, tokyo, kyoto}));

    const HitExportResult result = exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit);
    ASSERT_TRUE(result.written) << result.error.toStdString();
    EXPECT_EQ(result.lines, (std::vector<std::string>{
                                Utf8ToSjis(kHeadingUtf8), line(tokyo, "東京", {3, &hr::Wide, 900}, "ワイド", false),
                                line(fukushima, "福島", {2, &hr::Quinella, 1500}, "馬連　", false)}));
    EXPECT_EQ(result.exportPath, m_upload + QStringLiteral("/TK2026112805.txt"));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].name, kyoto);
    EXPECT_EQ(result.skipped[0].reason,
              QStringLiteral("レースが9件しかないため、予想を計算できません（10レース以上が必要です）。"));
    EXPECT_EQ(result.computed, 2);
    EXPECT_EQ(result.lastCourseDay.fileBase(), kyoto);
    EXPECT_EQ(QDir(m_upload).entryList(QDir::Files),
              (QStringList{QStringLiteral("Manbaken.txt"), QStringLiteral("TK2026112805.txt")}));
}

TEST_F(HitExportTest, ASingleHitWritesNothing)
{
    writeDay(7, "05", kSaturday, {{1, &hr::Quinella, 1230}, {2, &hr::Quinella, 4000}});
    const HitExportResult result = exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Longshot);
    EXPECT_EQ(result.lines.size(), 1u);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(QFileInfo::exists(m_upload));
    const HitExportResult one = exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit);
    EXPECT_TRUE(one.error.isEmpty());
    EXPECT_EQ(one.lines.size(), 3u);
    EXPECT_TRUE(one.written);
    QFile::remove(one.exportPath);
    const std::string archive = test::ReadFileBytes(one.archivePath);

    writeDay(8, "05", kSaturday, {{1, &hr::Quinella, 1230}});
    const HitExportResult single = exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit);
    EXPECT_EQ(single.lines.size(), 2u);
    EXPECT_FALSE(single.written);
    EXPECT_EQ(QDir(m_upload).entryList(QDir::Files), QStringList{QStringLiteral("Manbaken.txt")});
    EXPECT_EQ(test::ReadFileBytes(one.archivePath), archive);
}

TEST_F(HitExportTest, APipeInTheArchivesPlaceIsRefusedAtOnce)
{
    writeDay(9, "05", kSaturday, {{1, &hr::Quinella, 1230}, {2, &hr::Quinella, 6000}});
    ASSERT_TRUE(QDir().mkpath(m_upload));
    const QString archive = m_upload + QStringLiteral("/Manbaken.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(archive).constData(), 0600), 0);
    const HitExportResult result = exportHits(QStringLiteral("2026年11月28日"), HitThreshold::Hit);
    EXPECT_FALSE(result.written);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("ファイル「%1」を読み込めませんでした。").arg(archive)))
        << result.error.toStdString();
    EXPECT_EQ(QDir(m_upload).entryList(QDir::Files), QStringList{}) << "no export without its archive";
}

TEST_F(HitExportTest, CommandLine)
{
    const QString day = writeDay(9, "05", kSaturday, {{1, &hr::Quinella, 1230}, {2, &hr::Quinella, 6000}});
    auto run = [&](const QStringList &args) {
        QProcess cli;
        cli.start(QStringLiteral(VELMORA_CLI),
                  QStringList{QStringLiteral("export-hits"), QStringLiteral("--data"), m_data} + args);
        cli.waitForFinished(60000);
        return std::make_pair(cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()));
    };
    const auto [code, out] = run({QStringLiteral("20261128")});
    EXPECT_EQ(code, 0);
    const QString written = QDir::toNativeSeparators(m_upload);
    EXPECT_EQ(
        out,
        FromSjis(Utf8ToSjis(kHeadingUtf8)) + QLatin1Char('\n') +
            FromSjis(line(day, "東京", {1, &hr::Quinella, 1230}, "馬連　", false)) + QLatin1Char('\n') +
            FromSjis(line(day, "東京", {2, &hr::Quinella, 6000}, "馬連　", false)) +
            QStringLiteral("\n書き出しました: %1/TK2026112805.txt\n書き出しました: %1/Manbaken.txt\n").arg(written));

    // The flag takes no value: the date after it stays the date.
    const auto [longshot, kept] = run({QStringLiteral("--longshot"), QStringLiteral("2026年11月28日")});
    EXPECT_EQ(longshot, 0);
    EXPECT_TRUE(kept.endsWith(QStringLiteral("的中が2件未満のため、ファイルは書き出しませんでした。\n")))
        << kept.toStdString();
    EXPECT_EQ(kept.count(QStringLiteral("lis2.gif")), 1);

    EXPECT_EQ(run({QStringLiteral("20261301")}).first, 2);
    EXPECT_EQ(run({QStringLiteral("20261201")}).first, 1);
    EXPECT_EQ(run({QStringLiteral("20261128"), QStringLiteral("--longshot=1")}).first, 2);
}

} // namespace
} // namespace velmora
