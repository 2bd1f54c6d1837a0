#include "filecalls.h"
#include "jvbridge/dump.h"
#include "protocol/readlimits.h"

#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

#include <QTemporaryDir>

namespace velmora::jvbridge {
namespace {

namespace fs = std::filesystem;

using test::FileCalls;
using test::Record;

class DumpTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_jv.files = {{"RAVM0001.jvd",
                       {Record("RA", "20250104", 'a'), Record("SE", "20250104", 'b'), Record("RA", "20250105", 'c')}},
                      {"SEVM0002.jvd", {Record("SE", "20250105", 'd')}}};
        m_hooks.report = [this](const std::string &line) { m_lines.push_back(line); };
        m_hooks.wait = [this](int milliseconds) { m_waited += milliseconds; };
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
    long m_waited = 0;
};

std::string ReadBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
    EXPECT_EQ(m_lines.back(),
              "JVReadエラー:ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502) ファイル「SEVM0002.jvd」");
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

TEST_F(DumpTest, JVLinkStandingStillOrPassingItsAnnouncedFilesOrFailingEndsTheDumpWithItsReason)
{
    const long limit = std::chrono::duration_cast<std::chrono::milliseconds>(kNoProgressLimit).count();
    const struct
    {
        const char *name;
        std::function<void(FileCalls &)> setUp;
        const char *message;
        long waited;
    } cases[] = {
        {"a download count that never moves", [](FileCalls &jv) { jv.downloads = 2, jv.stuckStatus = 1; },
         "ダウンロードが10分間進まないため中止しました（1/2）。", limit},
        {"a file that never finishes downloading",
         [](FileCalls &jv) { jv.failAtRead = 2, jv.failCode = -3, jv.failForEver = true; },
         "JV-Linkの読み込みが10分間進まないため中止しました（JVRead: ファイルダウンロード中(-3)）。", limit},
        {"more files than announced", [](FileCalls &jv) { jv.announcedFiles = 1; },
         "JVOpenが知らせたファイル数（1件）より多くのファイルが届いたため中止しました。", 0},
        {"-2, which JV-Link documents for no read", [](FileCalls &jv) { jv.failAtRead = 1, jv.failCode = -2; },
         "JVReadエラー:(-2) ファイル「RAVM0001.jvd」", 0},
        {"a record whose bytes do not match its size",
         [](FileCalls &jv) { jv.failAtRead = 5, jv.failCode = kRecordSizeMismatch; },
         "JVReadエラー:JV-Linkから受け取ったレコードの長さが戻り値と合いません。(-909) ファイル「SEVM0002.jvd」", 0},
    };
    int number = 0;
    for (const auto &c : cases) {
        FileCalls jv;
        jv.files = m_jv.files;
        c.setUp(jv);
        m_options.out = fs::path(m_dir.path().toStdString()) / ("case" + std::to_string(++number));
        m_lines.clear();
        m_waited = 0;
        EXPECT_EQ(Dump(jv, m_options, m_hooks), kDumpJVLinkError) << c.name;
        EXPECT_EQ(m_lines.back(), c.message) << c.name;
        EXPECT_EQ(m_waited, c.waited) << c.name;
        EXPECT_EQ(jv.closes, 1) << c.name;
    }
}

#ifndef _WIN32
TEST_F(DumpTest, LinksPlantedInTheOutputFolderAreNeverWrittenThrough)
{
    const fs::path outside = fs::path(m_dir.path().toStdString()) / "outside";
    fs::create_directories(outside);
    const fs::path state = m_options.out / ".jvbridge";
    fs::create_directories(state);
    const char *const planted[] = {
        ".jvbridge/state.part",
        ".jvbridge/RACE_20250104_20250105120000_00001_RAVM0001.jvd.part",
        "RACE_20250105_20250105120000_00002_SEVM0002.jvd",
    };
    for (int i = 0; i < 3; ++i) {
        const fs::path victim = outside / ("victim" + std::to_string(i));
        std::ofstream(victim) << "victim";
        fs::create_symlink(victim, m_options.out / planted[i]);
    }
    fs::create_symlink(outside / "nowhere", state / "RACE_20250104_20250105120000_00001_RAVM0001.jvd.1.part");

    ASSERT_EQ(run(), kDumpOk) << m_lines.back();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadBytes(outside / ("victim" + std::to_string(i))), "victim") << planted[i];
    EXPECT_FALSE(fs::exists(outside / "nowhere"));
    const fs::path replaced = m_options.out / planted[2];
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(replaced))) << "the link was replaced, not written through";
    EXPECT_EQ(ReadBytes(replaced), Record("SE", "20250105", 'd'));
    EXPECT_EQ(written().size(), 3u);

    // A folder of the output that is a link or no folder is refused before JV-Link is asked.
    const fs::path elsewhere = outside / "elsewhere";
    fs::create_directories(elsewhere);
    const auto refused = [&](const fs::path &out, const char *what) {
        m_options.out = out;
        m_lines.clear();
        const int opens = m_jv.opens;
        EXPECT_EQ(run(), kDumpWriteError) << what;
        EXPECT_NE(m_lines.back().find("はフォルダではないか、リンクです。"), std::string::npos) << what;
        EXPECT_EQ(m_jv.opens, opens) << what;
        EXPECT_TRUE(fs::is_empty(elsewhere)) << what;
    };
    const fs::path linked = fs::path(m_dir.path().toStdString()) / "linked";
    fs::create_directory_symlink(elsewhere, linked);
    refused(linked, "the output folder is a link");
    const fs::path withLinkedState = fs::path(m_dir.path().toStdString()) / "out2";
    fs::create_directories(withLinkedState);
    fs::create_directory_symlink(elsewhere, withLinkedState / ".jvbridge");
    refused(withLinkedState, ".jvbridge is a link");
    const fs::path withFileState = fs::path(m_dir.path().toStdString()) / "out3";
    fs::create_directories(withFileState);
    std::ofstream(withFileState / ".jvbridge") << "not a folder";
    refused(withFileState, ".jvbridge is a file");
}
#endif

} // namespace
} // namespace velmora::jvbridge
