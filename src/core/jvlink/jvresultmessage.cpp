#include "core/jvlink/jvresultmessage.h"

#include "core/text/sjis.h"
#include "protocol/jvresulttext.h"

namespace velmora {

std::string JVResultMessage(std::string_view operation, int code)
{
    return Utf8ToSjis(jvbridge::JVResultTextUtf8(operation, code));
}

QString WithDetail(const QString &message, const QString &detail)
{
    return detail.isEmpty() ? message : message + QLatin1Char('\n') + detail;
}

QString JVErrorText(const char *operation, int code, const QString &detail)
{
    return WithDetail(QLatin1String(operation) + QStringLiteral("エラー:") + FromSjis(JVResultMessage(operation, code)),
                      detail);
}

} // namespace velmora
