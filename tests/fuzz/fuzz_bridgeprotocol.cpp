// The bridge protocol's decoder on arbitrary bytes: as a request body, as an answer
// body, and as a stream of frames that the bridge's server answers. Nothing may crash,
// and whatever decodes must encode back to the same bytes.
#include "jvbridge/protocol.h"
#include "jvbridge/server.h"

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
    return 0;
}
