// The cube scene the Windows host draws under Wine, drawn here through the
// same exports at 1024 x 768 in 32 and 16 bits, saved with SAVE_BMP and
// compared pixel by pixel with the picture Wine's Direct3D made of it
// (tests/data/d3d_cube_wine<bits>.bmp.gz, the host's cube<bits>.bmp).
// Rasterisers differ in edge rules and rounding, so the comparison is by
// PSNR and by the share of pixels within a few levels per channel.
#include <zlib.h>

#include <cmath>
#include <cstdio>

#include "support/d3d_library_test.h"

#define KV(name) name
#include "support/d3d_cube_scene.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bgr;  // rows top to bottom
};

// A 24-bit bottom-up BMP as read from `bytes`.
Picture FromBmp(const std::string &bytes) {
  Picture picture;
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
  };
  const uint32_t offset = u32(10);
  const int width = static_cast<int>(u32(18)), height = static_cast<int>(u32(22));
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  if (width <= 0 || height <= 0 || offset + rowBytes * static_cast<size_t>(height) > bytes.size()) return picture;
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    const char *row = bytes.data() + offset + rowBytes * static_cast<size_t>(height - 1 - y);
    picture.bgr.insert(picture.bgr.end(), row, row + width * 3);
  }
  return picture;
}

std::string ReadGzip(const std::string &path) {
  std::string content;
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) return content;
  char buffer[65536];
  int got;
  while ((got = gzread(file, buffer, sizeof buffer)) > 0) content.append(buffer, static_cast<size_t>(got));
  gzclose(file);
  return content;
}

struct Agreement {
  double psnr;
  double shareWithin4;
};

Agreement Compare(const Picture &a, const Picture &b) {
  double squares = 0;
  size_t within = 0;
  const size_t pixels = a.bgr.size() / 3;
  for (size_t i = 0; i < pixels; ++i) {
    int worst = 0;
    for (size_t c = 0; c < 3; ++c) {
      const int difference = std::abs(a.bgr[i * 3 + c] - b.bgr[i * 3 + c]);
      squares += difference * difference;
      worst = std::max(worst, difference);
    }
    if (worst <= 4) ++within;
  }
  const double mse = squares / static_cast<double>(pixels * 3);
  return {mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse), static_cast<double>(within) / pixels};
}

class D3DScene : public D3DLibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(D3DScene, CubeAgreesWithWinesPicture) {
  const int bits = GetParam();
  const std::string golden =
      std::string(SOURCE_DIR) + "/tests/data/d3d_cube_wine" + std::to_string(bits) + ".bmp.gz";
  const Picture wine = FromBmp(ReadGzip(golden));
  ASSERT_EQ(wine.width, 1024) << golden;

  StartDevice(1, 16, bits, 1024, 768);
  ASSERT_EQ(WriteCubeTexture("cube_texture.bmp"), 0);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("cube_texture.bmp", 1, 16, DDPF_RGB, 565, 0), 0);
  ASSERT_EQ(DrawCubeScene(1024, 768, 1), 0);
  ASSERT_EQ(SURFACE_FLIP(), 0);
  ASSERT_EQ(SAVE_BMP("cube"), 0);
  const Picture ours = FromBmp(ReadWholeFile("cube.bmp"));
  ASSERT_EQ(ours.width, wine.width);
  ASSERT_EQ(ours.height, wine.height);

  const Agreement agreement = Compare(ours, wine);
  printf("cube at %d bits: PSNR %.2f dB, %.4f of pixels within 4 levels per channel\n", bits, agreement.psnr,
         agreement.shareWithin4);
  // Measured: 47.7 dB and 0.9999 at 32 bits, 47.9 dB and 0.9999 at 16 bits
  // (the pixels that differ lie on triangle edges).
  EXPECT_GE(agreement.psnr, 42.0);
  EXPECT_GE(agreement.shareWithin4, 0.999);
}

INSTANTIATE_TEST_SUITE_P(Depths, D3DScene, ::testing::Values(32, 16));

}  // namespace
