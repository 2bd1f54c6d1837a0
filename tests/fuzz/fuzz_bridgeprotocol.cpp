// The bridge protocol's decoder on arbitrary bytes: as a request body, as an answer
// body, and as a stream of frames that the bridge's server answers. Nothing may crash,
// and whatever decodes must encode back to the same bytes.
//
// The same bytes are also a script of JV-Link's answers, carried by the protocol into
// the import's read loop and the result fetch; once the script runs out JV-Link repeats
// its last answer for ever. Both must end, within their stall limit on a clock that
// moves only while they wait, so no run waits for real.
#include "core/jvlink/dataimport.h"
#include "core/jvlink/resultfetch.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/settings/inigt.h"
#include "jvbridge/protocol.h"
#include "jvbridge/server.h"
#include "workspace.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace velmora::jvbridge;

/** A JV-Link that answers every call at once; reads end the data after a few records. */
class QuietJVLink : public JVLinkCalls
{
  public:
    std::int32_t init(const std::string &) override { return 0; }
    std::int32_t setUIProperties() override { return 0; }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &, const std::string &, std::int32_t) override { return {0, 1, 0, "x"}; }
    std::int32_t rtOpen(const std::string &, const std::string &) override { return 0; }
    std::int32_t status() override { return 0; }
    ReadResult read(std::int32_t) override { return ++m_reads % 4 ? ReadResult{3, "abc", "f"} : ReadResult{}; }
    std::int32_t skip() override { return 0; }
    std::int32_t cancel() override { return 0; }
    std::int32_t close() override { return 0; }

  private:
    int m_reads = 0;
};

/**
 * JV-Link's answers read from a script: one byte picks each answer (a record whose bytes
 * follow, a file switch, still downloading, an undocumented -2, the end, an error). Once
 * the script is used up the last answer comes again for ever (a record's place taken by
 * "still downloading"), and JVStatus repeats its last count.
 */
class ScriptedAnswers : public JVLinkCalls
{
  public:
    explicit ScriptedAnswers(std::string_view script)
        : m_script(script)
    {}

    std::int32_t init(const std::string &) override { return 0; }
    std::int32_t setUIProperties() override { return 0; }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &, const std::string &, std::int32_t) override
    {
        const int readCount = 1 + take() % 3;
        return {0, readCount, take() % 3, "20250105120000"};
    }
    std::int32_t rtOpen(const std::string &, const std::string &) override { return 0; }
    std::int32_t status() override
    {
        if (!m_script.empty())
            m_status = take() % 5 - 1;
        return m_status;
    }
    ReadResult read(std::int32_t) override
    {
        if (m_script.empty())
            return {m_last > 0 ? -3 : m_last, {}, {}};
        ReadResult result{};
        switch (take() % 6) {
        case 0: {
            const std::size_t length = std::min<std::size_t>(take(), m_script.size());
            result.record = std::string(m_script.substr(0, length));
            m_script.remove_prefix(length);
            result.code = result.record.empty() ? -3 : static_cast<std::int32_t>(result.record.size());
            result.fileName = "RACE.jvd";
            break;
        }
        case 1:
            result.code = -1;
            break;
        case 2:
            result.code = -3;
            break;
        case 3:
            result.code = -2;
            break;
        case 4:
            result.code = 0;
            break;
        default:
            result.code = -502;
        }
        m_last = result.code;
        return result;
    }
    std::int32_t skip() override { return 0; }
    std::int32_t cancel() override { return 0; }
    std::int32_t close() override { return 0; }

  private:
    std::uint8_t take()
    {
        if (m_script.empty())
            return 0;
        const auto byte = static_cast<std::uint8_t>(m_script.front());
        m_script.remove_prefix(1);
        return byte;
    }

    std::string_view m_script;
    std::int32_t m_status = 0;
    std::int32_t m_last = -3;
};

/** The program's side of the protocol in process: each call a request through the bridge's server. */
class Loopback : public velmora::JVLink
{
  public:
    explicit Loopback(Server &server)
        : m_server(server)
    {}

    int JVInit(const QString &sid) override { return code(MessageType::Init, sid.toStdString()); }
    int JVSetUIProperties() override { return code(MessageType::SetUIProperties); }
    int JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount, int &downloadCount,
               QString &lastFileTimestamp) override
    {
        Request request;
        request.type = MessageType::Open;
        request.dataspec = dataspec.toStdString();
        request.fromTime = fromTime.toStdString();
        request.option = option;
        const Answer answer = exchange(request);
        readCount = answer.readCount;
        downloadCount = answer.downloadCount;
        lastFileTimestamp = QString::fromStdString(answer.lastFileTimestamp);
        return answer.code;
    }
    int JVStatus() override { return code(MessageType::Status); }
    int JVRead(std::string &record, int &size, QString &fileName) override
    {
        Request request;
        request.type = MessageType::Read;
        request.size = size;
        Answer answer = exchange(request);
        if (answer.reads.size() != 1)
            std::abort();
        record = std::move(answer.reads.front().record);
        fileName = QString::fromStdString(answer.reads.front().fileName);
        return answer.reads.front().code;
    }
    int JVRTOpen(const QString &dataspec, const QString &key) override
    {
        Request request;
        request.type = MessageType::RTOpen;
        request.dataspec = dataspec.toStdString();
        request.key = key.toStdString();
        return exchange(request).code;
    }
    int JVCancel() override { return code(MessageType::Cancel); }
    int JVClose() override { return code(MessageType::Close); }

  private:
    int code(MessageType type, const std::string &text = {})
    {
        Request request;
        request.type = type;
        request.text = text;
        return exchange(request).code;
    }
    Answer exchange(const Request &request)
    {
        const std::optional<Answer> answer = DecodeAnswer(m_server.handle(EncodeRequest(request)));
        if (!answer || answer->type == MessageType::ErrorAnswer)
            std::abort();
        return *answer;
    }

    Server &m_server;
};

/** An import and a result fetch over the script; either not ending within its limit is a finding. */
void RunScript(std::string_view script)
{
    using namespace std::chrono_literals;
    velmora::fuzz::Workspace workspace;
    velmora::test::FakeTime time;
    const velmora::JVLinkPatience patience = time.patience(1s);

    ScriptedAnswers answers(script);
    Server server(&answers, 0, 64);
    Loopback jvlink(server);
    velmora::RaceDayStore store(workspace.data());
    velmora::TIniGT settings;
    settings.setFileName(workspace.app() + QStringLiteral("/velmora.ini"));
    velmora::SilentImportView view;
    bool cancelled = false;
    velmora::DataImport import(jvlink, store, settings, view, cancelled);
    import.setPatience(patience);
    import.start(QDateTime(QDate(2025, 1, 1), QTime(0, 0)), 1);
    // Polled every 100 ms of the fake clock: only a changed count, one script byte each,
    // keeps the download going past a second.
    for (int polls = 0; import.downloading(); ++polls) {
        if (polls > static_cast<int>(script.size()) + 20)
            std::abort();
        time.now += 100ms;
        import.poll();
    }
    if (import.running())
        std::abort();

    velmora::RaceCard card;
    card.RaceRecords[1] = std::string(11, ' ') + "20250104" + std::string(1251, ' ');
    velmora::ResultFetch fetch(
        jvlink, store, cancelled, [] {}, [] {});
    fetch.setPatience(patience);
    fetch.run(card);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);

    if (const auto request = DecodeRequest(input)) {
        if (EncodeRequest(*request) != input)
            std::abort();
    }
    if (const auto answer = DecodeAnswer(input)) {
        if (EncodeAnswer(*answer) != input)
            std::abort();
    }

    // The same bytes as a stream, in pieces whose size the first byte picks, through a
    // small frame limit so that oversized frames are met too.
    const std::size_t piece = size > 0 ? 1 + data[0] % 16 : 1;
    QuietJVLink jvlink;
    Server server(&jvlink, 0, 64);
    FrameReader reader(4096);
    std::string body;
    for (std::size_t at = 0; at < size; at += piece) {
        reader.feed(input.substr(at, piece));
        for (FrameReader::Status status; (status = reader.next(body)) != FrameReader::Status::NeedMore;) {
            const std::string answer = status == FrameReader::Status::Body ? server.handle(body) : server.tooLarge();
            if (!DecodeAnswer(answer))
                std::abort();
        }
    }

    RunScript(input);
    return 0;
}
