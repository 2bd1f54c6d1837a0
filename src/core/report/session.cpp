#include "core/report/session.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/report/userprediction.h"
#include "core/text/sjis.h"

namespace velmora {

void AllRacesBets::reset()
{
    for (int r = 1; r <= kMaxRaces; ++r) {
        RaceBets &bets = races[static_cast<size_t>(r)];
        bets = {};
        bets.caption = Format(" %d R", r);
    }
}

LoadResult LoadIntoSession(Session &session, const QString &dataDir, const CourseDay &day)
{
    const LoadResult result = LoadCourseDay(dataDir, day, session.card);
    session.courseDay = day;
    if (result.computable()) {
        session.allRaces.reset();
        session.allRaces.pendingComputedBets = true;
        ComputePrediction(session.card, session.prediction);
    }
    return result;
}

UserAxes UserAxesOf(const Session &session)
{
    UserAxes axes;
    for (int r = 1; r <= kMaxRaces; ++r) {
        const auto slot = static_cast<size_t>(r);
        if (session.allRaces.races[slot].user)
            axes[slot] = session.UserAxisHorse[slot];
    }
    return axes;
}

void RestoreUserAxes(Session &session, const UserAxes &axes)
{
    for (int r = 1; r <= session.card.RaceCount; ++r) {
        if (const std::optional<int> axis = axes[static_cast<size_t>(r)])
            MakeUserPrediction(session, r, *axis - 1);
    }
}

std::string RaceBoxPanel(Grade grade, int axisHorse, int axisBracket)
{
    return GradeText(grade) + Sj(":馬") + Format("%2d", axisHorse) + Sj(":枠") + Format("%2d", axisBracket);
}

bool ShowsBracketBets(const RaceCard &card, int race)
{
    return card.registeredRunners(race) > 8 || !card.IsYear2005OrLater;
}

namespace {

template <typename Item>
void AddComputedBetsTo(const RaceCard &card, const Prediction &prediction, int race, std::vector<Item> &quinella,
                       std::vector<Item> &bracket)
{
    const bool bracketShown = ShowsBracketBets(card, race);
    const RacePrediction &predicted = prediction.races[race];
    for (int k = 1; k <= 6; ++k) {
        AddBetToList(quinella, predicted.quinellaBets[k]);
        if (bracketShown)
            AddBetToList(bracket, predicted.bracketBets[k]);
    }
}

} // namespace

void AddComputedBets(const RaceCard &card, const Prediction &prediction, int race, std::vector<std::string> &quinella,
                     std::vector<std::string> &bracket)
{
    AddComputedBetsTo(card, prediction, race, quinella, bracket);
}

void AddComputedBets(const RaceCard &card, const Prediction &prediction, int race, std::vector<Bet> &quinella,
                     std::vector<Bet> &bracket)
{
    AddComputedBetsTo(card, prediction, race, quinella, bracket);
}

void RefreshAllRaces(Session &session)
{
    if (!session.allRaces.pendingComputedBets)
        return;
    const Prediction &p = session.prediction;
    for (int r = 1; r <= session.card.RaceCount; ++r) {
        RaceBets &bets = session.allRaces.races[static_cast<size_t>(r)];
        AddComputedBets(session.card, p, r, bets.quinella, bets.bracket);
        bets.panel = RaceBoxPanel(p.races[r].grade, p.races[r].axisHorse, p.races[r].axisBracket);
    }
    session.allRaces.pendingComputedBets = false;
}

} // namespace velmora
