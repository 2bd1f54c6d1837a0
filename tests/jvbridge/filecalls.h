#pragma once

#include "jvbridge/server.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace velmora::jvbridge::test {

/** A record of 30 bytes whose meeting date (positions 12-19) is `date`. */
inline std::string Record(const char *type, const char *date, char tag)
{
    return std::string(type) + "7" + "20250101" + date + std::string(9, tag) + "\r\n";
}

/**
 * A JV-Link that serves files of records as JV-Link does (records, -1 after each file,
 * 0 at the end), counting the calls the tests look at. A file may be damaged: from its
 * `damagedAt`-th record on, a read answers `damage` naming it, until JVFiledelete removes
 * it (and always with `staysDamaged`).
 */
class FileCalls : public JVLinkCalls
{
  public:
    struct File
    {
        std::string name;
        std::vector<std::string> records;
        std::int32_t damage = 0;
        std::size_t damagedAt = 0;
    };
    std::vector<File> files;
    std::string stamp = "20250105120000";
    std::int32_t openResult = 0;
    int announcedFiles = -1; ///< JVOpen's read count when not negative, else the number of files
    int downloads = 0;
    std::int32_t stuckStatus = -1; ///< JVStatus answers this for ever when not negative
    int failAtRead = 0;            ///< this read (1-based, counted over the open) returns failCode
    std::int32_t failCode = -502;
    bool failForEver = false; ///< every read from failAtRead on fails
    bool staysDamaged = false;
    std::string openedFrom;
    int opens = 0;
    int skips = 0;
    int closes = 0;
    std::vector<std::string> deleted;

    std::int32_t init(const std::string &) override { return 0; }
    std::int32_t setUIProperties() override { return 0; }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &, const std::string &fromTime, std::int32_t) override
    {
        ++opens;
        openedFrom = fromTime;
        restart();
        if (openResult != 0)
            return {openResult, 0, 0, ""};
        return {0, announcedFiles >= 0 ? announcedFiles : static_cast<std::int32_t>(files.size()), downloads, stamp};
    }
    std::int32_t rtOpen(const std::string &, const std::string &) override
    {
        ++opens;
        restart();
        return files.empty() ? -1 : 0;
    }
    std::int32_t status() override { return stuckStatus >= 0 ? stuckStatus : std::min(++m_polls, downloads); }
    ReadResult read(std::int32_t) override
    {
        ++m_reads;
        if (m_reads == failAtRead || (failForEver && failAtRead > 0 && m_reads > failAtRead))
            return {failCode, "", m_file < files.size() ? files[m_file].name : ""};
        if (m_file >= files.size())
            return {0, "", ""};
        const File &file = files[m_file];
        const bool repaired = !staysDamaged && std::count(deleted.begin(), deleted.end(), file.name) > 0;
        if (file.damage != 0 && !repaired && m_record >= file.damagedAt)
            return {file.damage, "", file.name};
        if (m_record >= file.records.size()) {
            ++m_file;
            m_record = 0;
            return {-1, "", file.name};
        }
        const std::string &record = file.records[m_record++];
        return {static_cast<std::int32_t>(record.size()), record, file.name};
    }
    std::int32_t skip() override
    {
        ++skips;
        if (m_file < files.size())
            m_record = files[m_file].records.size();
        return 0;
    }
    std::int32_t cancel() override { return 0; }
    std::int32_t close() override
    {
        ++closes;
        return 0;
    }
    std::int32_t fileDelete(const std::string &fileName) override
    {
        deleted.push_back(fileName);
        return 0;
    }
    std::int32_t setParentWindow(std::uint32_t) override { return 0; }

  private:
    void restart()
    {
        m_file = m_record = 0;
        m_reads = 0;
        m_polls = 0;
    }

    std::size_t m_file = 0;
    std::size_t m_record = 0;
    int m_reads = 0;
    int m_polls = 0;
};

} // namespace velmora::jvbridge::test
