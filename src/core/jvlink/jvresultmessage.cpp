#include "core/jvlink/jvresultmessage.h"

#include "core/text/sjis.h"
#include "jvbridge/jvresulttext.h"

namespace velmora {

std::string JVResultMessage(std::string_view operation, int code)
{
    return Utf8ToSjis(jvbridge::JVResultTextUtf8(operation, code));
}

} // namespace velmora
