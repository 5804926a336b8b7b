// The WAV file sink: records the output as a RIFF WAVE file. The mixer
// only queues blocks; a writer thread of the sink's own writes them, so no
// file I/O happens under the mix lock. The header is brought up to date on
// flush and close (and after each second of sound), not after every block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_sink.h"

namespace platform {

class WavFileSink : public AudioSink {
 public:
  explicit WavFileSink(std::string path);
  ~WavFileSink() override;

  void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) override;
  void Throttle() override;
  void Flush() override;
  void Close() override;

  const std::string &path() const { return path_; }

 private:
  struct Block {
    WAVEFORMATEX format;
    std::vector<BYTE> bytes;
    bool audible;
  };

  void WriterMain();
  // The writer thread's side: the file and what it holds.
  void WriteBlock(const Block &block);
  bool Start(const WAVEFORMATEX &format);
  void UpdateHeader();

  const std::string path_;
  FILE *file_ = nullptr;
  WAVEFORMATEX format_{};
  uint32_t dataBytes_ = 0;
  uint32_t bytesSinceHeader_ = 0;
  bool audible_ = false;
  bool stopped_ = false;

  // Shared between the mixer and the writer.
  std::mutex queueLock_;
  std::condition_variable wake_;      // the writer: work arrived
  std::condition_variable progress_;  // callers: blocks written, a flush done
  std::deque<Block> queue_;
  size_t queuedBytes_ = 0;
  bool writing_ = false;  // the writer holds blocks taken from the queue
  uint64_t flushesAsked_ = 0;
  uint64_t flushesDone_ = 0;
  bool closing_ = false;
  std::thread writer_;
};

}  // namespace platform
