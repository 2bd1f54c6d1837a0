#include "core/settings/version.h"

#include "core/jvlink/jvlink.h"
#include "protocol/version.h"

namespace velmora {

QString ProgramVersion()
{
    return QString::fromLatin1(version::kNumber);
}

QString VersionLine(const QString &program)
{
    return program + QLatin1Char(' ') + ProgramVersion() + QStringLiteral(" (") + kVersionText + QLatin1Char(')');
}

} // namespace velmora
