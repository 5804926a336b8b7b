// Speed of the Direct3D device's software rasteriser against Mesa's
// off-screen renderer on the same scenes at 640 × 480: small Gouraud
// triangles (pre-transformed, then lit from untransformed vertices), large
// textured perspective-correct triangles in random depth order, and an
// alpha-blended textured full-screen quad.
//
// Every benchmark counts the CPU time of its whole process. Mesa's driver is
// chosen once per process, so each Mesa driver (llvmpipe on the calling
// thread alone, and softpipe) runs in a child process of its own; the parent
// then prints the rates side by side with their ratios.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "d3d/pipeline/pipeline.h"

#ifdef KORVANE_HAVE_OSMESA
#include <GL/osmesa.h>
#endif

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfNormal = 0x010, kFvfDiffuse = 0x040, kFvfTex1 = 0x100;

// ---------------------------------------------------------------------------
// The scenes, generated once from fixed seeds.

struct ScreenVertex {  // pre-transformed: position, rhw, colour, texture coordinates
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
struct ModelVertex {  // untransformed, with a normal
  float x, y, z, nx, ny, nz;
};

enum SceneId { kSmallGouraud, kSmallLit, kLargeTextured, kBlendedQuad, kSceneCount };
const char *const kSceneNames[kSceneCount] = {"SmallGouraud", "SmallLit", "LargeTextured", "BlendedQuad"};

struct Scene {
  std::vector<ScreenVertex> screen;  // triangle list
  std::vector<ModelVertex> model;    // triangle list (lit scene)
  double pixels;                     // covered pixels per frame, by area
  bool textured, blended, depthTest;
};

std::vector<uint32_t> MakeTexture() {
  std::vector<uint32_t> texels(256 * 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint32_t checker = ((x >> 4) ^ (y >> 4)) & 1 ? 0xE0 : 0x30;
      texels[static_cast<size_t>(y * 256 + x)] = 0x80000000u | (checker << 16) | (static_cast<uint32_t>(x) << 8) | static_cast<uint32_t>(y);
    }
  return texels;
}

const std::vector<uint32_t> &Texture() {
  static const std::vector<uint32_t> texels = MakeTexture();
  return texels;
}

// 10,000 right triangles with 8-pixel legs, random positions, depths and colours.
void SmallTriangles(Scene &scene, bool lit) {
  std::mt19937 random(1);
  std::uniform_real_distribution<float> x(0, kWidth - 9), y(0, kHeight - 9), z(0.05f, 0.95f);
  std::uniform_int_distribution<uint32_t> colour(0, 0xFFFFFF);
  for (int i = 0; i < 10000; ++i) {
    const float px = x(random), py = y(random), pz = z(random);
    const float corners[3][2] = {{px, py}, {px + 8, py}, {px, py + 8}};
    for (const auto &c : corners) {
      scene.screen.push_back({c[0], c[1], pz, 1.0f, 0xFF000000u | colour(random), 0, 0});
      scene.model.push_back({c[0], c[1], pz, 0.3f, -0.4f, -0.866f});
    }
  }
  scene.pixels = 10000 * 32.0;
  scene.textured = false, scene.blended = false, scene.depthTest = true;
  (void)lit;
}

// 100 large triangles, each about a tenth of the screen, with perspective
// (w from 1 to 4 across each), in random depth order.
void LargeTriangles(Scene &scene) {
  std::mt19937 random(2);
  std::uniform_real_distribution<float> unit(0, 1), z(0.05f, 0.95f), w(1.0f, 4.0f);
  double area = 0;
  for (int i = 0; i < 100; ++i) {
    const float pz = z(random);
    // A triangle of about 30,720 pixels (a tenth of the screen), inside it.
    const float legX = 250 + 60 * unit(random), legY = 2 * 30720.0f / legX;
    const float px = unit(random) * (kWidth - legX), py = unit(random) * (kHeight - legY);
    const float corners[3][4] = {{px, py, 0, 0}, {px + legX, py, 4, 0}, {px, py + legY, 0, 4}};
    for (const auto &c : corners) scene.screen.push_back({c[0], c[1], pz, 1.0f / w(random), 0xFFFFFFFF, c[2], c[3]});
    area += 0.5 * legX * legY;
  }
  scene.pixels = area;
  scene.textured = true, scene.blended = false, scene.depthTest = true;
}

void BlendedQuad(Scene &scene) {
  const float l = -0.5f, t = -0.5f, r = kWidth - 0.5f, b = kHeight - 0.5f;
  scene.screen = {{l, t, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {r, t, 0.5f, 1, 0xFFFFFFFF, 2, 0}, {l, b, 0.5f, 1, 0xFFFFFFFF, 0, 2},
                  {r, t, 0.5f, 1, 0xFFFFFFFF, 2, 0}, {r, b, 0.5f, 1, 0xFFFFFFFF, 2, 2}, {l, b, 0.5f, 1, 0xFFFFFFFF, 0, 2}};
  scene.pixels = static_cast<double>(kWidth) * kHeight;
  scene.textured = true, scene.blended = true, scene.depthTest = false;
}

const Scene &GetScene(SceneId id) {
  static Scene scenes[kSceneCount];
  static bool made = false;
  if (!made) {
    SmallTriangles(scenes[kSmallGouraud], false);
    SmallTriangles(scenes[kSmallLit], true);
    LargeTriangles(scenes[kLargeTextured]);
    BlendedQuad(scenes[kBlendedQuad]);
    made = true;
  }
  return scenes[id];
}

void SetRates(benchmark::State &state, const Scene &scene) {
  const double frames = static_cast<double>(state.iterations());
  state.counters["pixels_per_s"] = benchmark::Counter(frames * scene.pixels, benchmark::Counter::kIsRate);
  state.counters["triangles_per_s"] =
      benchmark::Counter(frames * static_cast<double>(scene.screen.size() / 3), benchmark::Counter::kIsRate);
}

// ---------------------------------------------------------------------------
// The rasteriser.

struct RasterFrame {
  std::vector<uint32_t> colour = std::vector<uint32_t>(kWidth * kHeight);
  std::vector<uint32_t> depth = std::vector<uint32_t>(kWidth * kHeight);
  raster::Target target{reinterpret_cast<uint8_t *>(colour.data()), kWidth * 4, kWidth, kHeight, 32,
                        0xFF0000, 0xFF00, 0xFF, 0};
  raster::DepthBuffer depthBuffer{reinterpret_cast<uint8_t *>(depth.data()), kWidth * 4, kWidth, kHeight, 4,
                                  0xFFFFFF, 0};
};

void BM_Raster(benchmark::State &state, SceneId id) {
  const Scene &scene = GetScene(id);
  RasterFrame frame;
  raster::State s;
  raster::SetDefaults(s, kWidth, kHeight);
  s.cull = raster::Cull::kNone;
  s.depth = scene.depthTest ? raster::DepthMode::kZ : raster::DepthMode::kOff;
  raster::TextureLevel level{reinterpret_cast<const uint8_t *>(Texture().data()), 256 * 4, 256, 256};
  raster::Texture texture{{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false}, &level, 1, nullptr, false, 0, 0};
  if (scene.textured) {
    s.stages[0].texture = &texture;
    s.stages[0].magFilter = s.stages[0].minFilter = raster::TextureFilter::kLinear;
  }
  if (scene.blended) {
    s.alphaBlend = true;
    s.srcBlend = raster::BlendFactor::kSrcAlpha;
    s.destBlend = raster::BlendFactor::kInvSrcAlpha;
  }
  raster::Light light{raster::LightType::kDirectional, {1, 0.9f, 0.8f, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0},
                      {0.2f, -0.3f, 0.93f}, 0, 0, 0, 0, 0, 0, 0};
  raster::Vertices vertices;
  if (id == kSmallLit) {
    // Screen coordinates through an orthographic projection.
    s.projection = raster::Matrix{};
    s.projection.m[0][0] = 2.0f / kWidth, s.projection.m[3][0] = -1;
    s.projection.m[1][1] = -2.0f / kHeight, s.projection.m[3][1] = 1;
    s.projection.m[2][2] = 1, s.projection.m[3][3] = 1;
    s.material.diffuse = {0.8f, 0.6f, 0.4f, 1};
    s.material.ambient = {0.2f, 0.2f, 0.2f, 1};
    s.ambient = 0xFF202020;
    s.lights = &light;
    s.lightCount = 1;
    vertices = raster::InterleavedVertices(kFvfXyz | kFvfNormal, scene.model.data(),
                                           static_cast<uint32_t>(scene.model.size()));
  } else {
    vertices = raster::InterleavedVertices(kFvfXyzRhw | kFvfDiffuse | kFvfTex1, scene.screen.data(),
                                           static_cast<uint32_t>(scene.screen.size()));
  }
  // The scenes stay under Direct3D's 65,535 vertices per call.
  for (auto _ : state) {
    raster::Clear(s, &frame.target, &frame.depthBuffer, nullptr, 0,
                  raster::kClearTarget | raster::kClearDepth, 0xFF204060, 1.0f, 0);
    const raster::Result result =
        raster::Draw(s, frame.target, &frame.depthBuffer, raster::Primitive::kTriangleList, vertices, nullptr, 0, 0,
                     nullptr);
    if (result != raster::Result::kOk) state.SkipWithError("draw refused");
    benchmark::DoNotOptimize(frame.colour.data());
  }
  SetRates(state, scene);
}

// ---------------------------------------------------------------------------
// Mesa's off-screen renderer, OpenGL 1.x fixed function.

#ifdef KORVANE_HAVE_OSMESA
void BM_Mesa(benchmark::State &state, SceneId id) {
  const Scene &scene = GetScene(id);
  std::vector<uint32_t> colour(kWidth * kHeight);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, colour.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
    state.SkipWithError("no OSMesa context");
    return;
  }
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, kHeight, 0, 0, 1);  // z = −depth, so depth is the rasteriser's z
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DITHER);
  if (scene.depthTest) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  }
  GLuint texture = 0;
  if (scene.textured) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, Texture().data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
  }
  if (scene.blended) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  // Homogeneous positions carry w = 1/rhw, so texture coordinates are
  // interpolated with perspective as in the rasteriser.
  std::vector<float> positions, coords;
  std::vector<uint32_t> colours;
  std::vector<float> normals;
  const bool lit = id == kSmallLit;
  for (size_t i = 0; i < scene.screen.size(); ++i) {
    const ScreenVertex &v = scene.screen[i];
    const float w = 1.0f / v.rhw;
    if (lit) {
      const ModelVertex &m = scene.model[i];
      positions.insert(positions.end(), {m.x, m.y, -m.z, 1.0f});
      normals.insert(normals.end(), {m.nx, -m.ny, -m.nz});
    } else {
      positions.insert(positions.end(), {v.x * w, v.y * w, -v.z * w, w});
    }
    // OpenGL reads colours as R, G, B, A bytes.
    colours.push_back((v.diffuse & 0xFF00FF00u) | ((v.diffuse >> 16) & 0xFF) | ((v.diffuse & 0xFF) << 16));
    coords.insert(coords.end(), {v.u, v.v});
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(4, GL_FLOAT, 0, positions.data());
  if (lit) {
    const GLfloat diffuse[] = {0.8f, 0.6f, 0.4f, 1}, ambient[] = {0.2f, 0.2f, 0.2f, 1};
    const GLfloat lightColour[] = {1, 0.9f, 0.8f, 1}, direction[] = {-0.2f, 0.3f, 0.93f, 0}, global[] = {0.125f, 0.125f, 0.125f, 1};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightColour);
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, normals.data());
  } else {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours.data());
  }
  if (scene.textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, coords.data());
  }
  glClearColor(0.375f, 0.25f, 0.125f, 1);
  glClearDepth(1.0);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(scene.screen.size()));
    glFinish();
    benchmark::DoNotOptimize(colour.data());
  }
  SetRates(state, scene);
  if (texture) glDeleteTextures(1, &texture);
  OSMesaDestroyContext(context);
}
#endif

void Register(const char *prefix, void (*function)(benchmark::State &, SceneId)) {
  for (int id = 0; id < kSceneCount; ++id)
    benchmark::RegisterBenchmark((std::string(prefix) + "/" + kSceneNames[id]).c_str(), function, static_cast<SceneId>(id))
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
}

// Keeps each run's pixel rate by name, for the comparison table.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      // The reported counter is already per second of process CPU time.
      auto found = run.counters.find("pixels_per_s");
      if (found != run.counters.end() && !run.error_occurred) rates[run.run_name.function_name] = found->second.value;
    }
  }
};

#ifdef KORVANE_HAVE_OSMESA
// Runs the Mesa benchmarks with one driver in a child process and reads its
// rates back through a pipe.
std::map<std::string, double> RunMesaChild(const char *driver) {
  std::map<std::string, double> rates;
  int channel[2];
  if (pipe(channel) != 0) return rates;
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    setenv("GALLIUM_DRIVER", driver, 1);
    setenv("LP_NUM_THREADS", "0", 1);
    std::printf("\n--- Mesa %s (GALLIUM_DRIVER=%s, LP_NUM_THREADS=0) ---\n", driver, driver);
    Register((std::string("Mesa_") + driver).c_str(), BM_Mesa);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter, std::string("^Mesa_") + driver);
    std::string text;
    for (const auto &[name, rate] : reporter.rates) text += name + " " + std::to_string(rate) + "\n";
    if (write(channel[1], text.data(), text.size()) < 0) std::perror("write");
    close(channel[1]);
    std::fflush(stdout);
    _exit(0);
  }
  close(channel[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  char name[256];
  double rate;
  for (const char *at = text.c_str(); std::sscanf(at, "%255s %lf", name, &rate) == 2;) {
    rates[name] = rate;
    at = std::strchr(at, '\n');
    if (!at) break;
    ++at;
  }
  return rates;
}
#endif

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  // --raster-only[=SCENE]: the rasteriser's scenes (or one) without Mesa, for profiling.
  bool rasterOnly = false;
  std::string filter = "^Raster";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--raster-only", 13) == 0) {
      rasterOnly = true;
      if (argv[i][13] == '=') filter += std::string("/") + (argv[i] + 14);
    }
  Register("Raster", BM_Raster);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter, filter);
#ifdef KORVANE_HAVE_OSMESA
  if (rasterOnly) return 0;
  const char *drivers[] = {"llvmpipe", "softpipe"};
  std::map<std::string, double> mesa[2];
  for (int d = 0; d < 2; ++d) mesa[d] = RunMesaChild(drivers[d]);
  std::printf("\nPixels per CPU second (whole process), and the rasteriser's ratio to each Mesa driver:\n");
  std::printf("%-14s %14s %14s %14s %10s %10s\n", "scene", "rasteriser", "llvmpipe", "softpipe", "vs llvmpipe",
              "vs softpipe");
  for (int id = 0; id < kSceneCount; ++id) {
    const double own = reporter.rates[std::string("Raster/") + kSceneNames[id]];
    double other[2];
    for (int d = 0; d < 2; ++d) other[d] = mesa[d][std::string("Mesa_") + drivers[d] + "/" + kSceneNames[id]];
    std::printf("%-14s %14.4g %14.4g %14.4g %10.2f %10.2f\n", kSceneNames[id], own, other[0], other[1],
                other[0] > 0 ? own / other[0] : 0.0, other[1] > 0 ? own / other[1] : 0.0);
  }
#else
  std::printf("\nOSMesa was not found at configure time: no comparison.\n");
#endif
  benchmark::Shutdown();
  return 0;
}
