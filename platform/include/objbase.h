/* COM library initialisation. */
#ifndef PLATFORM_OBJBASE_H
#define PLATFORM_OBJBASE_H

#include "unknwn.h"

#ifdef __cplusplus
extern "C" {
#endif

HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize(void);

#ifdef __cplusplus
}
#endif

#endif
