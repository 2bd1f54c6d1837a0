#pragma once

// The pipe protocol between Velmora and velmora-jvbridge: plain C++17, no Qt and no
// Windows headers, so that both sides (and the fuzzer) build the same codec.
//
// A frame is a 4-byte little-endian body length followed by the body. A body is one
// byte naming the message, then its fields in a fixed order: integers as 4 bytes
// little-endian (two's complement), byte strings as a 4-byte little-endian length
// followed by the bytes. Texts (service key, dataspec, time stamps, file names) are
// UTF-8; records are the CP932 bytes that JV-Link delivered. Velmora sends one request
// and waits for its answer before the next one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::jvbridge {

/** Raised when the meaning of a message changes; both sides must agree on it. */
constexpr std::uint32_t kProtocolVersion = 2;

/** The largest body either side accepts. A record of JV-Data is at most some tens of kilobytes. */
constexpr std::uint32_t kMaxBodySize = 8u * 1024 * 1024;

/** The most JVRead results one answer may carry, and the bytes of records after which it stops. */
constexpr std::int32_t kMaxReadBatch = 1024;
constexpr std::size_t kReadBatchBytes = 1024 * 1024;

/**
 * Result codes of the bridge itself, worded by JVResultMessage like JV-Link's own.
 * They lie below every code JV-Link returns.
 */
enum BridgeCode : std::int32_t
{
    kBridgeNotStarted = -901,     ///< the bridge program could not be started
    kBridgeEnded = -902,          ///< the bridge ended (or was killed) before it answered
    kBridgeTimeout = -903,        ///< no answer in time; the bridge has been stopped
    kBridgeBadAnswer = -904,      ///< the answer was not a message of this protocol
    kBridgeWrongVersion = -905,   ///< the bridge speaks another protocol version
    kJVLinkNotCreated = -906,     ///< "JVDTLab.JVLink" could not be created in the bridge
    kJVLinkCallFailed = -907,     ///< a call into JV-Link failed as a COM call
    kBridgeRefusedRequest = -908, ///< the bridge answered that the request was malformed
    kRecordSizeMismatch = -909,   ///< a record's bytes did not match the size JV-Link returned for it
};

enum class MessageType : std::uint8_t
{
    // Requests
    Hello = 1,
    Init = 2,
    SetUIProperties = 3,
    SetServiceKey = 4,
    SetSavePath = 5,
    Open = 6,
    RTOpen = 7,
    Status = 8,
    Read = 9,
    Skip = 10,
    Cancel = 11,
    Close = 12,
    SetParentWindow = 13,
    // Answers
    HelloAnswer = 64,
    ResultAnswer = 65,
    OpenAnswer = 66,
    ReadAnswer = 67,
    ErrorAnswer = 68,
};

/** One request; only the fields of its type are sent. */
struct Request
{
    MessageType type = MessageType::Hello;
    std::uint32_t protocolVersion = kProtocolVersion; ///< Hello
    std::string text;                                 ///< Init: sid; SetServiceKey: key; SetSavePath: folder
    std::string dataspec;                             ///< Open, RTOpen
    std::string fromTime;                             ///< Open: yyyymmddhhnnss
    std::int32_t option = 0;                          ///< Open: 1..4
    std::string key;                                  ///< RTOpen
    std::int32_t size = 0;                            ///< Read: JV-Link's buffer size
    std::int32_t maxResults = 1;                      ///< Read: 1..kMaxReadBatch
    std::uint32_t parentWindow = 0;                   ///< SetParentWindow: a native window handle, 0 for none
};

/**
 * One JVRead result: the code, and for a record (code > 0) its CP932 bytes, exactly as
 * many as the code says. The file name is JV-Link's name of the file read (also given
 * with a file switch and with an error where JV-Link names the file).
 */
struct ReadResult
{
    std::int32_t code = 0;
    std::string record;
    std::string fileName;
};

/** One answer; only the fields of its type are sent. */
struct Answer
{
    MessageType type = MessageType::ResultAnswer;
    std::uint32_t protocolVersion = kProtocolVersion; ///< HelloAnswer
    std::uint32_t bitness = 0;                        ///< HelloAnswer: 32 or 64
    std::int32_t createResult = 0;                    ///< HelloAnswer: HRESULT of creating JV-Link, 0 when created
    std::int32_t code = 0;                            ///< ResultAnswer, OpenAnswer
    std::int32_t readCount = 0;                       ///< OpenAnswer
    std::int32_t downloadCount = 0;                   ///< OpenAnswer
    std::string lastFileTimestamp;                    ///< OpenAnswer
    std::vector<ReadResult> reads;                    ///< ReadAnswer: in the order JV-Link gave them
    std::string error;                                ///< ErrorAnswer: what was wrong with the request
};

bool IsRequest(MessageType type);

std::string EncodeRequest(const Request &request);
std::string EncodeAnswer(const Answer &answer);

/**
 * Decodes a body. Nothing is returned for a body that is not exactly one message of
 * the protocol (unknown type, a field cut short, bytes left over, a length beyond the
 * body, a request field out of range); `error` then says why, in English.
 */
std::optional<Request> DecodeRequest(std::string_view body, std::string *error = nullptr);
std::optional<Answer> DecodeAnswer(std::string_view body, std::string *error = nullptr);

/** The frame of a body: its length, then the body. */
std::string Frame(std::string_view body);

/**
 * Cuts a byte stream into frame bodies, whatever pieces it arrives in. A frame longer
 * than the limit is reported once and its bytes are skipped, so that the stream stays
 * in step and the sender gets an answer for it.
 */
class FrameReader
{
  public:
    explicit FrameReader(std::uint32_t maxBodySize = kMaxBodySize)
        : m_maxBodySize(maxBodySize)
    {}

    void feed(const char *data, std::size_t size);
    void feed(std::string_view bytes) { feed(bytes.data(), bytes.size()); }

    enum class Status
    {
        NeedMore, ///< no whole frame yet
        Body,     ///< `body` holds the next frame's body
        TooLarge, ///< a frame over the limit began; its bytes will be skipped
    };
    Status next(std::string &body);

    /** Bytes received but not yet taken as a frame (a cut frame at the end of the stream). */
    std::size_t pending() const { return m_buffer.size() - m_start; }

  private:
    std::uint32_t m_maxBodySize;
    std::string m_buffer;
    std::size_t m_start = 0;    ///< where the next frame begins in m_buffer
    std::uint64_t m_toSkip = 0; ///< bytes of an oversized frame still to drop
};

} // namespace velmora::jvbridge
