#include "jvsource/sourcereader.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace velmora::jvsource {
namespace {

/** A source folder and a cache in memory. */
class MemorySource : public SourceAccess
{
  public:
    std::vector<ListedFile> listed;
    std::map<std::string, std::string> bytes; ///< by path
    std::set<std::string> cache;              ///< cache names
    std::set<std::string> failingCopies;      ///< names whose copy fails

    void add(const std::string &name, const std::string &contents, const std::string &modified = "20261203080000")
    {
        listed.push_back({name, "/source/" + name, contents.size(), modified, 0});
        bytes[listed.back().path] = contents;
    }

    int checkSource() override { return code::Ok; }
    std::vector<ListedFile> listFiles() override { return listed; }
    bool readFile(const std::string &path, std::string &out) override
    {
        const auto found = bytes.find(path);
        if (found == bytes.end())
            return false;
        out = found->second;
        return true;
    }
    bool isCached(const ServedFile &file) override { return cache.count(file.cacheName()) > 0; }
    bool prepareCache() override { return true; }
    bool copyIntoCache(const ServedFile &file) override
    {
        if (failingCopies.count(file.name))
            return false;
        cache.insert(file.cacheName());
        return true;
    }
    bool readCached(const ServedFile &file, std::string &out) override
    {
        return cache.count(file.cacheName()) && readFile(file.path, out);
    }
};

struct Read
{
    int code;
    std::string record;
    std::string file;
};

std::vector<Read> ReadToEnd(SourceReader &reader)
{
    std::vector<Read> reads;
    for (int i = 0; i < 100; ++i) {
        Read read{0, {}, {}};
        const ServedFile *file = nullptr;
        read.code = reader.read(read.record, file);
        if (file)
            read.file = file->name;
        reads.push_back(read);
        if (read.code == 0 || read.code < -1)
            break;
    }
    return reads;
}

/** The names of the files read, one per file switch. */
std::vector<std::string> FilesRead(const std::vector<Read> &reads)
{
    std::vector<std::string> names;
    for (const Read &read : reads) {
        if (read.code == code::NoData)
            names.push_back(read.file);
    }
    return names;
}

TEST(SourceReader, AFilesNameSaysItsDataMeetingAndStampOnlyWhenWhollyWellFormed)
{
    MemorySource source;
    const std::string record = "RA\r\n";
    source.add("RACE_20261205_20261206120000_09.jvd", record);
    source.add("RACE_20261205_20261206110000.jvd", record);
    source.add("RACE_20261205_20261206100000_.jvd", record);
    // Not a time: stamped with its modification time instead.
    source.add("RACE_20261205_20261232000000_x.jvd", record, "20261204090000");
    // Other names hold race data, stamped with their modification time.
    source.add("RACE_20261205_20261206100000.jvd.txt", record, "20261204080000");
    source.add("race_20261205_20261206100000.jvd", record, "20261204070000");
    source.add("RACE_20261205_20261206100000x.jvd", record, "20261204050000");
    source.add("0B12_2026120x_20261206100000_06.jvd", record, "20261204060000");
    source.add("0B12_20261205_20261206100000_06.jvd", record);
    // Too large to be JV-Data, and stamped before the from-time.
    source.listed.push_back({"huge.dat", "/source/huge.dat", kMaxSourceFileSize + 1, "20261206000000", 0});
    source.add("old.dat", record, "20261201000000");
    SourceReader reader(source);
    ASSERT_EQ(reader.init("SID"), code::Ok);

    SourceReader::OpenCounts counts;
    ASSERT_EQ(reader.open("RACE", "20261201000000", 1, {}, counts), code::Ok);
    EXPECT_EQ(counts.readCount, 8);
    EXPECT_EQ(counts.downloadCount, 8);
    EXPECT_EQ(counts.lastFileTimestamp, "20261206120000");
    reader.download(std::chrono::milliseconds(0), std::atomic<bool>(false));
    EXPECT_EQ(reader.status(), 8);
    EXPECT_EQ(FilesRead(ReadToEnd(reader)),
              (std::vector<std::string>{"RACE_20261205_20261206100000x.jvd", "0B12_2026120x_20261206100000_06.jvd",
                                        "race_20261205_20261206100000.jvd", "RACE_20261205_20261206100000.jvd.txt",
                                        "RACE_20261205_20261232000000_x.jvd", "RACE_20261205_20261206100000_.jvd",
                                        "RACE_20261205_20261206110000.jvd", "RACE_20261205_20261206120000_09.jvd"}));
    reader.close();

    // Real-time data by the meeting date of its name, whatever its stamp.
    EXPECT_EQ(reader.openRealTime("0B12", "20261206"), code::NoData);
    ASSERT_EQ(reader.openRealTime("0B12", "20261205"), code::Ok);
    EXPECT_EQ(FilesRead(ReadToEnd(reader)), std::vector<std::string>{"0B12_20261205_20261206100000_06.jvd"});
}

TEST(SourceReader, FilesAreReadAsTheyArriveInTheCacheAndAFailedCopyIsNotAwaited)
{
    MemorySource source;
    source.add("RACE_20261205_20261206100000.jvd", "RA1\r\nRA2\r\n");
    source.add("RACE_20261205_20261206110000.jvd", "SE1\r\n");
    source.add("RACE_20261205_20261206120000.jvd", "HR1\r\n");
    SourceReader reader(source);
    ASSERT_EQ(reader.init("SID"), code::Ok);
    // The second file is in the cache already: only the others are downloaded.
    source.cache.insert("20261206110000_5_RACE_20261205_20261206110000.jvd");
    SourceReader::OpenCounts counts;
    ASSERT_EQ(reader.open("RACE", "20261201000000", 1, {}, counts), code::Ok);
    EXPECT_EQ(counts.downloadCount, 2);

    std::string record;
    const ServedFile *file = nullptr;
    EXPECT_EQ(reader.read(record, file), code::Downloading);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(reader.fileToLoad(), nullptr) << "nothing to load before its copy arrives";

    source.failingCopies.insert("RACE_20261205_20261206120000.jvd");
    reader.download(std::chrono::milliseconds(0), std::atomic<bool>(false));
    EXPECT_EQ(reader.status(), code::DownloadFailed);
    std::size_t place = 9;
    ASSERT_NE(reader.fileToLoad(&place), nullptr);
    EXPECT_EQ(place, 0u);
    EXPECT_EQ(reader.read(record, file), 5);
    EXPECT_EQ(record, "RA1\r\n");
    // JVSkip leaves the rest of the file: its switch comes next.
    reader.skipFile();
    EXPECT_EQ(reader.read(record, file), code::NoData);
    EXPECT_EQ(file->name, "RACE_20261205_20261206100000.jvd");
    EXPECT_EQ(reader.read(record, file), 5);
    EXPECT_EQ(record, "SE1\r\n");
    EXPECT_EQ(reader.read(record, file), code::NoData);
    // The copy that failed never arrives: the read says so rather than asking to wait.
    EXPECT_EQ(reader.read(record, file), code::DownloadFailed);
    ASSERT_NE(reader.findFile("RACE_20261205_20261206120000.jvd"), nullptr);
    EXPECT_EQ(reader.findFile("other.jvd"), nullptr);

    reader.close();
    EXPECT_EQ(reader.status(), code::NotOpen);
    EXPECT_EQ(reader.read(record, file), code::NotOpen);
}

} // namespace
} // namespace velmora::jvsource
