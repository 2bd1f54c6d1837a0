#include "core/backtest/backtest.h"
#include "core/backtest/backtestreport.h"
#include "core/engine/prediction.h"
#include "core/report/hitlist.h"
#include "core/store/racecard.h"
#include "core/store/regularfile.h"
#include "core/testcard.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace velmora {
namespace {

using CliRun = test::ProcessRun;
using test::RunCli;

class Cli : public testing::Test
{
  protected:
    QString writeDay(std::uint64_t seed, QDate date, const char *course, int races = 12, bool withResults = true)
    {
        return test::WriteGeneratedDay(m_data, seed, date, course, races, withResults);
    }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
};

TEST_F(Cli, ListPrintsCourseDaysLatestFirst)
{
    const QString older = writeDay(1, QDate(2026, 11, 28), "05");
    const QString newer = writeDay(2, QDate(2026, 11, 29), "05");
    const CliRun run = RunCli({QStringLiteral("list"), QStringLiteral("--data"), m_data});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, newer + QLatin1Char('\n') + older + QLatin1Char('\n'));
}

TEST_F(Cli, NamesThatBreakLinesOrAreNotUtf8AreShownEscapedAndNamedAsSkipped)
{
    const QString day = writeDay(1, QDate(2026, 11, 28), "05");
    const QString broken = day + QStringLiteral("\n偽");
    const QString damaged = day + QStringLiteral("\x1b[2J");
    const auto file = [&](const QString &name, const char *extension) {
        return m_data + QLatin1Char('/') + name + QLatin1String(extension);
    };
    for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"}) {
        ASSERT_TRUE(QFile::copy(file(day, extension), file(broken, extension)));
        ASSERT_TRUE(QFile::copy(file(day, extension), file(damaged, extension)));
    }
    ASSERT_TRUE(QFile::resize(file(damaged, ".jvSEr"), 100));
    // The day's race file again under its name in CP932.
    const QByteArray cp932 = QFile::encodeName(m_data + QStringLiteral("/2026年11月29日")) + "\x93\x8c\x8b\x9e.jvRA";
    ASSERT_EQ(::link(QFile::encodeName(file(day, ".jvRA")).constData(), cp932.constData()), 0);
    const QString shownCp932 = QStringLiteral("2026年11月29日\\x93\\x8c\\x8b\\x9e");

    CliRun run = RunCli({QStringLiteral("list"), QStringLiteral("--data"), m_data});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, day + QStringLiteral("\\x1b[2J\n") + day + QStringLiteral("\\n偽\n") + day + QLatin1Char('\n'));
    EXPECT_EQ(run.err, QStringLiteral("除外した開催: %1: %2\n").arg(shownCp932, UnreadableNameReason()));

    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(
        run.out.contains(QStringLiteral("\n  %1\\x1b[2J: データファイル「%1\\x1b[2J.jvSEr」が壊れています").arg(day)))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\n  %1: %2\n").arg(shownCp932, UnreadableNameReason())));
    EXPECT_FALSE(run.out.contains(QChar(0x1b)) || run.out.contains(QStringLiteral("\n偽")));

    run = RunCli({QStringLiteral("export-hits"), QStringLiteral("--data"), m_data, QStringLiteral("20261129")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(
        QStringLiteral("%1 は計算できないため除外しました。%2\n").arg(shownCp932, UnreadableNameReason())))
        << run.err.toStdString();

    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--json")});
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(root.value(QStringLiteral("courseDays")).toInt(), 2);
    const QJsonArray skipped = root.value(QStringLiteral("skipped")).toArray();
    ASSERT_EQ(skipped.size(), 2);
    EXPECT_EQ(skipped.at(0).toObject().value(QStringLiteral("name")).toString(), damaged);
    EXPECT_EQ(skipped.at(1).toObject().value(QStringLiteral("name")).toString(), shownCp932);
}

TEST_F(Cli, PredictPrintsEveryRaceAsComputedInProcess)
{
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        const QString name = writeDay(seed, QDate(2026, 11, 28).addDays(static_cast<qint64>(seed) * 7), "06");
        const CliRun run = RunCli({QStringLiteral("predict"), QStringLiteral("--data"), m_data, name});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

        RaceCard card;
        Prediction p;
        ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), card).status, LoadStatus::Loaded);
        ComputePrediction(card, p);

        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        EXPECT_EQ(root.value(QStringLiteral("name")).toString(), name);
        EXPECT_EQ(root.value(QStringLiteral("RaceCount")).toInt(), 12);
        EXPECT_TRUE(root.value(QStringLiteral("IsYear2005OrLater")).toBool());
        const QJsonArray races = root.value(QStringLiteral("races")).toArray();
        ASSERT_EQ(races.size(), 12);
        for (int r = 1; r <= 12; ++r) {
            const QJsonObject race = races.at(r - 1).toObject();
            EXPECT_EQ(race.keys().size(), 25);
            EXPECT_EQ(race.value(QStringLiteral("race")).toInt(), r);
            EXPECT_EQ(static_cast<float>(race.value(QStringLiteral("RaceIndex")).toDouble()), p.races[r].index);
            EXPECT_EQ(static_cast<float>(race.value(QStringLiteral("RaceScore")).toDouble()), p.races[r].score);
            EXPECT_EQ(static_cast<float>(race.value(QStringLiteral("XValue")).toDouble()), p.races[r].xValue);
            EXPECT_EQ(race.value(QStringLiteral("IndexSign")).toString().toStdString(), IndexSignText(p.races[r].sign));
            EXPECT_EQ(race.value(QStringLiteral("MarkF")).toInt(), p.races[r].marks.f);
            EXPECT_EQ(race.value(QStringLiteral("CoverPartner")).toInt(), p.races[r].coverPartner);
            const QJsonArray partners = race.value(QStringLiteral("AxisPartnerBrackets")).toArray();
            ASSERT_EQ(partners.size(), 5);
            EXPECT_EQ(partners.at(4).toInt(), p.races[r].axisPartnerBrackets[5]);
            const QJsonArray bets = race.value(QStringLiteral("QuinellaBets")).toArray();
            ASSERT_EQ(bets.size(), 6);
            for (int k = 1; k <= 6; ++k)
                EXPECT_EQ(bets.at(k - 1).toString().toStdString(), BetText(p.races[r].quinellaBets[k]));
            EXPECT_EQ(race.value(QStringLiteral("ConfidenceGrade")).toString().toStdString(),
                      GradeText(p.races[r].grade));
        }
    }
}

TEST_F(Cli, PredictOfTooFewRacesIsAnEmptyList)
{
    const QString name = writeDay(4, QDate(2026, 11, 28), "08", 9);
    const CliRun run = RunCli({QStringLiteral("predict"), QStringLiteral("--data"), m_data, name});
    EXPECT_EQ(run.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(root.value(QStringLiteral("RaceCount")).toInt(), 9);
    EXPECT_TRUE(root.value(QStringLiteral("races")).toArray().isEmpty());

    const CliRun hits = RunCli({QStringLiteral("hits"), QStringLiteral("--data"), m_data, name});
    EXPECT_EQ(hits.exitCode, 1);
    EXPECT_EQ(hits.err.trimmed(), QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。"));
}

TEST_F(Cli, HitsPrintTheHitListInUtf8)
{
    const QString name = writeDay(5, QDate(2026, 11, 29), "09");
    const CliRun run = RunCli({QStringLiteral("hits"), QStringLiteral("--data"), m_data, name});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    RaceCard card;
    Prediction p;
    ASSERT_EQ(LoadCourseDay(m_data, CourseDay(name), card).status, LoadStatus::Loaded);
    ComputePrediction(card, p);
    QString expected;
    for (const std::string &line : HitList(card, p))
        expected += FromSjis(line) + QLatin1Char('\n');
    EXPECT_EQ(run.out, expected);
    EXPECT_TRUE(run.out.contains(QStringLiteral("的中")));
}

TEST_F(Cli, PrintWritesTheRaceSheetAndTheAllRacesSheetAsPdf)
{
    const QString name = writeDay(7, QDate(2026, 11, 29), "05");
    const QString race = m_root.path() + QStringLiteral("/race.pdf");
    CliRun run = RunCli({QStringLiteral("print"), QStringLiteral("--data"), m_data, name, QStringLiteral("3"),
                         QStringLiteral("--pdf"), race});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString raceText = test::PdfText(race);
    EXPECT_TRUE(raceText.contains(QStringLiteral("【予想結果】Picked up by「Velmora for JRA-VAN Data Lab.」")))
        << raceText.toStdString();
    EXPECT_TRUE(raceText.contains(QStringLiteral("<<買い目>> 【勝負度】")));
    EXPECT_TRUE(raceText.contains(QStringLiteral("性別馬齢")));

    const QString all = m_root.path() + QStringLiteral("/all.pdf");
    run = RunCli({QStringLiteral("print-all"), QStringLiteral("--data"), m_data, name, QStringLiteral("--pdf"), all});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString allText = test::PdfText(all);
    EXPECT_TRUE(allText.contains(QStringLiteral("【全レース買い目】Picked up by「Velmora２」")));
    EXPECT_TRUE(allText.contains(QStringLiteral("///// 12R /////")));

    run = RunCli({QStringLiteral("print"), QStringLiteral("--data"), m_data, name, QStringLiteral("13"),
                  QStringLiteral("--pdf"), race});
    EXPECT_EQ(run.exitCode, 2);
    run = RunCli({QStringLiteral("print-all"), QStringLiteral("--data"), m_data, name});
    EXPECT_EQ(run.exitCode, 2) << "the PDF file must be named";
}

TEST_F(Cli, FailuresExitWithTheMessage)
{
    CliRun run =
        RunCli({QStringLiteral("predict"), QStringLiteral("--data"), m_data, QStringLiteral("2026年01月01日中山")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("データ作成が未完了のようです。"));
    EXPECT_TRUE(run.out.isEmpty());

    const QString name = writeDay(6, QDate(2026, 11, 28), "06");
    QFile runners(m_data + QLatin1Char('/') + name + QStringLiteral(".jvSEr"));
    ASSERT_TRUE(runners.resize(555 * 10 + 3));
    run = RunCli({QStringLiteral("hits"), QStringLiteral("--data"), m_data, name});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("壊れています"))) << run.err.toStdString();

    EXPECT_EQ(RunCli({QStringLiteral("predict")}).exitCode, 2);
    EXPECT_EQ(RunCli({}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("--version"), QStringLiteral("x")}).exitCode, 2);
    const CliRun version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("velmora-cli 1."))) << version.out.toStdString();
    const CliRun help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("使い方:"))) << "asked for, the usage goes to standard output";
    EXPECT_TRUE(help.err.isEmpty());
    EXPECT_EQ(RunCli({QStringLiteral("frobnicate")}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("list"), QStringLiteral("--data")}).exitCode, 2);
}

TEST_F(Cli, BacktestJsonIsTheFixedObjectWithEmptyGroupsLeftOut)
{
    writeDay(11, QDate(2026, 11, 28), "05");
    const QString short9 = writeDay(12, QDate(2026, 11, 29), "05", 9);
    writeDay(13, QDate(2026, 12, 5), "06", 12, false);

    CliRun run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString reason = QStringLiteral("レースが9件しかないため、予想を計算できません（10レース以上が必要です）。");
    EXPECT_TRUE(
        run.out.startsWith(QStringLiteral("{\"from\":null,\"to\":null,\"courseDays\":2,\"skipped\":[{\"name\":\"") +
                           short9 + QStringLiteral("\",\"reason\":\"") + reason +
                           QStringLiteral("\"}],\"settledRaces\":12,\"pendingRaces\":12,\"total\":{\"quinella\":{")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("}\n")));
    qsizetype at = 0;
    for (const char *key : {"total", "byGrade", "byCourse", "byMonth", "byDate", "streaks"}) {
        const qsizetype found = run.out.indexOf(QStringLiteral("\"%1\":{").arg(QLatin1String(key)), at);
        EXPECT_GT(found, at) << key << " follows the keys before it";
        at = found;
    }
    // Every K holds the five counts in order.
    static const QRegularExpression kind(QStringLiteral("\"(quinella|wide|bracket)\":\\{([^{}]*)\\}"));
    static const QRegularExpression counts(
        QStringLiteral("^\"races\":\\d+,\"tickets\":\\d+,\"hits\":\\d+,\"stake\":\\d+,\"return\":\\d+$|"
                       "^\"longestMiss\":\\d+,\"maxDrawdown\":\\d+$"));
    int kinds = 0;
    for (auto match = kind.globalMatch(run.out); match.hasNext(); ++kinds) {
        const QString inner = match.next().captured(2);
        EXPECT_TRUE(counts.match(inner).hasMatch()) << inner.toStdString();
    }
    EXPECT_GT(kinds, 10);

    const BacktestResult expected = RunBacktest(m_data, {});
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonObject quinella = root[QStringLiteral("total")][QStringLiteral("quinella")].toObject();
    EXPECT_EQ(quinella[QStringLiteral("tickets")].toInteger(), expected.total[TicketKind::Quinella].tickets);
    EXPECT_EQ(quinella[QStringLiteral("stake")].toInteger(), expected.total[TicketKind::Quinella].stake);
    EXPECT_EQ(quinella[QStringLiteral("return")].toInteger(), expected.total[TicketKind::Quinella].payback);
    EXPECT_EQ(root[QStringLiteral("byDate")].toObject().keys(), QStringList{QStringLiteral("2026-11-28")})
        << "a date without a settled race is left out";
    EXPECT_EQ(root[QStringLiteral("byCourse")].toObject().keys(), QStringList{QStringLiteral("05")});
    EXPECT_EQ(root[QStringLiteral("byMonth")].toObject().keys(), QStringList{QStringLiteral("2026-11")});
    EXPECT_EQ(root[QStringLiteral("streaks")][QStringLiteral("wide")][QStringLiteral("longestMiss")].toInteger(),
              expected.streak(TicketKind::Wide).longestMiss);

    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--from"),
                  QStringLiteral("20261129"), QStringLiteral("--to"), QStringLiteral("20261231"),
                  QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("{\"from\":\"20261129\",\"to\":\"20261231\",\"courseDays\":1,\"skipped\":[{\"name\":\"") +
                  short9 + QStringLiteral("\",\"reason\":\"") + reason +
                  QStringLiteral("\"}],\"settledRaces\":0,\"pendingRaces\":12,\"total\":{},\"byGrade\":{},"
                                 "\"byCourse\":{},\"byMonth\":{},\"byDate\":{},\"streaks\":{}}\n"));
}

TEST_F(Cli, BacktestTableAndCsv)
{
    writeDay(21, QDate(2026, 11, 28), "06");
    writeDay(22, QDate(2026, 11, 29), "06");
    const QString csv = m_root.path() + QStringLiteral("/成績.csv");
    CliRun run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--to"),
                         QStringLiteral("20261128"), QStringLiteral("--csv"), csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("成績分析　期間: 最初 〜 2026-11-28"));
    EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("開催 1日　確定 12レース"))) << lines.value(1).toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("券種    レース数  点数  的中数  購入金額  払戻金額  回収率")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("勝負度別")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("書き出しました: ")));

    const std::string bytes = test::ReadFileBytes(csv);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF日付,場コード,競馬場,レース,勝負度,券種,"));
    EXPECT_EQ(bytes, BacktestCsv(RunBacktest(m_data, {QDate(), QDate(2026, 11, 28)})));

    // The CSV comes with the JSON too, and the JSON stays alone on standard output.
    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--json"),
                  QStringLiteral("--csv"), csv});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(QJsonDocument::fromJson(run.out.toUtf8()).isNull());
    EXPECT_EQ(test::ReadFileBytes(csv), BacktestCsv(RunBacktest(m_data, {})));
}

TEST_F(Cli, BacktestRefusesBadDatesAndAMissingFolder)
{
    writeDay(31, QDate(2026, 11, 28), "06");
    CliRun run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--from"),
                         QStringLiteral("20261131")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("日付は yyyymmdd で指定してください: 20261131\n"));
    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--from"),
                  QStringLiteral("20261201"), QStringLiteral("--to"), QStringLiteral("20261130")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("開始日 20261201 が終了日 20261130 より後です。\n"));
    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_root.path() + QStringLiteral("/none")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("データフォルダ「"))) << run.err.toStdString();
    run = RunCli({QStringLiteral("backtest"), QStringLiteral("--data"), m_data, QStringLiteral("--csv"),
                  m_root.path() + QStringLiteral("/none/x.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("ファイル「"))) << run.err.toStdString();
}

} // namespace
} // namespace velmora
