#pragma once

#include "core/jvlink/jvlink.h"
#include "jvbridge/protocol.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>

#include <QProcess>
#include <QStringList>

namespace velmora {

/** How long BridgeJVLink waits for the bridge. */
struct BridgeTimeouts
{
    /** Starting the bridge and its handshake (under wine a fresh prefix takes seconds). */
    std::chrono::milliseconds start{60000};
    /** Any answer of a call that shows no window. */
    std::chrono::milliseconds call{60000};
    /** JVInit, JVSetUIProperties, JVOpen and JVRTOpen, which may wait for a person in a JV-Link dialog. */
    std::chrono::milliseconds dialog{30 * 60 * 1000};
};

/**
 * The real JV-Link, reached through velmora-jvbridge: a child process that runs
 * beside the 32-bit COM component and speaks the pipe protocol of jvbridge/protocol.h
 * on its standard input and output.
 *
 * The bridge starts at the first JVInit, JVSetUIProperties, JVOpen or JVRTOpen, and
 * again at one of these after it has ended; a bridge started after JVInit is
 * initialised with its sid. Every answer is awaited for a
 * bounded time; a bridge that cannot start, ends, does not answer in time or answers
 * nonsense is stopped, and the call returns one of the bridge codes of protocol.h
 * (JVResultMessage words them), never hangs. JVClose and JVCancel of a bridge that is
 * not running succeed: nothing is open there.
 *
 * JVRead takes the records in batches (one exchange carries hundreds) and hands them
 * out one by one, asking for the next batch as soon as one arrives, so that the bridge
 * reads while Velmora stores; records are the CP932 bytes JV-Link delivered, decoded
 * to UTF-16.
 */
class BridgeJVLink : public JVLink
{
  public:
    /** `command`: the bridge program and its arguments; " serve" is added. */
    explicit BridgeJVLink(QStringList command, BridgeTimeouts timeouts = {});
    ~BridgeJVLink() override;

    BridgeJVLink(const BridgeJVLink &) = delete;
    BridgeJVLink &operator=(const BridgeJVLink &) = delete;

    int JVInit(const QString &sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount, int &downloadCount,
               QString &lastFileTimestamp) override;
    int JVStatus() override;
    int JVRead(std::string &record, int &size, QString &fileName) override;
    int JVRTOpen(const QString &dataspec, const QString &key) override;
    int JVCancel() override;
    int JVClose() override;

    const QStringList &command() const { return m_command; }

    /**
     * What the settings button shows before JV-Link's own dialog: it receives the call
     * that opens JV-Link's dialog and returns JVSetUIProperties' result. Without one,
     * JVSetUIProperties opens JV-Link's dialog at once.
     */
    using SettingsDialog = std::function<int(const std::function<int()> &openJVLinkDialog)>;
    void setSettingsDialog(SettingsDialog dialog) { m_dialog = std::move(dialog); }

    /** The bridge's process id while it runs, else 0 (tests stop it from outside). */
    qint64 processId() const;

  private:
    int ensureRunning();
    int send(const jvbridge::Request &request);
    int receive(jvbridge::MessageType expected, jvbridge::Answer &answer, std::chrono::milliseconds timeout);
    int exchange(const jvbridge::Request &request, jvbridge::Answer &answer, std::chrono::milliseconds timeout);
    /** JVOpen or JVRTOpen: starts the bridge when needed; the open may show JV-Link's dialogs. */
    int open(const jvbridge::Request &request, jvbridge::Answer &answer);
    int simpleCall(jvbridge::MessageType type, std::chrono::milliseconds timeout, const std::string &text = {});
    int stop(int code);
    bool running() const;

    QStringList m_command;
    BridgeTimeouts m_timeouts;
    SettingsDialog m_dialog;
    QProcess m_process;
    jvbridge::FrameReader m_reader;
    std::deque<jvbridge::ReadResult> m_pending; ///< results of the last batch not yet handed out
    bool m_readAhead = false;                   ///< the next batch has been asked for
    std::string m_sid;                          ///< the last JVInit's, replayed after a restart
    bool m_initialised = false;
};

} // namespace velmora
