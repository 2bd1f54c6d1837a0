#include "jvbridge/dump.h"

#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

#include <QTemporaryDir>

namespace velmora::jvbridge {
namespace {

namespace fs = std::filesystem;

/** A record of 30 bytes whose meeting date (positions 12-19) is `date`. */
std::string Record(const char *type, const char *date, char tag)
{
    return std::string(type) + "7" + "20250101" + date + std::string(9, tag) + "\r\n";
}

/** A JV-Link that serves files of records, counting JVSkip, failing JVRead when told. */
class FileCalls : public JVLinkCalls
{
  public:
    struct File
    {
        std::string name;
        std::vector<std::string> records;
    };
    std::vector<File> files;
    std::string stamp = "20250105120000";
    std::int32_t openResult = 0;
    int downloads = 0;
    int failAtRead = 0; ///< this read (1-based, counted over the open) returns failCode
    std::int32_t failCode = -502;
    std::string openedFrom;
    int skips = 0;
    int closes = 0;

    std::int32_t init(const std::string &) override { return 0; }
    std::int32_t setUIProperties() override { return 0; }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &, const std::string &fromTime, std::int32_t) override
    {
        openedFrom = fromTime;
        m_file = m_record = 0;
        m_reads = 0;
        m_polls = 0;
        if (openResult != 0)
            return {openResult, 0, 0, ""};
        return {0, static_cast<std::int32_t>(files.size()), downloads, stamp};
    }
    std::int32_t rtOpen(const std::string &, const std::string &) override
    {
        m_file = m_record = 0;
        return files.empty() ? -1 : 0;
    }
    std::int32_t status() override { return std::min(++m_polls, downloads); }
    ReadResult read(std::int32_t) override
    {
        if (++m_reads == failAtRead)
            return {failCode, "", ""};
        if (m_file >= files.size())
            return {0, "", ""};
        const File &file = files[m_file];
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

  private:
    size_t m_file = 0;
    size_t m_record = 0;
    int m_reads = 0;
    int m_polls = 0;
};

class DumpTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_jv.files = {{"RAVM0001.jvd",
                       {Record("RA", "20250104", 'a'), Record("SE", "20250104", 'b'), Record("RA", "20250105", 'c')}},
                      {"SEVM0002.jvd", {Record("SE", "20250105", 'd')}}};
        m_hooks.report = [this](const std::string &line) { m_lines.push_back(line); };
        m_hooks.wait = [](int) {};
        m_hooks.now = [] { return std::string("20250106093000"); };
        m_options.out = fs::path(m_dir.path().toStdString()) / "out";
    }

    int run() { return Dump(m_jv, m_options, m_hooks); }

    /** The files of the output folder (not its state folder) with their bytes. */
    std::map<std::string, std::string> written() const
    {
        std::map<std::string, std::string> files;
        for (const auto &entry : fs::directory_iterator(m_options.out)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return files;
    }

    QTemporaryDir m_dir;
    FileCalls m_jv;
    DumpOptions m_options;
    DumpHooks m_hooks;
    std::vector<std::string> m_lines;
};

TEST_F(DumpTest, WritesEachFilePerMeetingDateInTheLocalSourceFormat)
{
    m_jv.downloads = 2;
    ASSERT_EQ(run(), kDumpOk);
    EXPECT_EQ(m_jv.openedFrom, "20241229093000") << "eight days back on the first run";
    const std::map<std::string, std::string> expected = {
        {"RACE_20250104_20250105120000_00001_RAVM0001.jvd",
         Record("RA", "20250104", 'a') + Record("SE", "20250104", 'b')},
        {"RACE_20250105_20250105120000_00001_RAVM0001.jvd", Record("RA", "20250105", 'c')},
        {"RACE_20250105_20250105120000_00002_SEVM0002.jvd", Record("SE", "20250105", 'd')},
    };
    EXPECT_EQ(written(), expected);
    EXPECT_EQ(m_jv.closes, 1);
    EXPECT_EQ(m_lines.front(), "20241229093000 より新しい RACE のファイル: 2 件（ダウンロード 2 件）");
    EXPECT_NE(std::find(m_lines.begin(), m_lines.end(), "ダウンロード中 (2/2)"), m_lines.end());
    // Nothing half-written is left: the state folder holds the state alone.
    std::set<std::string> state;
    for (const auto &entry : fs::directory_iterator(m_options.out / ".jvbridge"))
        state.insert(entry.path().filename().string());
    EXPECT_EQ(state, std::set<std::string>{"state"});

    // The next run asks for what is newer than the last file of this one.
    m_jv.files.clear();
    m_lines.clear();
    EXPECT_EQ(run(), kDumpOk);
    EXPECT_EQ(m_jv.openedFrom, "20250105120000");
    EXPECT_EQ(m_lines.back(), "新しいデータはありません。");
}

TEST_F(DumpTest, AnErrorEndsTheDumpWithItsMessageAndTheNextRunContinuesAfterTheLastWholeFile)
{
    m_jv.failAtRead = 6; // the first record of the second file
    EXPECT_EQ(run(), kDumpJVLinkError);
    EXPECT_EQ(m_lines.back(), "JVReadエラー:ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)");
    EXPECT_EQ(written().size(), 2u) << "the first file was whole and stays";
    EXPECT_EQ(m_jv.closes, 1);

    m_jv.failAtRead = 0;
    m_jv.stamp = "20250105130000";
    m_lines.clear();
    ASSERT_EQ(run(), kDumpOk);
    EXPECT_EQ(m_jv.openedFrom, "20241229093000") << "the same from-time as the run that stopped";
    EXPECT_EQ(m_jv.skips, 1) << "the file already written is skipped";
    const auto files = written();
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.count("RACE_20250105_20250105130000_00002_SEVM0002.jvd"), 1u);
}

TEST_F(DumpTest, JVLinkErrorsBeforeTheReadLoopAndRealTimeData)
{
    m_jv.openResult = -301;
    EXPECT_EQ(run(), kDumpJVLinkError);
    EXPECT_EQ(m_lines.back(), "JVOpenエラー:認証エラーが発生しました。(-301)");
    EXPECT_TRUE(written().empty());

    m_options.realTimeKey = "20250105";
    m_options.fromTime.clear();
    ASSERT_EQ(run(), kDumpOk);
    EXPECT_EQ(written().count("0B12_20250105_20250106093000_00001_RAVM0001.jvd"), 1u)
        << "real-time data is named by its key and stamped with the present time";
}

} // namespace
} // namespace velmora::jvbridge
