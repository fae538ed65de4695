#include "logger/logger_settings.h"

#include <vector>

#include "logger/exclusive_lock.h"

namespace tracemill {

namespace {

// Reads a string value (environment references expanded); exists says
// whether the value is there at all.
std::wstring ReadText(const std::wstring& keyPath, const wchar_t* name, bool* exists) {
    *exists = false;
    DWORD bytes = 0;
    // REG_SZ, and REG_EXPAND_SZ expanded into REG_SZ (RRF_RT_REG_EXPAND_SZ
    // itself is only valid together with RRF_NOEXPAND).
    const DWORD types = RRF_RT_REG_SZ;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, types, nullptr, nullptr,
                       &bytes) != ERROR_SUCCESS)
        return {};
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, L'\0');
    bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, types, nullptr, data.data(),
                       &bytes) != ERROR_SUCCESS)
        return {};
    *exists = true;
    return data.data();
}

// Replaces *number with a REG_DWORD value where there is one.
void ReadNumber(const std::wstring& keyPath, const wchar_t* name, DWORD* number) {
    DWORD value = 0, bytes = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, RRF_RT_REG_DWORD, nullptr,
                       &value, &bytes) == ERROR_SUCCESS)
        *number = value;
}

void ReadRotation(const std::wstring& keyPath, RotationLimits* limits) {
    ReadNumber(keyPath, kMaxFileSizeValue, &limits->maxBytes);
    ReadNumber(keyPath, kKeptFilesValue, &limits->keptFiles);
    if (limits->keptFiles > kMostKeptFiles) limits->keptFiles = kMostKeptFiles;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

IdentitySettings Read(const std::wstring& identity) {
    const std::wstring common = kLoggerKey;
    bool exists = false;
    IdentitySettings settings;
    settings.flags = FlagSelection::Parse(ReadText(common, kFlagsValue, &exists));
    settings.logFolder = ReadText(common, kLogFolderValue, &exists);
    ReadRotation(common, &settings.rotation);
    if (identity.empty()) return settings;

    const std::wstring own = common + L"\\" + kClientsKey + L"\\" + identity;
    std::wstring flags = ReadText(own, kFlagsValue, &exists);
    if (exists) settings.flags = FlagSelection::Parse(flags);
    std::wstring folder = ReadText(own, kLogFolderValue, &exists);
    if (exists) settings.logFolder = folder;
    ReadRotation(own, &settings.rotation);
    return settings;
}

}  // namespace

LoggerSettings& LoggerSettings::Get() {
    static LoggerSettings settings;
    return settings;
}

// Settings are read once and kept until the registry reports a change below
// the logger key, so asking whether a flag is on stays cheap.
void LoggerSettings::Watch() {
    watching_ = false;
    if (!changed_) changed_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!changed_) return;
    ::ResetEvent(changed_.get());
    if (!watchedKey_ &&
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLoggerKey, 0, KEY_NOTIFY, watchedKey_.put()) !=
            ERROR_SUCCESS)
        return;
    watching_ = ::RegNotifyChangeKeyValue(watchedKey_.get(), TRUE,
                                          REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                          changed_.get(), TRUE) == ERROR_SUCCESS;
    if (!watching_) watchedKey_.reset();  // a deleted key is opened anew next time
}

bool LoggerSettings::ChangedSinceRead() {
    return !watching_ || ::WaitForSingleObject(changed_.get(), 0) == WAIT_OBJECT_0;
}

IdentitySettings LoggerSettings::For(const std::wstring& identity) {
    ExclusiveLock hold(lock_);
    if (ChangedSinceRead()) {
        cache_.clear();
        // Re-armed before reading, so a change made while reading is not missed.
        Watch();
    }
    const std::wstring key = Lower(identity);
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    IdentitySettings settings = Read(identity);
    // Without a watch nothing would tell a later change: read again each time.
    if (watching_) cache_[key] = settings;
    return settings;
}

}  // namespace tracemill
