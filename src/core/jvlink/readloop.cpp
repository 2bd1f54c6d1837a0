#include "core/jvlink/readloop.h"

#include "core/codes/recordheader.h"
#include "core/text/sjis.h"

#include <thread>

namespace velmora {

ReceivedRecordProblem CheckReceivedRecord(std::string_view record, const RecordHeader &header, bool runner)
{
    if (header.raceNumber <= 0)
        return ReceivedRecordProblem::NoRaceNumber;
    if (runner && header.horseNumber <= 0)
        return ReceivedRecordProblem::NoHorseNumber;
    // Stored, such bytes would show as garbage or be "repaired" into other characters.
    if (!IsValidSjis(record))
        return ReceivedRecordProblem::NotSjis;
    return ReceivedRecordProblem::None;
}

JVLinkPatience JVLinkPatience::Default()
{
    JVLinkPatience patience;
    patience.clock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
    patience.wait = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    return patience;
}

StallWatch::StallWatch(const JVLinkPatience &patience)
    : m_patience(&patience)
    , m_since(patience.clock())
{}

void StallWatch::progressed()
{
    m_since = m_patience->clock();
}

bool StallWatch::stalled() const
{
    return m_patience->clock() - m_since >= m_patience->stallLimit;
}

void StallWatch::pause() const
{
    m_patience->wait(m_patience->retryPause);
}

QString StallWatch::limitText() const
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_patience->stallLimit).count();
    if (seconds >= 60 && seconds % 60 == 0)
        return QStringLiteral("%1分間").arg(seconds / 60);
    return QStringLiteral("%1秒間").arg(seconds);
}

} // namespace velmora
