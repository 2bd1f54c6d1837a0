// A native stand-in for velmora-jvbridge: the bridge's own serve loop and protocol
// over a scripted JV-Link, so that BridgeJVLink's tests (ASan included) need no wine.
//
//   fakejvbridge [--source DIR] [--rt-source DIR] [--stamp yyyymmddhhnnss] [--die-at-read N] [--stall-at-read N]
//                [--once-marker FILE] [--garbage] [--version V] [--not-created] [--read-for-ever CODE]
//                [--status-for-ever N] [--close-result CODE] [--log FILE] serve
//
// The JV-Link serves the files of DIR in name order, their CR LF records one by one,
// -1 after each file and 0 at the end; JVRTOpen serves the files of --rt-source the same
// way (without it, it finds nothing). --read-for-ever answers CODE instead of the end, for
// ever; --status-for-ever makes JVOpen announce a download of every file and JVStatus
// answer N for ever; --close-result is JVClose's answer. --die-at-read makes the N-th JVRead kill the
// process (with --once-marker only while FILE does not exist, creating it),
// --stall-at-read makes it sleep for ever, --garbage answers everything after the
// handshake with bytes that are not a message, --version and --not-created change the
// handshake; --log appends a line per call that opens or may show a dialog ("JVOpen",
// "ParentHWnd=N", ...).

#include "jvbridge/server.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora::jvbridge;

struct Options
{
    std::string source;
    std::string rtSource;
    std::string stamp = "20250105120000";
    std::optional<std::int32_t> readForEver;
    std::optional<std::int32_t> statusForEver;
    std::int32_t closeResult = 0;
    long dieAtRead = 0;
    std::string onceMarker;
    long stallAtRead = 0;
    bool garbage = false;
    std::uint32_t version = kProtocolVersion;
    bool notCreated = false;
    std::string log;
};

class FakeJVLink : public JVLinkCalls
{
  public:
    explicit FakeJVLink(const Options &options)
        : m_options(options)
    {}

    std::int32_t init(const std::string &sid) override
    {
        log("JVInit");
        m_initialised = !sid.empty();
        return m_initialised ? 0 : -101;
    }
    std::int32_t setUIProperties() override
    {
        log("JVSetUIProperties");
        return 0;
    }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &dataspec, const std::string &, std::int32_t) override
    {
        log("JVOpen");
        OpenResult result;
        if (!m_initialised) {
            result.code = -201;
            return result;
        }
        if (dataspec != "RACE") {
            result.code = -111;
            return result;
        }
        load(m_options.source);
        result.code = m_files.empty() ? -1 : 0;
        result.readCount = static_cast<std::int32_t>(m_files.size());
        if (m_options.statusForEver)
            result.downloadCount = result.readCount;
        result.lastFileTimestamp = m_files.empty() ? std::string() : m_options.stamp;
        return result;
    }
    std::int32_t rtOpen(const std::string &, const std::string &) override
    {
        if (m_options.rtSource.empty())
            return -1;
        load(m_options.rtSource);
        return m_files.empty() ? -1 : 0;
    }
    std::int32_t status() override { return m_options.statusForEver.value_or(0); }
    ReadResult read(std::int32_t) override
    {
        ++m_reads;
        if (m_reads == m_options.dieAtRead && dieNow())
            std::raise(SIGKILL);
        if (m_reads == m_options.stallAtRead)
            std::this_thread::sleep_for(std::chrono::hours(1));
        ReadResult result;
        if (m_file >= m_files.size()) {
            result.code = m_options.readForEver.value_or(0);
            return result;
        }
        if (!m_loaded) {
            std::ifstream in(m_files[m_file], std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            m_records.clear();
            for (size_t start = 0; start < bytes.size();) {
                size_t end = bytes.find("\r\n", start);
                end = end == std::string::npos ? bytes.size() : end + 2;
                m_records.push_back(bytes.substr(start, end - start));
                start = end;
            }
            m_next = 0;
            m_loaded = true;
        }
        result.fileName = m_files[m_file].filename().string();
        if (m_next >= m_records.size()) {
            ++m_file;
            m_loaded = false;
            result.code = -1;
            return result;
        }
        result.record = m_records[m_next++];
        result.code = static_cast<std::int32_t>(result.record.size());
        return result;
    }
    std::int32_t skip() override
    {
        m_next = m_records.size();
        return 0;
    }
    std::int32_t cancel() override { return 0; }
    std::int32_t close() override
    {
        m_files.clear();
        return m_options.closeResult;
    }
    std::int32_t fileDelete(const std::string &) override { return 0; }
    std::int32_t setParentWindow(std::uint32_t window) override
    {
        log("ParentHWnd=" + std::to_string(window));
        return 0;
    }

  private:
    void log(const std::string &line) const
    {
        if (!m_options.log.empty())
            std::ofstream(m_options.log, std::ios::app) << line << '\n';
    }

    void load(const std::string &folder)
    {
        m_files.clear();
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            m_files.push_back(entry.path());
        std::sort(m_files.begin(), m_files.end());
        m_file = 0;
        m_records.clear();
        m_loaded = false;
    }

    bool dieNow() const
    {
        if (m_options.onceMarker.empty())
            return true;
        if (std::filesystem::exists(m_options.onceMarker))
            return false;
        std::ofstream(m_options.onceMarker) << "died\n";
        return true;
    }

    const Options &m_options;
    std::vector<std::filesystem::path> m_files;
    size_t m_file = 0;
    std::vector<std::string> m_records;
    size_t m_next = 0;
    bool m_loaded = false;
    long m_reads = 0;
    bool m_initialised = false;
};

bool WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(1, bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (arg == "--source")
            options.source = value();
        else if (arg == "--stamp")
            options.stamp = value();
        else if (arg == "--die-at-read")
            options.dieAtRead = std::atol(value().c_str());
        else if (arg == "--once-marker")
            options.onceMarker = value();
        else if (arg == "--stall-at-read")
            options.stallAtRead = std::atol(value().c_str());
        else if (arg == "--version")
            options.version = static_cast<std::uint32_t>(std::atol(value().c_str()));
        else if (arg == "--garbage")
            options.garbage = true;
        else if (arg == "--not-created")
            options.notCreated = true;
        else if (arg == "--log")
            options.log = value();
        else if (arg == "--rt-source")
            options.rtSource = value();
        else if (arg == "--read-for-ever")
            options.readForEver = std::atoi(value().c_str());
        else if (arg == "--status-for-ever")
            options.statusForEver = std::atoi(value().c_str());
        else if (arg == "--close-result")
            options.closeResult = std::atoi(value().c_str());
    }
    FakeJVLink jvlink(options);
    Server server(options.notCreated ? nullptr : &jvlink, static_cast<std::int32_t>(0x80040154), 64);
    bool greeted = false;
    const auto readSome = [](char *buffer, std::size_t size) {
        const ssize_t got = ::read(0, buffer, size);
        return got > 0 ? static_cast<std::size_t>(got) : std::size_t(0);
    };
    const auto write = [&](std::string_view frame) {
        if (!greeted) {
            greeted = true;
            if (options.version != kProtocolVersion) {
                Answer hello;
                hello.type = MessageType::HelloAnswer;
                hello.protocolVersion = options.version;
                return WriteAll(Frame(EncodeAnswer(hello)));
            }
            return WriteAll(frame);
        }
        return WriteAll(options.garbage ? std::string_view("\x05\x00\x00\x00\x7fjunk", 9) : frame);
    };
    return Serve(server, readSome, write);
}
