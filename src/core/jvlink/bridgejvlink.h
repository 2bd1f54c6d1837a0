#pragma once

#include "core/jvlink/jvlink.h"
#include "protocol/protocol.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include <QProcess>
#include <QStringList>

namespace velmora {

/**
 * How long BridgeJVLink waits for the bridge. Only the calls that may show a JV-Link
 * dialog wait long, since a person may be reading it: JVSetUIProperties (JV-Link's
 * settings), JVOpen (JV-Link's notices, its version-up and setup dialogs), JVRTOpen (which
 * signs in to the service as JVOpen does) and JVInit (JV-Link's own start).
 */
struct BridgeTimeouts
{
    /** Starting the bridge and its handshake (under wine a fresh prefix takes seconds). */
    std::chrono::milliseconds start{60000};
    /** Any answer of a call that shows no window. */
    std::chrono::milliseconds call{60000};
    /** JVInit, JVSetUIProperties, JVOpen and JVRTOpen. */
    std::chrono::milliseconds dialog{30 * 60 * 1000};
};

/**
 * The real JV-Link, reached through velmora-jvbridge: a child process that runs
 * beside the 32-bit COM component and speaks the pipe protocol of protocol/protocol.h
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
 * reads while Velmora stores; records are the CP932 bytes JV-Link delivered, as many as
 * the code says (a record whose bytes do not match its code is jvbridge::kRecordSizeMismatch).
 */
class BridgeJVLink : public JVLink
{
  public:
    /**
     * `command`: the bridge program and its arguments; " serve" is added. `fallback`: the
     * bridge started instead when the first cannot create JV-Link (the 64-bit bridge for a PC
     * that has only the 64-bit JV-Link), used from then on; empty for none.
     */
    explicit BridgeJVLink(QStringList command, BridgeTimeouts timeouts = {}, QStringList fallback = {});
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
    /** Also names the file of the last JVRead that failed, when JV-Link named one. */
    QString lastErrorDetail() const override { return m_errorDetail; }

    /** The command of the bridge in use: the fallback once it has taken over. */
    const QStringList &command() const { return m_usingFallback ? m_fallback : m_command; }
    /** 32 or 64: the bridge's build, as its handshake said; 0 before a bridge has answered. */
    int bitness() const { return m_bitness; }

    /**
     * Called before every call that may show a JV-Link dialog with the bridge's process
     * id: lets that process bring its windows to the front (on Windows) and returns the
     * native window JV-Link's dialogs are to belong to (JV-Link's ParentHWnd), 0 for none.
     */
    using DialogOwner = std::function<std::uint32_t(qint64 processId)>;
    void setDialogOwner(DialogOwner owner) { m_dialogOwner = std::move(owner); }

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
    /** Starts `command` and shakes hands: 0, or the bridge code of the failure (the bridge stopped). */
    int start(const QStringList &command);
    /** Tells JV-Link the owner of its dialogs when that has changed. */
    int prepareDialogs();
    /** Before a call that may show a dialog: the bridge runs and knows the dialogs' owner. */
    int readyForDialog();
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
    QStringList m_fallback;
    bool m_usingFallback = false;
    int m_bitness = 0;
    SettingsDialog m_dialog;
    DialogOwner m_dialogOwner;
    std::uint32_t m_sentOwner = 0; ///< the ParentHWnd the running bridge has; JV-Link starts with none
    QString m_errorDetail;
    QProcess m_process;
    jvbridge::FrameReader m_reader;
    std::deque<jvbridge::ReadResult> m_pending; ///< results of the last batch not yet handed out
    bool m_readAhead = false;                   ///< the next batch has been asked for
    std::string m_sid;                          ///< the last JVInit's, replayed after a restart
    bool m_initialised = false;
};

} // namespace velmora
