// The report's words for pixel formats: the list of DDPF flag names and the
// lines that describe each z-buffer and texture format a driver offers.
#pragma once

#include <windows.h>
#include <ddraw.h>

// Room for a flag-name list or a format line (a 256-byte text).
constexpr int kFormatTextSize = 256;

// The names of the DDPF flags set in `flags`, each after one blank, in the
// table's order; "DDPF_UNKNOWN" when none is known. Cut to fit `size`.
void FormatFlagNames(DWORD flags, char *text, int size);

// "ZBufferBitDepth: <depth> bit -- DDPF_FLAG: <names>".
void WriteZBufferFormatLine(const DDPIXELFORMAT &format);

// "FORMAT: <bits> bit [<code> ]-- DDPF_FLAG: <names>", the code given for
// RGB, luminance and alpha-luminance formats.
void WriteTextureFormatLine(const DDPIXELFORMAT &format);
