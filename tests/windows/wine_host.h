/* Shared pieces of the Windows host tests: a real host window, the library
   loaded as a game loads it, a message-box catcher so critical boxes do not
   wait for a user, and a tiny check counter. */
#ifndef WINE_HOST_H
#define WINE_HOST_H

#include <windows.h>
#include <d3dtypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Every export of the library, as a pointer filled by LoadKorvane. */
typedef struct KorvaneExports {
#define KV_EXPORT(result, name, params) result(__cdecl *name) params;
#include "korvane_exports.inc"
#undef KV_EXPORT
} KorvaneExports;
extern KorvaneExports kv;

extern int gChecksPassed, gChecksFailed;

#define CHECK(condition)                                                        \
  do {                                                                          \
    if (condition) {                                                            \
      ++gChecksPassed;                                                          \
    } else {                                                                    \
      ++gChecksFailed;                                                          \
      printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
    }                                                                           \
  } while (0)

/* Creates and shows the host window. */
HWND CreateHostWindow(HINSTANCE instance, const char *title);

/* Loads Korvane1_5.dll and looks up every export by its undecorated name;
   exits the test when the DLL or an export is missing. */
void LoadKorvane(void);

/* Message boxes of this thread are caught: their text and title are kept
   and the box is closed with its default button. */
void CatchMessageBoxes(void);
extern int gBoxesCaught;
extern char gLastBoxText[512];
extern char gLastBoxTitle[256];

/* The whole content of a file (0 bytes when it cannot be read). */
size_t ReadWholeFile(const char *path, char *buffer, size_t size);

/* Prints "N passed, M failed" and gives the process's exit code. */
int FinishChecks(void);

#endif
