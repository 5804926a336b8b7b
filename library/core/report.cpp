// The diagnostic report file: REPORT_MODE, FILE_REPORT and the line writers
// every subsystem reports through. Each line reaches the file with a single
// WriteFile call, nothing is buffered in the library.
#include "core/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/state_reset.h"
#include "korvane.h"

int gReportMode = REPORT_OFF;
char gReportFileName[kReportFileNameSize] = "";
HANDLE ghReportFile = INVALID_HANDLE_VALUE;

namespace {

const char kReportSuffix[] = ".txt";
constexpr size_t kNameRoom = kReportFileNameSize - sizeof(kReportSuffix);

// Formats into the 256-byte line buffer; longer lines are cut at 254 characters.
void WriteFormatted(const char *format, va_list args) {
  char line[kReportLineMax + 1];
  vsnprintf(line, sizeof line, format, args);
  ReportWrite(line);
}

// Closes the report without its closing lines: from here on nothing is
// written, so the other subsystems release their objects silently.
void ResetReport() {
  if (ghReportFile != INVALID_HANDLE_VALUE) CloseHandle(ghReportFile);
  ghReportFile = INVALID_HANDLE_VALUE;
  gReportMode = REPORT_OFF;
  memset(gReportFileName, 0, sizeof gReportFileName);
}

const korvane::StateResetHook gResetReport(korvane::ResetStage::kReport, ResetReport);

}  // namespace

int ReportWrite(const char *text) {
  if (ghReportFile == INVALID_HANDLE_VALUE || text == nullptr) return 0;
  char line[kReportLineMax + 2];
  size_t length = strnlen(text, kReportLineMax);
  memcpy(line, text, length);
  line[length] = '\n';
  DWORD written = 0;
  return WriteFile(ghReportFile, line, static_cast<DWORD>(length + 1), &written, nullptr);
}

void ReportLine(const char *format, ...) {
  va_list args;
  va_start(args, format);
  WriteFormatted(format, args);
  va_end(args);
}

void ReportDetail(const char *format, ...) {
  if (gReportMode != REPORT_DETAILED) return;
  va_list args;
  va_start(args, format);
  WriteFormatted(format, args);
  va_end(args);
}

void CreateReportFile() {
  // A report left open by an earlier KORVANE_INIT would keep the old file
  // locked against the new one; close it first.
  if (ghReportFile != INVALID_HANDLE_VALUE) {
    CloseHandle(ghReportFile);
    ghReportFile = INVALID_HANDLE_VALUE;
  }
  DeleteFileA(gReportFileName);
  ghReportFile = CreateFileA(gReportFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ghReportFile == INVALID_HANDLE_VALUE) return;

  SYSTEMTIME now;
  GetLocalTime(&now);
  ReportLine("$$$ %s Report File Created - %02u/%02u/%02u - %02u:%02u:%02u $$$", gReportFileName,
             unsigned(now.wMonth), unsigned(now.wDay), now.wYear % 100u, unsigned(now.wHour),
             unsigned(now.wMinute), unsigned(now.wSecond));
}

void FinishReportFile() {
  ReportWrite("$$$ End of File Report $$$");
  ReportWrite("");
  if (ghReportFile != INVALID_HANDLE_VALUE) SetEndOfFile(ghReportFile);
}

extern "C" int REPORT_MODE(const char *name, int mode) {
  if (name == nullptr) return 0;
  gReportMode = mode < REPORT_BRIEF ? REPORT_BRIEF : (mode > REPORT_DETAILED ? REPORT_DETAILED : mode);
  // The name is cut where needed so that ".txt" always fits the field.
  size_t length = strnlen(name, kNameRoom);
  memcpy(gReportFileName, name, length);
  memcpy(gReportFileName + length, kReportSuffix, sizeof kReportSuffix);
  return static_cast<int>(length + sizeof kReportSuffix - 1);
}

extern "C" int FILE_REPORT(const char *text) { return ReportWrite(text); }
