#include "sample_server/common/sample_identity.h"

namespace tesk_sample {
namespace {
// {53BC3B8A-A24E-4342-9886-DBFAA0EE0000}; the last two bytes hold the instance.
constexpr CLSID kBaseClsid = {0x53BC3B8A, 0xA24E, 0x4342,
                              {0x98, 0x86, 0xDB, 0xFA, 0xA0, 0xEE, 0x00, 0x00}};
}  // namespace

// {5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}
const CATID kTeskServerCategory = {0x5E2A9C14, 0x3B7D, 0x4F08,
                                   {0x9A, 0x61, 0xC4, 0x7D, 0x2E, 0x8B, 0x0F, 0x53}};
// {8BEF444A-77C0-49DA-8023-085116CA8E93}
const CATID kIoPluginCategory = {0x8BEF444A, 0x77C0, 0x49DA,
                                 {0x80, 0x23, 0x08, 0x51, 0x16, 0xCA, 0x8E, 0x93}};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

ServerIdentity IdentityOf(unsigned instance) {
    ServerIdentity identity;
    identity.instance = instance;
    identity.clsid = kBaseClsid;
    identity.clsid.Data4[6] = static_cast<BYTE>(instance >> 8);
    identity.clsid.Data4[7] = static_cast<BYTE>(instance & 0xFF);
    identity.clsidText = GuidText(identity.clsid);
    const std::wstring number = std::to_wstring(instance);
    identity.versionIndependentProgId = L"TeskSample.Server" + number;
    identity.progId = identity.versionIndependentProgId + L".1";
    identity.userTypeName = L"Tesk Sample Server " + number;
    return identity;
}

bool InstanceOfClsid(const CLSID& clsid, unsigned* instance) {
    CLSID base = clsid;
    base.Data4[6] = base.Data4[7] = 0;
    if (!::IsEqualGUID(base, kBaseClsid)) return false;
    unsigned number = (static_cast<unsigned>(clsid.Data4[6]) << 8) | clsid.Data4[7];
    if (number < kFirstInstance) return false;
    if (instance) *instance = number;
    return true;
}

long DefaultPropertyValue(unsigned instance) { return 1000 + static_cast<long>(instance); }

}  // namespace tesk_sample
