// Flexible vertex format codes: which components a vertex has, their sizes,
// and where each lies in an interleaved vertex.
#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

namespace {

// Bytes of the position component, or 0 for an unknown position type.
uint32_t PositionSize(uint32_t code) {
  switch (code & fvf::kPositionMask) {
    case fvf::kXyz: return 12;
    case fvf::kXyzRhw: return 16;
    case 0: return 0;
    default: return 12 + 4 * (((code & fvf::kPositionMask) - fvf::kXyzRhw) / 2);  // XYZB1 … XYZB5: blend weights
  }
}

}  // namespace

uint32_t VertexSize(uint32_t code) {
  if (code & (fvf::kReserved0 | fvf::kReserved2)) return 0;
  const uint32_t position = PositionSize(code);
  if (position == 0) return 0;
  // A pre-transformed vertex has no normal to light.
  if ((code & fvf::kPositionMask) == fvf::kXyzRhw && (code & fvf::kNormal)) return 0;
  const uint32_t sets = (code & fvf::kTexCountMask) >> fvf::kTexCountShift;
  if (sets > 8) return 0;
  // Size bits of sets that do not exist must be clear.
  if (sets < 8 && (code >> (16 + 2 * sets)) != 0) return 0;
  uint32_t size = position;
  if (code & fvf::kNormal) size += 12;
  if (code & fvf::kReserved1) size += 4;
  if (code & fvf::kDiffuse) size += 4;
  if (code & fvf::kSpecular) size += 4;
  for (uint32_t set = 0; set < sets; ++set) size += 4 * static_cast<uint32_t>(fvf::TexCoordFloats(code, static_cast<int>(set)));
  return size;
}

Vertices InterleavedVertices(uint32_t code, const void *data, uint32_t count) {
  Vertices vertices{};
  vertices.fvf = code;
  vertices.count = count;
  const uint32_t stride = VertexSize(code);
  if (stride == 0 || data == nullptr) return vertices;  // Draw refuses it
  const uint8_t *at = static_cast<const uint8_t *>(data);
  auto take = [&](Component &component, uint32_t bytes) {
    component = Component{at, stride};
    at += bytes;
  };
  take(vertices.position, PositionSize(code));
  if (code & fvf::kNormal) take(vertices.normal, 12);
  if (code & fvf::kReserved1) at += 4;
  if (code & fvf::kDiffuse) take(vertices.diffuse, 4);
  if (code & fvf::kSpecular) take(vertices.specular, 4);
  const uint32_t sets = (code & fvf::kTexCountMask) >> fvf::kTexCountShift;
  for (uint32_t set = 0; set < sets; ++set)
    take(vertices.texCoords[set], 4 * static_cast<uint32_t>(fvf::TexCoordFloats(code, static_cast<int>(set))));
  return vertices;
}

}  // namespace raster
