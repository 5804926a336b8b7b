// DirectSoundCreate and the IDirectSound object: cooperative level, primary
// and secondary buffer creation (hardware or software placement), duplicates
// sharing data, and the card's capabilities.
#include "dsound/direct_sound.h"

#include <cstring>
#include <new>

#include "base/faults.h"
#include "dsound/sound_buffer.h"
#include "dsound/sound_card.h"

namespace platform {

namespace {

constexpr DWORD kPlacementFlags = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE;
// What a primary buffer may ask for: its own volume and pan, and focus.
constexpr DWORD kPrimaryFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_STICKYFOCUS |
                                DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRL3D;

// Both description layouts (with and without the 3D algorithm) are accepted.
bool KnownDescriptionSize(DWORD size) { return size == sizeof(DSBUFFERDESC) || size == sizeof(DSBUFFERDESC1); }

// Whether the card's secondary capability flags allow a hardware buffer of
// this format.
bool HardwareFormat(const DSCAPS &caps, const WAVEFORMATEX &format) {
  const DWORD bits = format.wBitsPerSample == 8 ? DSCAPS_SECONDARY8BIT : DSCAPS_SECONDARY16BIT;
  const DWORD channels = format.nChannels == 1 ? DSCAPS_SECONDARYMONO : DSCAPS_SECONDARYSTEREO;
  return (caps.dwFlags & bits) != 0 && (caps.dwFlags & channels) != 0;
}

}  // namespace

namespace {

}  // namespace

DirectSound::DirectSound() { SoundCard::Get().DeviceOpened(); }

DirectSound::~DirectSound() { SoundCard::Get().DeviceClosed(); }

HRESULT DirectSound::QueryInterface(REFIID riid, void **object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSound)) {
    AddRef();
    *object = static_cast<IDirectSound *>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DirectSound::AddRef() { return ++references_; }

ULONG DirectSound::Release() {
  ULONG left = --references_;
  if (left != 0) return left;
  {
    // Buffers the host still holds stop and answer DSERR_UNINITIALIZED
    // until released: the secondary ones and the primary one alike, which
    // the host's last Release deletes.
    SoundCard &card = SoundCard::Get();
    std::lock_guard<std::mutex> hold(card.lock());
    for (SoundBuffer *buffer : card.Buffers()) {
      if (buffer->owner() == this) {
        buffer->Orphan();
        buffer->LeaveCard();
      }
    }
    if (primary_ != nullptr) {
      primary_->Orphan();
      card.KeepOrphan(primary_);
      primary_ = nullptr;
    }
  }
  delete this;
  return 0;
}

HRESULT DirectSound::CreateSoundBuffer(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer, IUnknown *outer) {
  if (buffer == nullptr) return DSERR_INVALIDPARAM;
  *buffer = nullptr;
  HRESULT fault;
  if (platform::TakeFault("IDirectSound::CreateSoundBuffer", &fault)) return fault;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  if (description == nullptr || !KnownDescriptionSize(description->dwSize)) return DSERR_INVALIDPARAM;
  if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
  if (description->dwFlags & DSBCAPS_PRIMARYBUFFER) return CreatePrimary(description, buffer);
  return CreateSecondary(description, buffer);
}

HRESULT DirectSound::CreatePrimary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer) {
  if (description->dwBufferBytes != 0 || description->lpwfxFormat != nullptr ||
      (description->dwFlags & ~kPrimaryFlags) != 0) {
    return DSERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  // There is one primary buffer: asking again hands out the same one.
  if (primary_ != nullptr) {
    primary_->AddRef();
  } else {
    primary_ = new SoundBuffer(this, description->dwFlags, false, nullptr);
  }
  *buffer = primary_;
  return DS_OK;
}

HRESULT DirectSound::CreateSecondary(LPCDSBUFFERDESC description, LPLPDIRECTSOUNDBUFFER buffer) {
  const DWORD flags = description->dwFlags;
  const LPWAVEFORMATEX format = description->lpwfxFormat;
  if (format == nullptr || (flags & kPlacementFlags) == kPlacementFlags) return DSERR_INVALIDPARAM;
  if (!PlayableFormat(*format)) return DSERR_BADFORMAT;
  const WAVEFORMATEX plain = PlainPcm(*format);
  const DWORD bytes = description->dwBufferBytes;
  if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX || bytes < plain.nBlockAlign) return DSERR_INVALIDPARAM;

  SoundCard &card = SoundCard::Get();
  std::lock_guard<std::mutex> hold(card.lock());
  if (!card.RoomForBuffer()) return DSERR_OUTOFMEMORY;
  // Hardware when asked (and failing when the card has none free), hardware
  // first when no placement is given, software otherwise.
  bool hardware = false;
  if ((flags & DSBCAPS_LOCSOFTWARE) == 0) {
    hardware = HardwareFormat(card.CurrentCaps(), plain) && card.TakeHardware(bytes);
    if (!hardware && (flags & DSBCAPS_LOCHARDWARE) != 0) return DSERR_ALLOCATED;
  }
  std::shared_ptr<SoundData> data;
  try {
    data = std::make_shared<SoundData>();
    data->format = plain;
    data->bytes.assign(bytes, data->Silence());
  } catch (const std::bad_alloc &) {
    if (hardware) card.GiveBackHardware(bytes);
    return DSERR_OUTOFMEMORY;
  }
  auto *created = new SoundBuffer(this, flags, hardware, std::move(data));
  created->JoinCard();
  *buffer = created;
  return DS_OK;
}

HRESULT DirectSound::GetCaps(LPDSCAPS caps) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSound::GetCaps", &fault)) return fault;
  if (caps == nullptr || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  *caps = SoundCard::Get().CurrentCaps();
  caps->dwSize = sizeof(DSCAPS);
  return DS_OK;
}

HRESULT DirectSound::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPLPDIRECTSOUNDBUFFER duplicate) {
  if (duplicate == nullptr) return DSERR_INVALIDPARAM;
  *duplicate = nullptr;
  HRESULT fault;
  if (platform::TakeFault("IDirectSound::DuplicateSoundBuffer", &fault)) return fault;
  SoundCard &card = SoundCard::Get();
  std::lock_guard<std::mutex> hold(card.lock());
  // Only a live secondary buffer of this object can be duplicated.
  SoundBuffer *source = nullptr;
  for (SoundBuffer *candidate : card.Buffers()) {
    if (static_cast<IDirectSoundBuffer *>(candidate) == original && candidate->owner() == this) source = candidate;
  }
  if (source == nullptr) return DSERR_INVALIDPARAM;
  if (!card.RoomForBuffer()) return DSERR_OUTOFMEMORY;
  // A hardware duplicate needs a mixing voice of its own; its data is shared.
  if (source->hardware() && !card.TakeHardware(0)) return DSERR_ALLOCATED;
  SoundBuffer *copy = source->Duplicate();
  copy->JoinCard();
  *duplicate = copy;
  return DS_OK;
}

HRESULT DirectSound::SetCooperativeLevel(HWND window, DWORD level) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSound::SetCooperativeLevel", &fault)) return fault;
  if (window == nullptr || !IsWindow(window) || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) {
    return DSERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  level_ = level;
  return DS_OK;
}

HRESULT DirectSound::Compact() { return level_ >= DSSCL_PRIORITY ? DS_OK : DSERR_PRIOLEVELNEEDED; }

HRESULT DirectSound::GetSpeakerConfig(LPDWORD config) {
  if (config == nullptr) return DSERR_INVALIDPARAM;
  *config = speakerConfig_;
  return DS_OK;
}

HRESULT DirectSound::SetSpeakerConfig(DWORD config) {
  speakerConfig_ = config;
  return DS_OK;
}

HRESULT DirectSound::Initialize(LPCGUID) { return DSERR_ALREADYINITIALIZED; }

}  // namespace platform

extern "C" HRESULT WINAPI DirectSoundCreate(LPCGUID guid, LPDIRECTSOUND *directSound, LPUNKNOWN outer) {
  if (directSound == nullptr) return DSERR_INVALIDPARAM;
  *directSound = nullptr;
  HRESULT fault;
  if (platform::TakeFault("DirectSoundCreate", &fault)) return fault;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  // Only the default device exists.
  if (guid != nullptr) return DSERR_NODRIVER;
  {
    std::lock_guard<std::mutex> hold(platform::SoundCard::Get().lock());
    if (!platform::SoundCard::Get().present) return DSERR_NODRIVER;
  }
  *directSound = new platform::DirectSound();
  return DS_OK;
}
