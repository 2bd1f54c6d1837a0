#pragma once

// JV-Link ("JVDTLab.JVLink") created through COM and called late-bound through
// IDispatch, as the bridge's JVLinkCalls.

#include "jvbridge/server.h"

#include <map>
#include <memory>
#include <string>
#include <windows.h>

namespace velmora::jvbridge {

/** A BSTR owned alone; freed with SysFreeString. */
class Bstr
{
  public:
    Bstr() = default;
    explicit Bstr(const std::string &utf8);
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;

    BSTR get() const { return m_text; }
    /** For a by-reference argument: the callee may replace the string. */
    BSTR *out() { return &m_text; }
    /** The text as CP932 bytes (what JV-Link counts in its sizes) or as UTF-8. */
    std::string cp932() const;
    std::string utf8() const;

  private:
    BSTR m_text = nullptr;
};

/** A COM interface pointer owned alone. */
template <typename Interface> class ComPtr
{
  public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_pointer)
            m_pointer->Release();
    }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    Interface *get() const { return m_pointer; }
    Interface **out() { return &m_pointer; }
    Interface *operator->() const { return m_pointer; }

  private:
    Interface *m_pointer = nullptr;
};

/** A SAFEARRAY owned alone; destroyed with SafeArrayDestroy. */
class SafeArray
{
  public:
    SafeArray() = default;
    ~SafeArray() { reset(); }
    SafeArray(const SafeArray &) = delete;
    SafeArray &operator=(const SafeArray &) = delete;

    SAFEARRAY *get() const { return m_array; }
    /** For a by-reference argument: the callee may replace the array, destroying the one it replaces. */
    SAFEARRAY **inOut() { return &m_array; }
    /** Takes `array` (or nothing), destroying the one held. */
    void reset(SAFEARRAY *array = nullptr)
    {
        if (m_array)
            SafeArrayDestroy(m_array);
        m_array = array;
    }
    SAFEARRAY *release()
    {
        SAFEARRAY *array = m_array;
        m_array = nullptr;
        return array;
    }

  private:
    SAFEARRAY *m_array = nullptr;
};

/** A VARIANT cleared when it goes. */
class Variant
{
  public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;

    VARIANT *get() { return &m_value; }

  private:
    VARIANT m_value;
};

/** Text conversions between UTF-16 and a code page's bytes. */
std::string FromWide(const wchar_t *text, int length, UINT codePage);
std::wstring ToWide(const std::string &text, UINT codePage);

/**
 * The first `size` bytes of `text` in CP932, when the text holds them whole: every
 * character converts without loss and the bytes end at a character of the text (what
 * follows them, such as NULs or the rest of an earlier record, is left). False when the
 * text is shorter or is no CP932 text (such as bytes widened one per character).
 */
bool RecordFromText(BSTR text, LONG size, std::string &record);

/** The first `size` bytes of a one-dimensional array of bytes; false when it holds fewer or is no such array. */
bool RecordFromArray(SAFEARRAY *array, LONG size, std::string &record);

class ComJVLink : public JVLinkCalls
{
  public:
    /** Creates "JVDTLab.JVLink" on this (single-threaded apartment) thread; `result` is the HRESULT. */
    static std::unique_ptr<ComJVLink> Create(HRESULT &result);

    std::int32_t init(const std::string &sid) override;
    std::int32_t setUIProperties() override;
    std::int32_t setServiceKey(const std::string &key) override;
    std::int32_t setSavePath(const std::string &folder) override;
    OpenResult open(const std::string &dataspec, const std::string &fromTime, std::int32_t option) override;
    std::int32_t rtOpen(const std::string &dataspec, const std::string &key) override;
    std::int32_t status() override;
    ReadResult read(std::int32_t size) override;
    std::int32_t skip() override;
    std::int32_t cancel() override;
    std::int32_t close() override;
    std::int32_t fileDelete(const std::string &fileName) override;
    std::int32_t setParentWindow(std::uint32_t window) override;

  private:
    ComJVLink() = default;

    /** How records are read: JVGets with the byte array by reference or in a VARIANT, or JVRead. */
    enum class ReadCall
    {
        BytesByReference,
        BytesInVariant,
        Text,
    };

    /** The dispatch id of `name`, looked up once; false when JV-Link has no such member. */
    bool dispatchId(const wchar_t *name, DISPID &id);
    /** IDispatch::Invoke of member `id`, its exception texts freed. */
    HRESULT dispatch(DISPID id, WORD flags, DISPPARAMS &params, VARIANT *result);
    /**
     * Calls method `name` with `args` in their written order (Invoke wants them
     * reversed); `code` receives its result as a number (0 for a method that returns
     * nothing). Returns Invoke's HRESULT.
     */
    HRESULT call(const wchar_t *name, VARIANTARG *args, unsigned count, std::int32_t &code);
    /** As call(), the result alone: a failed call gives kJVLinkCallFailed. */
    std::int32_t invoke(const wchar_t *name, VARIANTARG *args, unsigned count);
    /** JVGets in the way `how` names; Invoke's HRESULT, `result` set when it succeeded. */
    HRESULT readBytes(ReadCall how, LONG size, ReadResult &result);
    ReadResult readText(LONG size);

    ComPtr<IDispatch> m_dispatch;
    std::map<std::wstring, DISPID> m_ids;
    ReadCall m_readCall = ReadCall::BytesByReference;
    bool m_readCallKnown = false; ///< a read has worked the way m_readCall says
    SafeArray m_buffer;           ///< the byte array handed to JVGets, kept from call to call
};

} // namespace velmora::jvbridge
