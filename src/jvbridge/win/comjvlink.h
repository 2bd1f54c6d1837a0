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

  private:
    ComJVLink() = default;

    /**
     * Calls method `name` with `args` in their written order (Invoke wants them
     * reversed) and returns its result as a number: a method that returns nothing
     * gives 0, a failed call kJVLinkCallFailed.
     */
    std::int32_t invoke(const wchar_t *name, VARIANTARG *args, unsigned count);

    ComPtr<IDispatch> m_dispatch;
    std::map<std::wstring, DISPID> m_ids;
};

} // namespace velmora::jvbridge
