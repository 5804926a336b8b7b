/* Korvane 1.5: the host's header. Every export is a flat cdecl function with
   an upper-case name; the declarations come from korvane_exports.inc. */
#ifndef KORVANE_H
#define KORVANE_H

#include <windows.h>
#include <d3dtypes.h>

#if defined(_WIN32) && !defined(_WIN64)
#define KVCALL __cdecl
#else
#define KVCALL
#endif

#if defined(KORVANE_BUILDING) && !defined(_WIN32)
#define KVAPI __attribute__((visibility("default")))
#else
#define KVAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define KV_EXPORT(result, name, params) KVAPI result KVCALL name params;
#include "korvane_exports.inc"
#undef KV_EXPORT

#ifdef __cplusplus
}
#endif

#endif
