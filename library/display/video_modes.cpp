// The video-mode list and its exports: IS_VMODE, GET_VIDEO_MODE_DESC and
// GET_NUMBER_OF_VIDEO_MODES. Ids count on across DDRAW_RELEASE: the counter
// is never reset.
#include "display/video_modes.h"

#include <cstdio>

#include "core/allocation.h"
#include "core/report.h"
#include "korvane.h"

namespace {

// Lists one mode under the next id. When memory for the record runs out the
// enumeration stops there, and `context` (a bool) says so: the list keeps
// the modes found so far, and no id is spent on the missing one.
HRESULT CALLBACK AddListedMode(LPDDSURFACEDESC2 desc, LPVOID context) {
  auto *mode = korvane::New<VideoMode>();
  if (mode == nullptr) {
    *static_cast<bool *>(context) = true;
    return DDENUMRET_CANCEL;
  }
  mode->id = ++gVideoModeCounter;
  snprintf(mode->description, sizeof mode->description, "%dx%dx%d", static_cast<int>(desc->dwWidth),
           static_cast<int>(desc->dwHeight), static_cast<int>(desc->ddpfPixelFormat.dwRGBBitCount));
  mode->surface_desc = *desc;
  mode->next = gVideoModes;
  gVideoModes = mode;
  return DDENUMRET_OK;
}

struct ModeQuery {
  DWORD width;
  DWORD height;
  DWORD bpp;
  int found;
};

HRESULT CALLBACK MatchMode(LPDDSURFACEDESC2 desc, LPVOID context) {
  auto *query = static_cast<ModeQuery *>(context);
  query->found = desc->dwWidth == query->width && desc->dwHeight == query->height &&
                 desc->ddpfPixelFormat.dwRGBBitCount == query->bpp;
  return query->found ? DDENUMRET_CANCEL : DDENUMRET_OK;
}

}  // namespace

HRESULT ListVideoModes() {
  bool outOfMemory = false;
  const HRESULT result = glpDD->EnumDisplayModes(0, nullptr, &outOfMemory, AddListedMode);
  return outOfMemory ? DDERR_OUTOFMEMORY : result;
}

VideoMode *FindVideoMode(int id) {
  for (VideoMode *mode = gVideoModes; mode != nullptr; mode = mode->next) {
    if (mode->id == id) return mode;
  }
  return nullptr;
}

void VideoModes_FreeAll() {
  ReportDetail(" +++ Video Modes FreeAll begin +++");
  while (gVideoModes != nullptr) {
    VideoMode *head = gVideoModes;
    gVideoModes = head->next;
    delete head;
  }
  ReportDetail(" +++ Video Modes FreeAll end +++");
}

extern "C" int IS_VMODE(int width, int height, int bpp) {
  if (glpDD == nullptr) return 0;
  ModeQuery query{static_cast<DWORD>(width), static_cast<DWORD>(height), static_cast<DWORD>(bpp), 0};
  if (FAILED(glpDD->EnumDisplayModes(0, nullptr, &query, MatchMode))) {
    ReportLine(" ! IS_VIDEOMODE - Couldn't enumerate mode. ");
    return 0;
  }
  return query.found;
}

extern "C" const char *GET_VIDEO_MODE_DESC(int id) {
  const VideoMode *mode = FindVideoMode(id);
  return mode != nullptr ? mode->description : "Empty";
}

extern "C" int GET_NUMBER_OF_VIDEO_MODES(void) { return gNumberOfVideoModes; }
