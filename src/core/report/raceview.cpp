#include "core/report/raceview.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/report/racetexts.h"
#include "core/text/sjis.h"

namespace velmora {
namespace {

/** The real values of the diagnostic layer: general format, up to 15 significant digits. */
std::string General(float value)
{
    return Format("%.15g", static_cast<double>(value));
}

/** A result field ("01" … ) shown with its unit, or nothing when blank or "00". */
std::string Placed(std::string_view field, const char *unit)
{
    const std::string_view trimmed = TrimBlanks(field);
    if (trimmed.empty() || trimmed == "00")
        return {};
    return FormatNumberField(field) + Sj(unit);
}

/** Registered runners as grid rows; the runner file holds no more than 18 per race. */
int GridRows(const RaceCard &card, int race)
{
    return std::min(card.registeredRunners(race), kMaxRunners);
}

/** The runner columns of row s - 1, with the bracket column as `bracket` gives it. */
void FillRunner(GridRow &row, const std::string &runner, int s, std::string bracket)
{
    row[kColHorse] = std::to_string(s);
    row[kColBracket] = std::move(bracket);
    row[kColSexAge] = SexName(Field(runner, se::Sex)) + FormatNumberField(Field(runner, se::Age));
    row[kColWeight] = FormatTenthsField(Field(runner, se::Weight));
    row[kColName] = std::string(Field(runner, se::HorseName));
    row[kColFinish] = Placed(Field(runner, se::Finish), "着");
    row[kColPopularity] = Placed(Field(runner, se::Popularity), "人");
}

/** The mark letters, a later one replacing an earlier one in the same cell. */
void PlaceMarks(std::vector<GridRow> &grid, const Marks &marks)
{
    const std::pair<int, const char *> firstColumn[] = {
        {marks.x, "X"}, {marks.y, "Y"}, {marks.a, "A"}, {marks.b, "B"}, {marks.c, "C"}};
    auto place = [&](int horse, int column, const char *letter) {
        if (horse >= 1 && horse <= static_cast<int>(grid.size()))
            grid[static_cast<size_t>(horse - 1)][static_cast<size_t>(column)] = letter;
    };
    for (const auto &[horse, letter] : firstColumn)
        place(horse, kColMark, letter);
    place(marks.d, kColMarkD, "D");
    place(marks.e, kColMarkE, "E");
    place(marks.f, kColMarkF, "F");
}

/** The prediction box, the field size and the diagnostic layer of race r. */
void FillPrediction(RaceViewTexts &view, const RacePrediction &p)
{
    view.fieldSize = std::to_string(p.fieldSize) + Sj("頭");
    view.axis = std::to_string(p.axisHorse);
    view.cover = std::to_string(p.coverHorse);
    view.grade = GradeText(p.grade);
    const auto number = [](int value) { return std::to_string(value); };
    view.diagnostics = {
        Sj("得点=") + General(p.score), Sj("指数=") + General(p.index), Sj("頭数=") + number(p.fieldSize),
        Sj("X値=") + General(p.xValue), "X=" + number(p.marks.x),       "Y=" + number(p.marks.y),
        "A=" + number(p.marks.a),       "B=" + number(p.marks.b),       "C=" + number(p.marks.c),
        "D=" + number(p.marks.d),       "E=" + number(p.marks.e),       "F=" + number(p.marks.f),
        number(p.coverPartner),         number(p.axisPartners[1]),      number(p.axisPartners[2]),
        number(p.axisPartners[3]),      number(p.axisPartners[4]),      number(p.axisPartners[5]),
    };
}

} // namespace

RaceViewTexts RaceView(const Session &session, int r)
{
    const RaceCard &card = session.card;
    const Prediction &p = session.prediction;
    const std::string &record = card.RaceRecords[static_cast<size_t>(r)];
    RaceViewTexts view;
    view.heading = HeadingLine(record);
    view.dateLine = DateLine(record);
    view.conditionLine = ConditionLine(record);
    view.grid.resize(static_cast<size_t>(GridRows(card, r)));
    FillPrediction(view, p.races[r]);

    const bool brackets = ShowsBracketBets(card, r);
    AddComputedBets(card, p, r, view.computerQuinella, view.computerBracket);

    const RaceBets &bets = session.allRaces.races[static_cast<size_t>(r)];
    if (bets.user) {
        view.userPanel = Sj("[軸]:馬") + Format("%2d", session.UserAxisHorse[static_cast<size_t>(r)]) + Sj(" :枠") +
                         Format("%2d", session.UserAxisBracket[static_cast<size_t>(r)]);
        view.userQuinella = bets.quinella;
        if (brackets)
            view.userBracket = bets.bracket;
    }

    if (card.RaceCount >= kMinRacesToCompute) {
        for (int s = 1; s <= static_cast<int>(view.grid.size()); ++s) {
            const std::string &runner = card.RunnerRecords[static_cast<size_t>(r)][static_cast<size_t>(s)];
            FillRunner(view.grid[static_cast<size_t>(s - 1)], runner, s, FormatNumberField(Field(runner, se::Bracket)));
        }
    }
    PlaceMarks(view.grid, p.races[r].marks);
    return view;
}

RaceViewTexts LoadedRaceView(const Session &session)
{
    const RaceCard &card = session.card;
    const Prediction &p = session.prediction;
    const std::string &record = card.RaceRecords[1];
    RaceViewTexts view;
    view.heading = LoaderHeadingLine(record);
    view.dateLine = LoaderDateLine(record);
    view.conditionLine = ConditionLine(record);
    view.grid.resize(static_cast<size_t>(GridRows(card, 1)));
    FillPrediction(view, p.races[1]);
    for (int s = 1; s <= static_cast<int>(view.grid.size()); ++s) {
        const std::string &runner = card.RunnerRecords[1][static_cast<size_t>(s)];
        FillRunner(view.grid[static_cast<size_t>(s - 1)], runner, s, std::to_string(card.bracketOf(1, s)));
    }
    PlaceMarks(view.grid, p.races[1].marks);
    for (int k = 1; k <= 6; ++k) {
        AddBetToList(view.computerQuinella, p.races[1].quinellaBets[k]);
        AddBetToList(view.computerBracket, p.races[1].bracketBets[k]);
    }
    return view;
}

std::vector<std::string> TabCaptions(const RaceCard &card)
{
    std::vector<std::string> captions;
    for (int r = 1; r <= card.RaceCount; ++r)
        captions.push_back(std::to_string(FieldValue(Field(card.RaceRecords[static_cast<size_t>(r)], ra::RaceNumber))) +
                           " R");
    return captions;
}

std::optional<unsigned> BracketColour(int bracket)
{
    static constexpr unsigned colours[] = {0xFFFFFF, 0x808080, 0xFF0000, 0x0000FF,
                                           0xFFFF00, 0x00FF00, 0xFF8000, 0xFF00FF};
    if (bracket < 1 || bracket > 8)
        return std::nullopt;
    return colours[bracket - 1];
}

} // namespace velmora
