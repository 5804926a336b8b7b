/* Korvane 1.5: the host's header. Every export is a flat cdecl function with
   an upper-case name; the declarations come from korvane_exports.inc. */
#ifndef KORVANE_H
#define KORVANE_H

/* The version of this header and of the library built from it. The build
   reads these lines for the shared object's version and the packages'. */
#define KORVANE_MAJOR_VERSION 1
#define KORVANE_MINOR_VERSION 5
#define KORVANE_PATCHLEVEL 0
/* Compares as a number: KORVANE_VERSION >= KORVANE_VERSIONNUM(1, 5, 0). */
#define KORVANE_VERSIONNUM(major, minor, patch) ((major) * 10000 + (minor) * 100 + (patch))
#define KORVANE_VERSION KORVANE_VERSIONNUM(KORVANE_MAJOR_VERSION, KORVANE_MINOR_VERSION, KORVANE_PATCHLEVEL)

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
