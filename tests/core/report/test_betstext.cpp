#include "core/report/betstext.h"
#include "core/report/racetexts.h"
#include "core/report/session.h"
#include "core/report/userprediction.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <cstdio>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace velmora {
namespace {

std::string S(const char *utf8)
{
    return Utf8ToSjis(utf8);
}

const char *const kHeadingUtf8 = "2026年11月28日(土)東京05回07日";
const char *const kNameUtf8 = "2026年11月28日東京05回07日_U.TXT";

class BetsTextTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        // A Tokyo Saturday with one field of 8 or fewer, whose bracket bets are not sold.
        for (std::uint64_t seed = 1; seed < 500 && m_smallRace == 0; ++seed) {
            gen::CourseDayOptions options;
            options.date = QDate(2026, 11, 28);
            options.course = "05";
            options.meeting = 5;
            options.meetingDay = 7;
            m_day = gen::Generator(seed).courseDay(options);
            for (const gen::RaceSpec &race : m_day.races) {
                if (race.registered <= 8 && m_smallRace == 0)
                    m_smallRace = race.race;
            }
        }
        ASSERT_NE(m_smallRace, 0);
        ASSERT_TRUE(gen::WriteCourseDayFiles(m_day, m_data));
        ASSERT_TRUE(
            LoadIntoSession(m_session, m_data, CourseDay(QString::fromStdString(m_day.nameUtf8()))).computable());
        RefreshAllRaces(m_session);
    }

    const RaceBets &box(int r) const { return m_session.allRaces.races[static_cast<size_t>(r)]; }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    gen::CourseDay m_day;
    int m_smallRace = 0;
    Session m_session;
};

TEST_F(BetsTextTest, SavesEveryRaceByteForByteIntoANewTxtFolder)
{
    // Race 3 keeps three quinella bets, as after the duplicate bets of a race were dropped.
    const int three = m_smallRace == 3 ? 4 : 3;
    std::vector<std::string> &q = m_session.allRaces.races[static_cast<size_t>(three)].quinella;
    ASSERT_GE(q.size(), 3u);
    q.resize(3);

    const std::string heading = DateLine(m_session.card.RaceRecords[1]);
    ASSERT_EQ(heading, S(kHeadingUtf8));
    const BetsText text = MakeBetsText(m_session, heading);
    EXPECT_EQ(text.fileName, S(kNameUtf8));

    // The whole file, built here from the boxes: every list is padded to six 10-byte
    // entries, except the bracket list of a field that has no bracket bets.
    std::string expected = S(kHeadingUtf8) + S("   Picked up by「Velmora」") + "\r\n";
    for (int r = 1; r <= 12; ++r) {
        char number[4];
        std::snprintf(number, sizeof number, "%2d", r);
        expected += "///// " + std::string(number) + " R /////    " + S("勝負度:") +
                    GradeText(m_session.prediction.races[r].grade) + std::string(3 + 14 + 17, ' ') + "\r\n";
        std::string quinella;
        for (const std::string &bet : box(r).quinella)
            quinella += "   " + bet;
        quinella.resize(60, ' ');
        std::string bracket;
        for (const std::string &bet : box(r).bracket)
            bracket += "   " + bet;
        if (r != m_smallRace)
            bracket.resize(60, ' ');
        expected += S("【馬連】") + "\r\n" + quinella + "\r\n" + S("【枠連】") + "\r\n" + bracket + "\r\n" +
                    std::string(70, '_') + "\r\n";
    }
    EXPECT_TRUE(box(m_smallRace).bracket.empty());
    EXPECT_EQ(text.lines[static_cast<size_t>(three - 1) * 6 + 3],
              "   " + q[0] + "   " + q[1] + "   " + q[2] + std::string(30, ' '));
    EXPECT_EQ(text.lines[static_cast<size_t>(m_smallRace - 1) * 6 + 5], "");

    const QString txt = m_root.path() + QStringLiteral("/TXT");
    ASSERT_FALSE(QFileInfo::exists(txt));
    QString error;
    const QString message = SaveBetsText(text, m_root.path(), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(message, QStringLiteral("「2026年11月28日東京05回07日」の全買い目をﾃｷｽﾄﾌｧｲﾙ \r\n"
                                      "2026年11月28日東京05回07日_U.TXT に保存しました。"));
    EXPECT_EQ(test::ReadFileBytes(txt + QLatin1Char('/') + QString::fromUtf8(kNameUtf8)), expected);
    EXPECT_EQ(QDir(txt).entryList(QDir::Files), QStringList{QString::fromUtf8(kNameUtf8)});
}

TEST_F(BetsTextTest, UserPredictionNamesTheUsersAxis)
{
    MakeUserPrediction(m_session, 2, 2);
    const std::string grade = GradeText(m_session.prediction.races[2].grade);
    char bracket[4];
    std::snprintf(bracket, sizeof bracket, "%2d", m_session.card.bracketOf(2, 3));
    const BetsText text = MakeBetsText(m_session, DateLine(m_session.card.RaceRecords[1]));
    EXPECT_EQ(text.lines[7], "/////  2 R /////    " + S("勝負度:") + grade + "   " +
                                 S("(ユーザー予想)[軸]馬： 3 枠：") + std::string(bracket));
    ASSERT_FALSE(box(2).quinella.empty());
    EXPECT_EQ(text.lines[9].substr(0, 10), "   " + box(2).quinella.front());
    EXPECT_EQ(text.lines[1].size(), text.lines[7].size()) << "the grade lines keep their width";
}

TEST_F(BetsTextTest, NamedAfterRaceOneWhateverDayOfWeekTheHeadingShows)
{
    // Without a day of week the loader's date line is two bytes short: cutting the name
    // out of it at fixed bytes would lose the course.
    m_session.card.RaceRecords[1].replace(27, 1, " ");
    const std::string heading = LoaderDateLine(m_session.card.RaceRecords[1]);
    ASSERT_EQ(heading, S("2026年11月28日()東京05回07日"));
    const BetsText text = MakeBetsText(m_session, heading);
    EXPECT_EQ(text.fileName, S(kNameUtf8));
    EXPECT_EQ(text.lines.front(), heading + S("   Picked up by「Velmora」"));
}

TEST_F(BetsTextTest, ErrorsNameTheFileAndNothingLeavesTheTxtFolder)
{
    // A damaged meeting number reaches the file name through race 1's record.
    Session damaged = m_session;
    damaged.card.RaceRecords[1].replace(21, 2, "/.");
    QString error;
    EXPECT_TRUE(
        SaveBetsText(MakeBetsText(damaged, DateLine(damaged.card.RaceRecords[1])), m_root.path(), &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("保存できませんでした"))) << error.toStdString();
    BetsText escaping = MakeBetsText(m_session, DateLine(m_session.card.RaceRecords[1]));
    escaping.fileName = "..\\x_U.TXT";
    EXPECT_TRUE(SaveBetsText(escaping, m_root.path(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(m_root.path()).entryList(QDir::Files), QStringList());

    // A folder where the file should be: the write fails and the message names the file.
    ASSERT_TRUE(QDir().mkpath(m_root.path() + QStringLiteral("/TXT/") + QString::fromUtf8(kNameUtf8)));
    EXPECT_TRUE(SaveBetsText(MakeBetsText(m_session, S(kHeadingUtf8)), m_root.path(), &error).isEmpty());
    EXPECT_TRUE(error.contains(QString::fromUtf8(kNameUtf8))) << error.toStdString();
}

TEST_F(BetsTextTest, CommandLineSavesBesideTheDataFolder)
{
    QProcess cli;
    cli.start(QStringLiteral(VELMORA_CLI), {QStringLiteral("save-bets"), QStringLiteral("--data"), m_data,
                                            QString::fromStdString(m_day.nameUtf8())});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.readAllStandardOutput()),
              QStringLiteral("「2026年11月28日東京05回07日」の全買い目をﾃｷｽﾄﾌｧｲﾙ \r\n"
                             "2026年11月28日東京05回07日_U.TXT に保存しました。\n"));
    std::string expected;
    for (const std::string &line : MakeBetsText(m_session, S(kHeadingUtf8)).lines)
        expected += line + "\r\n";
    EXPECT_EQ(test::ReadFileBytes(m_root.path() + QStringLiteral("/TXT/") + QString::fromUtf8(kNameUtf8)), expected);

    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 29);
    options.races = 9;
    const gen::CourseDay few = gen::Generator(7).courseDay(options);
    ASSERT_TRUE(gen::WriteCourseDayFiles(few, m_data));
    cli.start(QStringLiteral(VELMORA_CLI),
              {QStringLiteral("save-bets"), QStringLiteral("--data"), m_data, QString::fromStdString(few.nameUtf8())});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(cli.readAllStandardError()).trimmed(),
              QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。"));
}

} // namespace
} // namespace velmora
