#pragma once

#include "core/jvlink/jvlink.h"
#include "core/jvlink/readloop.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include <QStringList>

namespace velmora::test {

/**
 * A JV-Link whose answers the test sets call by call, and which logs the name
 * of every call in order. Queues that run dry answer as a finished component
 * would: JVStatus with the download count, JVRead with 0 (all read), so a test
 * that scripts too little still ends; or, when told, with one answer for ever.
 */
class ScriptedJVLink : public JVLink
{
  public:
    /** One JVRead answer: a record (its CP932 bytes, as JV-Link hands it out) with its size, or a code. */
    struct Read
    {
        int code = 0;
        std::string record;
    };
    /** A record given as CP932 bytes with its CR LF; JVRead returns its size in bytes. */
    static Read Record(const std::string &cp932) { return {static_cast<int>(cp932.size()), cp932}; }
    static Read Code(int code) { return {code, {}}; }

    int initResult = 0;
    int setUIPropertiesResult = 0;
    // JVOpen
    int openResult = 0;
    int readCount = 1;
    int downloadCount = 0;
    QString timestamp = QStringLiteral("20030406123456");
    QString openedFrom;
    int openedOption = 0;
    // JVStatus, JVRead
    std::deque<int> statuses;
    std::deque<Read> reads;
    /** What JVStatus and JVRead answer once their queues are empty, when not the finished component's answer. */
    std::optional<int> statusForEver;
    std::optional<int> readForEver;
    /** Runs inside JVRead call number hookAtRead (1-based), before it answers. */
    int hookAtRead = 0;
    std::function<void()> hook;
    // JVRTOpen, JVClose
    int rtOpenResult = 0;
    QString rtSpec;
    QString rtKey;
    int closeResult = 0;
    QString errorDetail;

    QStringList calls;
    int count(const char *name) const { return static_cast<int>(calls.count(QLatin1String(name))); }

    void script(std::initializer_list<Read> answers) { reads.insert(reads.end(), answers); }

    int JVInit(const QString &) override { return log("JVInit", initResult); }
    int JVSetUIProperties() override { return log("JVSetUIProperties", setUIPropertiesResult); }
    int JVOpen(const QString &dataspec, const QString &fromTime, int option, int &outReadCount, int &outDownloadCount,
               QString &lastFileTimestamp) override
    {
        openedFrom = dataspec + QLatin1Char(',') + fromTime;
        openedOption = option;
        outReadCount = readCount;
        outDownloadCount = downloadCount;
        lastFileTimestamp = timestamp;
        return log("JVOpen", openResult);
    }
    int JVStatus() override
    {
        int result = statusForEver.value_or(downloadCount);
        if (!statuses.empty()) {
            result = statuses.front();
            statuses.pop_front();
        }
        return log("JVStatus", result);
    }
    int JVRead(std::string &record, int &size, QString &fileName) override
    {
        log("JVRead", 0);
        if (size != 60000)
            return -201; // a caller that forgot the buffer size gets an error it cannot miss
        if (count("JVRead") == hookAtRead && hook)
            hook();
        if (reads.empty())
            return readForEver.value_or(0);
        const Read answer = reads.front();
        reads.pop_front();
        if (answer.code > 0) {
            record = answer.record;
            fileName = QStringLiteral("RACE.jvd");
        }
        return answer.code;
    }
    int JVRTOpen(const QString &dataspec, const QString &key) override
    {
        rtSpec = dataspec;
        rtKey = key;
        return log("JVRTOpen", rtOpenResult);
    }
    int JVCancel() override { return log("JVCancel", 0); }
    int JVClose() override { return log("JVClose", closeResult); }
    QString lastErrorDetail() const override { return errorDetail; }

  private:
    int log(const char *name, int result)
    {
        calls << QLatin1String(name);
        return result;
    }
};

/** Time that passes only when a loop pauses or the test moves it: waiting costs a test nothing. */
struct FakeTime
{
    std::chrono::milliseconds now{0};
    int pauses = 0;

    /** A patience on this time, giving up after `limit` without progress. */
    JVLinkPatience patience(std::chrono::milliseconds limit = kJVLinkStallLimit)
    {
        JVLinkPatience result;
        result.stallLimit = limit;
        result.clock = [this] { return now; };
        result.wait = [this](std::chrono::milliseconds pause) {
            now += pause;
            ++pauses;
        };
        return result;
    }
};

} // namespace velmora::test
