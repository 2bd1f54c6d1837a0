#pragma once

#include "protocol/readlimits.h"

#include <chrono>
#include <functional>
#include <string_view>

#include <QString>

namespace velmora {

struct RecordHeader;

// What the import's read loop and the result fetch's share: JVRead's answers that ask
// for another call, how they wait for JV-Link, and how they refuse a damaged record.

/** JVRead's answers that ask for another call: the next file begins; the file is still downloading. */
inline constexpr int kJVReadNextFile = -1;
inline constexpr int kJVReadStillDownloading = -3;

/** The reason a record whose bytes are not CP932 is refused under (never stored, repaired or not). */
inline QString NotSjisReason()
{
    return QStringLiteral("文字コードが不正");
}

/** What keeps a record JV-Link handed over out of the course-day files before the store is asked. */
enum class ReceivedRecordProblem
{
    None,
    NoRaceNumber,  ///< race number 0 or blank: no race slot
    NoHorseNumber, ///< a runner record with horse number 0 or blank: no runner slot
    NotSjis,       ///< bytes that are not CP932 were damaged on the way
};

/**
 * The checks both read loops make of a record of a kind the store keeps, in this
 * order: a race slot, a runner slot for a runner record, CP932 bytes.
 */
ReceivedRecordProblem CheckReceivedRecord(std::string_view record, const RecordHeader &header, bool runner);

/**
 * How long a read loop waits for JV-Link to bring something before it gives up: no
 * record and no change of the download count for this long. A download stalled on
 * the service's side ends here instead of holding the program for ever.
 */
inline constexpr std::chrono::milliseconds kJVLinkStallLimit = jvbridge::kNoProgressLimit;

/** The pause before JV-Link is asked again after it answered that a file is still downloading. */
inline constexpr std::chrono::milliseconds kJVLinkRetryPause{50};

/**
 * How a loop over JV-Link waits: the pause between two calls that brought nothing,
 * the time without progress after which it gives up, the monotonic clock that
 * measures it, and how a pause is spent (the desktop program handles its window's
 * events meanwhile, so that cancel stays available; tests and fuzzing move a clock
 * of their own instead of sleeping).
 */
struct JVLinkPatience
{
    std::chrono::milliseconds retryPause = kJVLinkRetryPause;
    std::chrono::milliseconds stallLimit = kJVLinkStallLimit;
    /** Monotonic time; the default is the steady clock. */
    std::function<std::chrono::milliseconds()> clock;
    /** Spends a pause; the default sleeps the thread. */
    std::function<void(std::chrono::milliseconds)> wait;

    /** The patience with the steady clock and a sleeping wait. */
    static JVLinkPatience Default();
};

/**
 * The progress of one loop over JV-Link: started when the loop starts, restarted by
 * every sign of progress, stalled once the patience's limit has passed without one.
 * It refers to the patience, which must outlive it.
 */
class StallWatch
{
  public:
    explicit StallWatch(const JVLinkPatience &patience);

    /** A record arrived or the download count changed. */
    void progressed();
    bool stalled() const;
    /** Spends one retry pause. */
    void pause() const;

    /** The stall limit in words ("10分間"), for the messages of a loop that gave up. */
    QString limitText() const;

  private:
    const JVLinkPatience *m_patience;
    std::chrono::milliseconds m_since;
};

} // namespace velmora
