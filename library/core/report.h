// The diagnostic report: the report file, its mode and the line writers the
// subsystems use.
#pragma once

#include <windows.h>

// Report modes: no file, error lines only, every line.
enum { REPORT_OFF = -1, REPORT_BRIEF = 0, REPORT_DETAILED = 1 };

// Longest line the report holds, line feed excluded (a 256-byte line buffer).
constexpr int kReportLineMax = 254;
constexpr int kReportFileNameSize = 256;

extern int gReportMode;
extern char gReportFileName[kReportFileNameSize];
extern HANDLE ghReportFile;

// Creates the report file and writes its first line; silent on failure.
void CreateReportFile();

// Writes the closing lines and sets the end of the file.
void FinishReportFile();

// Writes one line (text and a line feed, one write); returns the write's result.
int ReportWrite(const char *text);

// printf-style line written in every report mode.
void ReportLine(const char *format, ...) __attribute__((format(printf, 1, 2)));

// printf-style line written only in detailed mode.
void ReportDetail(const char *format, ...) __attribute__((format(printf, 1, 2)));
