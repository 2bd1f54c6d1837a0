#pragma once

#include <string>
#include <string_view>

namespace velmora::jvbridge {

/**
 * The Japanese wording of a JV-Link result code in UTF-8: the message for the
 * operation ("JVOpen", "JVRead", ...) and code, then the code in half-width brackets,
 * e.g. "正常に実行されました。(0)". The bridge's own codes (protocol.h) read the same
 * for every operation. Shared by the bridge's dump mode and by JVResultMessage.
 */
std::string JVResultTextUtf8(std::string_view operation, int code);

} // namespace velmora::jvbridge
