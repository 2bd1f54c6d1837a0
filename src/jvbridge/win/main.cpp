// velmora-jvbridge: the real JV-Link behind a pipe (serve) or dumped into a source
// folder of Velmora's local JV-Link (dump). A Win32 program without Qt, linked
// statically, run beside the 32-bit JV-Link.

#include "jvbridge/dump.h"
#include "jvbridge/recovery.h"
#include "jvbridge/server.h"
#include "jvbridge/win/comjvlink.h"

#include <cstdio>
#include <deque>
#include <string>
#include <vector>
#include <windows.h>

namespace velmora::jvbridge {
namespace {

constexpr std::uint32_t kBitness = sizeof(void *) * 8;

const char *const kUsage =
    "使い方:\n"
    "  velmora-jvbridge serve\n"
    "  velmora-jvbridge dump --out DIR [--dataspec RACE] [--from yyyymmddhhnnss] [--option 1|2|3|4]\n"
    "                        [--rt yyyymmdd]\n";

/** A line on standard error: UTF-16 on a console, UTF-8 bytes into a pipe or file (also where a handle
    that calls itself a console takes no console text, as wine's may for a pipe). */
void Report(const std::string &line)
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(error, &mode)) {
        const std::wstring wide = ToWide(line + "\r\n", CP_UTF8);
        if (WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
            return;
    }
    const std::string bytes = line + "\n";
    WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

/** Handles the window messages of this thread: JV-Link's dialogs and progress windows live on them. */
void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

/** Waits for `handle` (or for `milliseconds`) while handling window messages. */
void WaitPumping(HANDLE handle, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = milliseconds == INFINITE ? INFINITE : now >= end ? 0 : static_cast<DWORD>(end - now);
        const DWORD woke =
            MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE, left, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 + (handle ? 1 : 0)) {
            PumpMessages();
            continue;
        }
        return;
    }
}

/**
 * Standard input read on a thread of its own, so that the main thread waits for it
 * and for window messages at once.
 */
class InputThread
{
  public:
    InputThread()
    {
        InitializeCriticalSection(&m_lock);
        m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &InputThread::Run, this, 0, nullptr);
    }
    ~InputThread()
    {
        // The thread may sit in ReadFile for ever; the process ends with it.
        CloseHandle(m_thread);
        CloseHandle(m_ready);
        DeleteCriticalSection(&m_lock);
    }
    InputThread(const InputThread &) = delete;
    InputThread &operator=(const InputThread &) = delete;

    /** Up to `size` bytes of input, waiting (and pumping messages) until there are some; 0 at the end. */
    std::size_t readSome(char *buffer, std::size_t size)
    {
        for (;;) {
            EnterCriticalSection(&m_lock);
            if (!m_chunks.empty()) {
                std::string &chunk = m_chunks.front();
                const std::size_t taken = std::min(size, chunk.size());
                chunk.copy(buffer, taken);
                chunk.erase(0, taken);
                if (chunk.empty())
                    m_chunks.pop_front();
                LeaveCriticalSection(&m_lock);
                return taken;
            }
            const bool ended = m_ended;
            if (!ended)
                ResetEvent(m_ready);
            LeaveCriticalSection(&m_lock);
            if (ended)
                return 0;
            WaitPumping(m_ready, INFINITE);
        }
    }

  private:
    static DWORD WINAPI Run(void *self)
    {
        static_cast<InputThread *>(self)->run();
        return 0;
    }
    void run()
    {
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            DWORD got = 0;
            const bool read = ReadFile(input, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
            EnterCriticalSection(&m_lock);
            if (!read || got == 0)
                m_ended = true;
            else
                m_chunks.emplace_back(buffer.data(), got);
            SetEvent(m_ready);
            LeaveCriticalSection(&m_lock);
            if (!read || got == 0)
                return;
        }
    }

    CRITICAL_SECTION m_lock;
    HANDLE m_ready = nullptr;
    HANDLE m_thread = nullptr;
    std::deque<std::string> m_chunks;
    bool m_ended = false;
};

bool WriteOut(std::string_view bytes)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

int ServeMode()
{
    HRESULT created = S_OK;
    std::unique_ptr<ComJVLink> jvlink = ComJVLink::Create(created);
    std::unique_ptr<RecoveringJVLink> recovering = jvlink ? std::make_unique<RecoveringJVLink>(*jvlink) : nullptr;
    Server server(recovering.get(), static_cast<std::int32_t>(created), kBitness);
    InputThread input;
    const int status = Serve(
        server, [&](char *buffer, std::size_t size) { return input.readSome(buffer, size); }, WriteOut);
    // JV-Link must not be left open when Velmora has gone without closing it.
    if (jvlink)
        jvlink->close();
    return status;
}

std::string Now()
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

int DumpMode(const std::vector<std::string> &args)
{
    DumpOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &name = args[i];
        if (i + 1 >= args.size()) {
            Report(name + " には値が必要です。");
            return kDumpUsage;
        }
        const std::string &value = args[++i];
        if (name == "--out") {
            options.out = Utf8Path(value);
        } else if (name == "--dataspec") {
            options.dataspec = value;
        } else if (name == "--from") {
            options.fromTime = value;
        } else if (name == "--rt") {
            options.realTimeKey = value;
        } else if (name == "--option" && value.size() == 1 && value[0] >= '1' && value[0] <= '4') {
            options.option = value[0] - '0';
        } else {
            Report("不正な引数です: " + name + " " + value);
            return kDumpUsage;
        }
    }
    if (options.out.empty()) {
        Report("--out で書き出し先のフォルダを指定してください。");
        return kDumpUsage;
    }
    HRESULT created = S_OK;
    std::unique_ptr<ComJVLink> jvlink = ComJVLink::Create(created);
    if (!jvlink) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(created));
        Report("JV-Linkを作成できませんでした。JV-Linkがインストールされているか確認してください。(" +
               std::string(code) + ")");
        return kDumpJVLinkError;
    }
    DumpHooks hooks;
    hooks.report = Report;
    hooks.wait = [](int milliseconds) { WaitPumping(nullptr, static_cast<DWORD>(milliseconds)); };
    hooks.now = Now;
    RecoveringJVLink recovering(*jvlink);
    return Dump(recovering, options, hooks);
}

int Run(const std::vector<std::string> &args)
{
    if (args.size() == 1 && args[0] == "serve")
        return ServeMode();
    if (!args.empty() && args[0] == "dump")
        return DumpMode(std::vector<std::string>(args.begin() + 1, args.end()));
    Report(kUsage);
    return kDumpUsage;
}

} // namespace
} // namespace velmora::jvbridge

int main()
{
    using namespace velmora::jvbridge;
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(FromWide(wide[i], static_cast<int>(wcslen(wide[i])), CP_UTF8));
    LocalFree(wide);

    // JV-Link is an apartment-threaded object with windows of its own.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Report("COMを初期化できませんでした。");
        return kDumpJVLinkError;
    }
    const int status = Run(args);
    CoUninitialize();
    return status;
}
