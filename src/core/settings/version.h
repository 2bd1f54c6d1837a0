#pragma once

#include <QString>

namespace velmora {

/** The program's version ("1.30"), as the package and --version give it. */
QString ProgramVersion();

/** The line --version prints for `program` ("velmora-cli 1.30 (Ver.1.30F)"). */
QString VersionLine(const QString &program);

} // namespace velmora
