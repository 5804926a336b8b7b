/* A Windows host of the library core and maths, run under Wine. The "run"
   phase drives the DLL as a game does; the "verify" phase, a new process,
   reads the report the first left open (the library never closes it). */
#include <math.h>

#include "wine_host.h"

static const char kReportName[] = "wine_core";
static const char kReportFile[] = "wine_core.txt";

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane core test");
  CHECK(window != NULL);

  DWORD version = GetVersion();
  CHECK(kv.WINDOWS_VERSION() == (int)(((version & 0xFF) << 8) | ((version >> 8) & 0xFF)));

  CHECK(kv.REPORT_MODE(kReportName, 5) == (int)strlen(kReportFile));
  CHECK(kv.KORVANE_INIT(window, instance) == 0);
  CHECK(gBoxesCaught == 0);
  CHECK(kv.ON_ERROR() == 0);
  CHECK(kv.FILE_REPORT("host line 100%") != 0);

  /* The host's own critical message: a system-modal box titled Critical!!!. */
  CHECK(kv.ERROR_MESSAGE("Host says stop") == 0);
  CHECK(gBoxesCaught == 1);
  CHECK(strcmp(gLastBoxTitle, "Critical!!!") == 0);
  CHECK(strcmp(gLastBoxText, "Host says stop") == 0);
  CHECK(kv.ON_ERROR() == 0);

  /* Maths through the DLL: the 32-bit build computes in single precision. */
  D3DVECTOR x = {{1.0f}, {0.0f}, {0.0f}}, y = {{0.0f}, {1.0f}, {0.0f}};
  D3DVECTOR *z = kv.CROSS_PRODUCT(&x, &y);
  CHECK(z->x == 0.0f && z->y == 0.0f && z->z == 1.0f);
  D3DVECTOR v = {{3.0f}, {0.0f}, {4.0f}};
  CHECK(*kv.MAGNITUDE(&v) == 5.0f);
  D3DMATRIX move, back;
  memset(&move, 0, sizeof move);
  move._11 = move._22 = move._33 = move._44 = 1.0f;
  move._41 = 2.0f, move._42 = -3.0f, move._43 = 4.0f;
  CHECK(kv.MATRIX_INVERT(&back, &move) == 0);
  CHECK(back._41 == -2.0f && back._42 == 3.0f && back._43 == -4.0f);
  float qx, qy, qz, qw;
  kv.QUATERNION_SLERP(&qx, &qy, &qz, &qw, 0, 0, 0, 1, 0, 0, 1, 0, 0.5f);
  CHECK(fabsf(qz - 0.70710677f) < 1e-6f && fabsf(qw - 0.70710677f) < 1e-6f);

  kv.KORVANE_EXIT();
  CHECK(!IsWindow(window));
  return FinishChecks();
}

static int Verify(void) {
  static char report[4096];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report);
  const char *first = "$$$ wine_core.txt Report File Created - ";
  CHECK(size > 0);
  CHECK(strncmp(report, first, strlen(first)) == 0);
  CHECK(strchr(report, '\r') == NULL);
  const char *body = strchr(report, '\n');
  CHECK(body != NULL);
  if (body != NULL) {
    /* The host's lines, the subsystems' release lines, then the closing line. */
    const char *head = "host line 100%\nHost says stop\n", *tail = "$$$ End of File Report $$$\n\n";
    CHECK(strncmp(body + 1, head, strlen(head)) == 0);
    CHECK(strlen(body) >= strlen(tail) && strcmp(body + strlen(body) - strlen(tail), tail) == 0);
  }
  /* The date and time fields: MM/DD/YY - HH:MM:SS $$$ */
  const char *stamp = report + strlen(first);
  CHECK(stamp[2] == '/' && stamp[5] == '/' && strncmp(stamp + 8, " - ", 3) == 0);
  CHECK(stamp[13] == ':' && stamp[16] == ':' && strncmp(stamp + 19, " $$$\n", 5) == 0);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
