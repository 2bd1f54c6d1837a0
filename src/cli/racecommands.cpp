#include "cli/cli.h"
#include "cli/json.h"
#include "core/engine/prediction.h"
#include "core/report/hitlist.h"
#include "core/report/session.h"
#include "core/store/racecard.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <iostream>

namespace velmora::cli {

int List(const Arguments &args)
{
    if (!args.positional.isEmpty())
        return Usage();
    // Standard output lists the course-days that can be loaded, one a line; a name
    // that cannot be is named on standard error.
    for (const ListedCourseDay &day : ListCourseDays(DataDir(args))) {
        if (day.readable)
            Print(VisibleText(day.name));
        else
            PrintError(QStringLiteral("除外した開催: %1: %2").arg(day.name, UnreadableNameReason()));
    }
    return kExitOk;
}

namespace {
const QString kNoData = QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。");
} // namespace

std::optional<int> LoadComputedSession(const Arguments &args, const QString &name, Session &session)
{
    const LoadResult result = LoadIntoSession(session, DataDir(args), name);
    if (result.computable())
        return std::nullopt;
    PrintError(result.status == LoadStatus::FewRaces ? kNoData : result.message);
    return kExitFailed;
}

std::optional<int> LoadAndCompute(const Arguments &args, RaceCard &card, Prediction &prediction, bool needRaces)
{
    if (args.positional.size() != 1)
        return Usage();
    const LoadResult result = LoadCourseDay(DataDir(args), args.positional.front(), card);
    switch (result.status) {
    case LoadStatus::Loaded:
        ComputePrediction(card, prediction);
        return std::nullopt;
    case LoadStatus::FewRaces:
        if (!needRaces)
            return std::nullopt;
        PrintError(kNoData);
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
        Print(FromSjis(line));
    return kExitOk;
}

} // namespace velmora::cli
