// TeskSampleModule.dll: the sample TeskServer's in-process module.
//
// It is registered as InprocServer32 of every sample server class (by the
// server's own registration) and serves, in process, an engine object of that
// class answering IServerPropertySource with the instance's default value.
// Its own registration (DllRegisterServer) adds the sample I/O plug-in class
// to the plug-in category.

#include <windows.h>
#include <olectl.h>

#include "TeskSample_h.h"
#include "sample_server/common/class_factory.h"
#include "sample_server/common/com_registration.h"
#include "sample_server/common/module_locks.h"
#include "sample_server/common/property_source.h"
#include "sample_server/common/sample_identity.h"
#include "sample_server/module/io_plugin.h"

using namespace tesk_sample;

namespace {
HMODULE g_module = nullptr;

// The instance number travels as the context pointer's value.
HRESULT CreateEngine(void* context, REFIID iid, void** object) {
    const unsigned instance = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(context));
    return HandOutNew(
        PropertySource::Create(DefaultPropertyValue(instance), IdentityOf(instance).progId), iid,
        object);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (::IsEqualCLSID(clsid, CLSID_TeskSampleIoPlugin))
        return CreateClassFactory(IoPlugin::Create, nullptr, iid, object);
    unsigned instance = 0;
    if (InstanceOfClsid(clsid, &instance))
        return CreateClassFactory(CreateEngine, reinterpret_cast<void*>(UINT_PTR{instance}), iid,
                                  object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_TeskSampleIoPlugin);
    bool written = WriteClassesString(classKey, nullptr, kIoPluginDescription);
    written &= WriteClassesString(classKey + L"\\InprocServer32", nullptr, ModulePath(g_module));
    written &= WriteClassesString(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    written &= WriteClassesString(classKey + L"\\ProgID", nullptr, kIoPluginProgId);
    written &= WriteClassesString(classKey + L"\\VersionIndependentProgID", nullptr,
                                  kIoPluginVersionIndependentProgId);
    written &= WriteProgIds(CLSID_TeskSampleIoPlugin, kIoPluginProgId,
                            kIoPluginVersionIndependentProgId, kIoPluginDescription);
    if (!written) return SELFREG_E_CLASS;
    return RegisterClassInCategory(CLSID_TeskSampleIoPlugin, kIoPluginCategory,
                                   L"Tesk I/O Plug-ins");
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    UnregisterClassFromCategory(CLSID_TeskSampleIoPlugin, kIoPluginCategory);
    DeleteProgIds(kIoPluginProgId, kIoPluginVersionIndependentProgId);
    return DeleteClassesTree(L"CLSID\\" + GuidText(CLSID_TeskSampleIoPlugin)) ? S_OK
                                                                              : SELFREG_E_CLASS;
}
