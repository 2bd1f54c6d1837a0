#include "jvbridge/server.h"

namespace velmora::jvbridge {
namespace {

std::string Error(std::string why)
{
    Answer answer;
    answer.type = MessageType::ErrorAnswer;
    answer.error = std::move(why);
    return EncodeAnswer(answer);
}

std::string Result(std::int32_t code)
{
    Answer answer;
    answer.type = MessageType::ResultAnswer;
    answer.code = code;
    return EncodeAnswer(answer);
}

bool EndsBatch(std::int32_t code)
{
    return code <= 0 && code != -1;
}

} // namespace

Server::Server(JVLinkCalls *jvlink, std::int32_t createResult, std::uint32_t bitness)
    : m_jvlink(jvlink)
    , m_createResult(createResult)
    , m_bitness(bitness)
{}

std::string Server::tooLarge() const
{
    return Error("message longer than " + std::to_string(kMaxBodySize) + " bytes");
}

std::string Server::handle(std::string_view body)
{
    std::string why;
    const std::optional<Request> request = DecodeRequest(body, &why);
    if (!request)
        return Error(why);
    if (request->type == MessageType::Hello) {
        Answer answer;
        answer.type = MessageType::HelloAnswer;
        answer.bitness = m_bitness;
        answer.createResult = m_jvlink ? 0 : m_createResult;
        return EncodeAnswer(answer);
    }
    if (!m_jvlink) {
        if (request->type != MessageType::Open)
            return Result(kJVLinkNotCreated);
        Answer answer;
        answer.type = MessageType::OpenAnswer;
        answer.code = kJVLinkNotCreated;
        return EncodeAnswer(answer);
    }
    return call(*request);
}

std::string Server::call(const Request &request)
{
    JVLinkCalls &jv = *m_jvlink;
    switch (request.type) {
    case MessageType::Init:
        return Result(jv.init(request.text));
    case MessageType::SetUIProperties:
        return Result(jv.setUIProperties());
    case MessageType::SetServiceKey:
        return Result(jv.setServiceKey(request.text));
    case MessageType::SetSavePath:
        return Result(jv.setSavePath(request.text));
    case MessageType::Open: {
        const JVLinkCalls::OpenResult opened = jv.open(request.dataspec, request.fromTime, request.option);
        Answer answer;
        answer.type = MessageType::OpenAnswer;
        answer.code = opened.code;
        answer.readCount = opened.readCount;
        answer.downloadCount = opened.downloadCount;
        answer.lastFileTimestamp = opened.lastFileTimestamp;
        return EncodeAnswer(answer);
    }
    case MessageType::RTOpen:
        return Result(jv.rtOpen(request.dataspec, request.key));
    case MessageType::Status:
        return Result(jv.status());
    case MessageType::Read: {
        Answer answer;
        answer.type = MessageType::ReadAnswer;
        std::size_t bytes = 0;
        while (static_cast<std::int32_t>(answer.reads.size()) < request.maxResults && bytes < kReadBatchBytes) {
            answer.reads.push_back(jv.read(request.size));
            bytes += answer.reads.back().record.size() + answer.reads.back().fileName.size();
            if (EndsBatch(answer.reads.back().code))
                break;
        }
        return EncodeAnswer(answer);
    }
    case MessageType::Skip:
        return Result(jv.skip());
    case MessageType::Cancel:
        return Result(jv.cancel());
    case MessageType::Close:
        return Result(jv.close());
    case MessageType::SetParentWindow:
        return Result(jv.setParentWindow(request.parentWindow));
    default:
        return Error("not a request");
    }
}

int Serve(Server &server, const std::function<std::size_t(char *buffer, std::size_t size)> &readSome,
          const std::function<bool(std::string_view bytes)> &write)
{
    FrameReader reader;
    std::string body;
    char buffer[64 * 1024];
    for (;;) {
        const std::size_t got = readSome(buffer, sizeof buffer);
        if (got == 0)
            return 0;
        reader.feed(buffer, got);
        for (;;) {
            const FrameReader::Status status = reader.next(body);
            if (status == FrameReader::Status::NeedMore)
                break;
            const std::string answer = status == FrameReader::Status::Body ? server.handle(body) : server.tooLarge();
            if (!write(Frame(answer)))
                return 1;
        }
    }
}

} // namespace velmora::jvbridge
