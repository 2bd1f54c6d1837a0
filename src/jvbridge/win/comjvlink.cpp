#include "jvbridge/win/comjvlink.h"

#include <algorithm>
#include <vector>

namespace velmora::jvbridge {
namespace {

constexpr UINT kCp932 = 932;
/** JV-Data's largest record passes 100 KB: JV-Link is asked for this much whatever the caller's size. */
constexpr LONG kLargestRecord = 110000;

/** An argument of `type` whose value the caller sets. */
VARIANTARG Typed(VARTYPE type)
{
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = type;
    return arg;
}

VARIANTARG Text(const Bstr &text)
{
    VARIANTARG arg = Typed(VT_BSTR);
    arg.bstrVal = text.get();
    return arg;
}

VARIANTARG Number(LONG value)
{
    VARIANTARG arg = Typed(VT_I4);
    arg.lVal = value;
    return arg;
}

VARIANTARG TextOut(Bstr &text)
{
    VARIANTARG arg = Typed(VT_BYREF | VT_BSTR);
    arg.pbstrVal = text.out();
    return arg;
}

VARIANTARG NumberOut(LONG &value)
{
    VARIANTARG arg = Typed(VT_BYREF | VT_I4);
    arg.plVal = &value;
    return arg;
}

VARIANTARG BytesInOut(SafeArray &bytes)
{
    VARIANTARG arg = Typed(VT_BYREF | VT_ARRAY | VT_UI1);
    arg.pparray = bytes.inOut();
    return arg;
}

VARIANTARG VariantInOut(Variant &value)
{
    VARIANTARG arg = Typed(VT_BYREF | VT_VARIANT);
    arg.pvarVal = value.get();
    return arg;
}

/** Whether Invoke refused a call for its name or its arguments, before the method ran. */
bool RefusedArguments(HRESULT result)
{
    return result == DISP_E_TYPEMISMATCH || result == DISP_E_BADVARTYPE || result == DISP_E_PARAMNOTFOUND ||
           result == DISP_E_BADPARAMCOUNT || result == DISP_E_UNKNOWNNAME || result == DISP_E_MEMBERNOTFOUND ||
           result == E_INVALIDARG;
}

/** An array of `size` bytes for JVGets to fill. */
SAFEARRAY *NewBuffer(LONG size)
{
    return SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
}

LONG ElementCount(SAFEARRAY *array)
{
    LONG lower = 0;
    LONG upper = -1;
    if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return -1;
    return upper - lower + 1;
}

/** The record of a read, or the mismatch code when its bytes do not match the code JV-Link returned. */
ReadResult Record(std::int32_t code, bool whole, std::string &&bytes, std::string &&fileName)
{
    ReadResult result;
    result.code = whole ? code : kRecordSizeMismatch;
    if (whole)
        result.record = std::move(bytes);
    result.fileName = std::move(fileName);
    return result;
}

} // namespace

bool RecordFromText(BSTR text, LONG size, std::string &record)
{
    const int length = static_cast<int>(SysStringLen(text));
    if (!text || size <= 0 || length <= 0)
        return false;
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &lossy);
    if (lossy || bytes < size)
        return false;
    std::string all(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text, length, all.data(), bytes, nullptr, &lossy);
    if (lossy)
        return false;
    all.resize(static_cast<size_t>(size));
    // Cut after `size` bytes, the record must still read as the start of the text: a cut
    // through a two-byte character, or bytes that came out of a wrong code page, do not.
    const int chars = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, all.data(), size, nullptr, 0);
    if (chars <= 0 || chars > length)
        return false;
    std::wstring back(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, all.data(), size, back.data(), chars);
    if (back.compare(0, back.size(), text, back.size()) != 0)
        return false;
    record = std::move(all);
    return true;
}

bool RecordFromArray(SAFEARRAY *array, LONG size, std::string &record)
{
    if (size <= 0 || ElementCount(array) < size)
        return false;
    void *data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        return false;
    record.assign(static_cast<const char *>(data), static_cast<size_t>(size));
    SafeArrayUnaccessData(array);
    return true;
}

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

bool ComJVLink::dispatchId(const wchar_t *name, DISPID &id)
{
    auto found = m_ids.find(name);
    if (found == m_ids.end()) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        if (FAILED(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
            return false;
        found = m_ids.emplace(name, id).first;
    }
    id = found->second;
    return true;
}

HRESULT ComJVLink::dispatch(DISPID id, WORD flags, DISPPARAMS &params, VARIANT *result)
{
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT called =
        m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &badArgument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return called;
}

HRESULT ComJVLink::call(const wchar_t *name, VARIANTARG *args, unsigned count, std::int32_t &code)
{
    code = kJVLinkCallFailed;
    DISPID id = 0;
    if (!dispatchId(name, id))
        return DISP_E_UNKNOWNNAME;
    std::vector<VARIANTARG> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = count;
    Variant result;
    const HRESULT called = dispatch(id, DISPATCH_METHOD, params, result.get());
    if (FAILED(called))
        return called;
    if (result.get()->vt == VT_EMPTY)
        code = 0;
    else if (SUCCEEDED(VariantChangeType(result.get(), result.get(), 0, VT_I4)))
        code = result.get()->lVal;
    return S_OK;
}

std::int32_t ComJVLink::invoke(const wchar_t *name, VARIANTARG *args, unsigned count)
{
    std::int32_t code = kJVLinkCallFailed;
    call(name, args, count, code);
    return code;
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

HRESULT ComJVLink::readBytes(ReadCall how, LONG size, ReadResult &result)
{
    // A buffer of the full size, so that JV-Link need not make one per record.
    if (ElementCount(m_buffer.get()) < size)
        m_buffer.reset(NewBuffer(size));
    Variant holder;
    Bstr fileName;
    // The size goes by reference too: Invoke takes that for a value parameter, not the other way round.
    LONG bufferSize = size;
    VARIANTARG args[] = {how == ReadCall::BytesByReference ? BytesInOut(m_buffer) : VariantInOut(holder),
                         NumberOut(bufferSize), TextOut(fileName)};
    if (how == ReadCall::BytesInVariant) {
        holder.get()->vt = VT_ARRAY | VT_UI1;
        holder.get()->parray = m_buffer.release();
    }
    std::int32_t code = kJVLinkCallFailed;
    const HRESULT called = call(L"JVGets", args, 3, code);
    if (how == ReadCall::BytesInVariant && holder.get()->vt == (VT_ARRAY | VT_UI1)) {
        m_buffer.reset(holder.get()->parray);
        holder.get()->vt = VT_EMPTY;
    }
    if (FAILED(called))
        return called;
    std::string bytes;
    const bool whole = code <= 0 || RecordFromArray(m_buffer.get(), code, bytes);
    result = Record(code, whole, std::move(bytes), fileName.utf8());
    return S_OK;
}

ReadResult ComJVLink::readText(LONG size)
{
    // JV-Link turns the record's bytes into text with the thread's code page: only a
    // Japanese one gives text that CP932 turns back into the same bytes.
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
    Bstr buffer;
    LONG bufferSize = size;
    Bstr fileName;
    VARIANTARG args[] = {TextOut(buffer), NumberOut(bufferSize), TextOut(fileName)};
    const std::int32_t code = invoke(L"JVRead", args, 3);
    std::string bytes;
    const bool whole = code <= 0 || RecordFromText(buffer.get(), code, bytes);
    return Record(code, whole, std::move(bytes), fileName.utf8());
}

ReadResult ComJVLink::read(std::int32_t size)
{
    const LONG wanted = std::max<LONG>(size, kLargestRecord);
    // JVGets hands over the record's bytes as JV-Link keeps them; which way of passing
    // its array JV-Link takes is learnt at the first read, and JVRead serves without it.
    while (m_readCall != ReadCall::Text) {
        ReadResult result;
        const HRESULT called = readBytes(m_readCall, wanted, result);
        if (SUCCEEDED(called)) {
            m_readCallKnown = true;
            return result;
        }
        // Only a call refused for its arguments (JVGets did not run) may be tried another way.
        if (m_readCallKnown || !RefusedArguments(called))
            return {kJVLinkCallFailed, std::string(), std::string()};
        m_readCall = m_readCall == ReadCall::BytesByReference ? ReadCall::BytesInVariant : ReadCall::Text;
    }
    m_readCallKnown = true;
    return readText(wanted);
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

std::int32_t ComJVLink::fileDelete(const std::string &fileName)
{
    Bstr text(fileName);
    VARIANTARG args[] = {Text(text)};
    return invoke(L"JVFiledelete", args, 1);
}

std::int32_t ComJVLink::setParentWindow(std::uint32_t window)
{
    DISPID id = 0;
    if (!dispatchId(L"ParentHWnd", id))
        return kJVLinkCallFailed;
    VARIANTARG value = Number(static_cast<LONG>(window));
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return SUCCEEDED(dispatch(id, DISPATCH_PROPERTYPUT, params, nullptr)) ? 0 : kJVLinkCallFailed;
}

} // namespace velmora::jvbridge
