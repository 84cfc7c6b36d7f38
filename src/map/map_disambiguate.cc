// Disambiguation of a ViewMap by joining every pair of its mappings.
#include "map/map_disambiguate.h"

void MapDisambiguate::Joined() {
  entry0->left.Expand(*this, secondCaptures, &newLeft, 0);
  entry0->right.Expand(*this, secondCaptures, &newRight, 0);
  result->InsertUnique(newLeft, newRight, ExcludeMapping);
}

void Disambiguate(ViewMap* map, int window) {
  ViewMap r;
  r.SetDupWindow(window);
  MapDisambiguate joiner(&r);
  for (const MapEntry* s = map->Head(); s; s = s->next) {
    if (s->kind == ExcludeMapping) continue;
    joiner.entry0 = s;
    for (const MapEntry* p = map->Head(); p != s; p = p->next) {
      joiner.entry1 = p;
      joiner.Join(p->left, s->left);
      joiner.Join(p->right, s->right);
    }
    r.Insert(s->left.Text(), s->right.Text(), s->kind);
  }
  r.Reverse();
  map->Clear();
  map->TakeEntries(&r);
}
