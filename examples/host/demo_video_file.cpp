// The demo's video encoder: each picture is drawn in RGB, converted to
// YUV 4:2:0 by libswscale and encoded as MPEG-4 part 2; the sound is a
// chord encoded as 16-bit PCM; libavformat interleaves both into an AVI.
#include "demo_video_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFramesPerSecond = 20;
constexpr int kFrameCount = kFramesPerSecond * 5 / 2;  // 2.5 seconds
constexpr int kSampleRate = 22050;
constexpr int kSampleCount = kSampleRate * 5 / 2;
// PCM takes any number of samples a frame; 1024 keeps the packets small.
constexpr int kSamplesPerFrame = 1024;
constexpr int kBarWidth = 20;
constexpr double kPi = 3.14159265358979323846;

std::string Failed(const char *what, int code) {
  char reason[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, reason, sizeof reason);
  return std::string(what) + ": " + reason;
}

// One encoder and the stream of the file it feeds.
struct Track {
  AVCodecContext *codec = nullptr;
  AVStream *stream = nullptr;  // owned by the format context
  AVFrame *frame = nullptr;
  int64_t next = 0;  // the next frame's time, in the codec's time base
  ~Track() {
    av_frame_free(&frame);
    avcodec_free_context(&codec);
  }
};

// Everything one write holds; the destructor closes the file and frees the
// rest whichever way the write ends.
struct Writer {
  AVFormatContext *format = nullptr;
  bool opened = false;  // the file was created
  Track video;
  Track audio;
  SwsContext *scaler = nullptr;
  AVPacket *packet = nullptr;
  std::vector<uint8_t> rgb = std::vector<uint8_t>(kWidth * kHeight * 3);
  ~Writer() {
    av_packet_free(&packet);
    sws_freeContext(scaler);
    if (opened) avio_closep(&format->pb);
    avformat_free_context(format);
  }
};

void Put(std::vector<uint8_t> *rgb, int x, int y, int r, int g, int b) {
  if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) return;
  uint8_t *pixel = &(*rgb)[(y * kWidth + x) * 3];
  pixel[0] = static_cast<uint8_t>(r);
  pixel[1] = static_cast<uint8_t>(g);
  pixel[2] = static_cast<uint8_t>(b);
}

// Picture `index`: a dark blue gradient, a bar sweeping from the left edge to
// the right one while it turns from red to green, and a white star rising
// and falling along an arc in front of it.
void DrawPicture(std::vector<uint8_t> *rgb, int index) {
  const double t = static_cast<double>(index) / (kFrameCount - 1);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) Put(rgb, x, y, 8, 8 + y / 8, 48 + y);
  }
  const int barLeft = static_cast<int>(std::lround(t * (kWidth - kBarWidth)));
  for (int y = 12; y < kHeight - 12; ++y) {
    for (int x = barLeft; x < barLeft + kBarWidth; ++x)
      Put(rgb, x, y, static_cast<int>(240 - 200 * t), static_cast<int>(40 + 200 * t), 32);
  }
  const int starX = static_cast<int>(std::lround(12 + t * (kWidth - 24)));
  const int starY = static_cast<int>(std::lround(kHeight - 24 - std::sin(t * kPi) * (kHeight - 48)));
  for (int dy = -7; dy <= 7; ++dy) {
    for (int dx = -7; dx <= 7; ++dx) {
      const bool core = std::abs(dx) + std::abs(dy) <= 3;
      const bool ray = dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy);
      if (core || (ray && std::abs(dx) + std::abs(dy) <= 7)) Put(rgb, starX + dx, starY + dy, 255, 255, 255);
    }
  }
}

// Sample `n` of the sound: C4, E4 and G4 together, faded in over 50 ms and
// out over the last 400 ms so it starts and stops without a click.
int16_t ChordSample(int n) {
  static const double kNotes[] = {261.63, 329.63, 392.00};
  const double seconds = static_cast<double>(n) / kSampleRate;
  double value = 0.0;
  for (double note : kNotes) value += std::sin(2.0 * kPi * note * seconds) / 3.0;
  const double fadeIn = std::min(1.0, n / (0.05 * kSampleRate));
  const double fadeOut = std::min(1.0, (kSampleCount - n) / (0.4 * kSampleRate));
  return static_cast<int16_t>(std::lround(value * fadeIn * fadeOut * 20000.0));
}

// Gives `frame` (nullptr to drain) to the track's encoder and writes every
// packet it answers.
std::string Encode(Writer *writer, Track *track, AVFrame *frame) {
  int code = avcodec_send_frame(track->codec, frame);
  if (code < 0) return Failed("the encoder refused a frame", code);
  for (;;) {
    code = avcodec_receive_packet(track->codec, writer->packet);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return "";
    if (code < 0) return Failed("the encoder failed", code);
    av_packet_rescale_ts(writer->packet, track->codec->time_base, track->stream->time_base);
    writer->packet->stream_index = track->stream->index;
    // Takes the packet's data, leaving the packet empty for the next one.
    code = av_interleaved_write_frame(writer->format, writer->packet);
    if (code < 0) return Failed("a packet could not be written", code);
  }
}

// Opens `encoder` on a new stream of the file; `track->codec` is set up by
// the caller beforehand.
std::string OpenTrack(Writer *writer, Track *track, const AVCodec *encoder) {
  track->stream = avformat_new_stream(writer->format, nullptr);
  if (track->stream == nullptr) return "no stream could be added";
  // A file that does not change from run to run: no version strings, one thread.
  track->codec->flags |= AV_CODEC_FLAG_BITEXACT;
  track->codec->thread_count = 1;
  if (writer->format->oformat->flags & AVFMT_GLOBALHEADER) track->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int code = avcodec_open2(track->codec, encoder, nullptr);
  if (code < 0) return Failed("the encoder did not open", code);
  code = avcodec_parameters_from_context(track->stream->codecpar, track->codec);
  if (code < 0) return Failed("the stream could not be described", code);
  track->stream->time_base = track->codec->time_base;
  track->frame = av_frame_alloc();
  return track->frame == nullptr ? "out of memory" : "";
}

std::string OpenVideo(Writer *writer) {
  const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (encoder == nullptr) return "FFmpeg has no MPEG-4 encoder";
  AVCodecContext *codec = writer->video.codec = avcodec_alloc_context3(encoder);
  if (codec == nullptr) return "out of memory";
  codec->width = kWidth;
  codec->height = kHeight;
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->time_base = AVRational{1, kFramesPerSecond};
  codec->framerate = AVRational{kFramesPerSecond, 1};
  codec->gop_size = kFramesPerSecond / 2;  // a key frame every half second
  codec->bit_rate = 400000;                // plenty for 160x120: sharp edges
  std::string error = OpenTrack(writer, &writer->video, encoder);
  if (!error.empty()) return "MPEG-4 video: " + error;
  AVFrame *frame = writer->video.frame;
  frame->format = codec->pix_fmt;
  frame->width = kWidth;
  frame->height = kHeight;
  const int code = av_frame_get_buffer(frame, 0);
  if (code < 0) return Failed("no picture buffer", code);
  writer->scaler = sws_getContext(kWidth, kHeight, AV_PIX_FMT_RGB24, kWidth, kHeight, AV_PIX_FMT_YUV420P,
                                  SWS_BILINEAR, nullptr, nullptr, nullptr);
  return writer->scaler == nullptr ? "no RGB to YUV converter" : "";
}

std::string OpenAudio(Writer *writer) {
  const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
  if (encoder == nullptr) return "FFmpeg has no PCM encoder";
  AVCodecContext *codec = writer->audio.codec = avcodec_alloc_context3(encoder);
  if (codec == nullptr) return "out of memory";
  codec->sample_fmt = AV_SAMPLE_FMT_S16;
  codec->sample_rate = kSampleRate;
  av_channel_layout_default(&codec->ch_layout, 1);
  codec->time_base = AVRational{1, kSampleRate};
  std::string error = OpenTrack(writer, &writer->audio, encoder);
  if (!error.empty()) return "PCM sound: " + error;
  AVFrame *frame = writer->audio.frame;
  frame->format = codec->sample_fmt;
  frame->sample_rate = kSampleRate;
  frame->nb_samples = kSamplesPerFrame;
  int code = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
  if (code >= 0) code = av_frame_get_buffer(frame, 0);
  return code < 0 ? Failed("no sound buffer", code) : "";
}

std::string EncodePicture(Writer *writer) {
  Track &video = writer->video;
  const int code = av_frame_make_writable(video.frame);
  if (code < 0) return Failed("no picture buffer", code);
  DrawPicture(&writer->rgb, static_cast<int>(video.next));
  const uint8_t *const planes[] = {writer->rgb.data()};
  const int pitches[] = {kWidth * 3};
  sws_scale(writer->scaler, planes, pitches, 0, kHeight, video.frame->data, video.frame->linesize);
  video.frame->pts = video.next++;
  return Encode(writer, &video, video.frame);
}

std::string EncodeSound(Writer *writer) {
  Track &audio = writer->audio;
  const int code = av_frame_make_writable(audio.frame);
  if (code < 0) return Failed("no sound buffer", code);
  const int count = static_cast<int>(std::min<int64_t>(kSamplesPerFrame, kSampleCount - audio.next));
  int16_t *samples = reinterpret_cast<int16_t *>(audio.frame->data[0]);
  for (int i = 0; i < count; ++i) samples[i] = ChordSample(static_cast<int>(audio.next) + i);
  audio.frame->nb_samples = count;
  audio.frame->pts = audio.next;
  audio.next += count;
  return Encode(writer, &audio, audio.frame);
}

std::string Write(Writer *writer, const char *path) {
  int code = avformat_alloc_output_context2(&writer->format, nullptr, "avi", path);
  if (code < 0 || writer->format == nullptr) return Failed("no AVI muxer", code);
  writer->format->flags |= AVFMT_FLAG_BITEXACT;
  writer->packet = av_packet_alloc();
  if (writer->packet == nullptr) return "out of memory";
  std::string error = OpenVideo(writer);
  if (error.empty()) error = OpenAudio(writer);
  if (!error.empty()) return error;
  code = avio_open(&writer->format->pb, path, AVIO_FLAG_WRITE);
  if (code < 0) return Failed("the file could not be created", code);
  writer->opened = true;
  code = avformat_write_header(writer->format, nullptr);
  if (code < 0) return Failed("the AVI header could not be written", code);
  // Pictures and sound in time order, as a player reads them.
  Track &video = writer->video;
  Track &audio = writer->audio;
  while (error.empty() && (video.next < kFrameCount || audio.next < kSampleCount)) {
    const bool pictureFirst =
        audio.next >= kSampleCount ||
        (video.next < kFrameCount &&
         av_compare_ts(video.next, video.codec->time_base, audio.next, audio.codec->time_base) <= 0);
    error = pictureFirst ? EncodePicture(writer) : EncodeSound(writer);
  }
  if (error.empty()) error = Encode(writer, &video, nullptr);
  if (error.empty()) error = Encode(writer, &audio, nullptr);
  if (!error.empty()) return error;
  code = av_write_trailer(writer->format);
  return code < 0 ? Failed("the AVI index could not be written", code) : "";
}

}  // namespace

std::string WriteDemoVideo(const char *path) {
  std::string error;
  bool created = false;
  {
    Writer writer;  // closes the file as it goes out of scope
    error = Write(&writer, path);
    created = writer.opened;
  }
  if (!error.empty() && created) std::remove(path);
  return error;
}

std::string MakeDemoVideo() {
  const std::string error = WriteDemoVideo(kDemoVideoFile);
  if (!error.empty()) {
    printf("demo: %s could not be written (%s)\n", kDemoVideoFile, error.c_str());
    return "";
  }
  printf("demo: %s written: %dx%d at %d frames a second for %.1f s, MPEG-4 pictures and a PCM chord\n",
         kDemoVideoFile, kWidth, kHeight, kFramesPerSecond, static_cast<double>(kFrameCount) / kFramesPerSecond);
  return kDemoVideoFile;
}
