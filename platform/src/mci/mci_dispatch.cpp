// mciSendCommandA: opens devices by type, hands every other command to the
// open device of that id, sends the immediate notifications, and records
// each request with its result.
#include <windows.h>
#include <mmsystem.h>

#include <strings.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "base/reset.h"
#include "mci/mci_devices.h"
#include "mci/mci_log.h"

namespace platform {

namespace {

struct DeviceType {
  const char *name;
  UINT typeId;
  MciDeviceOpener open;
};

const DeviceType kDeviceTypes[] = {
    {"cdaudio", MCI_DEVTYPE_CD_AUDIO, OpenCdAudioDevice},
    {"sequencer", MCI_DEVTYPE_SEQUENCER, OpenSequencerDevice},
};

// Commands run one at a time (they are the host's); the table has a lock of
// its own so that observers never wait for a command.
std::mutex gCommandLock;
std::mutex gTableLock;
std::map<MCIDEVICEID, std::shared_ptr<MciDevice>> gDevices;

std::shared_ptr<MciDevice> FindDevice(MCIDEVICEID id) {
  std::lock_guard<std::mutex> hold(gTableLock);
  const auto found = gDevices.find(id);
  return found == gDevices.end() ? nullptr : found->second;
}

// Ids are handed out lowest first, so a closed device's id comes back with
// the next open, as MCI does.
MCIDEVICEID AddDevice(std::shared_ptr<MciDevice> device) {
  std::lock_guard<std::mutex> hold(gTableLock);
  MCIDEVICEID id = 1;
  while (gDevices.count(id) != 0) ++id;
  device->id = id;
  gDevices[id] = std::move(device);
  return id;
}

std::shared_ptr<MciDevice> TakeDevice(MCIDEVICEID id) {
  std::lock_guard<std::mutex> hold(gTableLock);
  const auto found = gDevices.find(id);
  if (found == gDevices.end()) return nullptr;
  std::shared_ptr<MciDevice> device = found->second;
  gDevices.erase(found);
  return device;
}

const DeviceType *TypeOfOpen(DWORD flags, const MCI_OPEN_PARMSA &params, MCIERROR *error) {
  if (flags & MCI_OPEN_TYPE) {
    if (flags & MCI_OPEN_TYPE_ID) {
      const UINT typeId = LOWORD(reinterpret_cast<DWORD_PTR>(params.lpstrDeviceType));
      for (const DeviceType &type : kDeviceTypes) {
        if (type.typeId == typeId) return &type;
      }
    } else {
      if (params.lpstrDeviceType == nullptr) {
        *error = MCIERR_MISSING_DEVICE_NAME;
        return nullptr;
      }
      for (const DeviceType &type : kDeviceTypes) {
        if (strcasecmp(type.name, params.lpstrDeviceType) == 0) return &type;
      }
    }
    *error = MCIERR_INVALID_DEVICE_NAME;
    return nullptr;
  }
  // No type: the element's extension names it.
  if ((flags & MCI_OPEN_ELEMENT) && params.lpstrElementName != nullptr) {
    const std::string element = params.lpstrElementName;
    const size_t dot = element.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : element.substr(dot + 1);
    if (strcasecmp(extension.c_str(), "mid") == 0 || strcasecmp(extension.c_str(), "rmi") == 0) return &kDeviceTypes[1];
    if (strcasecmp(extension.c_str(), "cda") == 0) return &kDeviceTypes[0];
    *error = MCIERR_EXTENSION_NOT_FOUND;
    return nullptr;
  }
  *error = MCIERR_DEVICE_TYPE_REQUIRED;
  return nullptr;
}

MCIERROR Open(DWORD flags, MCI_OPEN_PARMSA *params) {
  if (params == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  if ((flags & MCI_OPEN_ELEMENT_ID) != 0) return MCIERR_UNSUPPORTED_FUNCTION;
  MCIERROR error = 0;
  const DeviceType *type = TypeOfOpen(flags, *params, &error);
  if (type == nullptr) return error;
  if ((flags & MCI_OPEN_ELEMENT) && params->lpstrElementName == nullptr) return MCIERR_MISSING_STRING_ARGUMENT;
  std::unique_ptr<MciDevice> device;
  error = type->open(flags, *params, &device);
  if (error != 0) return error;
  params->wDeviceID = AddDevice(std::shared_ptr<MciDevice>(std::move(device)));
  return 0;
}

MCIERROR CloseOne(MCIDEVICEID id) {
  std::shared_ptr<MciDevice> device = TakeDevice(id);
  if (device == nullptr) return MCIERR_INVALID_DEVICE_ID;
  device->Close();
  return 0;
}

MCIERROR CloseAll() {
  std::map<MCIDEVICEID, std::shared_ptr<MciDevice>> devices;
  {
    std::lock_guard<std::mutex> hold(gTableLock);
    devices.swap(gDevices);
  }
  for (auto &entry : devices) entry.second->Close();
  return 0;
}

MCIERROR Dispatch(MCIDEVICEID id, UINT message, DWORD flags, DWORD_PTR params) {
  if (message == MCI_OPEN) return Open(flags, reinterpret_cast<MCI_OPEN_PARMSA *>(params));
  if (message == MCI_CLOSE) return id == MCI_ALL_DEVICE_ID ? CloseAll() : CloseOne(id);
  std::shared_ptr<MciDevice> device = FindDevice(id);
  if (device == nullptr) return MCIERR_INVALID_DEVICE_ID;
  return device->Command(message, flags, params);
}

// The parameter fields worth keeping, read as the message defines them.
void Describe(UINT message, DWORD flags, DWORD_PTR params, MciRequestEntry *entry) {
  if (params == 0) return;
  entry->callback = reinterpret_cast<HWND>(reinterpret_cast<const MCI_GENERIC_PARMS *>(params)->dwCallback);
  switch (message) {
    case MCI_OPEN: {
      const auto *open = reinterpret_cast<const MCI_OPEN_PARMSA *>(params);
      if ((flags & MCI_OPEN_TYPE) && !(flags & MCI_OPEN_TYPE_ID) && open->lpstrDeviceType != nullptr) {
        entry->deviceType = open->lpstrDeviceType;
      }
      if ((flags & MCI_OPEN_ELEMENT) && open->lpstrElementName != nullptr) entry->element = open->lpstrElementName;
      entry->opened = entry->result == 0 ? open->wDeviceID : 0;
      break;
    }
    case MCI_PLAY: {
      const auto *play = reinterpret_cast<const MCI_PLAY_PARMS *>(params);
      entry->from = play->dwFrom;
      entry->to = play->dwTo;
      break;
    }
    case MCI_SEEK:
      entry->to = reinterpret_cast<const MCI_SEEK_PARMS *>(params)->dwTo;
      break;
    case MCI_STATUS: {
      const auto *status = reinterpret_cast<const MCI_STATUS_PARMS *>(params);
      entry->item = status->dwItem;
      entry->track = status->dwTrack;
      entry->answer = status->dwReturn;
      break;
    }
    case MCI_SET:
      entry->timeFormat = reinterpret_cast<const MCI_SET_PARMS *>(params)->dwTimeFormat;
      break;
    default:
      break;
  }
}

void ResetMci() {
  std::lock_guard<std::mutex> hold(gCommandLock);
  CloseAll();
}
ResetHook gResetMci(ResetMci);

}  // namespace

int OpenMciDeviceCount() {
  std::lock_guard<std::mutex> hold(gTableLock);
  return static_cast<int>(gDevices.size());
}

}  // namespace platform

extern "C" MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
  using namespace platform;
  const DWORD flags = static_cast<DWORD>(dwParam1);
  MciRequestEntry entry{};
  entry.device = mciId;
  entry.message = uMsg;
  entry.flags = flags;
  if (uMsg == MCI_OPEN) {
    // Opening reads files: it holds no lock until the device joins the table.
    entry.result = Dispatch(mciId, uMsg, flags, dwParam2);
  } else {
    std::lock_guard<std::mutex> hold(gCommandLock);
    entry.result = Dispatch(mciId, uMsg, flags, dwParam2);
  }
  Describe(uMsg, flags, dwParam2, &entry);
  // A play's notification comes when it ends; any other command that asked
  // for one has completed now.
  if (entry.result == 0 && (flags & MCI_NOTIFY) && uMsg != MCI_PLAY && dwParam2 != 0) {
    const MCIDEVICEID device = uMsg == MCI_OPEN ? entry.opened : mciId;
    PostMciNotification(entry.callback, MCI_NOTIFY_SUCCESSFUL, device);
  }
  RecordMciRequest(entry);
  return entry.result;
}
