// The WAV file sink and its writer thread.
#include "drivers/wav/wav_file_sink.h"

#include <cstring>

namespace platform {

namespace {

// Past this much queued output the mixer waits for the writer.
constexpr size_t kMaxQueuedBytes = 4u << 20;
// A RIFF size field is 32 bits: the recording stops short of 4 GB.
constexpr uint32_t kMaxDataBytes = 0xFFFFFF00u;

void PutU32(BYTE *at, uint32_t value) { std::memcpy(at, &value, 4); }

// The 44-byte header of a PCM RIFF WAVE file holding `dataBytes` bytes.
void MakeHeader(const WAVEFORMATEX &format, uint32_t dataBytes, BYTE header[44]) {
  std::memcpy(header, "RIFF", 4);
  PutU32(header + 4, 36 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutU32(header + 16, 16);
  std::memcpy(header + 20, &format, 16);  // the PCM part of WAVEFORMATEX
  std::memcpy(header + 36, "data", 4);
  PutU32(header + 40, dataBytes);
}

bool SameFormat(const WAVEFORMATEX &a, const WAVEFORMATEX &b) { return std::memcmp(&a, &b, 16) == 0; }

}  // namespace

WavFileSink::WavFileSink(std::string path) : path_(std::move(path)) {
  writer_ = std::thread([this] { WriterMain(); });
}

WavFileSink::~WavFileSink() { Close(); }

void WavFileSink::Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) {
  std::lock_guard<std::mutex> hold(queueLock_);
  if (closing_) return;
  queue_.push_back(Block{format, std::vector<BYTE>(bytes, bytes + count), audible});
  queuedBytes_ += count;
  wake_.notify_one();
}

void WavFileSink::Throttle() {
  std::unique_lock<std::mutex> hold(queueLock_);
  progress_.wait(hold, [this] { return queuedBytes_ <= kMaxQueuedBytes || closing_; });
}

void WavFileSink::Flush() {
  std::unique_lock<std::mutex> hold(queueLock_);
  if (closing_) return;
  const uint64_t ticket = ++flushesAsked_;
  wake_.notify_one();
  progress_.wait(hold, [this, ticket] { return flushesDone_ >= ticket || closing_; });
}

void WavFileSink::Close() {
  {
    std::lock_guard<std::mutex> hold(queueLock_);
    closing_ = true;
  }
  wake_.notify_one();
  progress_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void WavFileSink::WriterMain() {
  std::unique_lock<std::mutex> hold(queueLock_);
  for (;;) {
    wake_.wait(hold, [this] { return !queue_.empty() || flushesAsked_ != flushesDone_ || closing_; });
    if (!queue_.empty()) {
      std::deque<Block> blocks;
      blocks.swap(queue_);
      writing_ = true;
      hold.unlock();
      for (const Block &block : blocks) WriteBlock(block);
      hold.lock();
      for (const Block &block : blocks) queuedBytes_ -= block.bytes.size();
      writing_ = false;
      progress_.notify_all();
      continue;
    }
    if (flushesAsked_ != flushesDone_) {
      const uint64_t asked = flushesAsked_;
      hold.unlock();
      if (file_ != nullptr) UpdateHeader();
      hold.lock();
      flushesDone_ = asked;
      progress_.notify_all();
      continue;
    }
    if (closing_) break;
  }
  hold.unlock();
  if (file_ != nullptr) {
    UpdateHeader();
    std::fclose(file_);
    file_ = nullptr;
  }
}

bool WavFileSink::Start(const WAVEFORMATEX &format) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path_.c_str(), "wb");
  if (file_ == nullptr) {
    std::fprintf(stderr, "sound card: cannot record to %s\n", path_.c_str());
    stopped_ = true;
    return false;
  }
  format_ = format;
  dataBytes_ = 0;
  audible_ = false;
  UpdateHeader();
  return true;
}

void WavFileSink::UpdateHeader() {
  BYTE header[44];
  MakeHeader(format_, dataBytes_, header);
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, file_);
  std::fseek(file_, 0, SEEK_END);
  std::fflush(file_);
  bytesSinceHeader_ = 0;
}

void WavFileSink::WriteBlock(const Block &block) {
  if (stopped_) return;
  if (file_ != nullptr && !SameFormat(block.format, format_) && audible_) {
    // A file has one format: a change before anything was heard starts the
    // recording again in the new format; after that the recording ends.
    std::fprintf(stderr, "sound card: output format changed, recording %s ends\n", path_.c_str());
    UpdateHeader();
    std::fclose(file_);
    file_ = nullptr;
    stopped_ = true;
    return;
  }
  if ((file_ == nullptr || !SameFormat(block.format, format_)) && !Start(block.format)) return;
  const size_t count = block.bytes.size();
  if (dataBytes_ + count > kMaxDataBytes) return;
  std::fwrite(block.bytes.data(), 1, count, file_);
  dataBytes_ += static_cast<uint32_t>(count);
  audible_ = audible_ || block.audible;
  // A host killed mid-run still leaves a file that plays up to the last
  // second or so.
  bytesSinceHeader_ += static_cast<uint32_t>(count);
  if (bytesSinceHeader_ >= format_.nAvgBytesPerSec) UpdateHeader();
}

}  // namespace platform

namespace platform {

std::shared_ptr<AudioSink> OpenWavSink(const std::string &path) { return std::make_shared<WavFileSink>(path); }

}  // namespace platform
