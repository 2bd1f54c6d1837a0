#include "protocol/protocol.h"

#include <algorithm>

namespace velmora::jvbridge {
namespace {

void PutU32(std::string &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xffu));
}

void PutI32(std::string &out, std::int32_t value)
{
    PutU32(out, static_cast<std::uint32_t>(value));
}

void PutBytes(std::string &out, std::string_view bytes)
{
    PutU32(out, static_cast<std::uint32_t>(bytes.size()));
    out.append(bytes.data(), bytes.size());
}

std::uint32_t ReadU32(const char *data)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

/** Reads fields off a body, remembering the first fault. */
class Cursor
{
  public:
    explicit Cursor(std::string_view body)
        : m_body(body)
    {}

    std::uint32_t u32()
    {
        if (!need(4, "a number is cut short"))
            return 0;
        const std::uint32_t value = ReadU32(m_body.data() + m_at);
        m_at += 4;
        return value;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::string bytes()
    {
        const std::uint32_t size = u32();
        if (!need(size, "a string is longer than the message"))
            return {};
        std::string value(m_body.substr(m_at, size));
        m_at += size;
        return value;
    }
    /** Whether the body was read whole and without fault; sets `error` otherwise. */
    bool finish(std::string *error)
    {
        if (m_fault.empty() && m_at != m_body.size())
            m_fault = "bytes after the end of the message";
        if (!m_fault.empty() && error)
            *error = m_fault;
        return m_fault.empty();
    }
    void fail(const char *why)
    {
        if (m_fault.empty())
            m_fault = why;
    }
    bool failed() const { return !m_fault.empty(); }
    std::size_t remaining() const { return m_body.size() - m_at; }

  private:
    bool need(std::size_t size, const char *why)
    {
        if (failed())
            return false;
        if (m_body.size() - m_at < size) {
            fail(why);
            return false;
        }
        return true;
    }

    std::string_view m_body;
    std::size_t m_at = 0;
    std::string m_fault;
};

bool TypeOf(std::string_view body, MessageType &type, std::string *error)
{
    if (body.empty()) {
        if (error)
            *error = "empty message";
        return false;
    }
    type = static_cast<MessageType>(static_cast<unsigned char>(body.front()));
    return true;
}

} // namespace

bool IsRequest(MessageType type)
{
    return type >= MessageType::Hello && type <= MessageType::SetParentWindow;
}

std::string EncodeRequest(const Request &request)
{
    std::string out(1, static_cast<char>(request.type));
    switch (request.type) {
    case MessageType::Hello:
        PutU32(out, request.protocolVersion);
        break;
    case MessageType::Init:
    case MessageType::SetServiceKey:
    case MessageType::SetSavePath:
        PutBytes(out, request.text);
        break;
    case MessageType::Open:
        PutBytes(out, request.dataspec);
        PutBytes(out, request.fromTime);
        PutI32(out, request.option);
        break;
    case MessageType::RTOpen:
        PutBytes(out, request.dataspec);
        PutBytes(out, request.key);
        break;
    case MessageType::Read:
        PutI32(out, request.size);
        PutI32(out, request.maxResults);
        break;
    case MessageType::SetParentWindow:
        PutU32(out, request.parentWindow);
        break;
    default:
        break;
    }
    return out;
}

std::optional<Request> DecodeRequest(std::string_view body, std::string *error)
{
    Request request;
    if (!TypeOf(body, request.type, error))
        return std::nullopt;
    Cursor in(body.substr(1));
    switch (request.type) {
    case MessageType::Hello:
        request.protocolVersion = in.u32();
        break;
    case MessageType::Init:
    case MessageType::SetServiceKey:
    case MessageType::SetSavePath:
        request.text = in.bytes();
        break;
    case MessageType::Open:
        request.dataspec = in.bytes();
        request.fromTime = in.bytes();
        request.option = in.i32();
        break;
    case MessageType::RTOpen:
        request.dataspec = in.bytes();
        request.key = in.bytes();
        break;
    case MessageType::Read:
        request.size = in.i32();
        request.maxResults = in.i32();
        if (!in.failed() && (request.size < 0 || request.maxResults < 1 || request.maxResults > kMaxReadBatch))
            in.fail("read size or batch out of range");
        break;
    case MessageType::SetParentWindow:
        request.parentWindow = in.u32();
        break;
    case MessageType::SetUIProperties:
    case MessageType::Status:
    case MessageType::Skip:
    case MessageType::Cancel:
    case MessageType::Close:
        break;
    default:
        in.fail("unknown request type");
        break;
    }
    if (!in.finish(error))
        return std::nullopt;
    return request;
}

std::string EncodeAnswer(const Answer &answer)
{
    std::string out(1, static_cast<char>(answer.type));
    switch (answer.type) {
    case MessageType::HelloAnswer:
        PutU32(out, answer.protocolVersion);
        PutU32(out, answer.bitness);
        PutI32(out, answer.createResult);
        break;
    case MessageType::ResultAnswer:
        PutI32(out, answer.code);
        break;
    case MessageType::OpenAnswer:
        PutI32(out, answer.code);
        PutI32(out, answer.readCount);
        PutI32(out, answer.downloadCount);
        PutBytes(out, answer.lastFileTimestamp);
        break;
    case MessageType::ReadAnswer:
        PutU32(out, static_cast<std::uint32_t>(answer.reads.size()));
        for (const ReadResult &read : answer.reads) {
            PutI32(out, read.code);
            PutBytes(out, read.record);
            PutBytes(out, read.fileName);
        }
        break;
    case MessageType::ErrorAnswer:
        PutBytes(out, answer.error);
        break;
    default:
        break;
    }
    return out;
}

std::optional<Answer> DecodeAnswer(std::string_view body, std::string *error)
{
    Answer answer;
    if (!TypeOf(body, answer.type, error))
        return std::nullopt;
    Cursor in(body.substr(1));
    switch (answer.type) {
    case MessageType::HelloAnswer:
        answer.protocolVersion = in.u32();
        answer.bitness = in.u32();
        answer.createResult = in.i32();
        break;
    case MessageType::ResultAnswer:
        answer.code = in.i32();
        break;
    case MessageType::OpenAnswer:
        answer.code = in.i32();
        answer.readCount = in.i32();
        answer.downloadCount = in.i32();
        answer.lastFileTimestamp = in.bytes();
        break;
    case MessageType::ReadAnswer: {
        const std::uint32_t count = in.u32();
        // Each result takes at least 12 bytes: a count beyond that is a lie, and
        // reserving for it would let a few bytes ask for gigabytes.
        if (count > static_cast<std::uint32_t>(kMaxReadBatch) || count > in.remaining() / 12) {
            in.fail("more read results than the message holds");
            break;
        }
        answer.reads.resize(count);
        for (ReadResult &read : answer.reads) {
            read.code = in.i32();
            read.record = in.bytes();
            read.fileName = in.bytes();
        }
        break;
    }
    case MessageType::ErrorAnswer:
        answer.error = in.bytes();
        break;
    default:
        in.fail("unknown answer type");
        break;
    }
    if (!in.finish(error))
        return std::nullopt;
    return answer;
}

std::string Frame(std::string_view body)
{
    std::string out;
    out.reserve(body.size() + 4);
    PutU32(out, static_cast<std::uint32_t>(body.size()));
    out.append(body.data(), body.size());
    return out;
}

void FrameReader::feed(const char *data, std::size_t size)
{
    if (m_toSkip > 0) {
        const std::size_t skipped = static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, size));
        m_toSkip -= skipped;
        data += skipped;
        size -= skipped;
    }
    // Drop what has been taken before the buffer grows, so that it never holds more
    // than one frame and a piece.
    if (m_start > 0 && m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    } else if (m_start > 64 * 1024) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data, size);
}

FrameReader::Status FrameReader::next(std::string &body)
{
    if (pending() < 4)
        return Status::NeedMore;
    const std::uint32_t size = ReadU32(m_buffer.data() + m_start);
    if (size > m_maxBodySize) {
        m_start += 4;
        const std::size_t here = std::min<std::size_t>(pending(), size);
        m_start += here;
        m_toSkip = size - here;
        return Status::TooLarge;
    }
    if (pending() - 4 < size)
        return Status::NeedMore;
    body.assign(m_buffer, m_start + 4, size);
    m_start += 4 + size;
    return Status::Body;
}

} // namespace velmora::jvbridge
