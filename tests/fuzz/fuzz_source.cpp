// A file of the local JV-Link's source folder (its name on the first line, its
// bytes after it) through the source scanner, the download into the cache and the
// read loop, for the accumulated and the real-time data.

#include "core/jvlink/localjvlink.h"
#include "core/store/atomicfile.h"
#include "workspace.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

void ReadAll(velmora::LocalJVLink &jv)
{
    std::string buffer;
    QString fileName;
    int size = 60000;
    for (int pass = 0; pass < 100000; ++pass) {
        const int result = jv.JVRead(buffer, size, fileName);
        if (result == -3) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            continue;
        }
        if (result == 0 || result < -3)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora;
    fuzz::Workspace workspace;
    const std::vector<std::string_view> parts =
        fuzz::Split(std::string_view(reinterpret_cast<const char *>(data), size), "\n", 2);
    QString name = QString::fromUtf8(parts[0].data(), static_cast<qsizetype>(parts[0].size()));
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QChar()) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        name = QStringLiteral("plain.jvd");
    const QString source = workspace.app() + QStringLiteral("/JVLink/source");
    QDir().mkpath(source);
    WriteFileAtomically(source + QLatin1Char('/') + name, parts.size() > 1 ? parts[1] : std::string_view());

    LocalJVLink jv(workspace.app() + QStringLiteral("/JVLink"), source);
    jv.setDownloadDelay(std::chrono::milliseconds(0));
    jv.setClock([] { return QDateTime(QDate(2026, 12, 1), QTime(12, 0)); });
    jv.JVInit(SoftwareId());
    for (int option : {1, 2}) {
        int readCount = 0;
        int downloadCount = 0;
        QString last;
        if (jv.JVOpen(QStringLiteral("RACE"), QStringLiteral("20000101000000"), option, readCount, downloadCount,
                      last) == 0) {
            while (downloadCount > 0 && jv.JVStatus() >= 0 && jv.JVStatus() < downloadCount)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            ReadAll(jv);
        }
        jv.JVClose();
    }
    if (jv.JVRTOpen(QStringLiteral("0B12"), QStringLiteral("20261128")) == 0)
        ReadAll(jv);
    jv.JVClose();
    return 0;
}
