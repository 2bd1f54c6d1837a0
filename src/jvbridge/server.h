#pragma once

// The bridge's side of the protocol, kept apart from COM so that it runs (and is
// tested) natively against a scripted JV-Link.

#include "protocol/protocol.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora::jvbridge {

/**
 * JV-Link as the bridge calls it. Texts are UTF-8, records the CP932 bytes of the
 * record (their count is the size JV-Link reports); every call returns JV-Link's
 * own result code unchanged, or kJVLinkCallFailed when the call itself failed.
 */
class JVLinkCalls
{
  public:
    virtual ~JVLinkCalls() = default;

    struct OpenResult
    {
        std::int32_t code = 0;
        std::int32_t readCount = 0;
        std::int32_t downloadCount = 0;
        std::string lastFileTimestamp;
    };

    virtual std::int32_t init(const std::string &sid) = 0;
    virtual std::int32_t setUIProperties() = 0;
    virtual std::int32_t setServiceKey(const std::string &key) = 0;
    virtual std::int32_t setSavePath(const std::string &folder) = 0;
    virtual OpenResult open(const std::string &dataspec, const std::string &fromTime, std::int32_t option) = 0;
    virtual std::int32_t rtOpen(const std::string &dataspec, const std::string &key) = 0;
    virtual std::int32_t status() = 0;
    /** One JVRead for a record of up to `size` bytes (JV-Link's own JVRead, or its JVGets). */
    virtual ReadResult read(std::int32_t size) = 0;
    virtual std::int32_t skip() = 0;
    virtual std::int32_t cancel() = 0;
    virtual std::int32_t close() = 0;
    /** JVFiledelete: removes one downloaded file (JV-Link's name of it) from JV-Link's save folder. */
    virtual std::int32_t fileDelete(const std::string &fileName) = 0;
    /** Sets JV-Link's ParentHWnd, the native window its dialogs belong to (0: none). */
    virtual std::int32_t setParentWindow(std::uint32_t window) = 0;
};

/**
 * Answers request bodies with answer bodies. `jvlink` may be null when JV-Link could
 * not be created (`createResult` then holds the HRESULT): the handshake says so and
 * every call answers kJVLinkNotCreated.
 *
 * A read request runs JVRead up to its batch size, stopping after the first result
 * that is not a record or a file switch (end, still downloading, an error) or once
 * kReadBatchBytes of records are in the answer: the pipe then carries hundreds of
 * records per exchange instead of one.
 */
class Server
{
  public:
    Server(JVLinkCalls *jvlink, std::int32_t createResult, std::uint32_t bitness);

    std::string handle(std::string_view body);
    /** The answer to a frame longer than the protocol allows. */
    std::string tooLarge() const;

  private:
    std::string call(const Request &request);

    JVLinkCalls *m_jvlink;
    std::int32_t m_createResult;
    std::uint32_t m_bitness;
};

/**
 * The serve loop: reads frames through `readSome` (which returns 0 at the end of the
 * input) and writes each answer's frame through `write`. Returns 0 at the end of the
 * input, 1 when an answer cannot be written (Velmora has gone).
 */
int Serve(Server &server, const std::function<std::size_t(char *buffer, std::size_t size)> &readSome,
          const std::function<bool(std::string_view bytes)> &write);

} // namespace velmora::jvbridge
