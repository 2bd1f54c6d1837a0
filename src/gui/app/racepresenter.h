#pragma once

#include "core/print/page.h"
#include "core/report/betstext.h"
#include "core/report/raceview.h"
#include "core/report/session.h"
#include "core/report/userprediction.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>

namespace velmora::gui {

/**
 * What the user sees of the loaded course-day: the day, the race in view and the races
 * that show the user's own prediction. Taken before an operation reloads the day and
 * given back after it, so that the user finds the day as they left it.
 */
struct ShownPlace
{
    CourseDay courseDay; ///< the loaded course-day; null before the first load
    int race = 0;        ///< the race in view, 1..12; 0 for none
    UserAxes userAxes;   ///< per race, the user's axis horse where the race shows the user's prediction
};

/** The long operations of the program. One runs at a time. */
enum class Operation
{
    Import,
    ResultFetch,
    BetsText,
    HitExport
};

/**
 * The one owner of what the main window shows: the session of the loaded course-day
 * (race card, prediction, the user's axis horses, the all-races boxes), the race tabs,
 * the race in view with the texts the window shows for it, and the long operation that
 * runs. It makes every text the windows show and every page that is printed of it; the
 * windows only show them. It needs no window and is tested without one.
 *
 * While an operation runs, the windows load no other course-day and start no other
 * operation (they ask runningOperation() first); the operation itself reloads its day
 * through restore().
 */
class RacePresenter
{
  public:
    explicit RacePresenter(QString dataDir);
    RacePresenter(const RacePresenter &) = delete;
    RacePresenter &operator=(const RacePresenter &) = delete;

    const Session &session() const { return m_session; }
    /** The session for what edits it outside the presenter: the import's cancel flag, and tests. */
    Session &session() { return m_session; }

    /**
     * Loads course-day `day` as a click on it in the data list does. A load that can be
     * computed shows race 1 by the loader's rules and sets the race tabs; one whose files
     * are missing shows nothing; any other leaves the race in view as it was.
     */
    LoadResult load(const CourseDay &day);

    /** Shows race `race` by the tab's rules; false, and nothing changes, when the loaded day has no such race. */
    bool showRace(int race);

    /**
     * The user makes the runner in grid row `row` of the race in view (0-based, -1 below
     * the runners) the axis of their own bets. Nothing when the loaded day was not computed.
     */
    std::optional<UserPrediction> pickRunner(int row);

    /** The race in view, 1..12; 0 when none. */
    int shownRace() const { return m_race; }
    /** What the race view and the heading lines show for it. CP932 texts. */
    const RaceViewTexts &shownView() const { return m_screen; }
    /** The captions of the race tabs ("1 R" …); empty when none. */
    const std::vector<std::string> &tabCaptions() const { return m_tabs; }

    /**
     * The print of the race in view: headed by the tab's rules whichever way the race was
     * reached, with the user's bets; nothing when it has fewer than 5 runners or none is in view.
     */
    std::optional<Page> raceSheet() const;

    /** The heading of the all-races window, its print and its text: the date line in view. */
    const std::string &allRacesHeading() const { return m_screen.dateLine; }
    /** Copies the computed bets into the all-races boxes once per load (before they are shown). */
    void fillAllRaces();
    /** The hit list of the loaded course-day's computed bets. */
    std::vector<std::string> hitList() const;
    /** The all-races print, of as many races as there are tabs. */
    Page allRacesSheet() const;
    /** The all-races text save. */
    BetsText betsText() const;

    /** What the user sees now. */
    ShownPlace place() const;
    /**
     * Loads `place`'s course-day again (its files may have changed) and gives back what the
     * user saw: the races that showed the user's prediction get it again on the same axis
     * horse, and the race in view stays when the day still has it (race 1 by the loader's
     * rules otherwise).
     */
    LoadResult restore(const ShownPlace &place);

    /** Ends the operation it started when it goes; false when another operation was running. */
    class OperationScope
    {
      public:
        OperationScope(OperationScope &&other) noexcept
            : m_owner(std::exchange(other.m_owner, nullptr))
        {}
        OperationScope &operator=(OperationScope &&) = delete;
        ~OperationScope();
        explicit operator bool() const { return m_owner != nullptr; }

      private:
        friend class RacePresenter;
        explicit OperationScope(RacePresenter *owner)
            : m_owner(owner)
        {}
        RacePresenter *m_owner;
    };

    /** Starts `operation` unless one runs already. */
    [[nodiscard]] OperationScope startOperation(Operation operation);
    std::optional<Operation> runningOperation() const { return m_running; }
    /** Why a command waits for the running operation, for the person; empty when none runs. */
    QString busyText() const;

  private:
    void showLoadedRaceOne();

    QString m_dataDir;
    Session m_session;
    std::vector<std::string> m_tabs;
    int m_race = 0;
    RaceViewTexts m_screen;  ///< the race in view as the window shows it
    RaceViewTexts m_printed; ///< the same race by the tab's rules, as it is printed
    std::optional<Operation> m_running;
};

} // namespace velmora::gui
