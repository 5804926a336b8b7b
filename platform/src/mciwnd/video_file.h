// A media file read through FFmpeg: its video stream decoded frame by frame
// and scaled to a window's size as 0xRRGGBB pixels, and an audio stream
// decoded whole as 16-bit stereo at the mixer's usual rate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr int kVideoSoundRate = 44100;

class VideoFile {
 public:
  // Opens a file: 0, or the MCI error (MCIERR_FILE_NOT_FOUND,
  // MCIERR_INVALID_FILE) for a missing or unplayable one.
  static unsigned Open(const std::string &path, std::unique_ptr<VideoFile> *opened);
  ~VideoFile();

  bool hasVideo() const { return videoStream_ >= 0; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The audio streams, numbered from 1 as MCI numbers them.
  int audioStreams() const { return static_cast<int>(audioStreamIndexes_.size()); }
  // Nanoseconds from the start to the end of the video, and of one frame.
  int64_t durationNs() const { return durationNs_; }
  int64_t frameNs() const { return frameNs_; }

  // Back to the first frame.
  void Rewind();
  // Decodes the next video frame; false at the end (or on a broken stream,
  // which ends the video there). `presentNs` is when it shows.
  bool DecodeNext(int64_t *presentNs);
  // The frame decoded last, scaled to `width` x `height` into `rgb`; false
  // when there is none or the size is refused.
  bool ScaleFrame(int width, int height, std::vector<uint32_t> *rgb);

  // The numbered audio stream (from 1), decoded to interleaved 16-bit
  // stereo at kVideoSoundRate, at most `maxFrames` frames. False when the
  // stream does not exist.
  bool DecodeSound(int number, size_t maxFrames, std::vector<int16_t> *stereo) const;

 private:
  struct Decoder;
  VideoFile() = default;

  std::string path_;
  std::unique_ptr<Decoder> video_;
  int videoStream_ = -1;
  std::vector<int> audioStreamIndexes_;
  int width_ = 0;
  int height_ = 0;
  int64_t durationNs_ = 0;
  int64_t frameNs_ = 0;
  bool frameReady_ = false;
};

}  // namespace platform
