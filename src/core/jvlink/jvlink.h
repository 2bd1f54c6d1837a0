#pragma once

#include "protocol/version.h"

#include <functional>
#include <memory>
#include <string>

#include <QString>

namespace velmora {

/**
 * The data-access component of the race-data service, as the program calls it.
 *
 * The calls and result codes are those of the service's component: 0 is success,
 * negative codes are errors (JVResultMessage words them). Every call blocks and
 * comes from one thread. Arguments are plain values and records travel as the bytes
 * JV-Link stores, so that an implementation may live in another process.
 */
class JVLink
{
  public:
    virtual ~JVLink() = default;

    /** Initialises the component with the software identification string. */
    virtual int JVInit(const QString &sid) = 0;

    /** Shows the component's own settings dialog (service key, folders). */
    virtual int JVSetUIProperties() = 0;

    /**
     * Opens the data of `dataspec` newer than `fromTime` (yyyymmddhhnnss) with
     * option 1 (normal data) or 2 (this week's meetings). Sets the number of files
     * to read, the number still to download, and the newest file's time stamp
     * (yyyymmddhhnnss). Returns 0, -1 when nothing is newer, or an error.
     */
    virtual int JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount, int &downloadCount,
                       QString &lastFileTimestamp) = 0;

    /** Files downloaded so far, or a negative error. */
    virtual int JVStatus() = 0;

    /**
     * The next record, with its CR LF, as the CP932 bytes JV-Link stores, in `record`. Returns the record's size in
     * bytes (record.size()), 0 when every file has been read, -1 when the next file begins, -3 while the file is still
     * downloading (call again), or an error. `size` is the caller's buffer size; `fileName` receives the file read.
     */
    virtual int JVRead(std::string &record, int &size, QString &fileName) = 0;

    /** Opens real-time data: `dataspec` "0B12" gives the results of meeting date `key` (yyyymmdd). */
    virtual int JVRTOpen(const QString &dataspec, const QString &key) = 0;

    /** Stops a download. */
    virtual int JVCancel() = 0;

    /** Ends an open; required before the next JVOpen or JVRTOpen. */
    virtual int JVClose() = 0;

    /**
     * What the implementation knows of the cause of the last JVOpen or JVRTOpen that
     * failed or found nothing, or of the last JVRead that failed, in Japanese (for example
     * the source folder it could not use, or the file it was reading), or empty. Not a call of the service's component:
     * the program shows it after the worded result code.
     */
    virtual QString lastErrorDetail() const { return {}; }
};

/** The version text of the program, shown by the about box and sent to JVInit. */
inline const QString kVersionText = QString::fromLatin1(version::kText);

/** The software identification string for JVInit: three fields, each ended by "/", then the version. */
inline QString SoftwareId()
{
    return QString::fromLatin1(version::kSoftwareId);
}

/** The class name by which the program asks for the component. */
inline const QString kJVLinkClassName = QStringLiteral("JVDTLab.JVLink");

/**
 * Creates components by class name; returns nothing when the component is not
 * available. The program holds one factory and passes it to whoever creates.
 */
using JVLinkFactory = std::function<std::unique_ptr<JVLink>(const QString &className)>;

} // namespace velmora
