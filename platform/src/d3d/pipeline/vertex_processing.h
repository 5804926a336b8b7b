// Vertex processing: reads a vertex of any format and gives its clip-space
// (or, pre-transformed, screen) position with lit colours, fog factor and
// the texture coordinates each stage reads.
#pragma once

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

struct CameraLight {
  LightType type;
  Colour diffuse, specular, ambient;
  Vector3 position;   // camera space
  Vector3 direction;  // camera space, unit length, pointing away from the light
  float range, falloff, attenuation0, attenuation1, attenuation2, cosHalfTheta, cosHalfPhi;
};

class VertexProcessor {
 public:
  // Resolves the state for one draw; `lights` has room for state.lightCount.
  VertexProcessor(const State &state, const Vertices &vertices, bool doNotLight, CameraLight *lights);

  bool Transformed() const { return transformed_; }
  void Process(uint32_t index, ClipVertex &out) const;

 private:
  void LightVertex(const Vector3 &position, const Vector3 &normal, const Colour &vertexDiffuse,
             const Colour &vertexSpecular, Colour &diffuse, Colour &specular) const;
  float VertexFog(const Vector3 &camera) const;

  const State &state_;
  const Vertices &vertices_;
  bool transformed_;
  bool lighting_;
  bool vertexFog_;  // the fog factor comes from the vertex fog formula, not specular alpha
  Matrix worldView_, worldViewProjection_, normalMatrix_;
  const CameraLight *lights_;
  size_t lightCount_;
  int texSets_;
  int stageSet_[kActiveStages];
};

}  // namespace raster
