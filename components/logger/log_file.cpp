#include "logger/log_file.h"

#include <windows.h>

#include "logger/logger_settings.h"
#include "support/unique_resource.h"

namespace tracemill {

namespace {

// The lock is taken on one byte far beyond any data: a lock on the data itself
// would keep readers of the log out while a record is written.
constexpr DWORD kLockOffsetHigh = 0x40000000;

// Holds the exclusive lock on the file for one scope.
class FileLock {
public:
    explicit FileLock(HANDLE file) : file_(file) {
        OVERLAPPED at = {};
        at.OffsetHigh = kLockOffsetHigh;
        locked_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != FALSE;
    }
    ~FileLock() {
        if (!locked_) return;
        OVERLAPPED at = {};
        at.OffsetHigh = kLockOffsetHigh;
        ::UnlockFileEx(file_, 0, 1, 0, &at);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return locked_; }

private:
    HANDLE file_;
    bool locked_ = false;
};

}  // namespace

bool AppendLine(const std::wstring& folder, const std::string& line) {
    if (folder.empty() || line.empty()) return false;
    std::wstring path = folder;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += kLogFileName;

    tesk::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    FileLock lock(file.get());
    if (!lock.locked()) return false;
    LARGE_INTEGER end = {};
    if (!::SetFilePointerEx(file.get(), end, nullptr, FILE_END)) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                       nullptr) &&
           written == line.size();
}

}  // namespace tracemill
