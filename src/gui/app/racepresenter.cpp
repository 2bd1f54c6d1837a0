#include "gui/app/racepresenter.h"

#include "core/print/sheets.h"
#include "core/report/hitlist.h"

namespace velmora::gui {
namespace {

QString OperationName(Operation operation)
{
    switch (operation) {
    case Operation::Import:
        return QStringLiteral("JVデータの取込");
    case Operation::ResultFetch:
        return QStringLiteral("結果情報の取得");
    case Operation::BetsText:
        return QStringLiteral("全買い目のテキスト保存");
    case Operation::HitExport:
        return QStringLiteral("的中馬券の書き出し");
    }
    return {};
}

} // namespace

RacePresenter::RacePresenter(QString dataDir)
    : m_dataDir(std::move(dataDir))
{}

LoadResult RacePresenter::load(const CourseDay &day)
{
    const LoadResult result = LoadIntoSession(m_session, m_dataDir, day);
    if (result.status == LoadStatus::FilesMissing) {
        // The window empties its tabs, grid and heading lines: nothing is in view.
        m_tabs.clear();
        m_race = 0;
        m_screen = {};
        m_printed = {};
    } else if (result.computable()) {
        m_tabs = TabCaptions(m_session.card);
        showLoadedRaceOne();
    }
    return result;
}

void RacePresenter::showLoadedRaceOne()
{
    m_race = 1;
    m_screen = LoadedRaceView(m_session);
    // The loader heads race 1 by rules of its own; its print is headed as every race's is.
    m_printed = RaceView(m_session, 1);
}

bool RacePresenter::showRace(int race)
{
    if (race < 1 || race > m_session.card.RaceCount)
        return false;
    m_race = race;
    m_screen = RaceView(m_session, race);
    m_printed = m_screen;
    return true;
}

std::optional<UserPrediction> RacePresenter::pickRunner(int row)
{
    // The prediction belongs to the last day that was computed; a day of fewer races
    // loaded since has none to pair the runner with.
    if (m_race < 1 || m_session.card.RaceCount < kMinRacesToCompute)
        return std::nullopt;
    UserPrediction prediction = MakeUserPrediction(m_session, m_race, row);
    for (RaceViewTexts *view : {&m_screen, &m_printed}) {
        view->userPanel = prediction.panel;
        view->userQuinella = prediction.quinella;
        view->userBracket = prediction.bracket;
    }
    return prediction;
}

std::optional<Page> RacePresenter::raceSheet() const
{
    if (m_race < 1)
        return std::nullopt;
    return RaceSheet(RaceSheetSourceOf(m_session, m_printed, m_race));
}

void RacePresenter::fillAllRaces()
{
    RefreshAllRaces(m_session);
}

std::vector<std::string> RacePresenter::hitList() const
{
    return HitList(m_session.card, m_session.prediction);
}

Page RacePresenter::allRacesSheet() const
{
    return AllRacesSheet(m_session, static_cast<int>(m_tabs.size()), allRacesHeading());
}

BetsText RacePresenter::betsText() const
{
    return MakeBetsText(m_session, allRacesHeading());
}

ShownPlace RacePresenter::place() const
{
    return {m_session.courseDay, m_race, UserAxesOf(m_session)};
}

LoadResult RacePresenter::restore(const ShownPlace &place)
{
    const LoadResult result = load(place.courseDay);
    if (!result.computable())
        return result;
    RestoreUserAxes(m_session, place.userAxes);
    if (!showRace(place.race))
        showLoadedRaceOne();
    return result;
}

RacePresenter::OperationScope RacePresenter::startOperation(Operation operation)
{
    if (m_running)
        return OperationScope(nullptr);
    m_running = operation;
    return OperationScope(this);
}

RacePresenter::OperationScope::~OperationScope()
{
    if (m_owner)
        m_owner->m_running.reset();
}

QString RacePresenter::busyText() const
{
    if (!m_running)
        return {};
    return QStringLiteral("%1を実行中です。その処理が終わってから、もう一度実行してください。")
        .arg(OperationName(*m_running));
}

} // namespace velmora::gui
