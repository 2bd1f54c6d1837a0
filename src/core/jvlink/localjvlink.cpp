#include "core/jvlink/localjvlink.h"

#include "core/settings/settingsfile.h"
#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora {
namespace {

const QString kRace = QStringLiteral("RACE");
const QString kResults = QStringLiteral("0B12");
const QString kSection = QStringLiteral("JVLink");
const QString kDefaultServiceKey = QStringLiteral("SAMPLE");
const QString kStampFormat = QStringLiteral("yyyyMMddHHmmss");

// Larger files are not JV-Data; reading them whole would only waste memory.
constexpr qint64 kMaxSourceFileSize = 256LL * 1024 * 1024;

// Result codes of the component.
constexpr int kOk = 0;
constexpr int kNoData = -1;
constexpr int kDownloading = -3;
constexpr int kSettingsFailed = -100;
constexpr int kSidMissing = -101;
constexpr int kSidTooLong = -102;
constexpr int kSidLeadingBlank = -103;
constexpr int kBadDataspec = -111;
constexpr int kBadFromDate = -112;
constexpr int kBadKey = -114;
constexpr int kBadOption = -115;
constexpr int kBadOptionForDataspec = -116;
constexpr int kNotInitialised = -201;
constexpr int kStillOpen = -202;
constexpr int kNotOpen = -203;
constexpr int kBadSettings = -211;
constexpr int kNoServiceKey = -303;
constexpr int kBadFileContent = -403;
constexpr int kDownloadFailed = -502;

QDateTime ToSeconds(const QDateTime &time)
{
    return QDateTime::fromSecsSinceEpoch(time.toSecsSinceEpoch());
}

/** The meeting dates of the records in a file: positions 12-19 of every record. */
bool HasMeetingWithin(const QString &path, QDate today)
{
    QByteArray bytes;
    if (ReadRegularFile(path, kMaxSourceFileSize, bytes) != ReadStatus::Ok)
        return false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            end = bytes.size();
        if (end - start >= 19) {
            const QDate date =
                QDate::fromString(QString::fromLatin1(bytes.mid(start + 11, 8)), QStringLiteral("yyyyMMdd"));
            if (date.isValid() && IsThisWeeksMeeting(date, today))
                return true;
        }
        start = end + 2;
    }
    return false;
}

/**
 * Copies a source file into the cache: the copy appears whole or not at all, and
 * carries the source's modification time, which tells a later open whether the
 * source has changed since.
 */
bool CopyIntoCache(const QString &source, const QString &target, const QDateTime &modified)
{
    QByteArray bytes;
    if (ReadRegularFile(source, kMaxSourceFileSize, bytes) != ReadStatus::Ok ||
        !WriteFileAtomically(target, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        return false;
    QFile copy(target);
    if (copy.open(QIODevice::ReadOnly) && copy.setFileTime(modified, QFileDevice::FileModificationTime))
        return true;
    QFile::remove(target);
    return false;
}

SettingsFile LocalSettingsFile(const QString &home)
{
    SettingsFile ini;
    ini.setFileName(home + QStringLiteral("/JVLink.ini"));
    return ini;
}

} // namespace

bool IsThisWeeksMeeting(QDate meeting, QDate today)
{
    return std::abs(today.daysTo(meeting)) <= 6;
}

JVLinkFactory LocalJVLinkFactory(const QString &appFolder, std::function<void(LocalJVLink &)> configure)
{
    return [appFolder, configure](const QString &className) -> std::unique_ptr<JVLink> {
        if (className != kJVLinkClassName)
            return nullptr;
        const QString home = appFolder + QStringLiteral("/JVLink");
        auto jvlink = std::make_unique<LocalJVLink>(home, home + QStringLiteral("/source"));
        if (configure)
            configure(*jvlink);
        return jvlink;
    };
}

LocalJVLink::LocalJVLink(QString home, QString defaultSource)
    : m_home(std::move(home))
    , m_defaultSource(std::move(defaultSource))
    , m_clock([] { return QDateTime::currentDateTime(); })
{}

LocalJVLink::~LocalJVLink()
{
    stopDownload();
}

LocalJVLinkSettings LocalJVLink::settings() const
{
    const SettingsFile ini = LocalSettingsFile(m_home);
    return {ini.ReadString(kSection, QStringLiteral("SourceFolder"), m_defaultSource),
            ini.ReadString(kSection, QStringLiteral("ServiceKey"), kDefaultServiceKey)};
}

bool LocalJVLink::setSettings(const LocalJVLinkSettings &settings)
{
    if (!QDir().mkpath(m_home))
        return false;
    SettingsFile ini = LocalSettingsFile(m_home);
    // Quoted, so that blanks at either end of a folder name survive.
    const auto quoted = [](const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); };
    return ini.WriteString(kSection, QStringLiteral("SourceFolder"), quoted(settings.sourceFolder)) &&
           ini.WriteString(kSection, QStringLiteral("ServiceKey"), quoted(settings.serviceKey));
}

void LocalJVLink::setSourceOverride(const QString &folder)
{
    m_sourceOverride = folder;
}

QString LocalJVLink::sourceFolder() const
{
    return m_sourceOverride.isEmpty() ? settings().sourceFolder : m_sourceOverride;
}

QString LocalJVLink::cacheFolder() const
{
    return m_home + QStringLiteral("/cache");
}

int LocalJVLink::JVInit(const QString &sid)
{
    if (sid.isEmpty())
        return kSidMissing;
    if (ToSjis(sid).size() >= 64)
        return kSidTooLong;
    if (sid.startsWith(QLatin1Char(' ')))
        return kSidLeadingBlank;
    m_initialised = true;
    return kOk;
}

int LocalJVLink::JVSetUIProperties()
{
    if (!m_dialog)
        return kSettingsFailed;
    LocalJVLinkSettings edited = settings();
    if (!m_dialog(edited))
        return kOk;
    return setSettings(edited) ? kOk : kSettingsFailed;
}

bool LocalJVLink::ensureSource()
{
    const QString folder = sourceFolder();
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (info.isDir()) {
        if (info.isReadable() && info.isExecutable())
            return true;
        m_errorDetail =
            QStringLiteral("データの取得元フォルダ「%1」を読み込めません（アクセスが許可されていません）。").arg(shown);
        return false;
    }
    if (info.exists()) {
        m_errorDetail =
            QStringLiteral(
                "データの取得元「%1」はフォルダではありません。「JVLink設定」で取得元フォルダを指定してください。")
                .arg(shown);
        return false;
    }
    // Only the default source is laid out; a folder the user chose is never invented.
    if (!m_sourceMaker || QDir::cleanPath(folder) != QDir::cleanPath(m_defaultSource)) {
        m_errorDetail =
            QStringLiteral(
                "データの取得元フォルダ「%1」がありません。「JVLink設定」で取得元フォルダを指定してください。")
                .arg(shown);
        return false;
    }
    if (m_sourceMaker(folder, m_clock()) && QFileInfo(folder).isDir())
        return true;
    m_errorDetail = QStringLiteral("サンプルデータを取得元フォルダ「%1」に作成できませんでした。").arg(shown);
    return false;
}

int LocalJVLink::openSource(const QString &dataspec, QDate meeting, std::vector<SourceFile> &files)
{
    if (settings().serviceKey.trimmed().isEmpty())
        return kNoServiceKey;
    if (!ensureSource())
        return kBadSettings;
    files = scanSource(dataspec, meeting);
    if (files.empty() && QDir(sourceFolder()).isEmpty(QDir::Files | QDir::NoDotAndDotDot))
        m_errorDetail = QStringLiteral("データの取得元フォルダ「%1」にJV-Dataのファイルがありません。")
                            .arg(QDir::toNativeSeparators(sourceFolder()));
    return kOk;
}

std::vector<LocalJVLink::SourceFile> LocalJVLink::scanSource(const QString &dataspec, QDate meeting) const
{
    static const QRegularExpression ownName(QStringLiteral("^(RACE|0B12)_(\\d{8})_(\\d{14})(_[^/]*)?\\.jvd$"));
    std::vector<SourceFile> files;
    const QDir dir(sourceFolder());
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (info.size() > kMaxSourceFileSize)
            continue;
        SourceFile file;
        file.path = info.absoluteFilePath();
        file.name = info.fileName();
        file.size = info.size();
        file.modified = info.lastModified();
        QString fileSpec = kRace;
        QDate fileMeeting;
        const QRegularExpressionMatch match = ownName.match(file.name);
        if (match.hasMatch()) {
            fileSpec = match.captured(1);
            fileMeeting = QDate::fromString(match.captured(2), QStringLiteral("yyyyMMdd"));
            file.stamp = QDateTime::fromString(match.captured(3), kStampFormat);
        }
        if (!file.stamp.isValid())
            file.stamp = ToSeconds(info.lastModified());
        if (fileSpec != dataspec)
            continue;
        if (meeting.isValid()) {
            // Option 2 (RACE) and real-time data (0B12) ask for meetings of certain days.
            const bool wanted = fileSpec == kResults    ? fileMeeting == meeting
                                : fileMeeting.isValid() ? IsThisWeeksMeeting(fileMeeting, meeting)
                                                        : HasMeetingWithin(file.path, meeting);
            if (!wanted)
                continue;
        }
        files.push_back(file);
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const SourceFile &a, const SourceFile &b) { return a.stamp < b.stamp; });
    return files;
}

QString LocalJVLink::cachedPath(const SourceFile &file) const
{
    return cacheFolder() + QLatin1Char('/') + file.stamp.toString(kStampFormat) + QLatin1Char('_') +
           QString::number(file.size) + QLatin1Char('_') + file.name;
}

int LocalJVLink::JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount,
                        int &downloadCount, QString &lastFileTimestamp)
{
    readCount = 0;
    downloadCount = 0;
    lastFileTimestamp.clear();
    m_errorDetail.clear();
    if (!m_initialised)
        return kNotInitialised;
    if (m_state != State::Closed)
        return kStillOpen;
    if (dataspec != kRace)
        return kBadDataspec;
    static const QRegularExpression fourteenDigits(QStringLiteral("^\\d{14}$"));
    const QDateTime from = QDateTime::fromString(fromTime, kStampFormat);
    if (!fourteenDigits.match(fromTime).hasMatch() || !from.isValid())
        return kBadFromDate;
    if (option == 3 || option == 4)
        return kBadOptionForDataspec;
    if (option != 1 && option != 2)
        return kBadOption;
    std::vector<SourceFile> files;
    if (const int result = openSource(kRace, option == 2 ? m_clock().date() : QDate(), files); result != kOk)
        return result;
    std::erase_if(files, [&](const SourceFile &file) { return file.stamp <= from; });
    if (files.empty())
        return kNoData;

    for (SourceFile &file : files) {
        // A source file changed in place keeps its name and often its size: only the
        // modification time the copy was given tells the copy is still the file's.
        const QFileInfo cached(cachedPath(file));
        file.cached = cached.isFile() && cached.size() == file.size && cached.lastModified() == file.modified;
        if (!file.cached)
            ++downloadCount;
    }
    readCount = static_cast<int>(files.size());
    lastFileTimestamp = files.back().stamp.toString(kStampFormat);
    m_files = std::move(files);
    m_fileIndex = 0;
    m_fileLoaded = false;
    m_state = State::Open;
    m_downloaded = 0;
    m_downloadFailed = false;
    if (downloadCount > 0)
        startDownload();
    return kOk;
}

void LocalJVLink::startDownload()
{
    m_stopDownload = false;
    std::vector<size_t> pending;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (!m_files[i].cached)
            pending.push_back(i);
    }
    m_downloader = std::thread([this, pending] {
        if (!QDir().mkpath(cacheFolder())) {
            m_downloadFailed = true;
            return;
        }
        for (const size_t index : pending) {
            // The time a download takes, in slices so that a cancel is heard at once.
            for (auto waited = std::chrono::milliseconds(0); waited < m_downloadDelay;
                 waited += std::chrono::milliseconds(5)) {
                if (m_stopDownload)
                    return;
                std::this_thread::sleep_for(std::min(std::chrono::milliseconds(5), m_downloadDelay - waited));
            }
            if (m_stopDownload)
                return;
            SourceFile source;
            {
                std::lock_guard lock(m_cachedMutex);
                source = m_files[index];
            }
            if (!CopyIntoCache(source.path, cachedPath(source), source.modified)) {
                m_downloadFailed = true;
                return;
            }
            {
                std::lock_guard lock(m_cachedMutex);
                m_files[index].cached = true;
            }
            ++m_downloaded;
        }
    });
}

void LocalJVLink::stopDownload()
{
    m_stopDownload = true;
    if (m_downloader.joinable())
        m_downloader.join();
}

int LocalJVLink::JVStatus()
{
    if (!m_initialised)
        return kNotInitialised;
    if (m_state != State::Open)
        return kNotOpen;
    if (m_downloadFailed)
        return kDownloadFailed;
    return m_downloaded;
}

bool LocalJVLink::loadFile(size_t index)
{
    const SourceFile &file = m_files[index];
    QByteArray bytes;
    if (ReadRegularFile(m_state == State::RealTime ? file.path : cachedPath(file), kMaxSourceFileSize, bytes) !=
        ReadStatus::Ok)
        return false;
    m_fileBytes.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    m_recordOffset = 0;
    m_fileLoaded = true;
    return true;
}

int LocalJVLink::JVRead(std::string &record, int & /*size*/, QString &fileName)
{
    if (!m_initialised)
        return kNotInitialised;
    if (m_state == State::Closed)
        return kNotOpen;
    if (m_fileIndex >= m_files.size())
        return 0;
    if (!m_fileLoaded) {
        if (m_state == State::Open) {
            std::lock_guard lock(m_cachedMutex);
            // After a failed download the file never arrives; "still downloading" would
            // keep the caller asking for ever.
            if (!m_files[m_fileIndex].cached)
                return m_downloadFailed ? kDownloadFailed : kDownloading;
        }
        if (!loadFile(m_fileIndex))
            return kBadFileContent;
    }
    fileName = m_files[m_fileIndex].name;
    if (m_recordOffset >= m_fileBytes.size()) {
        // The end of a file: the caller learns of the switch before the next one starts.
        ++m_fileIndex;
        m_fileLoaded = false;
        m_fileBytes.clear();
        return kNoData;
    }
    size_t end = m_fileBytes.find("\r\n", m_recordOffset);
    end = end == std::string::npos ? m_fileBytes.size() : end + 2;
    record.assign(m_fileBytes, m_recordOffset, end - m_recordOffset);
    m_recordOffset = end;
    return static_cast<int>(record.size());
}

int LocalJVLink::JVRTOpen(const QString &dataspec, const QString &key)
{
    m_errorDetail.clear();
    if (!m_initialised)
        return kNotInitialised;
    if (m_state != State::Closed)
        return kStillOpen;
    if (dataspec != kResults)
        return kBadDataspec;
    static const QRegularExpression eightDigits(QStringLiteral("^\\d{8}$"));
    const QDate meeting = QDate::fromString(key, QStringLiteral("yyyyMMdd"));
    if (!eightDigits.match(key).hasMatch() || !meeting.isValid())
        return kBadKey;
    std::vector<SourceFile> files;
    if (const int result = openSource(kResults, meeting, files); result != kOk)
        return result;
    if (files.empty())
        return kNoData;
    m_files = std::move(files);
    m_fileIndex = 0;
    m_fileLoaded = false;
    m_state = State::RealTime;
    return kOk;
}

int LocalJVLink::JVCancel()
{
    stopDownload();
    return kOk;
}

int LocalJVLink::JVClose()
{
    stopDownload();
    m_state = State::Closed;
    m_files.clear();
    m_fileBytes.clear();
    m_fileLoaded = false;
    m_fileIndex = 0;
    return kOk;
}

} // namespace velmora
