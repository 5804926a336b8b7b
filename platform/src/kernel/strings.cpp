// The kernel's string functions: lstrlenA, which, unlike strlen, answers 0
// for a null string instead of faulting.
#include <windows.h>

#include <climits>
#include <cstring>

extern "C" int WINAPI lstrlenA(LPCSTR string) {
  if (string == nullptr) return 0;
  const size_t length = strlen(string);
  return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}
