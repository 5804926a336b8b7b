/* GUID, the interface-identifier references of COM, and their comparison. */
#ifndef PLATFORM_GUIDDEF_H
#define PLATFORM_GUIDDEF_H

#include <string.h>
#include "windef.h"

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID, *LPGUID;
typedef GUID IID, CLSID;
typedef IID *LPIID;
typedef CLSID *LPCLSID;

#ifdef __cplusplus
#define REFGUID const GUID &
#define REFIID const IID &
#define REFCLSID const CLSID &
inline int IsEqualGUID(REFGUID a, REFGUID b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }
#else
#define REFGUID const GUID *
#define REFIID const IID *
#define REFCLSID const CLSID *
#define IsEqualGUID(a, b) (memcmp((a), (b), sizeof(GUID)) == 0)
#endif
#define IsEqualIID(a, b) IsEqualGUID(a, b)

#ifdef __cplusplus
#define EXTERN_C extern "C"
#else
#define EXTERN_C extern
#endif

/* Declares a GUID object; a translation unit that defines INITGUID before
   including the headers also defines it, with the header's own value. */
#undef DEFINE_GUID
#ifdef INITGUID
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  EXTERN_C PLATFORM_API const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#else
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) EXTERN_C PLATFORM_API const GUID name
#endif

#endif
