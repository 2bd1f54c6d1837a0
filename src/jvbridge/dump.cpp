#include "jvbridge/dump.h"

#include "jvbridge/confinedfile.h"
#include "protocol/jvresulttext.h"
#include "protocol/readlimits.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>
#include <vector>

namespace velmora::jvbridge {
namespace fs = std::filesystem;
namespace {

constexpr const char *kStateHeader = "velmora-jvbridge dump 1";
constexpr std::int32_t kReadBufferSize = 110000;
constexpr int kPollMilliseconds = 100;
constexpr int kNoProgressMilliseconds =
    static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(kNoProgressLimit).count());
constexpr int kNoProgressMinutes = static_cast<int>(kNoProgressLimit.count());

bool IsDigits(const std::string &text, std::size_t count)
{
    if (text.size() != count)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

/** What the folder remembers of the last run. */
struct State
{
    std::string dataspec;
    int option = 0;
    std::string realTimeKey;
    std::string fromTime;
    std::string lastFileTimestamp;
    bool complete = false;
    std::set<std::string> done; ///< JV-Link's names of the files written whole
};

std::string Utf8(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path StateFolder(const fs::path &out)
{
    return out / ".jvbridge";
}

fs::path StateFile(const fs::path &out)
{
    return StateFolder(out) / "state";
}

std::optional<State> ReadState(const fs::path &out)
{
    // A state that is not a plain file (a link, say) is no state of ours.
    if (KindOfPath(StateFile(out)) != PathKind::File)
        return std::nullopt;
    std::ifstream in(StateFile(out), std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != kStateHeader)
        return std::nullopt;
    State state;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "dataspec")
            state.dataspec = value;
        else if (key == "option")
            state.option = std::atoi(value.c_str());
        else if (key == "rt")
            state.realTimeKey = value;
        else if (key == "from")
            state.fromTime = value;
        else if (key == "last")
            state.lastFileTimestamp = value;
        else if (key == "complete")
            state.complete = value == "1";
        else if (key == "done")
            state.done.insert(value);
    }
    return state;
}

/** Writes `bytes` to `target` through a new file in the state folder; false on any error. */
bool WriteWhole(const fs::path &out, const fs::path &target, const std::string &bytes)
{
    return WriteByRename(target, bytes, StateFolder(out));
}

bool WriteState(const fs::path &out, const State &state)
{
    std::ostringstream text;
    text << kStateHeader << "\ndataspec=" << state.dataspec << "\noption=" << state.option
         << "\nrt=" << state.realTimeKey << "\nfrom=" << state.fromTime << "\nlast=" << state.lastFileTimestamp
         << "\ncomplete=" << (state.complete ? 1 : 0) << '\n';
    for (const std::string &name : state.done)
        text << "done=" << name << '\n';
    return WriteWhole(out, StateFile(out), text.str());
}

/** yyyymmddhhnnss eight days before `now` (also yyyymmddhhnnss). */
std::string EightDaysBefore(const std::string &now)
{
    if (!IsDigits(now, 14))
        return now;
    std::tm time{};
    time.tm_year = std::stoi(now.substr(0, 4)) - 1900;
    time.tm_mon = std::stoi(now.substr(4, 2)) - 1;
    time.tm_mday = std::stoi(now.substr(6, 2)) - 8;
    time.tm_hour = std::stoi(now.substr(8, 2));
    time.tm_min = std::stoi(now.substr(10, 2));
    time.tm_sec = std::stoi(now.substr(12, 2));
    time.tm_isdst = -1;
    std::mktime(&time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.tm_year + 1900, time.tm_mon + 1, time.tm_mday,
                  time.tm_hour, time.tm_min, time.tm_sec);
    return text;
}

/** JV-Link's file name as a safe part of ours: its base name, other bytes than [A-Za-z0-9-] as "_". */
std::string SafeName(const std::string &name)
{
    std::string base = name.substr(0, name.rfind('.'));
    for (char &c : base) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (!plain)
            c = '_';
    }
    return base.substr(0, 80);
}

/** The meeting date of a record (positions 12-19 of every race record), or "00000000". */
std::string MeetingDate(const std::string &record)
{
    const std::string date = record.size() >= 19 ? record.substr(11, 8) : std::string();
    return IsDigits(date, 8) ? date : "00000000";
}

class Dumper
{
  public:
    Dumper(JVLinkCalls &jvlink, const DumpOptions &options, const DumpHooks &hooks)
        : m_jv(jvlink)
        , m_options(options)
        , m_hooks(hooks)
    {}

    int run();

  private:
    /** Reports a JV-Link error, with the file JV-Link named for it when it did. */
    int jvlinkError(const char *operation, int code, const std::string &fileName = {})
    {
        m_hooks.report(std::string(operation) + "エラー:" + JVResultTextUtf8(operation, code) +
                       (fileName.empty() ? std::string() : " ファイル「" + fileName + "」"));
        return kDumpJVLinkError;
    }
    int stopped(const std::string &why)
    {
        m_hooks.report(why);
        return kDumpJVLinkError;
    }
    int writeError(const fs::path &path)
    {
        m_hooks.report("ファイル「" + Utf8(path) + "」に書き込めませんでした。");
        return kDumpWriteError;
    }
    /** Refuses a folder of the output that is a link or no folder. */
    int notAFolder(const fs::path &path)
    {
        m_hooks.report(
            "「" + Utf8(path) +
            "」はフォルダではないか、リンクです。書き出し先とその中の .jvbridge は実在するフォルダにしてください。");
        return kDumpWriteError;
    }
    int ensureFolder(const fs::path &path);
    /** Counts a wait without progress; true once they add up to the limit. */
    bool waitedTooLong()
    {
        m_hooks.wait(kPollMilliseconds);
        m_waitedWithoutProgress += kPollMilliseconds;
        return m_waitedWithoutProgress >= kNoProgressMilliseconds;
    }
    int download(int downloadCount);
    int readLoop(int readCount, bool realTime);
    bool writeFile();

    JVLinkCalls &m_jv;
    const DumpOptions &m_options;
    const DumpHooks &m_hooks;
    State m_state;
    std::string m_stamp;
    std::string m_fileName;                         ///< JV-Link's name of the file being read
    int m_fileNumber = 0;                           ///< its place among the files of this open
    std::map<std::string, std::string> m_byMeeting; ///< its records so far, per meeting date
    fs::path m_failedPath;
    int m_waitedWithoutProgress = 0; ///< milliseconds waited since JV-Link last moved on
};

bool Dumper::writeFile()
{
    if (m_fileName.empty() || m_state.done.count(m_fileName) > 0)
        return true;
    char number[8];
    std::snprintf(number, sizeof number, "%05d", m_fileNumber);
    for (const auto &[meeting, bytes] : m_byMeeting) {
        const fs::path target = m_options.out / Utf8Path(m_state.dataspec + "_" + meeting + "_" + m_stamp + "_" +
                                                         number + "_" + SafeName(m_fileName) + ".jvd");
        if (!WriteWhole(m_options.out, target, bytes)) {
            m_failedPath = target;
            return false;
        }
    }
    m_byMeeting.clear();
    m_state.done.insert(m_fileName);
    if (!WriteState(m_options.out, m_state)) {
        m_failedPath = StateFile(m_options.out);
        return false;
    }
    return true;
}

int Dumper::download(int downloadCount)
{
    int shown = -1;
    m_waitedWithoutProgress = 0;
    for (;;) {
        const int downloaded = m_jv.status();
        if (downloaded < 0)
            return jvlinkError("JVStatus", downloaded);
        const std::string progress = std::to_string(downloaded) + "/" + std::to_string(downloadCount);
        if (downloaded != shown) {
            m_hooks.report("ダウンロード中 (" + progress + ")");
            shown = downloaded;
            m_waitedWithoutProgress = 0;
        }
        if (downloaded >= downloadCount)
            return kDumpOk;
        if (waitedTooLong())
            return stopped("ダウンロードが" + std::to_string(kNoProgressMinutes) + "分間進まないため中止しました（" +
                           progress + "）。");
    }
}

int Dumper::readLoop(int readCount, bool realTime)
{
    bool skipping = false;
    std::string skipped;
    int switches = 0;
    m_waitedWithoutProgress = 0;
    for (;;) {
        const ReadResult read = m_jv.read(kReadBufferSize);
        if (read.code > 0 || read.code == -1)
            m_waitedWithoutProgress = 0;
        if (read.code > 0) {
            if (skipping && read.fileName == skipped)
                continue;
            skipping = false;
            if (read.fileName != m_fileName) {
                // A file that began without a switch before it: the last one ended.
                if (!writeFile())
                    return writeError(m_failedPath);
                m_fileName = read.fileName;
                ++m_fileNumber;
                if (m_state.done.count(m_fileName) > 0) {
                    m_hooks.report("(" + std::to_string(m_fileNumber) + "/" + std::to_string(readCount) + ") " +
                                   m_fileName + " は書き込み済みです");
                    skipping = true;
                    skipped = m_fileName;
                    const int result = m_jv.skip();
                    if (result < 0)
                        return jvlinkError("JVSkip", result);
                    continue;
                }
            }
            // Real-time data is asked for by its key, which the local JV-Link finds in the name.
            m_byMeeting[m_state.realTimeKey.empty() ? MeetingDate(read.record) : m_state.realTimeKey] += read.record;
        } else if (read.code == -1) {
            // JVRTOpen announces no count; after JVOpen a switch beyond the files announced is no data of this open.
            if (!realTime && ++switches > readCount)
                return stopped("JVOpenが知らせたファイル数（" + std::to_string(readCount) +
                               "件）より多くのファイルが届いたため中止しました。");
            if (!writeFile())
                return writeError(m_failedPath);
            if (!m_fileName.empty() && !skipping)
                m_hooks.report("(" + std::to_string(m_fileNumber) + "/" + std::to_string(readCount) + ") " +
                               m_fileName);
            m_fileName.clear();
            skipping = false;
        } else if (read.code == 0) {
            if (!writeFile())
                return writeError(m_failedPath);
            return kDumpOk;
        } else if (read.code == -3) {
            // The file is still downloading. JV-Link documents no other code that asks to call again
            // (-2 is JVOpen's cancelled setup dialog), so any other is an error.
            if (waitedTooLong())
                return stopped("JV-Linkの読み込みが" + std::to_string(kNoProgressMinutes) +
                               "分間進まないため中止しました（JVRead: " + JVResultTextUtf8("JVRead", read.code) +
                               "）。");
        } else {
            return jvlinkError("JVRead", read.code, read.fileName);
        }
    }
}

int Dumper::ensureFolder(const fs::path &path)
{
    if (KindOfPath(path) == PathKind::Missing) {
        std::error_code error;
        fs::create_directories(path, error);
        if (KindOfPath(path) == PathKind::Missing) {
            m_hooks.report("フォルダ「" + Utf8(path) + "」を作れませんでした。");
            return kDumpWriteError;
        }
    }
    return KindOfPath(path) == PathKind::Folder ? kDumpOk : notAFolder(path);
}

int Dumper::run()
{
    // Everything is written into the output folder and its state folder, never through a link out of them.
    if (const int refused = ensureFolder(m_options.out))
        return refused;
    if (const int refused = ensureFolder(StateFolder(m_options.out)))
        return refused;

    const bool realTime = !m_options.realTimeKey.empty();
    m_state.dataspec = !m_options.dataspec.empty() ? m_options.dataspec : realTime ? "0B12" : "RACE";
    m_state.option = realTime ? 0 : m_options.option;
    m_state.realTimeKey = m_options.realTimeKey;
    const std::optional<State> last = ReadState(m_options.out);
    // What the folder holds of the same data decides where a run without a from-time
    // starts; a run that stopped early is continued only by one asking the same.
    const bool sameData = last && last->dataspec == m_state.dataspec && last->realTimeKey == m_state.realTimeKey;
    m_state.fromTime = m_options.fromTime;
    if (m_state.fromTime.empty() && !realTime)
        m_state.fromTime = !sameData        ? EightDaysBefore(m_hooks.now())
                           : last->complete ? last->lastFileTimestamp
                                            : last->fromTime;
    if (sameData && !last->complete && last->option == m_state.option && last->fromTime == m_state.fromTime)
        m_state.done = last->done;

    int result = m_jv.init(m_options.sid);
    if (result != 0)
        return jvlinkError("JVInit", result);

    int readCount = 0;
    int downloadCount = 0;
    if (realTime) {
        result = m_jv.rtOpen(m_state.dataspec, m_options.realTimeKey);
        m_stamp = m_hooks.now();
        if (result != 0 && result != -1)
            return jvlinkError("JVRTOpen", result);
    } else {
        const JVLinkCalls::OpenResult opened = m_jv.open(m_state.dataspec, m_state.fromTime, m_options.option);
        result = opened.code;
        if (result != 0 && result != -1)
            return jvlinkError("JVOpen", result);
        readCount = opened.readCount;
        downloadCount = opened.downloadCount;
        m_stamp = IsDigits(opened.lastFileTimestamp, 14) ? opened.lastFileTimestamp : m_hooks.now();
        m_state.lastFileTimestamp = m_stamp;
        m_hooks.report(m_state.fromTime + " より新しい " + m_state.dataspec + " のファイル: " +
                       std::to_string(readCount) + " 件（ダウンロード " + std::to_string(downloadCount) + " 件）");
    }
    if (result == -1 || (!realTime && readCount == 0)) {
        m_hooks.report("新しいデータはありません。");
        m_jv.close();
        return kDumpOk;
    }
    if (!WriteState(m_options.out, m_state)) {
        m_jv.close();
        return writeError(StateFile(m_options.out));
    }

    int status = downloadCount > 0 ? download(downloadCount) : kDumpOk;
    if (status == kDumpOk)
        status = readLoop(readCount, realTime);
    if (status == kDumpOk) {
        m_state.complete = true;
        m_state.done.clear();
        if (!WriteState(m_options.out, m_state))
            status = writeError(StateFile(m_options.out));
        else if (realTime)
            m_hooks.report("完了しました。");
        else
            m_hooks.report("完了しました。次回は " + m_state.lastFileTimestamp + " より新しいデータを取得します。");
    } else if (status == kDumpJVLinkError) {
        m_jv.cancel();
    }
    m_jv.close();
    return status;
}

} // namespace

fs::path Utf8Path(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

int Dump(JVLinkCalls &jvlink, const DumpOptions &options, const DumpHooks &hooks)
{
    return Dumper(jvlink, options, hooks).run();
}

} // namespace velmora::jvbridge
