/* One proxy/stub DLL from the files widl generated for it (see ProxyDll.cmake). */
#include <objbase.h>

/* MinGW declares these rpcrt4 exports for C++ only; the generated vtables name them in C. */
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);

#include "proxy_p.c"
#include "proxy_i.c"
#include "dlldata.c"
