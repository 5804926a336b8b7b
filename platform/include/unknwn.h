/* The COM base interface. Interfaces are C++ classes of pure virtual methods
   in the order of the Windows headers; C code sees only the types. */
#ifndef PLATFORM_UNKNWN_H
#define PLATFORM_UNKNWN_H

#include "windef.h"
#include "guiddef.h"
#include "winerror.h"

#define STDMETHODCALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0

DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

#ifdef __cplusplus
struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void **object) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;
};
#else
typedef struct IUnknown IUnknown;
#endif
typedef IUnknown *LPUNKNOWN;

#endif
