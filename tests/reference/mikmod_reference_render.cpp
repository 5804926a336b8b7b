// Renders a module with libmikmod's own software mixer into raw signed
// 16-bit stereo samples at 44100 Hz: the reference the music tests compare
// the library's DirectSound voices with. It runs as a process of its own,
// as libmikmod keeps its driver and player in global state.
// Usage: mikmod_reference_render <module> <output.raw> <seconds>
#include <mikmod.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <module> <output.raw> <seconds>\n", argv[0]);
    return 2;
  }
  MikMod_RegisterLoader(&load_xm);
  MikMod_RegisterLoader(&load_uni);
  MikMod_RegisterLoader(&load_s3m);
  MikMod_RegisterLoader(&load_mod);
  MikMod_RegisterLoader(&load_m15);
  MikMod_RegisterDriver(&drv_nos);
  md_mixfreq = 44100;
  md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_SOFT_MUSIC;
  md_device = 0;
  if (MikMod_Init("") != 0) {
    std::fprintf(stderr, "MikMod_Init: %s\n", MikMod_strerror(MikMod_errno));
    return 1;
  }
  MODULE *module = Player_Load(argv[1], 32, 0);
  if (module == nullptr) {
    std::fprintf(stderr, "Player_Load: %s\n", MikMod_strerror(MikMod_errno));
    MikMod_Exit();
    return 1;
  }
  module->loop = 0;
  module->wrap = 0;
  Player_Start(module);
  FILE *out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 1;
  const long frames = std::atol(argv[3]) * 44100L;
  std::vector<SBYTE> block(4410 * 4);
  for (long done = 0; done < frames; done += 4410) {
    VC_WriteBytes(block.data(), static_cast<ULONG>(block.size()));
    std::fwrite(block.data(), 1, block.size(), out);
  }
  std::fclose(out);
  Player_Stop();
  Player_Free(module);
  MikMod_Exit();
  return 0;
}
