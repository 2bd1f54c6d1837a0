#pragma once

// The bridge's dump mode: the read loop run by the bridge itself, writing what JV-Link
// delivers into a source folder of Velmora's local JV-Link. Plain C++ over
// JVLinkCalls, so that it is tested natively against a scripted JV-Link.

#include "jvbridge/server.h"
#include "protocol/version.h"

#include <filesystem>
#include <functional>
#include <string>

namespace velmora::jvbridge {

struct DumpOptions
{
    std::filesystem::path out;
    std::string dataspec;    ///< empty: "RACE", or "0B12" with a real-time key
    std::string fromTime;    ///< yyyymmddhhnnss; empty: where the last run ended
    int option = 1;          ///< JVOpen's option, 1..4
    std::string realTimeKey; ///< non-empty: JVRTOpen with this key (yyyymmdd) instead of JVOpen
    std::string sid = version::kSoftwareId;
};

/** What the dump needs of the world; tests give their own. */
struct DumpHooks
{
    /** A line for the person watching (UTF-8), progress and errors alike. */
    std::function<void(const std::string &line)> report;
    /** Waits about `milliseconds` while JV-Link works (the bridge keeps its windows alive meanwhile). */
    std::function<void(int milliseconds)> wait;
    /** The present local time as yyyymmddhhnnss. */
    std::function<std::string()> now;
};

/** Exit statuses of the dump. */
constexpr int kDumpOk = 0;
constexpr int kDumpJVLinkError = 1;
constexpr int kDumpWriteError = 2;
constexpr int kDumpUsage = 3;

/**
 * Runs one dump. Each file JV-Link delivers is written, per meeting date of its
 * records, as "<dataspec>_<meeting date>_<stamp>_<file number>_<JV-Link's file
 * name>.jvd" (the stamp is JVOpen's last file time stamp, or the present time for
 * real-time data), each file appearing whole (written beside it, then renamed).
 * The folder's ".jvbridge" subfolder keeps the state: a run that stopped early is
 * continued by the next one with the same from-time (files already written are
 * skipped with JVSkip), and a run without a from-time starts where the last complete
 * one ended (eight days back for the first run).
 *
 * Nothing is written outside the output folder: an output folder or ".jvbridge" that
 * is a link or no folder is refused (kDumpWriteError), new files are created only
 * where nothing has their name, and a link in the way of a finished file is replaced,
 * never written through.
 *
 * Every JV-Link error ends the dump with its message and kDumpJVLinkError, and so does
 * JV-Link standing still for kNoProgressLimit (no record, no file switch, no change of
 * the download count) and a file switch beyond the files JVOpen announced.
 */
int Dump(JVLinkCalls &jvlink, const DumpOptions &options, const DumpHooks &hooks);

/** A path from UTF-8 text, on every platform. */
std::filesystem::path Utf8Path(const std::string &utf8);

} // namespace velmora::jvbridge
