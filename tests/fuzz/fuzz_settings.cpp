// The settings file as anything may have left it, through the reader and the
// writer: a write that succeeds must read back as written and leave every other
// key as it was.

#include "core/settings/settingsfile.h"
#include "core/store/atomicfile.h"
#include "workspace.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora;
    fuzz::Workspace workspace;
    const QString path = workspace.app() + QStringLiteral("/velmora.ini");
    WriteFileAtomically(path, std::string_view(reinterpret_cast<const char *>(data), size));
    SettingsFile ini;
    ini.setFileName(path);

    const QString left = QStringLiteral("Left");
    const QString locate = QStringLiteral("locate");
    const QString before = ini.ReadString(locate, left, QStringLiteral("<none>"));
    const int zoom = ini.ReadInteger(QStringLiteral("PrintZoom"), QStringLiteral("Zoom"), -1);
    ini.ReadString(QStringLiteral("Ticker"), QStringLiteral("Speed"), QString());

    const QString value = QStringLiteral("2026/12/01 12:00:00");
    if (ini.WriteString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), value)) {
        if (ini.ReadString(QStringLiteral("JvDataGet"), QStringLiteral("LastTime"), QString()) != value ||
            ini.ReadString(locate, left, QStringLiteral("<none>")) != before ||
            ini.ReadInteger(QStringLiteral("PrintZoom"), QStringLiteral("Zoom"), -1) != zoom)
            std::abort();
    }
    return 0;
}
