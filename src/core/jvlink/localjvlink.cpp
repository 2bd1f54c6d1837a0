#include "core/jvlink/localjvlink.h"

#include "core/settings/settingsfile.h"
#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora {
namespace {

namespace code = jvsource::code;

const QString kSection = QStringLiteral("JVLink");
const QString kDefaultServiceKey = QStringLiteral("SAMPLE");
const QString kStampFormat = QStringLiteral("yyyyMMddHHmmss");

constexpr int kSettingsFailed = -100;
constexpr auto kMaxSourceFileSize = static_cast<qint64>(jvsource::kMaxSourceFileSize);

bool ReadWhole(const QString &path, std::string &bytes)
{
    QByteArray read;
    if (ReadRegularFile(path, kMaxSourceFileSize, read) != ReadStatus::Ok)
        return false;
    bytes.assign(read.constData(), static_cast<size_t>(read.size()));
    return true;
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
    return m_reader.init(ToSjis(sid));
}

int LocalJVLink::JVSetUIProperties()
{
    if (!m_dialog)
        return kSettingsFailed;
    LocalJVLinkSettings edited = settings();
    if (!m_dialog(edited))
        return code::Ok;
    return setSettings(edited) ? code::Ok : kSettingsFailed;
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

int LocalJVLink::checkSource()
{
    if (settings().serviceKey.trimmed().isEmpty())
        return code::NoServiceKey;
    return ensureSource() ? code::Ok : code::BadSettings;
}

std::vector<jvsource::ListedFile> LocalJVLink::listFiles()
{
    std::vector<jvsource::ListedFile> files;
    for (const QFileInfo &info : QDir(sourceFolder()).entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        const QDateTime modified = info.lastModified();
        files.push_back(
            {info.fileName().toStdString(), info.absoluteFilePath().toStdString(),
             static_cast<std::uint64_t>(info.size()),
             QDateTime::fromSecsSinceEpoch(modified.toSecsSinceEpoch()).toString(kStampFormat).toStdString(),
             modified.toMSecsSinceEpoch()});
    }
    return files;
}

bool LocalJVLink::readFile(const std::string &path, std::string &bytes)
{
    return ReadWhole(QString::fromStdString(path), bytes);
}

QString LocalJVLink::cachedPath(const jvsource::ServedFile &file) const
{
    return cacheFolder() + QLatin1Char('/') + QString::fromStdString(file.cacheName());
}

bool LocalJVLink::isCached(const jvsource::ServedFile &file)
{
    // A source file changed in place keeps its name and often its size: only the
    // modification time the copy was given tells the copy is still the file's.
    const QFileInfo cached(cachedPath(file));
    return cached.isFile() && static_cast<std::uint64_t>(cached.size()) == file.size &&
           cached.lastModified() == QDateTime::fromMSecsSinceEpoch(file.modifiedMsecs);
}

bool LocalJVLink::prepareCache()
{
    return QDir().mkpath(cacheFolder());
}

bool LocalJVLink::copyIntoCache(const jvsource::ServedFile &file)
{
    return CopyIntoCache(QString::fromStdString(file.path), cachedPath(file),
                         QDateTime::fromMSecsSinceEpoch(file.modifiedMsecs));
}

bool LocalJVLink::readCached(const jvsource::ServedFile &file, std::string &bytes)
{
    return ReadWhole(cachedPath(file), bytes);
}

void LocalJVLink::explainNoData()
{
    if (QDir(sourceFolder()).isEmpty(QDir::Files | QDir::NoDotAndDotDot))
        m_errorDetail = QStringLiteral("データの取得元フォルダ「%1」にJV-Dataのファイルがありません。")
                            .arg(QDir::toNativeSeparators(sourceFolder()));
}

int LocalJVLink::JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount,
                        int &downloadCount, QString &lastFileTimestamp)
{
    m_errorDetail.clear();
    jvsource::SourceReader::OpenCounts counts;
    const std::string today =
        option == 2 ? m_clock().date().toString(QStringLiteral("yyyyMMdd")).toStdString() : std::string();
    const int result = m_reader.open(dataspec.toStdString(), fromTime.toStdString(), option, today, counts);
    readCount = counts.readCount;
    downloadCount = counts.downloadCount;
    lastFileTimestamp = QString::fromStdString(counts.lastFileTimestamp);
    if (result == code::NoData)
        explainNoData();
    if (result == code::Ok && downloadCount > 0) {
        m_stopDownload = false;
        m_downloader = std::thread([this] { m_reader.download(m_downloadDelay, m_stopDownload); });
    }
    return result;
}

void LocalJVLink::stopDownload()
{
    m_stopDownload = true;
    if (m_downloader.joinable())
        m_downloader.join();
}

int LocalJVLink::JVStatus()
{
    return m_reader.status();
}

int LocalJVLink::JVRead(std::string &record, int & /*size*/, QString &fileName)
{
    const jvsource::ServedFile *file = nullptr;
    const int result = m_reader.read(record, file);
    if (file)
        fileName = QString::fromStdString(file->name);
    return result;
}

int LocalJVLink::JVRTOpen(const QString &dataspec, const QString &key)
{
    m_errorDetail.clear();
    const int result = m_reader.openRealTime(dataspec.toStdString(), key.toStdString());
    if (result == code::NoData)
        explainNoData();
    return result;
}

int LocalJVLink::JVCancel()
{
    stopDownload();
    return code::Ok;
}

int LocalJVLink::JVClose()
{
    stopDownload();
    m_reader.close();
    return code::Ok;
}

} // namespace velmora
