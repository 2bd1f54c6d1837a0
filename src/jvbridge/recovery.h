#pragma once

// Reading on past a damaged download, for the serve loop and the dump alike.

#include "jvbridge/server.h"

#include <cstddef>
#include <set>
#include <string>

namespace velmora::jvbridge {

/**
 * JV-Link calls that mend a damaged download. When JVRead answers -402 or -403 (the
 * size or the content of a downloaded file is wrong) for a file it names, that file is
 * deleted with JVFiledelete and the data is opened again with the arguments of the last
 * JVOpen or JVRTOpen, once per file: a file that is damaged again, one that cannot be
 * deleted and an open that fails are reported with the read's own code.
 *
 * After a new open JV-Link starts at the first file again; the caller reads on where it
 * was. A file it has read to its switch is skipped (JVSkip) and its switch is not handed
 * over again, and of the file it was reading it gets only the records it does not have.
 * Every other call passes through unchanged.
 */
class RecoveringJVLink : public JVLinkCalls
{
  public:
    explicit RecoveringJVLink(JVLinkCalls &jvlink)
        : m_jv(jvlink)
    {}

    std::int32_t init(const std::string &sid) override { return m_jv.init(sid); }
    std::int32_t setUIProperties() override { return m_jv.setUIProperties(); }
    std::int32_t setServiceKey(const std::string &key) override { return m_jv.setServiceKey(key); }
    std::int32_t setSavePath(const std::string &folder) override { return m_jv.setSavePath(folder); }
    OpenResult open(const std::string &dataspec, const std::string &fromTime, std::int32_t option) override;
    std::int32_t rtOpen(const std::string &dataspec, const std::string &key) override;
    std::int32_t status() override { return m_jv.status(); }
    ReadResult read(std::int32_t size) override;
    std::int32_t skip() override { return m_jv.skip(); }
    std::int32_t cancel() override { return m_jv.cancel(); }
    std::int32_t close() override { return m_jv.close(); }
    std::int32_t fileDelete(const std::string &fileName) override { return m_jv.fileDelete(fileName); }
    std::int32_t setParentWindow(std::uint32_t window) override { return m_jv.setParentWindow(window); }

  private:
    /** Forgets what the last open handed over. */
    void startOver();
    /** Deletes the damaged `fileName` and opens the data again; false when either fails. */
    bool reopen(const std::string &fileName);

    JVLinkCalls &m_jv;

    bool m_realTime = false; ///< the data was opened with JVRTOpen
    std::string m_dataspec;
    std::string m_fromTime;
    std::int32_t m_option = 0;
    std::string m_key;

    std::set<std::string> m_reopenedFor; ///< damaged files already deleted once
    std::set<std::string> m_finished;    ///< files handed over up to their switch
    std::string m_current;               ///< the file whose records are being handed over
    std::size_t m_handed = 0;            ///< how many of them
    std::string m_reading;               ///< the file JV-Link reads since the last open or switch
    std::size_t m_position = 0;          ///< its records read so far
    bool m_skipped = false;              ///< a finished file was skipped: its switch is not handed over
};

} // namespace velmora::jvbridge
