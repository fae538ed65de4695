/* Forced into the proxy code that widl generates with -Oif: it names the
   IUnknown proxies of rpcrt4 (exported by rpcrt4.dll and present in MinGW's
   import library) that MinGW's headers do not declare. Declarations only: the
   definitions are rpcrt4's. */
#pragma once
#include <objbase.h>

#ifdef __cplusplus
extern "C" {
#endif
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** ppv);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);
#ifdef __cplusplus
}
#endif
