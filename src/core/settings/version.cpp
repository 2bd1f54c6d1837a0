#include "core/settings/version.h"

#include "core/jvlink/jvlink.h"

namespace velmora {

QString ProgramVersion()
{
    return QStringLiteral(VELMORA_VERSION);
}

QString VersionLine(const QString &program)
{
    return program + QLatin1Char(' ') + ProgramVersion() + QStringLiteral(" (") + kVersionText + QLatin1Char(')');
}

} // namespace velmora
