// Vertex processing: world/view/projection transforms, per-vertex lighting
// in camera space (ambient, directional, point and spot lights with range
// and attenuation), vertex fog and the texture coordinates of each stage.
#include "d3d/pipeline/vertex_processing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d/pipeline/matrix_math.h"

namespace raster {

namespace {

Colour FromArgb(uint32_t argb) {
  return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
          static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>(argb >> 24) / 255.0f};
}

template <typename T>
T Read(const Component &component, uint32_t index, size_t offset = 0) {
  T value;
  std::memcpy(&value, component.data + static_cast<size_t>(component.stride) * index + offset, sizeof value);
  return value;
}

// The inverse transpose of the upper 3×3 of `m` (row-vector convention), so
// normals stay perpendicular under non-uniform scaling.
Matrix NormalMatrix(const Matrix &m) {
  const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
  const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
  const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
  const float ca = e * i - f * h, cb = -(d * i - f * g), cc = d * h - e * g;
  const float cd = -(b * i - c * h), ce = a * i - c * g, cf = -(a * h - b * g);
  const float cg = b * f - c * e, ch = -(a * f - c * d), ci = a * e - b * d;
  const float det = a * ca + b * cb + c * cc;
  Matrix r{};
  if (det == 0.0f || !std::isfinite(det)) {
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) r.m[row][col] = m.m[row][col];
    return r;
  }
  const float s = 1.0f / det;
  const float cof[3][3] = {{ca, cb, cc}, {cd, ce, cf}, {cg, ch, ci}};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r.m[row][col] = cof[row][col] * s;
  return r;
}

float FogFactor(FogMode mode, float distance, float start, float end, float density) {
  float factor = 1.0f;
  switch (mode) {
    case FogMode::kLinear: factor = end != start ? (end - distance) / (end - start) : (distance < end ? 1.0f : 0.0f); break;
    case FogMode::kExp: factor = std::exp(-density * distance); break;
    case FogMode::kExp2: factor = std::exp(-(density * distance) * (density * distance)); break;
    case FogMode::kNone: factor = 1.0f; break;
  }
  if (!(factor >= 0.0f)) factor = 0.0f;  // NaN too
  return std::min(factor, 1.0f);
}

float To255(float channel) {
  if (!(channel > 0.0f)) return 0.0f;
  return std::min(channel, 1.0f) * 255.0f;
}

}  // namespace

VertexProcessor::VertexProcessor(const State &state, const Vertices &vertices, bool doNotLight, CameraLight *lights)
    : state_(state), vertices_(vertices), lights_(lights), lightCount_(0) {
  transformed_ = (vertices.fvf & fvf::kPositionMask) == fvf::kXyzRhw;
  lighting_ = !transformed_ && state.lighting && !doNotLight && (vertices.fvf & fvf::kNormal);
  vertexFog_ = !transformed_ && state.fogEnable && state.fogTableMode == FogMode::kNone &&
               state.fogVertexMode != FogMode::kNone;
  worldView_ = Multiply(state.world, state.view);
  worldViewProjection_ = Multiply(worldView_, state.projection);
  normalMatrix_ = NormalMatrix(worldView_);
  texSets_ = static_cast<int>((vertices.fvf & fvf::kTexCountMask) >> fvf::kTexCountShift);
  for (int stage = 0; stage < kActiveStages; ++stage) {
    const int set = static_cast<int>(state.stages[stage].texCoordIndex & 0xFFFF);
    stageSet_[stage] = set < texSets_ ? set : -1;
  }
  if (!lighting_ || state.lights == nullptr) return;
  lightCount_ = state.lightCount;
  for (size_t i = 0; i < lightCount_; ++i) {
    const Light &light = state.lights[i];
    CameraLight &out = lights[i];
    out.type = light.type;
    out.diffuse = light.diffuse;
    out.specular = light.specular;
    out.ambient = light.ambient;
    out.position = TransformPoint(light.position, state.view);
    out.direction = Normalise(TransformDirection(light.direction, state.view));
    out.range = light.range;
    out.falloff = light.falloff;
    out.attenuation0 = light.attenuation0;
    out.attenuation1 = light.attenuation1;
    out.attenuation2 = light.attenuation2;
    out.cosHalfTheta = std::cos(light.theta * 0.5f);
    out.cosHalfPhi = std::cos(light.phi * 0.5f);
  }
}

void VertexProcessor::LightVertex(const Vector3 &position, const Vector3 &normal, const Colour &vertexDiffuse,
                            const Colour &vertexSpecular, Colour &diffuse, Colour &specular) const {
  const State &s = state_;
  const bool hasDiffuse = vertices_.fvf & fvf::kDiffuse, hasSpecular = vertices_.fvf & fvf::kSpecular;
  auto source = [&](MaterialSource which, const Colour &material) {
    if (s.colorVertex && which == MaterialSource::kColor1 && hasDiffuse) return vertexDiffuse;
    if (s.colorVertex && which == MaterialSource::kColor2 && hasSpecular) return vertexSpecular;
    return material;
  };
  const Colour materialDiffuse = source(s.diffuseSource, s.material.diffuse);
  const Colour materialAmbient = source(s.ambientSource, s.material.ambient);
  const Colour materialSpecular = source(s.specularSource, s.material.specular);
  const Colour materialEmissive = source(s.emissiveSource, s.material.emissive);

  const Colour global = FromArgb(s.ambient);
  Colour ambient = global, lit{0, 0, 0, 0}, shine{0, 0, 0, 0};
  const Vector3 toEye = s.localViewer ? Normalise(Scale(position, -1.0f)) : Vector3{0.0f, 0.0f, -1.0f};
  for (size_t i = 0; i < lightCount_; ++i) {
    const CameraLight &light = lights_[i];
    Vector3 toLight;
    float strength = 1.0f;
    if (light.type == LightType::kDirectional) {
      toLight = Scale(light.direction, -1.0f);
    } else {
      const Vector3 offset = Sub(light.position, position);
      const float distance = Length(offset);
      if (distance > light.range) continue;
      toLight = distance > 0.0f ? Scale(offset, 1.0f / distance) : Vector3{0.0f, 0.0f, 0.0f};
      const float denominator =
          light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
      strength = denominator > 0.0f ? 1.0f / denominator : 1.0f;
      if (light.type == LightType::kSpot) {
        const float rho = -Dot(toLight, light.direction);
        if (rho <= light.cosHalfPhi) {
          strength = 0.0f;
        } else if (rho < light.cosHalfTheta) {
          const float range = light.cosHalfTheta - light.cosHalfPhi;
          const float t = range > 0.0f ? (rho - light.cosHalfPhi) / range : 1.0f;
          strength *= light.falloff == 1.0f ? t : std::pow(t, light.falloff);
        }
      }
    }
    if (!(strength > 0.0f)) continue;
    ambient.r += light.ambient.r * strength;
    ambient.g += light.ambient.g * strength;
    ambient.b += light.ambient.b * strength;
    const float facing = Dot(normal, toLight);
    if (facing <= 0.0f) continue;
    const float d = facing * strength;
    lit.r += light.diffuse.r * d;
    lit.g += light.diffuse.g * d;
    lit.b += light.diffuse.b * d;
    if (s.specularEnable) {
      const float highlight = Dot(normal, Normalise(Add(toLight, toEye)));
      if (highlight > 0.0f) {
        const float p = std::pow(highlight, s.material.power) * strength;
        shine.r += light.specular.r * p;
        shine.g += light.specular.g * p;
        shine.b += light.specular.b * p;
      }
    }
  }
  diffuse.r = materialEmissive.r + materialAmbient.r * ambient.r + materialDiffuse.r * lit.r;
  diffuse.g = materialEmissive.g + materialAmbient.g * ambient.g + materialDiffuse.g * lit.g;
  diffuse.b = materialEmissive.b + materialAmbient.b * ambient.b + materialDiffuse.b * lit.b;
  diffuse.a = materialDiffuse.a;
  specular.r = materialSpecular.r * shine.r;
  specular.g = materialSpecular.g * shine.g;
  specular.b = materialSpecular.b * shine.b;
  specular.a = vertexSpecular.a;
}

float VertexProcessor::VertexFog(const Vector3 &camera) const {
  const float distance = state_.rangeFog ? Length(camera) : camera.z;
  return FogFactor(state_.fogVertexMode, distance, state_.fogStart, state_.fogEnd, state_.fogDensity);
}

void VertexProcessor::Process(uint32_t index, ClipVertex &out) const {
  const uint32_t code = vertices_.fvf;
  const Colour vertexDiffuse = (code & fvf::kDiffuse) ? FromArgb(Read<uint32_t>(vertices_.diffuse, index))
                                                       : Colour{1.0f, 1.0f, 1.0f, 1.0f};
  const Colour vertexSpecular =
      (code & fvf::kSpecular) ? FromArgb(Read<uint32_t>(vertices_.specular, index)) : Colour{0, 0, 0, 0};
  Colour diffuse = vertexDiffuse, specular = vertexSpecular;
  // Without vertex fog the factor is the specular alpha (1: unfogged).
  float fog = (code & fvf::kSpecular) ? vertexSpecular.a : 1.0f;

  if (transformed_) {
    float p[4];
    std::memcpy(p, vertices_.position.data + static_cast<size_t>(vertices_.position.stride) * index, sizeof p);
    out.x = p[0];
    out.y = p[1];
    out.z = p[2];
    out.w = p[3];  // rhw for pre-transformed vertices
  } else {
    Vector3 position;
    std::memcpy(&position, vertices_.position.data + static_cast<size_t>(vertices_.position.stride) * index,
                sizeof position);
    const Matrix &m = worldViewProjection_;
    out.x = position.x * m.m[0][0] + position.y * m.m[1][0] + position.z * m.m[2][0] + m.m[3][0];
    out.y = position.x * m.m[0][1] + position.y * m.m[1][1] + position.z * m.m[2][1] + m.m[3][1];
    out.z = position.x * m.m[0][2] + position.y * m.m[1][2] + position.z * m.m[2][2] + m.m[3][2];
    out.w = position.x * m.m[0][3] + position.y * m.m[1][3] + position.z * m.m[2][3] + m.m[3][3];
    if (lighting_ || vertexFog_) {
      const Vector3 camera = TransformPoint(position, worldView_);
      if (lighting_) {
        Vector3 normal = Read<Vector3>(vertices_.normal, index);
        normal = TransformDirection(normal, normalMatrix_);
        if (state_.normalizeNormals) normal = Normalise(normal);
        LightVertex(camera, normal, vertexDiffuse, vertexSpecular, diffuse, specular);
      }
      if (vertexFog_) fog = VertexFog(camera);
    }
  }
  if (!state_.fogEnable) fog = 1.0f;

  out.attr[kDiffuseR] = To255(diffuse.r);
  out.attr[kDiffuseG] = To255(diffuse.g);
  out.attr[kDiffuseB] = To255(diffuse.b);
  out.attr[kDiffuseA] = To255(diffuse.a);
  out.attr[kSpecularR] = To255(specular.r);
  out.attr[kSpecularG] = To255(specular.g);
  out.attr[kSpecularB] = To255(specular.b);
  out.attr[kFog] = std::isfinite(fog) ? std::clamp(fog, 0.0f, 1.0f) : 1.0f;
  for (int stage = 0; stage < kActiveStages; ++stage) {
    float u = 0.0f, v = 0.0f;
    const int set = stageSet_[stage];
    if (set >= 0) {
      const Component &coords = vertices_.texCoords[set];
      u = Read<float>(coords, index);
      if (fvf::TexCoordFloats(code, set) > 1) v = Read<float>(coords, index, 4);
    }
    out.attr[kStage0U + 2 * stage] = u;
    out.attr[kStage0V + 2 * stage] = v;
  }
}

}  // namespace raster
