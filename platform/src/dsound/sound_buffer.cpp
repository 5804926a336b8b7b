// IDirectSoundBuffer over the sound card: locking in one or two parts,
// playing once or looping, cursors that move as the card mixes, volume, pan,
// frequency, lost buffers and their restoration.
#include "dsound/sound_buffer.h"

#include <algorithm>
#include <cstring>

#include "base/faults.h"
#include "dsound/mixer.h"
#include "audio/audio_engine.h"
#include "dsound/sound_card.h"

namespace platform {

namespace {

constexpr LONG kMinVolume = -10000, kMaxVolume = 0;
constexpr LONG kPanLeft = -10000, kPanRight = 10000;
constexpr DWORD kMinFrequency = 100, kMaxFrequency = 100000;
// The primary buffer presents the card's output as a ring of this length.
constexpr DWORD kPrimaryRingMilliseconds = 100;

DWORD PrimaryRingBytes(const WAVEFORMATEX &format) {
  return format.nSamplesPerSec * kPrimaryRingMilliseconds / 1000 * format.nBlockAlign;
}

}  // namespace

SoundBuffer::SoundBuffer(BufferOwner *owner, DWORD flags, bool hardware, std::shared_ptr<SoundData> data)
    : owner_(owner), flags_(flags), hardware_(hardware), data_(std::move(data)) {
  if (data_ != nullptr) frequency_ = data_->format.nSamplesPerSec;
  if (hardware_ && data_ != nullptr) hardwareBytes_ = static_cast<DWORD>(data_->bytes.size());
  UpdateGains();
  ++SoundCard::Get().liveBuffers;
}

SoundBuffer::~SoundBuffer() {
  if (counted_) --SoundCard::Get().liveBuffers;
}

SoundBuffer *SoundBuffer::Duplicate() const {
  auto *copy = new SoundBuffer(owner_, flags_, hardware_, data_);
  copy->hardwareBytes_ = 0;  // the data's card memory stays counted once
  copy->volume_ = volume_;
  copy->pan_ = pan_;
  copy->frequency_ = frequency_;
  copy->UpdateGains();
  return copy;
}

HRESULT SoundBuffer::QueryInterface(REFIID riid, void **object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSoundBuffer)) {
    AddRef();
    *object = static_cast<IDirectSoundBuffer *>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

void SoundBuffer::JoinCard() {
  SoundCard::Get().Attach(this);
  AudioEngine::Get().AddSource(this);
}

void SoundBuffer::LeaveCard() {
  if (SoundCard::Get().Detach(this)) AudioEngine::Get().RemoveSource(this);
}

ULONG SoundBuffer::AddRef() { return ++references_; }

ULONG SoundBuffer::Release() {
  ULONG left = --references_;
  if (left != 0) return left;
  SoundCard &card = SoundCard::Get();
  {
    std::lock_guard<std::mutex> hold(card.lock());
    if (primary()) {
      if (owner_ != nullptr) {
        owner_->PrimaryReleased();
      } else {
        card.ForgetOrphan(this);
      }
    } else {
      LeaveCard();
      if (hardware_) card.GiveBackHardware(hardwareBytes_);
    }
  }
  delete this;
  return 0;
}

void SoundBuffer::Stopped() {
  playing_ = false;
  if (!primary()) AudioEngine::Get().SourceStopped(this);
}

void SoundBuffer::Orphan() {
  owner_ = nullptr;
  Stopped();
  // An orphaned primary buffer is an empty shell the host may still
  // release: it no longer counts as a buffer of the card.
  if (primary() && counted_) {
    counted_ = false;
    --SoundCard::Get().liveBuffers;
  }
}

void SoundBuffer::Lose() {
  if (primary()) return;
  lost_ = true;
  Stopped();
}

HRESULT SoundBuffer::CheckUsable() const {
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  if (lost_) return DSERR_BUFFERLOST;
  return DS_OK;
}

HRESULT SoundBuffer::CheckControl(DWORD control) const {
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  return (flags_ & control) != 0 ? DS_OK : DSERR_CONTROLUNAVAIL;
}

void SoundBuffer::UpdateGains() { StereoGains(volume_, pan_, &gainLeft_, &gainRight_); }

DWORD SoundBuffer::PlayCursor() const {
  if (primary()) {
    const WAVEFORMATEX &format = SoundCard::Get().format();
    const DWORD ringFrames = PrimaryRingBytes(format) / format.nBlockAlign;
    return static_cast<DWORD>(SoundCard::Get().framesMixed() % ringFrames) * format.nBlockAlign;
  }
  return static_cast<DWORD>(position_ >> 32) * FrameBytes();
}

HRESULT SoundBuffer::GetCaps(LPDSBCAPS caps) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetCaps", &fault)) return fault;
  if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  caps->dwFlags = (flags_ & ~(DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE)) |
                  (primary() ? 0 : hardware_ ? DSBCAPS_LOCHARDWARE : DSBCAPS_LOCSOFTWARE);
  caps->dwBufferBytes =
      primary() ? PrimaryRingBytes(SoundCard::Get().format()) : static_cast<DWORD>(data_->bytes.size());
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT SoundBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetCurrentPosition", &fault)) return fault;
  if (play == nullptr && write == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  const DWORD cursor = PlayCursor();
  DWORD ahead = cursor;
  if (!primary() && playing_) {
    // The write cursor leads the play cursor by the 10 ms the card may
    // already have fetched.
    const DWORD size = static_cast<DWORD>(data_->bytes.size());
    ahead = static_cast<DWORD>((cursor + static_cast<uint64_t>(frequency_ / 100) * FrameBytes()) % size);
  }
  if (play != nullptr) *play = cursor;
  if (write != nullptr) *write = ahead;
  return DS_OK;
}

HRESULT SoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetFormat", &fault)) return fault;
  if (format == nullptr && sizeWritten == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  const WAVEFORMATEX &own = primary() ? SoundCard::Get().format() : data_->format;
  const DWORD size = std::min<DWORD>(sizeof(WAVEFORMATEX), format == nullptr ? sizeof(WAVEFORMATEX) : sizeAllocated);
  if (format != nullptr) std::memcpy(format, &own, size);
  if (sizeWritten != nullptr) *sizeWritten = format == nullptr ? sizeof(WAVEFORMATEX) : size;
  return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LPLONG volume) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetVolume", &fault)) return fault;
  if (volume == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLVOLUME); FAILED(check)) return check;
  *volume = volume_;
  return DS_OK;
}

HRESULT SoundBuffer::GetPan(LPLONG pan) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetPan", &fault)) return fault;
  if (pan == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLPAN); FAILED(check)) return check;
  *pan = pan_;
  return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(LPDWORD frequency) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetFrequency", &fault)) return fault;
  if (frequency == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLFREQUENCY); FAILED(check)) return check;
  *frequency = frequency_;
  return DS_OK;
}

HRESULT SoundBuffer::GetStatus(LPDWORD status) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::GetStatus", &fault)) return fault;
  if (status == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  DWORD value = 0;
  if (playing_) value |= DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
  if (lost_) value |= DSBSTATUS_BUFFERLOST;
  if (!primary()) value |= hardware_ ? DSBSTATUS_LOCHARDWARE : DSBSTATUS_LOCSOFTWARE;
  *status = value;
  return DS_OK;
}

HRESULT SoundBuffer::Initialize(LPDIRECTSOUND, LPCDSBUFFERDESC) { return DSERR_ALREADYINITIALIZED; }

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID *part1, LPDWORD bytes1, LPVOID *part2,
                          LPDWORD bytes2, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::Lock", &fault)) return fault;
  if (part1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
  *part1 = nullptr;
  *bytes1 = 0;
  if (part2 != nullptr) *part2 = nullptr;
  if (bytes2 != nullptr) *bytes2 = 0;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckUsable(); FAILED(check)) return check;
  // The card mixes into its own output; the primary buffer is not writable.
  if (primary()) return DSERR_INVALIDCALL;
  const DWORD size = static_cast<DWORD>(data_->bytes.size());
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
  if (flags & DSBLOCK_FROMWRITECURSOR) {
    DWORD write = 0;
    const DWORD cursor = PlayCursor();
    write = playing_ ? static_cast<DWORD>((cursor + static_cast<uint64_t>(frequency_ / 100) * FrameBytes()) % size)
                     : cursor;
    offset = write;
  }
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  // A range that runs past the end continues at the start of the buffer.
  const DWORD first = std::min(bytes, size - offset);
  *part1 = data_->bytes.data() + offset;
  *bytes1 = first;
  if (first < bytes && part2 != nullptr && bytes2 != nullptr) {
    *part2 = data_->bytes.data();
    *bytes2 = bytes - first;
  }
  return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::Unlock", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  if (primary()) return DSERR_INVALIDCALL;
  // Both parts must lie inside this buffer's data.
  auto inside = [this](LPVOID part, DWORD bytes) {
    if (part == nullptr) return bytes == 0;
    const BYTE *start = data_->bytes.data();
    const BYTE *at = static_cast<const BYTE *>(part);
    return at >= start && static_cast<size_t>(at - start) + bytes <= data_->bytes.size();
  };
  if (part1 == nullptr || !inside(part1, bytes1) || !inside(part2, bytes2)) return DSERR_INVALIDPARAM;
  return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD reserved1, DWORD priority, DWORD flags) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::Play", &fault)) return fault;
  if (reserved1 != 0 || priority != 0) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckUsable(); FAILED(check)) return check;
  if (!primary() && (flags & DSBPLAY_LOOPING) == 0 && (position_ >> 32) >= Frames()) position_ = 0;
  playing_ = true;
  looping_ = (flags & DSBPLAY_LOOPING) != 0;
  if (!primary()) AudioEngine::Get().SourceStarted(this);
  return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD position) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::SetCurrentPosition", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  // Like the volume, pan and frequency, the cursor can be set on a lost
  // buffer; only Lock and Play report the loss.
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  if (primary()) return DSERR_INVALIDCALL;
  if (position >= data_->bytes.size()) return DSERR_INVALIDPARAM;
  position_ = static_cast<uint64_t>(position / FrameBytes()) << 32;
  return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX format) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::SetFormat", &fault)) return fault;
  if (format == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  if (!primary()) return DSERR_INVALIDCALL;
  if (owner_->level() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  if (!PlayableFormat(*format)) return DSERR_BADFORMAT;
  SoundCard::Get().SetFormat(PlainPcm(*format));
  return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG volume) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::SetVolume", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLVOLUME); FAILED(check)) return check;
  if (volume < kMinVolume || volume > kMaxVolume) return DSERR_INVALIDPARAM;
  volume_ = volume;
  UpdateGains();
  return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG pan) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::SetPan", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLPAN); FAILED(check)) return check;
  if (pan < kPanLeft || pan > kPanRight) return DSERR_INVALIDPARAM;
  pan_ = pan;
  UpdateGains();
  return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD frequency) {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::SetFrequency", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (HRESULT check = CheckControl(DSBCAPS_CTRLFREQUENCY); FAILED(check)) return check;
  if (frequency == DSBFREQUENCY_ORIGINAL) frequency = data_->format.nSamplesPerSec;
  if (frequency < kMinFrequency || frequency > kMaxFrequency) return DSERR_INVALIDPARAM;
  frequency_ = frequency;
  return DS_OK;
}

HRESULT SoundBuffer::Stop() {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::Stop", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  Stopped();
  return DS_OK;
}

HRESULT SoundBuffer::Restore() {
  HRESULT fault;
  if (platform::TakeFault("IDirectSoundBuffer::Restore", &fault)) return fault;
  std::lock_guard<std::mutex> hold(SoundCard::Get().lock());
  if (owner_ == nullptr) return DSERR_UNINITIALIZED;
  if (lost_) {
    // The memory came back empty: what the buffer held is gone.
    std::fill(data_->bytes.begin(), data_->bytes.end(), data_->Silence());
    lost_ = false;
  }
  return DS_OK;
}

bool SoundBuffer::audible() const { return playing_ && !lost_ && owner_ != nullptr && !primary(); }

bool SoundBuffer::MixInto(int32_t *accumulator, uint32_t frames, uint32_t outputRate) {
  if (!audible()) return false;
  MixSource source{data_->bytes.data(), Frames(), data_->format.wBitsPerSample, data_->format.nChannels};
  MixVoiceState voice{position_, (static_cast<uint64_t>(frequency_) << 32) / outputRate, gainLeft_, gainRight_,
                      looping_};
  const uint32_t produced = MixVoice(source, voice, accumulator, frames);
  position_ = voice.position;
  if (produced < frames || (!looping_ && (position_ >> 32) >= source.frames)) {
    // A one-shot buffer that played its last frame stops at its start.
    playing_ = false;
    position_ = 0;
  }
  return playing_;
}

}  // namespace platform
