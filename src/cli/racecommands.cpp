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
    for (const CourseDay &day : ListCourseDays(DataDir(args))) {
        if (day.readable())
            Print(day.displayName());
        else
            PrintError(QStringLiteral("除外した開催: %1: %2").arg(day.fileBase(), UnreadableNameReason()));
    }
    return kExitOk;
}

namespace {
const QString kNoData = QStringLiteral("分析に必要なJRA-VANのデータを読み込んでください。");
} // namespace

std::optional<int> LoadComputedSession(const Arguments &args, const CourseDay &day, Session &session)
{
    const LoadResult result = LoadIntoSession(session, DataDir(args), day);
    if (result.computable())
        return std::nullopt;
    PrintError(result.status == LoadStatus::FewRaces ? kNoData : result.message);
    return kExitFailed;
}

std::optional<int> LoadAndCompute(const Arguments &args, RaceCard &card, Prediction &prediction, bool needRaces)
{
    if (args.positional.size() != 1)
        return Usage();
    const LoadResult result = LoadCourseDay(DataDir(args), CourseDayArgument(args), card);
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
        const RacePrediction &race = p.races[r];
        json.beginObject();
        json.key("race").value(r);
        json.key("RaceScore").value(race.score);
        json.key("RaceIndex").value(race.index);
        json.key("FieldSize").value(race.fieldSize);
        json.key("XValue").value(race.xValue);
        json.key("IndexSign").value(IndexSignText(race.sign));
        const Marks &m = race.marks;
        const std::pair<const char *, int> marks[] = {
            {"MarkX", m.x}, {"MarkY", m.y}, {"MarkA", m.a}, {"MarkB", m.b},
            {"MarkC", m.c}, {"MarkD", m.d}, {"MarkE", m.e}, {"MarkF", m.f},
        };
        for (const auto &[name, mark] : marks)
            json.key(name).value(mark);
        json.key("AxisHorse").value(race.axisHorse);
        json.key("CoverHorse").value(race.coverHorse);
        json.key("CoverPartner").value(race.coverPartner);
        json.key("AxisPartners").beginArray();
        for (const int partner : race.axisPartners)
            json.value(partner);
        json.endArray();
        json.key("AxisBracket").value(race.axisBracket);
        json.key("CoverBracket").value(race.coverBracket);
        json.key("CoverPartnerBracket").value(race.coverPartnerBracket);
        json.key("AxisPartnerBrackets").beginArray();
        for (const int bracket : race.axisPartnerBrackets)
            json.value(bracket);
        json.endArray();
        json.key("ConfidenceGrade").value(GradeText(race.grade));
        for (const auto &[name, bets] :
             {std::pair{"QuinellaBets", &race.quinellaBets}, std::pair{"BracketBets", &race.bracketBets}}) {
            json.key(name).beginArray();
            for (const Bet &bet : *bets)
                json.value(BetText(bet));
            json.endArray();
        }
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
