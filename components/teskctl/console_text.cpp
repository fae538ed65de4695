#include "teskctl/console_text.h"

#include <chrono>

namespace teskctl {

namespace {
void Write(DWORD standardHandle, const std::wstring& text) {
    HANDLE stream = ::GetStdHandle(standardHandle);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD written = 0;
    if (IsConsole(standardHandle)) {
        ::WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    ::WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
}  // namespace

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int chars = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &out[0], chars);
    return out;
}

bool IsConsole(DWORD standardHandle) {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(standardHandle), &mode) != FALSE;
}

void WriteOut(const std::wstring& text) { Write(STD_OUTPUT_HANDLE, text); }
void WriteErr(const std::wstring& text) { Write(STD_ERROR_HANDLE, text); }

Progress::Progress(std::wstring label, DWORD delayMs)
    : label_(std::move(label)), delayMs_(delayMs) {
    if (IsConsole(STD_ERROR_HANDLE)) thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() { Stop(); }

void Progress::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Progress::Run() {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::milliseconds(delayMs_), [this] { return stopping_; }))
        return;
    size_t shownLength = 0;
    do {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        std::wstring line = L"\r" + label_ + L" (" + std::to_wstring(seconds) + L" s)";
        shownLength = line.size();
        WriteErr(line);
    } while (!wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return stopping_; }));
    // Blank the line out so that what follows starts clean.
    WriteErr(L"\r" + std::wstring(shownLength, L' ') + L"\r");
}

}  // namespace teskctl
