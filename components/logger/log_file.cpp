#include "logger/log_file.h"

#include <vector>

#include "logger/logger_settings.h"
#include "support/unique_resource.h"

namespace tracemill {

namespace {

// The lock is taken on one byte far beyond any data: a lock on the data itself
// would keep readers of the log out while a record is written.
constexpr DWORD kLockOffsetHigh = 0x40000000;
constexpr DWORD kCopyChunk = 64 * 1024;

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

HANDLE OpenShared(const std::wstring& path, DWORD access, DWORD disposition) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates the folder and any missing folders above it. Each gets the default
// security of a new folder: what its parent hands down.
bool CreateFolders(std::wstring folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    if (folder.empty()) return false;
    if (::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    if (::GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    size_t cut = folder.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut == 0) return false;
    return CreateFolders(folder.substr(0, cut)) &&
           (::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
}

std::wstring OldFile(const std::wstring& base, DWORD number) {
    return base + L"Tracemill." + std::to_wstring(number) + L".log";
}

// Copies the first `size` bytes of the file into a new file at `target`.
bool CopyContent(HANDLE file, LONGLONG size, const std::wstring& target) {
    tesk::UniqueFileHandle copy(OpenShared(target, GENERIC_WRITE, CREATE_ALWAYS));
    if (!copy) return false;
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    std::vector<char> chunk(kCopyChunk);
    for (LONGLONG left = size; left > 0;) {
        DWORD want = left < kCopyChunk ? static_cast<DWORD>(left) : kCopyChunk;
        DWORD read = 0, written = 0;
        if (!::ReadFile(file, chunk.data(), want, &read, nullptr) || read == 0 ||
            !::WriteFile(copy.get(), chunk.data(), read, &written, nullptr) || written != read)
            return false;
        left -= read;
    }
    return true;
}

// Moves the content of the locked log file into Tracemill.1.log (older files
// move up one number, the oldest beyond the kept count goes) and empties the
// log file. The file itself stays where it is, so writers already waiting for
// its lock append to it afterwards and none of their lines goes astray.
bool Rotate(HANDLE file, LONGLONG size, const std::wstring& base, DWORD kept) {
    if (kept > 0) {
        ::DeleteFileW(OldFile(base, kept).c_str());
        for (DWORD number = kept - 1; number >= 1; --number)
            ::MoveFileExW(OldFile(base, number).c_str(), OldFile(base, number + 1).c_str(),
                          MOVEFILE_REPLACE_EXISTING);
        if (!CopyContent(file, size, OldFile(base, 1))) {
            ::DeleteFileW(OldFile(base, 1).c_str());  // a partial copy would repeat lines
            return false;
        }
    }
    LARGE_INTEGER start = {};
    return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

}  // namespace

bool AppendLine(const std::wstring& folder, const std::string& line, const RotationLimits& limits) {
    if (folder.empty() || line.empty()) return false;
    std::wstring base = folder;
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
    const std::wstring path = base + kLogFileName;

    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    tesk::UniqueFileHandle file(OpenShared(path, access, OPEN_ALWAYS));
    if (!file && ::GetLastError() == ERROR_PATH_NOT_FOUND && CreateFolders(folder))
        file.reset(OpenShared(path, access, OPEN_ALWAYS));
    if (!file) return false;
    FileLock lock(file.get());
    if (!lock.locked()) return false;
    LARGE_INTEGER none = {}, end = {};
    if (!::SetFilePointerEx(file.get(), none, &end, FILE_END)) return false;
    // A line longer than the cap still goes whole into an emptied file.
    if (limits.maxBytes != 0 && end.QuadPart > 0 &&
        end.QuadPart + static_cast<LONGLONG>(line.size()) > limits.maxBytes) {
        // A failed rotation keeps the file as it is and appends to it.
        Rotate(file.get(), end.QuadPart, base, limits.keptFiles);
        if (!::SetFilePointerEx(file.get(), none, nullptr, FILE_END)) return false;
    }
    DWORD written = 0;
    return ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                       nullptr) &&
           written == line.size();
}

}  // namespace tracemill
