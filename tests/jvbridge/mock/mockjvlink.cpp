// The test JV-Link: "JVDTLab.JVLink" as a COM in-process server with the dispatch
// methods of the real one and the behaviour of Velmora's local JV-Link, whose source
// reader (jvsource/sourcereader.h) it shares: it serves the files of a source folder,
// "RACE_<yyyymmdd>_<yyyymmddhhnnss>[_...].jvd" and "0B12_..." by their names, any other
// file as race data stamped with its modification time. JVOpen copies the files not yet
// in its cache on a thread of its own (JVStatus counts them), JVRead hands out their
// records as CP932 text in a BSTR, JVGets as bytes.
//
// Settings: the source folder in the environment variable VELMORA_MOCKJV_SOURCE or
// the registry value HKCU\Software\VelmoraMockJVLink\SourceFolder; the cache under
// VELMORA_MOCKJV_SAVEPATH, HKCU\...\SavePath, JVSetSavePath or %TEMP%\velmora-mockjvlink; the service key
// under HKCU\...\ServiceKey (default "SAMPLE"); VELMORA_MOCKJV_DOWNLOAD_MS the time
// one file takes to download (default 40).
//
// Faults for tests: VELMORA_MOCKJV_FAIL="JVOpen=-301,JVRead=-502@5" makes the fifth
// and every later JVRead return -502 (without "@n": from the first call), and
// VELMORA_MOCKJV_STALL="JVRead@n" makes the n-th JVRead never return.
//
// The ways the real JV-Link hands records over, chosen with VELMORA_MOCKJV_READ (a comma
// list): JVGets puts the record into a new byte array of its size by default; JVRead turns
// the record into text with the code page of the thread's locale (a Japanese one gives
// CP932 text, any other widens each byte to one character, as on a Western Windows).
//   nogets       JV-Link has no JVGets (an older JV-Link)
//   getsvariant  JVGets takes its array only inside a VARIANT passed by reference
//   widen        JVRead widens each byte to one character whatever the locale
//   longer       the array or text holds more than the record: the rest of a longer one
//   nuls         the array or text is padded with NULs to the size asked for
// VELMORA_MOCKJV_DAMAGED="-403@2" makes the second file of an open read -403 until
// JVFiledelete deletes it (downloaded again at the next JVOpen); with "!" after it the
// file stays damaged. VELMORA_MOCKJV_DIALOG=1 makes JVOpen show a "dialog" (a window
// owned by ParentHWnd) that is answered only when the caller's thread handles window
// messages; the download waits for the answer. VELMORA_MOCKJV_LOG names a file that gets
// a line per ParentHWnd set and per dialog answered. VELMORA_MOCKJV_REFUSE=1 makes the
// class refuse to be created.

#include "jvsource/sourcereader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// {5C0E6F3A-1B7D-4C52-9E8A-6D2F4B1A7C93}
const CLSID kClsid = {0x5c0e6f3a, 0x1b7d, 0x4c52, {0x9e, 0x8a, 0x6d, 0x2f, 0x4b, 0x1a, 0x7c, 0x93}};

LONG g_objects = 0;

namespace code = velmora::jvsource::code;
using velmora::jvsource::ListedFile;
using velmora::jvsource::ServedFile;

std::wstring Env(const wchar_t *name)
{
    wchar_t value[2048];
    const DWORD size = GetEnvironmentVariableW(name, value, 2048);
    return size > 0 && size < 2048 ? std::wstring(value, size) : std::wstring();
}

std::wstring Registry(const wchar_t *name)
{
    wchar_t value[2048];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\VelmoraMockJVLink", name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

std::string Utf8(const std::wstring &text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring Wide(const std::string &utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

BSTR ToBstr(const std::string &bytes, UINT codePage)
{
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(std::max(size, 0)));
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text, size);
    return text;
}

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

std::string Stamp(const SYSTEMTIME &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Stamp(now).substr(0, 8);
}

bool ReadWhole(const std::wstring &path, std::string &bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool read = GetFileSizeEx(file, &size) != 0;
    if (read) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        read = bytes.empty() ||
               (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    CloseHandle(file);
    return read;
}

/** One injected fault: the `from`-th and later calls of a method return `code`. */
struct Fault
{
    LONG code = 0;
    long from = 1;
};

std::map<std::string, Fault> ReadFaults()
{
    std::map<std::string, Fault> faults;
    const std::string text = Utf8(Env(L"VELMORA_MOCKJV_FAIL"));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        const size_t equals = item.find('=');
        if (equals != std::string::npos) {
            Fault fault;
            fault.code = std::atol(item.c_str() + equals + 1);
            const size_t at = item.find('@');
            if (at != std::string::npos)
                fault.from = std::atol(item.c_str() + at + 1);
            faults[item.substr(0, equals)] = fault;
        }
        start = end + 1;
    }
    return faults;
}

/** How records are handed over (VELMORA_MOCKJV_READ). */
struct ReadVariant
{
    bool noGets = false;
    bool getsInVariantOnly = false;
    bool widen = false;
    bool longer = false;
    bool nuls = false;
};

ReadVariant ReadVariants()
{
    const std::string text = "," + Utf8(Env(L"VELMORA_MOCKJV_READ")) + ",";
    const auto has = [&](const char *word) { return text.find("," + std::string(word) + ",") != std::string::npos; };
    return {has("nogets"), has("getsvariant"), has("widen"), has("longer"), has("nuls")};
}

/** A damaged download (VELMORA_MOCKJV_DAMAGED="-403@2" or "-402@1!"). */
struct Damage
{
    LONG code = 0;
    size_t file = 0; ///< 1-based place in the open's files
    bool stays = false;
};

Damage ReadDamage()
{
    const std::string text = Utf8(Env(L"VELMORA_MOCKJV_DAMAGED"));
    const size_t at = text.find('@');
    if (at == std::string::npos)
        return {};
    return {std::atol(text.c_str()), static_cast<size_t>(std::atol(text.c_str() + at + 1)), text.back() == '!'};
}

void Log(const std::string &line)
{
    const std::wstring path = Env(L"VELMORA_MOCKJV_LOG");
    if (path.empty())
        return;
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

/** The bytes as JV-Link's JVRead makes text of them: with the thread's code page, or widened. */
std::wstring RecordText(const std::string &bytes, bool widen)
{
    if (widen || PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) != LANG_JAPANESE) {
        std::wstring text;
        for (const char c : bytes)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        return text;
    }
    const int size = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

/** What a record leaves in a buffer that holds more than the record (the rest of a longer one, in CP932). */
const std::string kLeftOver = "\x82\xa0\x82\xa2RA7 leftover of an earlier record";

class MockJVLink : public IDispatch, private velmora::jvsource::SourceAccess
{
  public:
    MockJVLink()
        : m_faults(ReadFaults())
        , m_readVariant(ReadVariants())
        , m_damage(ReadDamage())
        , m_showsDialog(!Env(L"VELMORA_MOCKJV_DIALOG").empty())
    {
        InterlockedIncrement(&g_objects);
        const std::wstring delay = Env(L"VELMORA_MOCKJV_DOWNLOAD_MS");
        if (!delay.empty())
            m_downloadDelay = std::chrono::milliseconds(_wtoi(delay.c_str()));
        const std::wstring stall = Env(L"VELMORA_MOCKJV_STALL");
        if (stall.rfind(L"JVRead@", 0) == 0)
            m_stallAtRead = _wtol(stall.c_str() + 7);
        m_serviceKey = Registry(L"ServiceKey");
        if (m_serviceKey.empty())
            m_serviceKey = L"SAMPLE";
        m_savePath = Env(L"VELMORA_MOCKJV_SAVEPATH");
        if (m_savePath.empty())
            m_savePath = Registry(L"SavePath");
        if (m_savePath.empty())
            m_savePath = Env(L"TEMP") + L"\\velmora-mockjvlink";
    }
    virtual ~MockJVLink()
    {
        stopDownload();
        InterlockedDecrement(&g_objects);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) override
    {
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (size_t m = 0; m < kMethodCount; ++m) {
                if (_wcsicmp(names[i], kMethods[m]) == 0 && !(m_readVariant.noGets && m == kGets))
                    ids[i] = static_cast<DISPID>(m + 1);
            }
            if (ids[i] == DISPID_UNKNOWN)
                result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *, UINT *) override;

  private:
    static constexpr const wchar_t *kMethods[] = {
        L"JVInit",       L"JVSetUIProperties", L"JVSetServiceKey", L"JVSetSavePath",
        L"JVOpen",       L"JVRTOpen",          L"JVStatus",        L"JVRead",
        L"JVSkip",       L"JVCancel",          L"JVClose",         L"JVGets",
        L"JVFiledelete", L"ParentHWnd"};
    static constexpr size_t kMethodCount = sizeof kMethods / sizeof kMethods[0];
    static constexpr size_t kGets = 11;
    static constexpr size_t kParentHWnd = 13;

    LONG call(const std::string &method, DISPPARAMS *params);
    LONG init(const std::wstring &sid);
    LONG open(const std::string &dataspec, const std::string &fromTime, LONG option, LONG &readCount,
              LONG &downloadCount, std::string &lastFileTimestamp);
    LONG read(std::string &record, std::string &fileName);
    /** JVGets and JVRead: the record as the variant in use hands it over. */
    HRESULT readInto(bool bytes, DISPPARAMS *params, LONG &code);
    LONG fileDelete(const std::string &name);
    LONG close();
    HRESULT parentWindow(WORD flags, DISPPARAMS *params, VARIANT *result);
    /** JVOpen's "dialog": a window owned by ParentHWnd, answered when its thread handles messages. */
    void showDialog();
    static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // SourceAccess: the source folder and the cache through Win32.
    int checkSource() override;
    std::vector<ListedFile> listFiles() override;
    bool readFile(const std::string &path, std::string &bytes) override;
    bool isCached(const ServedFile &file) override;
    bool prepareCache() override;
    bool copyIntoCache(const ServedFile &file) override;
    bool readCached(const ServedFile &file, std::string &bytes) override;

    std::wstring sourceFolder() const
    {
        const std::wstring fromEnvironment = Env(L"VELMORA_MOCKJV_SOURCE");
        return fromEnvironment.empty() ? Registry(L"SourceFolder") : fromEnvironment;
    }
    std::wstring cacheFolder() const { return m_savePath + L"\\cache"; }
    std::wstring cachedPath(const ServedFile &file) const { return cacheFolder() + L"\\" + Wide(file.cacheName()); }
    void startDownload();
    void stopDownload();
    static DWORD WINAPI DownloadThread(void *self)
    {
        static_cast<MockJVLink *>(self)->download();
        return 0;
    }
    void download();

    LONG m_references = 1;
    std::map<std::string, Fault> m_faults;
    ReadVariant m_readVariant;
    Damage m_damage;
    std::vector<std::string> m_repaired; ///< damaged files deleted with JVFiledelete
    bool m_showsDialog = false;
    LONG m_parentWindow = 0;
    volatile LONG m_dialogAnswered = 1;
    std::map<std::string, long> m_calls;
    long m_stallAtRead = 0;
    std::chrono::milliseconds m_downloadDelay{40};
    std::wstring m_serviceKey;
    std::wstring m_savePath;

    velmora::jvsource::SourceReader m_reader{*this};
    HANDLE m_downloader = nullptr;
    std::atomic<bool> m_stop{false};
};

VARIANT &Arg(DISPPARAMS *params, UINT index)
{
    return params->rgvarg[params->cArgs - 1 - index];
}

std::string TextArg(DISPPARAMS *params, UINT index)
{
    const VARIANT &arg = Arg(params, index);
    const BSTR text = arg.vt == VT_BSTR ? arg.bstrVal : arg.vt == (VT_BYREF | VT_BSTR) ? *arg.pbstrVal : nullptr;
    return Utf8(FromBstr(text));
}

LONG NumberArg(DISPPARAMS *params, UINT index)
{
    const VARIANT &arg = Arg(params, index);
    return arg.vt == VT_I4 ? arg.lVal : arg.vt == (VT_BYREF | VT_I4) ? *arg.plVal : 0;
}

void SetText(DISPPARAMS *params, UINT index, const std::string &bytes, UINT codePage)
{
    VARIANT &arg = Arg(params, index);
    if (arg.vt != (VT_BYREF | VT_BSTR))
        return;
    SysFreeString(*arg.pbstrVal);
    *arg.pbstrVal = ToBstr(bytes, codePage);
}

void SetNumber(DISPPARAMS *params, UINT index, LONG value)
{
    VARIANT &arg = Arg(params, index);
    if (arg.vt == (VT_BYREF | VT_I4))
        *arg.plVal = value;
}

HRESULT MockJVLink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *,
                           UINT *)
{
    if (id < 1 || static_cast<size_t>(id) > kMethodCount)
        return DISP_E_MEMBERNOTFOUND;
    if (static_cast<size_t>(id) == kParentHWnd + 1)
        return parentWindow(flags, params, result);
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    static const UINT kArgCounts[] = {1, 0, 1, 1, 6, 2, 0, 3, 0, 0, 0, 3, 1};
    if (params->cArgs != kArgCounts[id - 1] || params->cNamedArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    LONG code = 0;
    if (static_cast<size_t>(id) == kGets + 1 || kMethods[id - 1] == std::wstring(L"JVRead")) {
        const HRESULT read = readInto(static_cast<size_t>(id) == kGets + 1, params, code);
        if (FAILED(read))
            return read;
    } else {
        code = call(Utf8(kMethods[id - 1]), params);
    }
    if (result) {
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = code;
    }
    return S_OK;
}

HRESULT MockJVLink::readInto(bool bytes, DISPPARAMS *params, LONG &code)
{
    VARIANT &buffer = Arg(params, 0);
    const bool inVariant = buffer.vt == (VT_BYREF | VT_VARIANT);
    if (bytes && !inVariant && (m_readVariant.getsInVariantOnly || buffer.vt != (VT_BYREF | VT_ARRAY | VT_UI1)))
        return DISP_E_TYPEMISMATCH;
    if (!bytes && buffer.vt != (VT_BYREF | VT_BSTR))
        return DISP_E_TYPEMISMATCH;
    const long count = ++m_calls["JVRead"];
    if (count == m_stallAtRead)
        Sleep(INFINITE);
    const auto fault = m_faults.find("JVRead");
    std::string record, fileName;
    code = fault != m_faults.end() && count >= fault->second.from ? fault->second.code : read(record, fileName);
    const LONG size = NumberArg(params, 1);
    if (code > 0) {
        if (m_readVariant.longer)
            record += kLeftOver;
        if (m_readVariant.nuls)
            record.resize(
                std::max<size_t>(record.size(), std::min<size_t>(static_cast<size_t>(size), record.size() + 512)),
                '\0');
    }
    if (bytes) {
        SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(record.size()));
        void *data = nullptr;
        if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
            std::copy(record.begin(), record.end(), static_cast<char *>(data));
            SafeArrayUnaccessData(array);
        }
        if (inVariant) {
            VariantClear(buffer.pvarVal);
            buffer.pvarVal->vt = VT_ARRAY | VT_UI1;
            buffer.pvarVal->parray = array;
        } else {
            SafeArrayDestroy(*buffer.pparray);
            *buffer.pparray = array;
        }
    } else {
        const std::wstring text = RecordText(record, m_readVariant.widen);
        SysFreeString(*buffer.pbstrVal);
        *buffer.pbstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        SetNumber(params, 1, code > 0 ? code : size);
    }
    SetText(params, 2, fileName, CP_UTF8);
    return S_OK;
}

HRESULT MockJVLink::parentWindow(WORD flags, DISPPARAMS *params, VARIANT *result)
{
    if (flags & DISPATCH_PROPERTYPUT) {
        if (params->cArgs != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            params->rgvarg[0].vt != VT_I4)
            return DISP_E_TYPEMISMATCH;
        m_parentWindow = params->rgvarg[0].lVal;
        Log("ParentHWnd=" + std::to_string(m_parentWindow));
        return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = m_parentWindow;
    return S_OK;
}

LRESULT CALLBACK MockJVLink::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_APP)
        return DefWindowProcW(window, message, wParam, lParam);
    auto *self = reinterpret_cast<MockJVLink *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    Log("dialog answered");
    InterlockedExchange(&self->m_dialogAnswered, 1);
    DestroyWindow(window);
    return 0;
}

void MockJVLink::showDialog()
{
    static const wchar_t *const kClass = L"VelmoraMockJVLinkDialog";
    WNDCLASSW type{};
    type.lpfnWndProc = &MockJVLink::DialogProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kClass;
    RegisterClassW(&type);
    const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(m_parentWindow));
    // Owned by ParentHWnd when that is a window here; without a screen (wine in the tests) a message-only window.
    HWND dialog = IsWindow(owner) ? CreateWindowExW(0, kClass, L"JV-Link", WS_POPUP, 0, 0, 200, 100, owner, nullptr,
                                                    type.hInstance, nullptr)
                                  : nullptr;
    if (!dialog)
        dialog = CreateWindowExW(0, kClass, L"JV-Link", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    if (!dialog)
        return;
    InterlockedExchange(&m_dialogAnswered, 0);
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PostMessageW(dialog, WM_APP, 0, 0);
}

LONG MockJVLink::fileDelete(const std::string &name)
{
    const ServedFile *file = m_reader.findFile(name);
    if (!file)
        return code::FileNotFound;
    DeleteFileW(cachedPath(*file).c_str());
    m_repaired.push_back(name);
    return code::Ok;
}

LONG MockJVLink::call(const std::string &method, DISPPARAMS *params)
{
    const long count = ++m_calls[method];
    if (method == "JVRead" && count == m_stallAtRead)
        Sleep(INFINITE);
    const auto fault = m_faults.find(method);
    if (fault != m_faults.end() && count >= fault->second.from) {
        if (method == "JVOpen") {
            SetNumber(params, 3, 0);
            SetNumber(params, 4, 0);
            SetText(params, 5, "", CP_UTF8);
        }
        return fault->second.code;
    }

    if (method == "JVInit")
        return init(FromBstr(Arg(params, 0).bstrVal));
    if (method == "JVSetUIProperties")
        return code::Ok;
    if (method == "JVSetServiceKey") {
        m_serviceKey = Wide(TextArg(params, 0));
        return code::Ok;
    }
    if (method == "JVSetSavePath") {
        m_savePath = Wide(TextArg(params, 0));
        return code::Ok;
    }
    if (method == "JVOpen") {
        LONG readCount = 0, downloadCount = 0;
        std::string stamp;
        const LONG result =
            open(TextArg(params, 0), TextArg(params, 1), NumberArg(params, 2), readCount, downloadCount, stamp);
        SetNumber(params, 3, readCount);
        SetNumber(params, 4, downloadCount);
        SetText(params, 5, stamp, CP_UTF8);
        return result;
    }
    if (method == "JVRTOpen")
        return m_reader.openRealTime(TextArg(params, 0), TextArg(params, 1));
    if (method == "JVStatus")
        return m_reader.status();
    if (method == "JVFiledelete")
        return fileDelete(TextArg(params, 0));
    if (method == "JVSkip") {
        m_reader.skipFile();
        return code::Ok;
    }
    if (method == "JVCancel") {
        stopDownload();
        return code::Ok;
    }
    return close();
}

LONG MockJVLink::init(const std::wstring &sid)
{
    const int size =
        WideCharToMultiByte(932, 0, sid.data(), static_cast<int>(sid.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(932, 0, sid.data(), static_cast<int>(sid.size()), bytes.data(), size, nullptr, nullptr);
    return m_reader.init(bytes);
}

int MockJVLink::checkSource()
{
    if (m_serviceKey.find_first_not_of(L' ') == std::wstring::npos)
        return code::NoServiceKey;
    const std::wstring folder = sourceFolder();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return code::BadSettings;
    return code::Ok;
}

std::vector<ListedFile> MockJVLink::listFiles()
{
    std::vector<ListedFile> files;
    const std::wstring folder = sourceFolder();
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN))
            continue;
        ListedFile file;
        file.name = Utf8(found.cFileName);
        if (file.name.empty() || file.name[0] == '.')
            continue;
        file.path = Utf8(folder + L"\\" + found.cFileName);
        file.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        FILETIME local;
        SYSTEMTIME time;
        FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &time);
        file.modified = Stamp(time);
        // 100-nanosecond ticks since 1601 to milliseconds since 1970.
        const auto ticks = (static_cast<std::int64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                           found.ftLastWriteTime.dwLowDateTime;
        file.modifiedMsecs = (ticks - 116444736000000000LL) / 10000;
        files.push_back(std::move(file));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end(), [](const ListedFile &a, const ListedFile &b) { return a.name < b.name; });
    return files;
}

bool MockJVLink::readFile(const std::string &path, std::string &bytes)
{
    return ReadWhole(Wide(path), bytes);
}

bool MockJVLink::isCached(const ServedFile &file)
{
    WIN32_FILE_ATTRIBUTE_DATA cached;
    return GetFileAttributesExW(cachedPath(file).c_str(), GetFileExInfoStandard, &cached) &&
           ((static_cast<std::uint64_t>(cached.nFileSizeHigh) << 32) | cached.nFileSizeLow) == file.size;
}

bool MockJVLink::prepareCache()
{
    CreateDirectoryW(m_savePath.c_str(), nullptr);
    CreateDirectoryW(cacheFolder().c_str(), nullptr);
    return true;
}

bool MockJVLink::copyIntoCache(const ServedFile &file)
{
    const std::wstring target = cachedPath(file);
    const std::wstring partial = target + L".part";
    if (CopyFileW(Wide(file.path).c_str(), partial.c_str(), FALSE) &&
        MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(partial.c_str());
    return false;
}

bool MockJVLink::readCached(const ServedFile &file, std::string &bytes)
{
    return ReadWhole(cachedPath(file), bytes);
}

LONG MockJVLink::open(const std::string &dataspec, const std::string &fromTime, LONG option, LONG &readCount,
                      LONG &downloadCount, std::string &lastFileTimestamp)
{
    velmora::jvsource::SourceReader::OpenCounts counts;
    const int result = m_reader.open(dataspec, fromTime, option, option == 2 ? Today() : std::string(), counts);
    readCount = counts.readCount;
    downloadCount = counts.downloadCount;
    lastFileTimestamp = counts.lastFileTimestamp;
    if (result != code::Ok)
        return result;
    if (m_showsDialog)
        showDialog();
    if (downloadCount > 0)
        startDownload();
    return code::Ok;
}

void MockJVLink::startDownload()
{
    m_stop = false;
    m_downloader = CreateThread(nullptr, 0, &MockJVLink::DownloadThread, this, 0, nullptr);
}

void MockJVLink::download()
{
    while (!m_dialogAnswered) {
        if (m_stop)
            return;
        Sleep(5);
    }
    m_reader.download(m_downloadDelay, m_stop);
}

void MockJVLink::stopDownload()
{
    m_stop = true;
    if (m_downloader) {
        WaitForSingleObject(m_downloader, INFINITE);
        CloseHandle(m_downloader);
        m_downloader = nullptr;
    }
}

LONG MockJVLink::read(std::string &record, std::string &fileName)
{
    // A damaged download is found when its file is loaded, until JVFiledelete deletes it.
    size_t place = 0;
    if (const ServedFile *file = m_reader.fileToLoad(&place);
        file && m_damage.code != 0 && place + 1 == m_damage.file &&
        (m_damage.stays || std::find(m_repaired.begin(), m_repaired.end(), file->name) == m_repaired.end())) {
        fileName = file->name;
        return m_damage.code;
    }
    const ServedFile *file = nullptr;
    const int result = m_reader.read(record, file);
    if (file)
        fileName = file->name;
    return result;
}

LONG MockJVLink::close()
{
    stopDownload();
    m_reader.close();
    return code::Ok;
}

class Factory : public IClassFactory
{
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // A JV-Link that this process cannot create, as a 32-bit program meets a JV-Link installed for 64 bits only.
        if (!Env(L"VELMORA_MOCKJV_REFUSE").empty())
            return REGDB_E_CLASSNOTREG;
        auto *jvlink = new MockJVLink;
        const HRESULT result = jvlink->QueryInterface(iid, object);
        jvlink->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **object)
{
    if (!IsEqualCLSID(clsid, kClsid)) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_objects == 0 ? S_OK : S_FALSE;
}
