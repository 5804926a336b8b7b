// The critical-report procedure, its five forms, one per platform API, each
// naming the result with that API's table, and ERROR_MESSAGE, which shows the
// host's own text the same way.
#include "core/critical.h"

#include <cstdio>

#include "core/error_names.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "core/surface_events.h"
#include "korvane.h"

namespace {

const char kCriticalTitle[] = "Critical!!!";

int RaiseCritical(const char *name) {
  char line[kReportLineMax + 1];
  snprintf(line, sizeof line, "!!! %s !!!", name);
  int result = ShowCriticalMessage(line, name);
  gCriticalError = 1;
  return result;
}

}  // namespace

int ShowCriticalMessage(const char *line, const char *boxText) {
  ReportWrite(line);
  NotifyDisplaySurfacesReleased();
  MessageBoxA(ghWnd, boxText, kCriticalTitle, MB_SYSTEMMODAL | MB_ICONERROR);
  return NotifyDisplaySurfacesRebuilt();
}

int DDCritical(HRESULT result) { return RaiseCritical(DDErrorName(result)); }
int D3DCritical(HRESULT result) { return RaiseCritical(D3DErrorName(result)); }
int DICritical(HRESULT result) { return RaiseCritical(DIErrorName(result)); }
int CDCritical(DWORD error) { return RaiseCritical(CDErrorName(error)); }
int MIDICritical(DWORD error) { return RaiseCritical(MIDIErrorName(error)); }

extern "C" int ERROR_MESSAGE(const char *text) {
  // The report keeps the first 254 characters; the box shows the whole text.
  if (text == nullptr) text = "";
  return ShowCriticalMessage(text, text);
}
