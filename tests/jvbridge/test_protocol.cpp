#include "jvbridge/server.h"
#include "protocol/protocol.h"

#include <deque>
#include <gtest/gtest.h>

namespace velmora::jvbridge {
namespace {

std::vector<Request> SampleRequests()
{
    std::vector<Request> requests;
    const auto add = [&](MessageType type) -> Request & {
        requests.emplace_back();
        requests.back().type = type;
        return requests.back();
    };
    add(MessageType::Hello).protocolVersion = 7;
    add(MessageType::Init).text = "VELMORA/JDL/LUXIA/Ver.1.30F";
    add(MessageType::SetUIProperties);
    add(MessageType::SetServiceKey).text = "ABCD-EFGH";
    add(MessageType::SetSavePath).text = "C:\\Users\\競馬\\JVData";
    Request &open = add(MessageType::Open);
    open.dataspec = "RACE";
    open.fromTime = "20250101000000";
    open.option = 2;
    Request &rt = add(MessageType::RTOpen);
    rt.dataspec = "0B12";
    rt.key = "20250105";
    Request &read = add(MessageType::Read);
    read.size = 110000;
    read.maxResults = kMaxReadBatch;
    add(MessageType::SetParentWindow).parentWindow = 0x8001a2b4u;
    for (const MessageType type : {MessageType::Status, MessageType::Skip, MessageType::Cancel, MessageType::Close})
        add(type);
    return requests;
}

std::vector<Answer> SampleAnswers()
{
    std::vector<Answer> answers(5);
    answers[0].type = MessageType::HelloAnswer;
    answers[0].bitness = 32;
    answers[0].createResult = static_cast<std::int32_t>(0x80040154);
    answers[1].type = MessageType::ResultAnswer;
    answers[1].code = -504;
    answers[2].type = MessageType::OpenAnswer;
    answers[2].readCount = 12;
    answers[2].downloadCount = 3;
    answers[2].lastFileTimestamp = "20250105123456";
    answers[3].type = MessageType::ReadAnswer;
    answers[3].reads = {{1272, std::string("RA7\x82\xa0\r\n", 7), "RAVM2025.jvd"}, {-1, "", ""}, {0, "", ""}};
    answers[4].type = MessageType::ErrorAnswer;
    answers[4].error = "unknown request type";
    return answers;
}

bool Same(const Request &a, const Request &b)
{
    return EncodeRequest(a) == EncodeRequest(b);
}

bool Same(const Answer &a, const Answer &b)
{
    return EncodeAnswer(a) == EncodeAnswer(b);
}

TEST(BridgeProtocol, EveryMessageSurvivesTheRoundTrip)
{
    for (const Request &request : SampleRequests()) {
        const auto decoded = DecodeRequest(EncodeRequest(request));
        ASSERT_TRUE(decoded) << static_cast<int>(request.type);
        EXPECT_TRUE(Same(*decoded, request));
        EXPECT_EQ(decoded->text, request.text);
        EXPECT_EQ(decoded->option, request.option);
    }
    for (const Answer &answer : SampleAnswers()) {
        const auto decoded = DecodeAnswer(EncodeAnswer(answer));
        ASSERT_TRUE(decoded) << static_cast<int>(answer.type);
        EXPECT_TRUE(Same(*decoded, answer));
    }
    const auto read = DecodeAnswer(EncodeAnswer(SampleAnswers()[3]));
    ASSERT_EQ(read->reads.size(), 3u);
    EXPECT_EQ(read->reads[0].record, std::string("RA7\x82\xa0\r\n", 7)) << "CP932 bytes travel unchanged";
    EXPECT_EQ(read->reads[1].code, -1);
}

TEST(BridgeProtocol, CutOrPaddedMessagesAreRefusedWithAReason)
{
    for (const Request &request : SampleRequests()) {
        const std::string body = EncodeRequest(request);
        for (size_t size = 0; size < body.size(); ++size) {
            std::string why;
            EXPECT_FALSE(DecodeRequest(body.substr(0, size), &why)) << static_cast<int>(request.type) << " at " << size;
            EXPECT_FALSE(why.empty());
        }
        EXPECT_FALSE(DecodeRequest(body + '\0'));
    }
    for (const Answer &answer : SampleAnswers()) {
        const std::string body = EncodeAnswer(answer);
        for (size_t size = 0; size < body.size(); ++size)
            EXPECT_FALSE(DecodeAnswer(body.substr(0, size))) << static_cast<int>(answer.type) << " at " << size;
        EXPECT_FALSE(DecodeAnswer(body + 'x'));
    }
}

TEST(BridgeProtocol, MessagesOfTheWrongKindOrRangeAreRefused)
{
    std::string why;
    EXPECT_FALSE(DecodeRequest(std::string(1, '\x63'), &why));
    EXPECT_EQ(why, "unknown request type");
    EXPECT_FALSE(DecodeAnswer(EncodeRequest(SampleRequests()[2])));
    EXPECT_FALSE(DecodeRequest(EncodeAnswer(SampleAnswers()[1])));

    Request read;
    read.type = MessageType::Read;
    for (const std::int32_t batch : {0, -1, kMaxReadBatch + 1}) {
        read.maxResults = batch;
        EXPECT_FALSE(DecodeRequest(EncodeRequest(read))) << batch;
    }
    read.maxResults = 1;
    read.size = -5;
    EXPECT_FALSE(DecodeRequest(EncodeRequest(read)));

    // A string whose length runs past the body, and a read answer that claims more
    // results than its bytes could hold, must not make the decoder reach or reserve.
    EXPECT_FALSE(DecodeRequest(std::string("\x02\xff\xff\xff\x7f"
                                           "abc",
                                           8)));
    EXPECT_FALSE(DecodeAnswer(std::string("\x43\x00\x00\x00\x40", 5)));
}

TEST(BridgeProtocol, FramesAreFoundWhateverPiecesTheStreamArrivesIn)
{
    std::string stream;
    std::vector<std::string> bodies;
    for (const Answer &answer : SampleAnswers()) {
        bodies.push_back(EncodeAnswer(answer));
        stream += Frame(bodies.back());
    }
    stream += Frame("");
    bodies.emplace_back();
    for (const size_t piece : {size_t(1), size_t(3), size_t(7), stream.size()}) {
        FrameReader reader;
        std::vector<std::string> found;
        std::string body;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.feed(std::string_view(stream).substr(at, piece));
            while (reader.next(body) == FrameReader::Status::Body)
                found.push_back(body);
        }
        EXPECT_EQ(found, bodies) << "pieces of " << piece;
        EXPECT_EQ(reader.pending(), 0u);
    }
}

TEST(BridgeProtocol, AnOversizedFrameIsReportedOnceAndSkipped)
{
    FrameReader reader(16);
    std::string body;
    reader.feed(Frame(std::string(40, 'x')).substr(0, 10));
    EXPECT_EQ(reader.next(body), FrameReader::Status::TooLarge);
    EXPECT_EQ(reader.next(body), FrameReader::Status::NeedMore);
    reader.feed(std::string(34, 'x') + Frame("next"));
    EXPECT_EQ(reader.next(body), FrameReader::Status::Body);
    EXPECT_EQ(body, "next");

    // A length of four gigabytes is refused, not waited for.
    FrameReader huge;
    huge.feed(std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(huge.next(body), FrameReader::Status::TooLarge);
}

/** A JV-Link that hands out scripted read results and counts the reads. */
class ScriptedCalls : public JVLinkCalls
{
  public:
    std::deque<ReadResult> reads;
    int readCalls = 0;

    std::int32_t init(const std::string &) override { return 0; }
    std::int32_t setUIProperties() override { return -100; }
    std::int32_t setServiceKey(const std::string &) override { return 0; }
    std::int32_t setSavePath(const std::string &) override { return 0; }
    OpenResult open(const std::string &, const std::string &, std::int32_t) override { return {0, 3, 1, "x"}; }
    std::int32_t rtOpen(const std::string &, const std::string &) override { return -1; }
    std::int32_t status() override { return 1; }
    ReadResult read(std::int32_t) override
    {
        ++readCalls;
        if (reads.empty())
            return {};
        ReadResult next = reads.front();
        reads.pop_front();
        return next;
    }
    std::int32_t skip() override { return 0; }
    std::int32_t cancel() override { return 0; }
    std::int32_t close() override { return 0; }
    std::int32_t fileDelete(const std::string &) override { return 0; }
    std::int32_t setParentWindow(std::uint32_t window) override
    {
        parentWindow = window;
        return 0;
    }
    std::uint32_t parentWindow = 0;
};

Answer Ask(Server &server, const Request &request)
{
    const auto answer = DecodeAnswer(server.handle(EncodeRequest(request)));
    EXPECT_TRUE(answer);
    return answer.value_or(Answer{});
}

TEST(BridgeServer, AReadBatchStopsAtTheFirstResultThatIsNeitherRecordNorFileSwitch)
{
    ScriptedCalls jv;
    jv.reads = {{10, "0123456789", "A"}, {-1, "", "A"}, {5, "abcde", "B"}, {-3, "", ""}, {5, "fghij", "B"}};
    Server server(&jv, 0, 32);
    Request read;
    read.type = MessageType::Read;
    read.maxResults = 100;
    Answer answer = Ask(server, read);
    ASSERT_EQ(answer.type, MessageType::ReadAnswer);
    ASSERT_EQ(answer.reads.size(), 4u) << "-1 goes on, -3 (still downloading) ends the batch";
    EXPECT_EQ(answer.reads[2].record, "abcde");
    EXPECT_EQ(answer.reads[3].code, -3);

    read.maxResults = 1;
    answer = Ask(server, read);
    ASSERT_EQ(answer.reads.size(), 1u);
    EXPECT_EQ(answer.reads[0].record, "fghij");
    answer = Ask(server, read);
    EXPECT_EQ(answer.reads[0].code, 0);
    EXPECT_EQ(jv.readCalls, 6) << "no read beyond the end";
}

TEST(BridgeServer, CallsAnswerWithJVLinksOwnCodesAndTheHandshakeSaysWhatRuns)
{
    ScriptedCalls jv;
    Server server(&jv, 0, 32);
    Request request;
    request.type = MessageType::Hello;
    Answer answer = Ask(server, request);
    EXPECT_EQ(answer.type, MessageType::HelloAnswer);
    EXPECT_EQ(answer.protocolVersion, kProtocolVersion);
    EXPECT_EQ(answer.bitness, 32u);
    EXPECT_EQ(answer.createResult, 0);

    request.type = MessageType::SetUIProperties;
    EXPECT_EQ(Ask(server, request).code, -100);
    request.type = MessageType::Open;
    answer = Ask(server, request);
    EXPECT_EQ(answer.type, MessageType::OpenAnswer);
    EXPECT_EQ(answer.readCount, 3);
    EXPECT_EQ(answer.downloadCount, 1);
    request.type = MessageType::SetParentWindow;
    request.parentWindow = 0x00030e52u;
    EXPECT_EQ(Ask(server, request).code, 0);
    EXPECT_EQ(jv.parentWindow, 0x00030e52u);

    Server without(nullptr, static_cast<std::int32_t>(0x80040154), 32);
    request.type = MessageType::Hello;
    EXPECT_EQ(Ask(without, request).createResult, static_cast<std::int32_t>(0x80040154));
    request.type = MessageType::Open;
    EXPECT_EQ(Ask(without, request).code, kJVLinkNotCreated);
    request.type = MessageType::Status;
    EXPECT_EQ(Ask(without, request).code, kJVLinkNotCreated);
}

TEST(BridgeServer, TheServeLoopAnswersEveryFrameGoodOrBadAndEndsWithTheInput)
{
    ScriptedCalls jv;
    jv.reads = {{3, "abc", "A"}};
    Server server(&jv, 0, 64);
    Request status;
    status.type = MessageType::Status;
    Request read;
    read.type = MessageType::Read;
    read.maxResults = 10;
    std::string input = Frame(EncodeRequest(status)) + Frame("\x63") + Frame(EncodeRequest(read));
    // An oversized frame whose bytes never all arrive: answered, then the input ends.
    input += std::string("\x00\x00\x00\x7f", 4) + "tail";
    size_t at = 0;
    std::string output;
    const int result = Serve(
        server,
        [&](char *buffer, size_t size) {
            const size_t taken = std::min<size_t>({size, input.size() - at, 5});
            input.copy(buffer, taken, at);
            at += taken;
            return taken;
        },
        [&](std::string_view bytes) {
            output += bytes;
            return true;
        });
    EXPECT_EQ(result, 0);
    FrameReader reader;
    reader.feed(output);
    std::vector<Answer> answers;
    std::string body;
    while (reader.next(body) == FrameReader::Status::Body)
        answers.push_back(DecodeAnswer(body).value());
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[0].code, 1);
    EXPECT_EQ(answers[1].type, MessageType::ErrorAnswer);
    EXPECT_EQ(answers[2].reads.size(), 2u);
    EXPECT_EQ(answers[3].type, MessageType::ErrorAnswer);
    EXPECT_NE(answers[3].error.find("longer than"), std::string::npos);
}

} // namespace
} // namespace velmora::jvbridge
