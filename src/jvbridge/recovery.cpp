#include "jvbridge/recovery.h"

namespace velmora::jvbridge {
namespace {

constexpr std::int32_t kDamagedSize = -402;
constexpr std::int32_t kDamagedContent = -403;
constexpr std::int32_t kFileSwitch = -1;

} // namespace

void RecoveringJVLink::startOver()
{
    m_reopenedFor.clear();
    m_finished.clear();
    m_current.clear();
    m_handed = 0;
    m_reading.clear();
    m_position = 0;
    m_skipped = false;
}

JVLinkCalls::OpenResult RecoveringJVLink::open(const std::string &dataspec, const std::string &fromTime,
                                               std::int32_t option)
{
    startOver();
    m_realTime = false;
    m_dataspec = dataspec;
    m_fromTime = fromTime;
    m_option = option;
    return m_jv.open(dataspec, fromTime, option);
}

std::int32_t RecoveringJVLink::rtOpen(const std::string &dataspec, const std::string &key)
{
    startOver();
    m_realTime = true;
    m_dataspec = dataspec;
    m_key = key;
    return m_jv.rtOpen(dataspec, key);
}

bool RecoveringJVLink::reopen(const std::string &fileName)
{
    if (m_jv.fileDelete(fileName) != 0)
        return false;
    m_jv.close();
    const std::int32_t opened =
        m_realTime ? m_jv.rtOpen(m_dataspec, m_key) : m_jv.open(m_dataspec, m_fromTime, m_option).code;
    if (opened != 0)
        return false;
    m_reading.clear();
    m_position = 0;
    m_skipped = false;
    return true;
}

ReadResult RecoveringJVLink::read(std::int32_t size)
{
    for (;;) {
        ReadResult read = m_jv.read(size);
        if (read.code == kDamagedSize || read.code == kDamagedContent) {
            // JV-Link names the damaged file; without a name there is nothing to delete.
            if (read.fileName.empty() || !m_reopenedFor.insert(read.fileName).second || !reopen(read.fileName))
                return read;
            continue;
        }
        if (read.code > 0) {
            if (m_finished.count(read.fileName) > 0) {
                m_skipped = true;
                const std::int32_t skipped = m_jv.skip();
                if (skipped < 0)
                    return {skipped, std::string(), read.fileName};
                continue;
            }
            m_skipped = false;
            if (read.fileName != m_reading) {
                m_reading = read.fileName;
                m_position = 0;
            }
            // The records of the file being read when JV-Link was opened again: the caller has the first ones.
            if (++m_position <= m_handed && m_reading == m_current)
                continue;
            if (m_reading != m_current) {
                m_current = m_reading;
                m_handed = 0;
            }
            ++m_handed;
            return read;
        }
        if (read.code == kFileSwitch) {
            // The end of a skipped file: the caller had its switch before JV-Link was opened again.
            if (m_skipped) {
                m_skipped = false;
                continue;
            }
            const std::string &finished = m_reading.empty() ? read.fileName : m_reading;
            if (!finished.empty())
                m_finished.insert(finished);
            m_current.clear();
            m_handed = 0;
            m_reading.clear();
            m_position = 0;
        }
        return read;
    }
}

} // namespace velmora::jvbridge
