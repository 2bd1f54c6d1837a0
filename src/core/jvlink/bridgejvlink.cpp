#include "core/jvlink/bridgejvlink.h"

#include "core/text/sjis.h"

#include <QDeadlineTimer>

namespace velmora {
namespace {

using jvbridge::Answer;
using jvbridge::MessageType;
using jvbridge::Request;

// Results per read exchange: enough to make the pipe's cost per record small, few
// enough that a batch is a fraction of a megabyte.
constexpr std::int32_t kReadBatch = 256;

MessageType ExpectedAnswer(MessageType request)
{
    switch (request) {
    case MessageType::Hello:
        return MessageType::HelloAnswer;
    case MessageType::Open:
        return MessageType::OpenAnswer;
    case MessageType::Read:
        return MessageType::ReadAnswer;
    default:
        return MessageType::ResultAnswer;
    }
}

std::string Utf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

BridgeJVLink::BridgeJVLink(QStringList command, BridgeTimeouts timeouts)
    : m_command(std::move(command))
    , m_timeouts(timeouts)
{
    // The bridge's own messages (and wine's) reach the terminal; the pipe carries only frames.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_WIN
    // No console window beside the desktop program; JV-Link's own windows still show.
    m_process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        constexpr unsigned long kCreateNoWindow = 0x08000000;
        arguments->flags |= kCreateNoWindow;
    });
#endif
}

BridgeJVLink::~BridgeJVLink()
{
    if (!running())
        return;
    // The end of its input lets the bridge close JV-Link and leave by itself.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool BridgeJVLink::running() const
{
    return m_process.state() == QProcess::Running;
}

qint64 BridgeJVLink::processId() const
{
    return running() ? m_process.processId() : 0;
}

int BridgeJVLink::stop(int code)
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_reader = jvbridge::FrameReader();
    m_pending.clear();
    m_readAhead = false;
    return code;
}

int BridgeJVLink::ensureRunning()
{
    if (running())
        return 0;
    stop(0);
    if (m_command.isEmpty())
        return jvbridge::kBridgeNotStarted;
    m_process.setProgram(m_command.front());
    m_process.setArguments(m_command.mid(1) << QStringLiteral("serve"));
    m_process.start();
    if (!m_process.waitForStarted(static_cast<int>(m_timeouts.start.count())))
        return stop(jvbridge::kBridgeNotStarted);

    Request hello;
    hello.type = MessageType::Hello;
    Answer answer;
    if (const int failed = exchange(hello, answer, m_timeouts.start))
        return failed;
    if (answer.protocolVersion != jvbridge::kProtocolVersion)
        return stop(jvbridge::kBridgeWrongVersion);
    if (answer.createResult != 0)
        return stop(jvbridge::kJVLinkNotCreated);
    // JV-Link in a new bridge must know the program as the one before did.
    if (m_initialised)
        return simpleCall(MessageType::Init, m_timeouts.dialog, m_sid);
    return 0;
}

int BridgeJVLink::send(const Request &request)
{
    if (!running())
        return stop(jvbridge::kBridgeEnded);
    const std::string frame = jvbridge::Frame(jvbridge::EncodeRequest(request));
    if (m_process.write(frame.data(), static_cast<qint64>(frame.size())) != static_cast<qint64>(frame.size()))
        return stop(jvbridge::kBridgeEnded);
    // Without an event loop QProcess keeps what is written until it next waits: hand
    // it to the pipe now, so that a batch read ahead starts at once.
    m_process.waitForBytesWritten(0);
    return 0;
}

int BridgeJVLink::receive(MessageType expected, Answer &answer, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    std::string body;
    for (;;) {
        switch (m_reader.next(body)) {
        case jvbridge::FrameReader::Status::Body: {
            std::optional<Answer> decoded = jvbridge::DecodeAnswer(body);
            if (decoded && decoded->type == MessageType::ErrorAnswer)
                return jvbridge::kBridgeRefusedRequest;
            if (!decoded || decoded->type != expected)
                return stop(jvbridge::kBridgeBadAnswer);
            answer = std::move(*decoded);
            return 0;
        }
        case jvbridge::FrameReader::Status::TooLarge:
            return stop(jvbridge::kBridgeBadAnswer);
        case jvbridge::FrameReader::Status::NeedMore:
            break;
        }
        if (!running() && m_process.bytesAvailable() == 0)
            return stop(jvbridge::kBridgeEnded);
        if (deadline.hasExpired())
            return stop(jvbridge::kBridgeTimeout);
        if (m_process.bytesAvailable() == 0)
            m_process.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1000)));
        const QByteArray bytes = m_process.readAllStandardOutput();
        m_reader.feed(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
}

int BridgeJVLink::exchange(const Request &request, Answer &answer, std::chrono::milliseconds timeout)
{
    // A batch read ahead that nobody wants any more is still the answer due first.
    if (m_readAhead) {
        m_readAhead = false;
        Answer unwanted;
        if (const int failed = receive(MessageType::ReadAnswer, unwanted, m_timeouts.call))
            return failed;
    }
    if (const int failed = send(request))
        return failed;
    return receive(ExpectedAnswer(request.type), answer, timeout);
}

int BridgeJVLink::open(const Request &request, Answer &answer)
{
    m_pending.clear();
    if (const int failed = ensureRunning())
        return failed;
    return exchange(request, answer, m_timeouts.dialog);
}

int BridgeJVLink::simpleCall(MessageType type, std::chrono::milliseconds timeout, const std::string &text)
{
    Request request;
    request.type = type;
    request.text = text;
    Answer answer;
    if (const int failed = exchange(request, answer, timeout))
        return failed;
    return answer.code;
}

int BridgeJVLink::JVInit(const QString &sid)
{
    // Kept even when the bridge cannot start now: a bridge started later is
    // initialised with it.
    m_sid = Utf8(sid);
    m_initialised = true;
    if (running())
        return simpleCall(MessageType::Init, m_timeouts.dialog, m_sid);
    return ensureRunning();
}

int BridgeJVLink::JVSetUIProperties()
{
    const auto open = [this] {
        if (const int failed = ensureRunning())
            return failed;
        return simpleCall(MessageType::SetUIProperties, m_timeouts.dialog);
    };
    return m_dialog ? m_dialog(open) : open();
}

int BridgeJVLink::JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount,
                         int &downloadCount, QString &lastFileTimestamp)
{
    readCount = 0;
    downloadCount = 0;
    lastFileTimestamp.clear();
    Request request;
    request.type = MessageType::Open;
    request.dataspec = Utf8(dataspec);
    request.fromTime = Utf8(fromTime);
    request.option = option;
    Answer answer;
    if (const int failed = open(request, answer))
        return failed;
    readCount = answer.readCount;
    downloadCount = answer.downloadCount;
    lastFileTimestamp = QString::fromStdString(answer.lastFileTimestamp);
    return answer.code;
}

int BridgeJVLink::JVStatus()
{
    return simpleCall(MessageType::Status, m_timeouts.call);
}

int BridgeJVLink::JVRead(std::string &record, int &size, QString &fileName)
{
    if (m_pending.empty()) {
        Request request;
        request.type = MessageType::Read;
        request.size = size;
        request.maxResults = kReadBatch;
        Answer answer;
        if (m_readAhead) {
            m_readAhead = false;
            if (const int failed = receive(MessageType::ReadAnswer, answer, m_timeouts.call))
                return failed;
        } else if (const int failed = exchange(request, answer, m_timeouts.call)) {
            return failed;
        }
        if (answer.reads.empty())
            return stop(jvbridge::kBridgeBadAnswer);
        // While Velmora stores this batch the bridge reads the next one, unless the
        // batch ended the data (or met an error or a download still running).
        const std::int32_t last = answer.reads.back().code;
        if ((last > 0 || last == -1) && send(request) == 0)
            m_readAhead = true;
        m_pending.assign(std::make_move_iterator(answer.reads.begin()), std::make_move_iterator(answer.reads.end()));
    }
    const jvbridge::ReadResult read = std::move(m_pending.front());
    m_pending.pop_front();
    if (read.code > 0)
        record = std::move(read.record);
    fileName = QString::fromStdString(read.fileName);
    return read.code;
}

int BridgeJVLink::JVRTOpen(const QString &dataspec, const QString &key)
{
    Request request;
    request.type = MessageType::RTOpen;
    request.dataspec = Utf8(dataspec);
    request.key = Utf8(key);
    Answer answer;
    if (const int failed = open(request, answer))
        return failed;
    return answer.code;
}

int BridgeJVLink::JVCancel()
{
    if (!running())
        return 0;
    return simpleCall(MessageType::Cancel, m_timeouts.call);
}

int BridgeJVLink::JVClose()
{
    m_pending.clear();
    if (!running())
        return 0;
    return simpleCall(MessageType::Close, m_timeouts.call);
}

} // namespace velmora
