#include "core/jvlink/jvresultmessage.h"
#include "core/jvlink/resultfetch.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Failures show texts, not code units.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace velmora {
namespace {

using Jv = test::ScriptedJVLink;

const QDate kDay(2003, 4, 5);

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

/** A course-day written before its races were run, loaded, with a fetch ready to bring it up to date. */
struct Rig
{
    QTemporaryDir root;
    QString data = root.path() + QStringLiteral("/Data");
    RaceDayStore store{data};
    Jv jv;
    bool cancelled = false;
    int events = 0;
    int beeps = 0;
    ResultFetch fetch{jv, store, cancelled, [this] { ++events; }, [this] { ++beeps; }};
    test::FakeTime time;
    gen::CourseDay day;
    RaceCard card;

    Rig()
    {
        fetch.setPatience(time.patience());
        gen::Generator generator(5);
        gen::CourseDayOptions options;
        options.date = kDay;
        options.withResults = false;
        day = generator.courseDay(options);
        EXPECT_TRUE(gen::WriteCourseDayFiles(day, data));
        EXPECT_TRUE(LoadCourseDay(data, CourseDay(QString::fromStdString(day.nameUtf8())), card).computable());
    }

    QString path(const char *extension, const char *name = "2003年04月05日中山") const
    {
        return data + QLatin1Char('/') + U(name) + QLatin1String(extension);
    }
    std::vector<std::string> lines(const char *extension, const char *name = "2003年04月05日中山") const
    {
        QFile file(path(extension, name));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return SplitLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    /** Race 3's record with its result: a new data kind and distance. */
    std::string race3() const
    {
        std::string record = day.raceRecords[2];
        record[2] = '7';
        return record.replace(697, 4, "1234");
    }
    /** Race 3, horse 2, now with a finishing position. */
    std::string runner3of2() const
    {
        for (std::string record : day.runnerRecords) {
            if (record.compare(25, 5, "03" + record.substr(27, 1) + "02") == 0)
                return record.replace(334, 2, "01");
        }
        ADD_FAILURE() << "no runner 2 in race 3";
        return {};
    }
};

std::string Payout(int race, std::string_view course = "06")
{
    return gen::RecordBuilder::Payout().setKey('2', kDay, kDay, course, 2, 5, race);
}

std::string Zeroed(const std::string &record)
{
    return record.substr(0, 2) + "000000000" + record.substr(11, record.size() - 13);
}

TEST(ResultFetch, MergesTheDaysResultsIntoTheCourseDayFiles)
{
    Rig rig;
    const std::string otherCourse = gen::RecordBuilder::Race().setKey('7', kDay, kDay, "05", 1, 2, 1);
    rig.jv.script({Jv::Record(rig.race3()), Jv::Code(-1), Jv::Record(Payout(3)), Jv::Code(-3), Jv::Code(-3),
                   Jv::Record(rig.runner3of2()), Jv::Record(otherCourse), Jv::Record("O1" + Payout(1).substr(2))});
    const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);

    EXPECT_TRUE(outcome.fetched);
    EXPECT_EQ(outcome.stored, 4);
    EXPECT_TRUE(outcome.error.isEmpty());
    EXPECT_EQ(rig.jv.rtSpec, U("0B12"));
    EXPECT_EQ(rig.jv.rtKey, U("20030405"));
    EXPECT_EQ(rig.jv.count("JVRead"), 9);
    EXPECT_EQ(rig.time.pauses, 2) << "a file switch after a record is read past at once";
    EXPECT_TRUE(outcome.refused.empty());
    EXPECT_EQ(rig.jv.calls.first(), U("JVRTOpen"));
    EXPECT_EQ(rig.jv.calls.mid(rig.jv.calls.size() - 2), QStringList({U("JVClose"), U("JVClose")}));
    EXPECT_EQ(rig.beeps, 2);

    const std::vector<std::string> races = rig.lines(".jvRA");
    ASSERT_EQ(races.size(), 12u);
    EXPECT_EQ(races[2], Zeroed(rig.race3()));
    EXPECT_EQ(races[0], rig.day.raceRecords[0].substr(0, 1270));
    EXPECT_EQ(rig.lines(".jvHR"), std::vector<std::string>{Zeroed(Payout(3))});
    EXPECT_EQ(rig.lines(".jvSEr").at(2 * 18 + 1), rig.runner3of2().substr(0, 553));
    EXPECT_EQ(rig.lines(".jvRA", "2003年04月05日東京"), std::vector<std::string>{Zeroed(otherCourse)});
}

TEST(ResultFetch, BlankRaceOneFetchesNothing)
{
    Rig rig;
    rig.card.clear();
    const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);
    EXPECT_FALSE(outcome.fetched);
    EXPECT_TRUE(rig.jv.calls.isEmpty());
    EXPECT_EQ(rig.beeps, 0);
}

TEST(ResultFetch, OpenFailureClosesTwiceWithoutReading)
{
    Rig rig;
    rig.jv.rtOpenResult = -1;
    rig.jv.closeResult = -1;
    rig.jv.script({Jv::Record(Payout(3))});
    const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);
    EXPECT_TRUE(outcome.fetched);
    EXPECT_TRUE(outcome.error.isEmpty());
    EXPECT_EQ(rig.jv.calls, QStringList({U("JVRTOpen"), U("JVClose"), U("JVClose")}));
    EXPECT_EQ(rig.beeps, 0);
    EXPECT_FALSE(QFile::exists(rig.path(".jvHR")));
    EXPECT_TRUE(outcome.jvlinkError.isEmpty()) << "no results yet is no error";
    EXPECT_EQ(outcome.closeError, U("JVCloseエラー:(-1)"));

    // A real error is worded, with what the component knows of its cause.
    Rig failed;
    failed.jv.rtOpenResult = -211;
    failed.jv.errorDetail = U("データの取得元フォルダ「X」がありません。");
    EXPECT_EQ(failed.fetch.run(failed.card).jvlinkError,
              U("JVRTOpenエラー:") + FromSjis(JVResultMessage("JVRTOpen", -211)) + U("\n") + failed.jv.errorDetail);
    Rig readFailed;
    readFailed.jv.script({Jv::Record(Payout(3)), Jv::Code(-502)});
    const ResultFetch::Outcome partly = readFailed.fetch.run(readFailed.card);
    EXPECT_EQ(partly.jvlinkError, U("JVReadエラー:") + FromSjis(JVResultMessage("JVRead", -502)));
    EXPECT_EQ(partly.stored, 1);
}

TEST(ResultFetch, AJVLinkThatNeverProgressesOrAnswersMinusTwoEndsTheFetch)
{
    // Switch after switch, or still downloading, for ever: waited out, then given up ten minutes after the last record.
    for (const int code : {-1, -3}) {
        Rig rig;
        rig.jv.script({Jv::Record(Payout(3))});
        rig.jv.readForEver = code;
        const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);
        EXPECT_EQ(outcome.stored, 1) << code;
        EXPECT_EQ(outcome.jvlinkError, U("JV-Linkの応答が10分間進まないため、結果情報の取得を中止しました（JVRead:") +
                                           FromSjis(JVResultMessage("JVRead", code)) +
                                           U("）。通信の状態を確かめて、時間をおいてからもう一度取得してください。"))
            << code;
        EXPECT_EQ(rig.time.pauses, 12000) << code;
        EXPECT_EQ(rig.jv.count("JVClose"), 2);
    }

    Rig minusTwo;
    minusTwo.jv.script({Jv::Record(Payout(3)), Jv::Code(-2), Jv::Record(Payout(4))});
    const ResultFetch::Outcome outcome = minusTwo.fetch.run(minusTwo.card);
    EXPECT_EQ(outcome.jvlinkError, U("JVReadエラー:(-2)"));
    EXPECT_EQ(outcome.stored, 1);
}

TEST(ResultFetch, RecordsThatAreNoCP932AreRefusedAndCounted)
{
    Rig rig;
    std::string damaged = rig.race3();
    damaged.replace(32, 2, "\x82\x7f");
    rig.jv.script({Jv::Record(damaged), Jv::Record(Payout(3)), Jv::Record(Payout(4).substr(0, 700) + "\r\n")});
    const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_EQ(outcome.refused, (std::map<QString, int>{{U("文字コードが不正"), 1}, {U("レコード長が不正"), 1}}));
    EXPECT_EQ(ResultFetchRefusals(outcome),
              U("保存しなかったレコード: 2件（レコード長が不正 1件、文字コードが不正 1件）"));
    EXPECT_EQ(rig.lines(".jvRA").at(2), rig.day.raceRecords[2].substr(0, 1270))
        << "the damaged record replaced nothing";
}

TEST(ResultFetch, ACancelLeftFromAnImportDoesNotStopTheFetch)
{
    Rig rig;
    rig.cancelled = true;
    rig.jv.script({Jv::Record(Payout(3))});
    EXPECT_EQ(rig.fetch.run(rig.card).stored, 1);
    EXPECT_FALSE(rig.cancelled);
}

TEST(ResultFetch, FileSystemErrorIsReturnedAndJVLinkStillClosed)
{
    Rig rig;
    ASSERT_TRUE(QDir().mkpath(rig.path(".jvHR")));
    rig.jv.script({Jv::Record(rig.race3()), Jv::Record(Payout(3)), Jv::Record(rig.runner3of2())});
    const ResultFetch::Outcome outcome = rig.fetch.run(rig.card);
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_TRUE(outcome.error.contains(rig.path(".jvHR"))) << outcome.error.toStdString();
    EXPECT_EQ(rig.jv.count("JVRead"), 2);
    EXPECT_EQ(rig.jv.count("JVClose"), 2);
    EXPECT_EQ(rig.lines(".jvRA").at(2), Zeroed(rig.race3()));
}

} // namespace
} // namespace velmora
