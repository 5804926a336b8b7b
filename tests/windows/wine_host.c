/* The shared pieces of the Windows host tests. */
#include "wine_host.h"

KorvaneExports kv;
int gChecksPassed, gChecksFailed;
int gBoxesCaught;
char gLastBoxText[512];
char gLastBoxTitle[256];

static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND CreateHostWindow(HINSTANCE instance, const char *title) {
  WNDCLASSA windowClass;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "KorvaneTestHost";
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("KorvaneTestHost", title, WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, NULL, NULL,
                              instance, NULL);
  ShowWindow(window, SW_SHOW);
  return window;
}

static FARPROC Export(HMODULE library, const char *name) {
  FARPROC address = GetProcAddress(library, name);
  if (address == NULL) {
    printf("export %s is missing\n", name);
    exit(1);
  }
  return address;
}

void LoadKorvane(void) {
  HMODULE library = LoadLibraryA("Korvane1_5.dll");
  if (library == NULL) {
    printf("cannot load Korvane1_5.dll (error %lu)\n", GetLastError());
    exit(1);
  }
#define KV_EXPORT(result, name, params) *(FARPROC *)&kv.name = Export(library, #name);
#include "korvane_exports.inc"
#undef KV_EXPORT
}

/* The box's message is its static control with text (the icon has none). */
static BOOL CALLBACK FindBoxText(HWND child, LPARAM unused) {
  char className[32];
  GetClassNameA(child, className, sizeof className);
  if (_stricmp(className, "Static") == 0 && GetWindowTextA(child, gLastBoxText, sizeof gLastBoxText) > 0)
    return FALSE;
  return TRUE;
}

/* A box is a dialog of class #32770. It is read and closed shortly after it
   activates, from a timer its modal loop dispatches, when its controls hold
   their texts; closing it is pressing its default button. */
static HWND gOpenBox;

static void CALLBACK ReadAndCloseBox(HWND unused, UINT message, UINT_PTR timer, DWORD time) {
  KillTimer(NULL, timer);
  if (gOpenBox == NULL) return;
  GetWindowTextA(gOpenBox, gLastBoxTitle, sizeof gLastBoxTitle);
  gLastBoxText[0] = '\0';
  EnumChildWindows(gOpenBox, FindBoxText, 0);
  ++gBoxesCaught;
  PostMessageA(gOpenBox, WM_COMMAND, IDOK, 0);
  gOpenBox = NULL;
}

static LRESULT CALLBACK BoxCatcher(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    char className[32];
    GetClassNameA((HWND)wparam, className, sizeof className);
    if (strcmp(className, "#32770") == 0 && gOpenBox == NULL) {
      gOpenBox = (HWND)wparam;
      SetTimer(NULL, 0, 50, ReadAndCloseBox);
    }
  }
  return CallNextHookEx(NULL, code, wparam, lparam);
}

void CatchMessageBoxes(void) { SetWindowsHookExA(WH_CBT, BoxCatcher, NULL, GetCurrentThreadId()); }

size_t ReadWholeFile(const char *path, char *buffer, size_t size) {
  FILE *file = fopen(path, "rb");
  if (file == NULL) return 0;
  size_t got = fread(buffer, 1, size - 1, file);
  buffer[got] = '\0';
  fclose(file);
  return got;
}

int FinishChecks(void) {
  printf("%d passed, %d failed\n", gChecksPassed, gChecksFailed);
  return gChecksFailed == 0 ? 0 : 1;
}
