#include "cli/json.h"
#include "core/engine/prediction.h"
#include "core/report/hitlist.h"
#include "core/settings/appfolder.h"
#include "core/store/racecard.h"
#include "core/text/sjis.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace velmora::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintError(const QString &message)
{
    std::cerr << message.toStdString() << '\n';
}

const char *const kUsage = "使い方:\n"
                           "  velmora-cli list [--data DIR]\n"
                           "  velmora-cli predict [--data DIR] NAME\n"
                           "  velmora-cli hits [--data DIR] NAME\n";

/** Parsed command line: the command, its options with values, and its plain arguments. */
struct Arguments
{
    QString command;
    std::map<QString, QString> options;
    QStringList positional;
    QString error;
};

Arguments Parse(const QStringList &args, const QStringList &valueOptions)
{
    Arguments parsed;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg.startsWith(QLatin1String("--"))) {
            if (!valueOptions.contains(arg)) {
                parsed.error = QStringLiteral("不明なオプションです: %1").arg(arg);
                return parsed;
            }
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("%1 には値が必要です。").arg(arg);
                return parsed;
            }
            parsed.options[arg] = args.at(++i);
        } else if (parsed.command.isEmpty()) {
            parsed.command = arg;
        } else {
            parsed.positional.append(arg);
        }
    }
    return parsed;
}

QString DataDir(const Arguments &args)
{
    const auto it = args.options.find(QStringLiteral("--data"));
    if (it != args.options.end())
        return QDir::cleanPath(QDir::current().absoluteFilePath(it->second));
    return ApplicationFolder() + QStringLiteral("/Data");
}

int List(const Arguments &args)
{
    for (const QString &name : ListDataFiles(DataDir(args)))
        std::cout << name.toStdString() << '\n';
    return kExitOk;
}

/** Loads and computes a course-day; prints the message and returns the exit status when it cannot. */
std::optional<int> LoadAndCompute(const Arguments &args, RaceCard &card, Prediction &prediction, bool needRaces)
{
    if (args.positional.size() != 1) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const LoadResult result = LoadCourseDay(DataDir(args), args.positional.front(), card);
    switch (result.status) {
    case LoadStatus::Loaded:
        ComputePrediction(card, prediction);
        return std::nullopt;
    case LoadStatus::FewRaces:
        if (!needRaces)
            return std::nullopt;
        PrintError(QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。"));
        return kExitFailed;
    default:
        PrintError(result.message);
        return kExitFailed;
    }
}

int Predict(const Arguments &args)
{
    RaceCard card;
    Prediction p;
    if (const auto failed = LoadAndCompute(args, card, p, false))
        return *failed;
    const bool computed = card.RaceCount >= kMinRacesToCompute;
    JsonWriter json;
    json.beginObject();
    json.key("name").value(args.positional.front().toStdString());
    json.key("RaceCount").value(card.RaceCount);
    json.key("IsYear2005OrLater").value(card.IsYear2005OrLater);
    json.key("races").beginArray();
    for (int r = 1; computed && r <= card.RaceCount; ++r) {
        json.beginObject();
        json.key("race").value(r);
        json.key("RaceScore").value(p.RaceScore[r]);
        json.key("RaceIndex").value(p.RaceIndex[r]);
        json.key("FieldSize").value(p.FieldSize[r]);
        json.key("XValue").value(p.XValue[r]);
        json.key("IndexSign").value(p.IndexSign[r]);
        const std::pair<const char *, const Prediction::PerRace<std::int32_t> *> marks[] = {
            {"MarkX", &p.MarkX}, {"MarkY", &p.MarkY}, {"MarkA", &p.MarkA}, {"MarkB", &p.MarkB},
            {"MarkC", &p.MarkC}, {"MarkD", &p.MarkD}, {"MarkE", &p.MarkE}, {"MarkF", &p.MarkF},
        };
        for (const auto &[name, mark] : marks)
            json.key(name).value((*mark)[r]);
        json.key("AxisHorse").value(p.AxisHorse[r]);
        json.key("CoverHorse").value(p.CoverHorse[r]);
        json.key("CoverPartner").value(p.CoverPartner[r]);
        json.key("AxisPartners").beginArray();
        for (int k = 1; k <= 5; ++k)
            json.value(p.AxisPartners[r][k]);
        json.endArray();
        json.key("AxisBracket").value(p.AxisBracket[r]);
        json.key("CoverBracket").value(p.CoverBracket[r]);
        json.key("CoverPartnerBracket").value(p.CoverPartnerBracket[r]);
        json.key("AxisPartnerBrackets").beginArray();
        for (int k = 1; k <= 5; ++k)
            json.value(p.AxisPartnerBrackets[r][k]);
        json.endArray();
        json.key("ConfidenceGrade").value(p.ConfidenceGrade[r]);
        json.key("QuinellaBets").beginArray();
        for (int k = 1; k <= 6; ++k)
            json.value(SjisToUtf8(p.QuinellaBets[r][k]));
        json.endArray();
        json.key("BracketBets").beginArray();
        for (int k = 1; k <= 6; ++k)
            json.value(SjisToUtf8(p.BracketBets[r][k]));
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    std::cout << json.str() << '\n';
    return kExitOk;
}

int Hits(const Arguments &args)
{
    RaceCard card;
    Prediction p;
    if (const auto failed = LoadAndCompute(args, card, p, true))
        return *failed;
    for (const std::string &line : HitList(card, p))
        std::cout << SjisToUtf8(line) << '\n';
    return kExitOk;
}

int Run(const QStringList &argList)
{
    const Arguments args = Parse(argList, {QStringLiteral("--data")});
    if (!args.error.isEmpty()) {
        PrintError(args.error);
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (!Cp932Available()) {
        PrintError(
            QStringLiteral("Shift-JIS(CP932)の文字コード変換が使用できません。Qtのインストールを確認してください。"));
        return kExitFailed;
    }
    if (args.command == QLatin1String("list") && args.positional.isEmpty())
        return List(args);
    if (args.command == QLatin1String("predict"))
        return Predict(args);
    if (args.command == QLatin1String("hits"))
        return Hits(args);
    std::cerr << kUsage;
    return kExitUsage;
}

} // namespace
} // namespace velmora::cli

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return velmora::cli::Run(QCoreApplication::arguments());
}
