// The texture list, FREE_TEXTURE and Texture_FreeAll. Textures are few, so
// finding one walks the list from its head.
#include "d3d/texture_registry.h"

#include "core/allocation.h"
#include "core/error_names.h"
#include "core/report.h"
#include "korvane.h"

TextureNode *gTextureList = nullptr;

TextureRecord *FindTexture(int id) {
  for (TextureNode *node = gTextureList; node != nullptr; node = node->next) {
    if (node->texture->nId == id) return node->texture;
  }
  return nullptr;
}

bool LinkTexture(TextureRecord *texture) {
  auto *node = korvane::New<TextureNode>(texture, gTextureList);
  if (node == nullptr) return false;
  gTextureList = node;
  return true;
}

namespace {

void UnlinkTexture(const TextureRecord *texture) {
  for (TextureNode **link = &gTextureList; *link != nullptr; link = &(*link)->next) {
    if ((*link)->texture != texture) continue;
    TextureNode *node = *link;
    *link = node->next;
    delete node;
    return;
  }
}

}  // namespace

extern "C" void FREE_TEXTURE(int id) {
  ReportDetail("   --- Attempting to free texture id %d ---", id);
  TextureRecord *texture = FindTexture(id);
  if (texture == nullptr) return;
  UnlinkTexture(texture);
  if (texture->lpFileLocation != nullptr) {
    delete[] texture->lpFileLocation;
    texture->lpFileLocation = nullptr;
    ReportDetail("   id %d : lpFileLocation freed ", id);
  }
  if (texture->lpDDSBack != nullptr) {
    const auto result = static_cast<HRESULT>(texture->lpDDSBack->Release());
    if (FAILED(result)) {
      ReportLine("   !!! %s : - Couldn't release back surface !!!", DDErrorName(result));
    } else {
      ReportDetail("   Released texture->lpDDSBack.");
    }
  }
  delete texture;
  ReportDetail("   texture freed...");
}

void Texture_FreeAll() {
  ReportDetail(" +++ Texture_FreeAll begin +++");
  while (gTextureList != nullptr) FREE_TEXTURE(gTextureList->texture->nId);
  ReportDetail(" +++ Texture_FreeAll end +++");
}
