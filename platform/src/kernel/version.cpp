// GetVersion. The default machine reports Windows 5.1, build 2600: low byte
// the major version, next byte the minor, high word the build number.
#include "kernel/version.h"

#include <atomic>

#include "base/reset.h"

namespace {

constexpr DWORD kDefaultVersion = (2600u << 16) | (1u << 8) | 5u;
std::atomic<DWORD> gVersion{kDefaultVersion};

}  // namespace

extern "C" DWORD WINAPI GetVersion(void) { return gVersion.load(); }

void platform::SetVersion(DWORD version) { gVersion.store(version); }

namespace {
void ResetVersion() { gVersion.store(kDefaultVersion); }
platform::ResetHook gResetVersion(ResetVersion);
}  // namespace
