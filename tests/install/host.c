/* A host written outside the project, built against an installed Korvane
   (pkg-config, find_package, the Debian packages, or the Windows SDK): it
   starts the library, asks one export for a result and ends. Prints what it
   saw; exits 0 only when all is right. */
#include <korvane.h>
#include <stdio.h>

#if KORVANE_VERSION < KORVANE_VERSIONNUM(1, 5, 0)
#error "the installed korvane.h is older than this host"
#endif

int main(void) {
#ifdef _WIN32
  HWND window = CreateWindowA("STATIC", "install host", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, NULL, NULL,
                              GetModuleHandleA(NULL), NULL);
#else
  HWND window = (HWND)1; /* any non-null handle is a window on Linux */
#endif
  D3DVECTOR a = {{1}, {0}, {0}}, b = {{0}, {1}, {0}};
  D3DVECTOR *up;
  int right;

  REPORT_MODE("install_host", 0);
  if (KORVANE_INIT(window, 0) != 0) {
    printf("install host: KORVANE_INIT failed\n");
    return 1;
  }
  up = CROSS_PRODUCT(&a, &b);
  right = up->x == 0.0f && up->y == 0.0f && up->z == 1.0f;
  FILE_REPORT("install host: ran");
  KORVANE_EXIT();
  printf("install host: Korvane %d.%d.%d, x cross y = (%g, %g, %g)\n", KORVANE_MAJOR_VERSION, KORVANE_MINOR_VERSION,
         KORVANE_PATCHLEVEL, up->x, up->y, up->z);
  return right ? 0 : 1;
}
