#include "framework/message_map.h"

const MessageMapEntry* MessageMap::Find(UINT message, WPARAM wParam) const {
  for (const MessageMap* map = this; map != nullptr; map = map->base) {
    for (const MessageMapEntry& entry : map->entries) {
      if (entry.message != message) continue;
      // Button-click entries answer BN_CLICKED from their own control only.
      if (message == WM_COMMAND && (entry.id != LOWORD(wParam) || HIWORD(wParam) != BN_CLICKED)) {
        continue;
      }
      return &entry;
    }
  }
  return nullptr;
}
