#pragma once

#include <chrono>

namespace velmora::jvbridge {

/**
 * How long a read loop goes on waiting for JV-Link while nothing progresses (no record,
 * no file switch, no change of the download count) before it gives up with a message.
 * JV-Link answers "still downloading" for as long as a download runs, so waiting is right,
 * but a download that stands still must not hold the program for ever.
 */
constexpr std::chrono::minutes kNoProgressLimit{10};

} // namespace velmora::jvbridge
