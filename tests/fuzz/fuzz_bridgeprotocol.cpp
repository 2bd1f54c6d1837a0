// The bridge protocol's decoder on arbitrary bytes: as a request body, as an answer
// body, and as a stream of frames that the bridge's server answers. Nothing may crash,
// and whatever decodes must encode back to the same bytes.
//
// The same bytes are also a script of JV-Link's answers for the import's read loop and
// the result fetch; once the script runs out JV-Link repeats its last answer for ever.
// Both must end, within their stall limit on a clock that moves only while they wait,
// so no run waits for real.
#include "core/jvlink/dataimport.h"
#include "core/jvlink/resultfetch.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/settings/settingsfile.h"
#include "core/store/racecard.h"
#include "jvbridge/server.h"
#include "protocol/protocol.h"
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
    std::int32_t fileDelete(const std::string &) override { return 0; }
    std::int32_t setParentWindow(std::uint32_t) override { return 0; }

  private:
    int m_reads = 0;
};

/**
 * An import and a result fetch over JV-Link answers read from the script: one byte picks
 * each (a record whose bytes follow, a file switch, still downloading, an undocumented
 * -2, the end, an error), another each download count; once the script is used up the
 * last answer comes again for ever (a record's place taken by "still downloading").
 * Either loop not ending is a finding (a hang, or too many download polls).
 */
void RunScript(std::string_view script)
{
    using namespace std::chrono_literals;
    using Jv = velmora::test::ScriptedJVLink;
    const auto take = [&script]() -> std::uint8_t {
        if (script.empty())
            return 0;
        const auto byte = static_cast<std::uint8_t>(script.front());
        script.remove_prefix(1);
        return byte;
    };
    Jv jv;
    jv.readCount = 1 + take() % 3;
    jv.downloadCount = take() % 3;
    for (int i = 0; i < 8 && !script.empty(); ++i)
        jv.statuses.push_back(take() % 5 - 1);
    jv.statusForEver = jv.statuses.empty() ? 0 : jv.statuses.back();
    int last = -3;
    while (!script.empty()) {
        const int codes[] = {-1, -3, -2, 0, -502};
        const std::uint8_t pick = take() % 6;
        if (pick < 5) {
            jv.reads.push_back(Jv::Code(last = codes[pick]));
            continue;
        }
        const std::size_t wanted = take();
        const std::size_t length = std::min(wanted, script.size());
        jv.reads.push_back(Jv::Record(std::string(script.substr(0, length))));
        script.remove_prefix(length);
    }
    jv.readForEver = last;

    velmora::fuzz::Workspace workspace;
    velmora::test::FakeTime time;
    velmora::RaceDayStore store(workspace.data());
    velmora::SettingsFile settings;
    settings.setFileName(workspace.app() + QStringLiteral("/velmora.ini"));
    velmora::SilentImportView view;
    bool cancelled = false;
    velmora::DataImport import(jv, store, settings, view, cancelled);
    import.setPatience(time.patience(1s));
    import.start(QDateTime(QDate(2025, 1, 1), QTime(0, 0)), 1);
    // Polled every 100 ms of the fake clock: only a changed count keeps the download going past a second.
    for (int polls = 0; import.downloading(); ++polls) {
        if (polls > 100)
            std::abort();
        time.now += 100ms;
        import.poll();
    }

    velmora::RaceCard card;
    card.RaceRecords[1] = std::string(11, ' ') + "20250104" + std::string(1251, ' ');
    velmora::ResultFetch fetch(
        jv, store, cancelled, [] {}, [] {});
    fetch.setPatience(time.patience(1s));
    jv.reads.clear();
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
