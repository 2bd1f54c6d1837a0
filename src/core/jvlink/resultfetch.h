#pragma once

#include "core/jvlink/jvlink.h"
#include "core/jvlink/readloop.h"
#include "core/store/racecard.h"
#include "core/store/racedayfiles.h"

#include <functional>
#include <map>

#include <QString>

namespace velmora {

/**
 * Brings a loaded course-day up to date with the day's results: asks JV-Link for
 * the real-time result data of race 1's meeting date and merges every race,
 * runner and payout record into the course-day files (keyed updates for races
 * and payouts, slot updates for runners). Records of other racecourses of the
 * day go to their own files. Reloading the race card is the caller's.
 *
 * Records are written one by one: the window stays usable while the fetch runs,
 * so the loader may read the files between two records.
 */
class ResultFetch
{
  public:
    /** What a fetch did. */
    struct Outcome
    {
        bool fetched = false;           ///< a meeting date was there and JV-Link was asked
        int stored = 0;                 ///< records stored
        std::map<QString, int> refused; ///< records not stored, by reason
        QString error;                  ///< a file-system error that ended the fetch, or empty
        /**
         * A JV-Link error that ended the fetch (JVRTOpen or JVRead, or JV-Link bringing
         * nothing for the stall limit), worded with what the component knows of its
         * cause, or empty. "No data yet" is no error.
         */
        QString jvlinkError;
        /** JVClose failed (the first failure, worded), or empty. */
        QString closeError;
    };

    /**
     * `processEvents` lets the window handle pending events between records;
     * `beep` sounds the default beep (a successful close beeps).
     */
    ResultFetch(JVLink &jvlink, RaceDayStore &store, bool &importCancelled, std::function<void()> processEvents,
                std::function<void()> beep);

    /** How the read loop waits for JV-Link, and when it gives up. */
    void setPatience(JVLinkPatience patience) { m_patience = std::move(patience); }

    /** Fetches the results for the meeting date of race 1 of `card`. */
    Outcome run(const RaceCard &card);

  private:
    void readLoop(Outcome &outcome);
    void store(const std::string &record, Outcome &outcome);
    void close(Outcome &outcome);

    JVLink &m_jvlink;
    RaceDayStore &m_store;
    bool &m_importCancelled;
    std::function<void()> m_processEvents;
    std::function<void()> m_beep;
    JVLinkPatience m_patience = JVLinkPatience::Default();
};

/** The records a fetch did not store, with their reasons, as one line; empty when it stored every one. */
QString ResultFetchRefusals(const ResultFetch::Outcome &outcome);

/**
 * What a result fetch brought to the loaded course-day, for the status line: the races
 * whose records changed and now hold finishing places, and the races whose payouts
 * changed; or that there was nothing new. `before` and `after` are the card before the
 * fetch and after the reload.
 */
QString ResultFetchNews(const RaceCard &before, const RaceCard &after);

} // namespace velmora
