#include "win/comjvlink.h"

#include <algorithm>
#include <vector>

namespace velmora::jvbridge {
namespace {

constexpr UINT kCp932 = 932;

VARIANTARG Text(const Bstr &text)
{
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = text.get();
    return arg;
}

VARIANTARG Number(LONG value)
{
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    return arg;
}

VARIANTARG TextOut(Bstr &text)
{
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_BSTR;
    arg.pbstrVal = text.out();
    return arg;
}

VARIANTARG NumberOut(LONG &value)
{
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_I4;
    arg.plVal = &value;
    return arg;
}

} // namespace

std::string FromWide(const wchar_t *text, int length, UINT codePage)
{
    if (!text || length <= 0)
        return {};
    const int size = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring ToWide(const std::string &text, UINT codePage)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), size);
    return wide;
}

Bstr::Bstr(const std::string &utf8)
{
    const std::wstring wide = ToWide(utf8, CP_UTF8);
    m_text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Bstr::cp932() const
{
    return FromWide(m_text, static_cast<int>(SysStringLen(m_text)), kCp932);
}

std::string Bstr::utf8() const
{
    return FromWide(m_text, static_cast<int>(SysStringLen(m_text)), CP_UTF8);
}

std::unique_ptr<ComJVLink> ComJVLink::Create(HRESULT &result)
{
    CLSID clsid;
    result = CLSIDFromProgID(L"JVDTLab.JVLink", &clsid);
    if (FAILED(result))
        return nullptr;
    std::unique_ptr<ComJVLink> jvlink(new ComJVLink);
    result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void **>(jvlink->m_dispatch.out()));
    if (FAILED(result))
        return nullptr;
    return jvlink;
}

std::int32_t ComJVLink::invoke(const wchar_t *name, VARIANTARG *args, unsigned count)
{
    auto found = m_ids.find(name);
    if (found == m_ids.end()) {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        if (FAILED(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
            return kJVLinkCallFailed;
        found = m_ids.emplace(name, id).first;
    }
    std::vector<VARIANTARG> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = count;
    Variant result;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT called = m_dispatch->Invoke(found->second, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                              result.get(), &exception, &badArgument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(called))
        return kJVLinkCallFailed;
    if (result.get()->vt == VT_EMPTY)
        return 0;
    if (FAILED(VariantChangeType(result.get(), result.get(), 0, VT_I4)))
        return kJVLinkCallFailed;
    return result.get()->lVal;
}

std::int32_t ComJVLink::init(const std::string &sid)
{
    Bstr text(sid);
    VARIANTARG args[] = {Text(text)};
    return invoke(L"JVInit", args, 1);
}

std::int32_t ComJVLink::setUIProperties()
{
    return invoke(L"JVSetUIProperties", nullptr, 0);
}

std::int32_t ComJVLink::setServiceKey(const std::string &key)
{
    Bstr text(key);
    VARIANTARG args[] = {Text(text)};
    return invoke(L"JVSetServiceKey", args, 1);
}

std::int32_t ComJVLink::setSavePath(const std::string &folder)
{
    Bstr text(folder);
    VARIANTARG args[] = {Text(text)};
    return invoke(L"JVSetSavePath", args, 1);
}

JVLinkCalls::OpenResult ComJVLink::open(const std::string &dataspec, const std::string &fromTime, std::int32_t option)
{
    Bstr spec(dataspec);
    Bstr from(fromTime);
    LONG readCount = 0;
    LONG downloadCount = 0;
    Bstr lastFileTimestamp;
    VARIANTARG args[] = {Text(spec),
                         Text(from),
                         Number(option),
                         NumberOut(readCount),
                         NumberOut(downloadCount),
                         TextOut(lastFileTimestamp)};
    OpenResult result;
    result.code = invoke(L"JVOpen", args, 6);
    result.readCount = readCount;
    result.downloadCount = downloadCount;
    result.lastFileTimestamp = lastFileTimestamp.utf8();
    return result;
}

std::int32_t ComJVLink::rtOpen(const std::string &dataspec, const std::string &key)
{
    Bstr spec(dataspec);
    Bstr text(key);
    VARIANTARG args[] = {Text(spec), Text(text)};
    return invoke(L"JVRTOpen", args, 2);
}

std::int32_t ComJVLink::status()
{
    return invoke(L"JVStatus", nullptr, 0);
}

ReadResult ComJVLink::read(std::int32_t size)
{
    Bstr buffer;
    LONG bufferSize = size;
    Bstr fileName;
    VARIANTARG args[] = {TextOut(buffer), NumberOut(bufferSize), TextOut(fileName)};
    ReadResult result;
    result.code = invoke(L"JVRead", args, 3);
    if (result.code > 0)
        result.record = buffer.cp932();
    result.fileName = fileName.utf8();
    return result;
}

std::int32_t ComJVLink::skip()
{
    return invoke(L"JVSkip", nullptr, 0);
}

std::int32_t ComJVLink::cancel()
{
    return invoke(L"JVCancel", nullptr, 0);
}

std::int32_t ComJVLink::close()
{
    return invoke(L"JVClose", nullptr, 0);
}

} // namespace velmora::jvbridge
