// The bitmap list and its id index. The list keeps the documented order
// (new nodes at the head, freeing from the head); the index beside it maps
// each id to its record, so finding a bitmap costs the same with ten
// thousand bitmaps as with one.
#include "bitmap/bitmap_registry.h"

#include <new>
#include <unordered_map>

#include "core/allocation.h"
#include "core/report.h"

BitmapNode *gBitmapList = nullptr;

namespace {

// Ids are unique in the list, so the index holds exactly the listed records.
std::unordered_map<int, BitmapRecord *> &IdIndex() {
  static std::unordered_map<int, BitmapRecord *> index;
  return index;
}

// The record found last: a game draws the same sprite many times in a row,
// and one compare is cheaper than a hash lookup. Linking and unlinking
// forget it, so it never outlives its record in the list.
BitmapRecord *gLastFound = nullptr;

}  // namespace

BitmapRecord *FindBitmap(int id) {
  if (gLastFound != nullptr && gLastFound->nId == id) return gLastFound;
  const auto &index = IdIndex();
  const auto found = index.find(id);
  if (found == index.end()) return nullptr;
  gLastFound = found->second;
  return gLastFound;
}

BitmapRecord *FindBitmapFor(const char *exportName, int id) {
  BitmapRecord *bitmap = FindBitmap(id);
  if (bitmap == nullptr) ReportLine(" ! - %s = Invalid ID %d", exportName, id);
  return bitmap;
}

bool LinkBitmap(BitmapRecord *bitmap) {
  auto *node = korvane::New<BitmapNode>(bitmap, gBitmapList);
  if (node == nullptr) return false;
  try {
    IdIndex()[bitmap->nId] = bitmap;
  } catch (const std::bad_alloc &) {
    delete node;
    return false;
  }
  gBitmapList = node;
  gLastFound = nullptr;
  return true;
}

void UnlinkBitmap(BitmapRecord *bitmap) {
  for (BitmapNode **link = &gBitmapList; *link != nullptr; link = &(*link)->next) {
    if ((*link)->bitmap != bitmap) continue;
    BitmapNode *node = *link;
    *link = node->next;
    delete node;
    IdIndex().erase(bitmap->nId);
    gLastFound = nullptr;
    return;
  }
}
