// Media files through FFmpeg's demuxers, decoders, scaler and resampler.
// Every failure of a broken file ends the decoding where it is; nothing in
// a file's claims (sizes, rates, lengths) is trusted beyond the limits here.
#include "mciwnd/video_file.h"

#include <windows.h>
#include <mmsystem.h>

#include <sys/stat.h>

#include <algorithm>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform {

namespace {

// Pictures larger than this a side are refused; scaled pictures larger
// than this many pixels are not made.
constexpr int kLargestSide = 8192;
constexpr int64_t kLargestScaledPixels = 4096ll * 4096ll;
constexpr int64_t kNanosecondsPerSecond = 1000000000;
constexpr int64_t kDefaultFrameNs = kNanosecondsPerSecond / 15;

void QuietLibraries() {
  static std::once_flag once;
  // Broken files are answered with MCI's codes, not with FFmpeg's messages.
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

int64_t ToNs(int64_t value, AVRational base) {
  if (value == AV_NOPTS_VALUE || base.den == 0) return -1;
  return av_rescale_q(value, base, AVRational{1, static_cast<int>(kNanosecondsPerSecond)});
}

}  // namespace

// One stream of a file opened on its own: its demuxer, decoder and the
// packet and frame it decodes through.
struct VideoFile::Decoder {
  AVFormatContext *format = nullptr;
  AVCodecContext *codec = nullptr;
  AVPacket *packet = nullptr;
  AVFrame *frame = nullptr;
  SwsContext *scaler = nullptr;
  int stream = -1;
  bool drained = false;

  ~Decoder() {
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  // Opens `path` with its stream information read; false when FFmpeg cannot.
  bool OpenFile(const std::string &path) {
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    return avformat_find_stream_info(format, nullptr) >= 0;
  }

  bool OpenStream(int index) {
    if (index < 0 || index >= static_cast<int>(format->nb_streams)) return false;
    const AVCodecParameters *parameters = format->streams[index]->codecpar;
    const AVCodec *found = avcodec_find_decoder(parameters->codec_id);
    if (found == nullptr) return false;
    codec = avcodec_alloc_context3(found);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (codec == nullptr || packet == nullptr || frame == nullptr) return false;
    if (avcodec_parameters_to_context(codec, parameters) < 0) return false;
    codec->thread_count = 1;
    codec->pkt_timebase = format->streams[index]->time_base;
    if (avcodec_open2(codec, found, nullptr) < 0) return false;
    stream = index;
    return true;
  }

  // The next decoded frame of the stream into `frame`; false at the end.
  bool Next() {
    for (;;) {
      const int received = avcodec_receive_frame(codec, frame);
      if (received == 0) return true;
      if (received != AVERROR(EAGAIN) || drained) return false;
      for (;;) {
        if (av_read_frame(format, packet) < 0) {
          avcodec_send_packet(codec, nullptr);
          drained = true;
          break;
        }
        const bool ours = packet->stream_index == stream;
        // A packet the decoder refuses is skipped; the next may decode.
        if (ours) avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        if (ours) break;
      }
    }
  }
};

unsigned VideoFile::Open(const std::string &path, std::unique_ptr<VideoFile> *opened) {
  QuietLibraries();
  struct stat status {};
  if (path.empty() || stat(path.c_str(), &status) != 0) return MCIERR_FILE_NOT_FOUND;
  // Only regular files: a device or a pipe never ends.
  if (!S_ISREG(status.st_mode)) return MCIERR_INVALID_FILE;
  std::unique_ptr<VideoFile> file(new VideoFile());
  file->path_ = path;
  auto probe = std::make_unique<Decoder>();
  if (!probe->OpenFile(path)) return MCIERR_INVALID_FILE;
  for (unsigned i = 0; i < probe->format->nb_streams; ++i) {
    const AVCodecParameters *parameters = probe->format->streams[i]->codecpar;
    if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) file->audioStreamIndexes_.push_back(static_cast<int>(i));
  }
  const int video = av_find_best_stream(probe->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (video >= 0) {
    const AVCodecParameters *parameters = probe->format->streams[video]->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0 || parameters->width > kLargestSide ||
        parameters->height > kLargestSide) {
      return MCIERR_INVALID_FILE;
    }
    if (!probe->OpenStream(video)) return MCIERR_INVALID_FILE;
    AVStream *stream = probe->format->streams[video];
    file->videoStream_ = video;
    file->width_ = parameters->width;
    file->height_ = parameters->height;
    const AVRational rate = av_guess_frame_rate(probe->format, stream, nullptr);
    file->frameNs_ = rate.num > 0 && rate.den > 0 ? av_rescale(kNanosecondsPerSecond, rate.den, rate.num)
                                                  : kDefaultFrameNs;
    if (file->frameNs_ <= 0 || file->frameNs_ > kNanosecondsPerSecond) file->frameNs_ = kDefaultFrameNs;
    file->durationNs_ = std::max<int64_t>(ToNs(stream->duration, stream->time_base), 0);
    // The first frame must decode, or the file is not a video we can show.
    if (!probe->Next()) return MCIERR_INVALID_FILE;
    file->video_ = std::move(probe);
    file->frameReady_ = true;
    file->Rewind();
    if (file->video_ == nullptr) return MCIERR_INVALID_FILE;
  } else if (file->audioStreamIndexes_.empty()) {
    return MCIERR_INVALID_FILE;
  }
  *opened = std::move(file);
  return 0;
}

VideoFile::~VideoFile() = default;

void VideoFile::Rewind() {
  frameReady_ = false;
  if (videoStream_ < 0) return;
  // A fresh demuxer and decoder start at the first frame whatever the
  // container's index says.
  auto fresh = std::make_unique<Decoder>();
  if (fresh->OpenFile(path_) && fresh->OpenStream(videoStream_)) {
    video_ = std::move(fresh);
  } else {
    video_.reset();
  }
}

bool VideoFile::DecodeNext(int64_t *presentNs) {
  if (video_ == nullptr || !video_->Next()) {
    frameReady_ = false;
    return false;
  }
  frameReady_ = true;
  const AVFrame *frame = video_->frame;
  const AVStream *stream = video_->format->streams[videoStream_];
  int64_t at = ToNs(frame->best_effort_timestamp, stream->time_base);
  const int64_t start = ToNs(stream->start_time, stream->time_base);
  if (at >= 0 && start > 0) at -= start;
  *presentNs = std::max<int64_t>(at, 0);
  durationNs_ = std::max(durationNs_, *presentNs + frameNs_);
  return true;
}

bool VideoFile::ScaleFrame(int width, int height, std::vector<uint32_t> *rgb) {
  if (!frameReady_ || video_ == nullptr || width <= 0 || height <= 0 ||
      static_cast<int64_t>(width) * height > kLargestScaledPixels) {
    return false;
  }
  const AVFrame *frame = video_->frame;
  if (frame->width <= 0 || frame->height <= 0 || frame->width > kLargestSide || frame->height > kLargestSide) {
    return false;
  }
  video_->scaler = sws_getCachedContext(video_->scaler, frame->width, frame->height,
                                        static_cast<AVPixelFormat>(frame->format), width, height, AV_PIX_FMT_BGR0,
                                        SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (video_->scaler == nullptr) return false;
  rgb->assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  uint8_t *planes[4] = {reinterpret_cast<uint8_t *>(rgb->data()), nullptr, nullptr, nullptr};
  const int pitches[4] = {width * 4, 0, 0, 0};
  if (sws_scale(video_->scaler, frame->data, frame->linesize, 0, frame->height, planes, pitches) <= 0) return false;
  // 0xRRGGBB: the unused byte is zero.
  for (uint32_t &pixel : *rgb) pixel &= 0xFFFFFFu;
  return true;
}

bool VideoFile::DecodeSound(int number, size_t maxFrames, std::vector<int16_t> *stereo) const {
  stereo->clear();
  if (number < 1 || number > audioStreams()) return false;
  Decoder audio;
  if (!audio.OpenFile(path_) || !audio.OpenStream(audioStreamIndexes_[static_cast<size_t>(number - 1)])) {
    return true;  // a stream that cannot be decoded plays silence
  }
  SwrContext *resampler = nullptr;
  AVChannelLayout stereoLayout = AV_CHANNEL_LAYOUT_STEREO;
  AVChannelLayout sourceLayout{};
  std::vector<int16_t> block;
  // The resampler is made for the first frame's format; a later frame in
  // another format would be misread, so it is skipped.
  int firstFormat = -1, firstRate = 0, firstChannels = 0;
  while (stereo->size() / 2 < maxFrames && audio.Next()) {
    const AVFrame *frame = audio.frame;
    if (frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0) continue;
    if (resampler != nullptr && (frame->format != firstFormat || frame->sample_rate != firstRate ||
                                 frame->ch_layout.nb_channels != firstChannels)) {
      continue;
    }
    firstFormat = frame->format;
    firstRate = frame->sample_rate;
    firstChannels = frame->ch_layout.nb_channels;
    if (resampler == nullptr && av_channel_layout_copy(&sourceLayout, &frame->ch_layout) < 0) break;
    if (resampler == nullptr &&
        (swr_alloc_set_opts2(&resampler, &stereoLayout, AV_SAMPLE_FMT_S16, kVideoSoundRate, &sourceLayout,
                             static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr) < 0 ||
         swr_init(resampler) < 0)) {
      break;
    }
    const int room = swr_get_out_samples(resampler, frame->nb_samples);
    if (room <= 0) continue;
    block.resize(static_cast<size_t>(room) * 2);
    uint8_t *out[1] = {reinterpret_cast<uint8_t *>(block.data())};
    const int made = swr_convert(resampler, out, room, const_cast<const uint8_t **>(frame->extended_data),
                                 frame->nb_samples);
    if (made < 0) break;
    const size_t keep = std::min(static_cast<size_t>(made), maxFrames - stereo->size() / 2);
    stereo->insert(stereo->end(), block.begin(), block.begin() + static_cast<long>(keep * 2));
  }
  swr_free(&resampler);
  av_channel_layout_uninit(&sourceLayout);
  return true;
}

}  // namespace platform
