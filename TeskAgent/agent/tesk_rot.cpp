#include "agent/tesk_rot.h"

#include <comdef.h>
#include <cwchar>
#include <map>
#include <utility>

#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "support/unique_resource.h"

namespace {

// Keys compare by plain code units, so matching is exact and case-sensitive;
// a null key orders before every other key.
struct KeyLess {
    bool operator()(const _bstr_t& a, const _bstr_t& b) const {
        const wchar_t* left = a;
        const wchar_t* right = b;
        if (!left || !right) return !left && right;
        return std::wcscmp(left, right) < 0;
    }
};

using Table = std::map<_bstr_t, tesk::UniqueVariant, KeyLess>;

// Constructed during static initialisation, before the entry point runs, and
// destroyed at process exit, releasing whatever servers are still entered.
// Every call arrives on the apartment's thread, so the table needs no lock.
Table g_table;

// The key as the caller passed it: the text up to the first null character.
_bstr_t KeyOf(BSTR serverGuid) { return _bstr_t(static_cast<const wchar_t*>(serverGuid)); }

const wchar_t* Printable(BSTR text) { return text ? text : L""; }

}  // namespace

namespace tesk_rot {

// The log and error texts below keep the system's exact wording: do not correct
// ("regisration" and all).

HRESULT Register(BSTR serverGuid, const VARIANT& serverId) {
    _bstr_t key = KeyOf(serverGuid);
    if (g_table.find(key) != g_table.end())
        GuardedLogWarning(L"Server with GUID ('%s') already registered in Tesk ROT!",
                          Printable(serverGuid));
    // Only an IUnknown is kept, so each entry holds exactly one object reference.
    if (V_VT(&serverId) != VT_UNKNOWN)
        TESK_RAISE_OP(E_INVALIDARG, L"Unexpected DataType during regisration in Tesk ROT.");
    GuardedLogTrace(L"Register a Server with GUID ('%s').", Printable(serverGuid));

    // The new value is made first and a replaced object is moved out of the
    // table before it is released: its release calls into the process that
    // registered it, and other clients' calls run on this thread meanwhile, so
    // they must find the table finished.
    tesk::UniqueVariant value;
    HRESULT hr = ::VariantCopy(value.get(), const_cast<VARIANT*>(&serverId));
    if (FAILED(hr)) {
        V_VT(value.get()) = VT_ERROR;
        V_ERROR(value.get()) = hr;
    }
    std::swap(*g_table[key].get(), *value.get());
    return S_OK;  // `value` now holds the replaced object, released with the table complete
}

HRESULT UnRegister(BSTR serverGuid) {
    auto entry = g_table.find(KeyOf(serverGuid));
    if (entry != g_table.end()) {
        GuardedLogTrace(L"Unregister a Server with GUID ('%s').", Printable(serverGuid));
        // The entry leaves the table before its object is released: the release
        // calls out, and calls of other clients are served meanwhile.
        tesk::UniqueVariant removed;
        std::swap(*removed.get(), *entry->second.get());
        g_table.erase(entry);
    } else {
        GuardedLogWarning(L"Attempt to unregister a Server with unknown GUID ('%s').",
                          Printable(serverGuid));
    }
    return S_OK;
}

HRESULT GetActiveObject(BSTR serverGuid, VARIANT* serverId) {
    auto entry = g_table.find(KeyOf(serverGuid));
    if (entry == g_table.end()) {
        GuardedLogTrace(
            L"Attempt to connect a Server with GUID ('%s'), which is not currently in Tesk ROT.",
            Printable(serverGuid));
        return E_FAIL;  // returned, not raised: an absent entry is an answer, not an error
    }
    GuardedLogTrace(L"Connected to Server with GUID ('%s') via Tesk ROT.", Printable(serverGuid));
    HRESULT hr = ::VariantCopy(serverId, entry->second.get());
    if (FAILED(hr)) TESK_RAISE(hr);
    return S_OK;
}

}  // namespace tesk_rot
