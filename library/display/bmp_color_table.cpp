// Colour tables of palette bitmaps. The colour count follows the bitmap's
// header (biClrUsed, or 1 << biBitCount), is 0 for more than 8 bits per
// pixel or a header of the wrong size, and never exceeds the 256 entries of
// a palette or the colours actually present in the data.
#include "display/bmp_color_table.h"

#include <cstring>

namespace {

constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);

int CountColours(const BITMAPINFOHEADER &header, bool sizeRulePassed, size_t coloursPresent) {
  if (!sizeRulePassed || header.biBitCount > 8) return 0;
  size_t count = header.biClrUsed != 0 ? header.biClrUsed : (1u << header.biBitCount);
  if (count > 256) count = 256;
  if (count > coloursPresent) count = coloursPresent;
  return static_cast<int>(count);
}

void TakeColours(const BYTE *colours, BmpColorTable *table) {
  memcpy(table->colours, colours, static_cast<size_t>(table->count) * sizeof(RGBQUAD));
}

// Reads exactly `size` bytes; false at the end of the file or on an error.
bool ReadExactly(HANDLE file, void *buffer, DWORD size, DWORD *got) {
  *got = 0;
  return ReadFile(file, buffer, size, got, nullptr) && *got == size;
}

}  // namespace

ColorTableRead ReadResourceColorTable(const char *name, BmpColorTable *table) {
  table->count = 0;
  HMODULE program = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(program, name, RT_BITMAP);
  if (resource == nullptr) return ColorTableRead::kNotFound;
  HGLOBAL loaded = LoadResource(program, resource);
  const BYTE *data = loaded != nullptr ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
  const DWORD size = SizeofResource(program, resource);
  // A resource that cannot be locked, or too small for its header, has no colours.
  if (data == nullptr || size < kInfoHeaderSize) return ColorTableRead::kRead;
  BITMAPINFOHEADER header;
  memcpy(&header, data, sizeof header);
  const bool sizeRule = header.biSize >= kInfoHeaderSize && header.biSize <= size;
  const size_t present = sizeRule ? (size - header.biSize) / sizeof(RGBQUAD) : 0;
  table->count = CountColours(header, sizeRule, present);
  if (table->count > 0) TakeColours(data + header.biSize, table);
  return ColorTableRead::kRead;
}

ColorTableRead ReadFileColorTable(const char *name, BmpColorTable *table) {
  table->count = 0;
  // An integer resource id is not a file name.
  if (IS_INTRESOURCE(name)) return ColorTableRead::kNotFound;
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return ColorTableRead::kNotFound;
  BYTE fileHeader[sizeof(BITMAPFILEHEADER)];
  BITMAPINFOHEADER header;
  BYTE colours[256 * sizeof(RGBQUAD)];
  DWORD got = 0;
  const bool headersRead = ReadExactly(file, fileHeader, sizeof fileHeader, &got) &&
                           ReadExactly(file, &header, sizeof header, &got);
  DWORD colourBytes = 0;
  if (headersRead) ReadExactly(file, colours, sizeof colours, &colourBytes);
  CloseHandle(file);
  if (!headersRead) return ColorTableRead::kTruncated;
  table->count = CountColours(header, header.biSize == kInfoHeaderSize, colourBytes / sizeof(RGBQUAD));
  if (table->count > 0) TakeColours(colours, table);
  return ColorTableRead::kRead;
}
