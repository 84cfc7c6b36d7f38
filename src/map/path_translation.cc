// Path translation through a TranslationMap: partition keys, partition
// lookup and the "/..." prefix fallback.
#include "map/translation_map.h"

#include <tuple>
#include <utility>

#include "support/messages/debug.h"
#include "support/text/fold.h"

namespace {

// The unfolded text of a path's partition key: from the first byte after
// the leading "/"s up to the second "/" after it, or to the end.
StrPtr RawPartitionKey(const StrPtr& path) {
  const char* s = path.Text();
  const char* e = path.End();
  while (s < e && *s == '/') ++s;
  const char* cut = e;
  const char* slash = static_cast<const char*>(memchr(s, '/', e - s));
  if (slash) {
    const char* second = static_cast<const char*>(memchr(slash + 1, '/', e - slash - 1));
    if (second) cut = second;
  }
  return StrPtr(s, static_cast<uint32_t>(cut - s));
}

}  // namespace

void TranslationMap::PartitionKey(const StrPtr& path, StrBuf* key) const {
  FoldPath(RawPartitionKey(path), key, foldRules_);
}

ViewMap* TranslationMap::GetMap(const StrPtr& path) {
  lastFoldMode = -1;  // a new partition may answer a cached miss
  ++generation;       // and the maps may change: forget the answers
  PartitionKey(path, &key);
  auto it = partitions.find(key.View());
  if (it != partitions.end()) return &it->second;
  // Made in place in the dictionary's node: one allocation per partition.
  it = partitions.emplace(std::piecewise_construct, std::forward_as_tuple(key.View()),
                          std::forward_as_tuple(caseMode_)).first;
  return &it->second;
}

// Lookups do not create partitions: a partition met only by lookups would
// be empty and translate nothing, and making one per new key would let the
// dictionary grow with every distinct directory of the checkpoint.
ViewMap* TranslationMap::FindMap(const StrPtr& path) {
  StrPtr raw = RawPartitionKey(path);
  int mode = foldKey_;
  if (mode == lastFoldMode && raw.Length() == lastRawKey.Length() &&
      memcmp(raw.Text(), lastRawKey.Text(), raw.Length()) == 0) {
    return lastFound;
  }
  FoldPath(raw, &key, foldRules_);
  auto it = partitions.find(key.View());
  lastFound = it == partitions.end() ? nullptr : &it->second;
  lastRawKey.Set(raw);
  lastFoldMode = mode;
  return lastFound;
}

bool TranslationMap::TranslatePath(const StrPtr& path, StrBuf* out) {
  // A map without partitions translates nothing; every path of a run
  // without -t comes here.
  if (partitions.empty()) return false;
  // The same path twice in a row (a revision's depot and archive file) is
  // answered from the last lookup. Traced lookups are always made afresh.
  bool cacheable = GetLevel(kDebugMap) == 0;
  int mode = foldKey_;
  if (cacheable && lastPathMode == mode && lastPathGeneration == generation &&
      path.Length() == lastPath.Length() &&
      memcmp(path.Text(), lastPath.Text(), path.Length()) == 0) {
    if (lastPathTranslated) out->Set(lastPathOut);
    return lastPathTranslated;
  }
  bool translatedNow = Lookup(path, out, cacheable, mode);
  if (cacheable) {
    lastPath.Set(path);
    lastPathTranslated = translatedNow;
    if (translatedNow) lastPathOut.Set(*out);
    lastPathMode = mode;
    lastPathGeneration = generation;
  }
  return translatedNow;
}

TranslationMap::DirAnswer* TranslationMap::DirectoryAnswer(const StrPtr& path, int mode) {
  const char* p = path.Text();
  const uint32_t len = path.Length();
  if (len < 4 || p[0] != '/' || p[1] != '/' || p[2] == '/') return nullptr;
  if (memcmp(p + len - 4, "/...", 4) == 0) return nullptr;
  const char* last = p + len - 1;
  while (*last != '/') --last;  // stops at p[0] at the latest
  const char* first = static_cast<const char*>(memchr(p + 2, '/', len - 2));
  // The partition key (the first two components) must lie in the
  // directory, and the name after it must not be empty.
  if (!first || first == last || last == p + len - 1) return nullptr;
  if (dirGeneration != generation || dirMode != mode || dirAnswers.size() >= kDirAnswers) {
    dirAnswers.clear();
    for (DirAnswer*& r : recentAnswers) r = nullptr;
    dirGeneration = generation;
    dirMode = mode;
  }
  const uint32_t dirLen = static_cast<uint32_t>(last - p + 1);
  std::string_view dir(p, dirLen);
  // Most paths are in the directory of one of the few paths before them
  // (a record's paths take turns between their directories).
  for (int k = 0; k < kRecent; ++k) {
    DirAnswer* r = recentAnswers[k];
    if (r && recentDirs[k] == dir && (!r->own || r->own->Version() == r->ownVersion)) {
      for (; k > 0; --k) {
        std::swap(recentAnswers[k], recentAnswers[k - 1]);
        std::swap(recentDirs[k], recentDirs[k - 1]);
      }
      return r;
    }
  }
  // Filed by the hash of the directory; a directory whose hash another
  // holds takes its place.
  DirAnswer& a = dirAnswers[std::hash<std::string_view>{}(dir)];
  for (int k = kRecent - 1; k > 0; --k) {
    recentAnswers[k] = recentAnswers[k - 1];
    recentDirs[k] = recentDirs[k - 1];
  }
  recentAnswers[0] = &a;
  if (a.fallback != kUnset && a.dir == dir && (!a.own || a.own->Version() == a.ownVersion)) {
    recentDirs[0] = a.dir;
    return &a;
  }
  a.dir.assign(dir);
  recentDirs[0] = a.dir;
  a.own = FindMap(path);
  a.fallback = kNotAsked;
  // Gathered into scratch, then filed: an answer takes only the room its
  // entries need, not that of the vector's growth.
  a.gathered = a.own && a.own->GatherDirectory(0, StrPtr(p, dirLen), kDirEntries, &gathered) &&
               a.entries.Build(gathered, dirLen, kDirWildEntries, a.own->CaseMode());
  if (!a.gathered) a.entries.Clear();
  if (a.own) a.ownVersion = a.own->Version();
  return &a;
}

bool TranslationMap::LookupInDirectory(DirAnswer* a, const StrPtr& path, StrBuf* out) {
  if (a->own) {
    const MapEntry* hit;
    if (a->gathered) {
      // The path's directory is the answer's: its bytes were compared with
      // the entries' when they were gathered (folded as equality folds them,
      // but in CaseFoldThenExact).
      const uint32_t dirLen = static_cast<uint32_t>(a->dir.size());
      const MapEntry* literal = a->entries.FindLiteral(path.Text() + dirLen, path.Length() - dirLen);
      const int verified = a->entries.Mode() == CaseFoldThenExact ? 0 : static_cast<int>(dirLen);
      hit = a->own->TranslateAmong(a->entries.Wild(), literal, verified, 0, path, out);
    } else {
      hit = a->own->Translate(0, path, out);
    }
    if (hit) return true;
  }
  const char* p = path.Text();
  const uint32_t len = path.Length();
  if (a->fallback == kNotAsked) {
    GatherCuts(p, len);
    a->fallback = FallbackPrefix(p, a->own, &a->fallbackCut, &a->fallbackOut) ? 1 : 0;
  }
  if (!a->fallback) return false;
  out->Set(a->fallbackOut);
  out->Append(p + a->fallbackCut, len - a->fallbackCut);
  return true;
}

bool TranslationMap::Lookup(const StrPtr& path, StrBuf* out, bool cacheable, int mode) {
  if (cacheable) {
    if (DirAnswer* a = DirectoryAnswer(path, mode)) return LookupInDirectory(a, path, out);
  }
  ViewMap* map = FindMap(path);
  if (map && map->Translate(0, path, out)) return true;

  // Fall back on the "/..." prefixes of the path, longest first.
  const char* p = path.Text();
  uint32_t len = path.Length();
  bool hadDots = len >= 4 && memcmp(p + len - 4, "/...", 4) == 0;
  if (hadDots) len -= 4;
  if (len <= 2 || p[0] != '/' || p[1] != '/') return false;

  GatherCuts(p, len);
  if (cuts.empty()) return false;

  // Every candidate prefix lies before the last of those "/": paths of one
  // directory have the same fallback answer, kept from the last lookup.
  uint32_t dirLen = cuts.back();
  if (cacheable && lastDirMode == mode && lastDirGeneration == generation &&
      dirLen == lastDir.Length() && memcmp(p, lastDir.Text(), dirLen) == 0) {
    if (!lastDirTranslated) return false;
    out->Set(lastDirOut);
    out->Append(p + lastDirCut, len - lastDirCut);
    if (hadDots) out->Append("/...", 4);
    return true;
  }
  if (cacheable) {
    lastDir.Set(p, dirLen);
    lastDirMode = mode;
    lastDirGeneration = generation;
    lastDirTranslated = false;
  }

  uint32_t cut = 0;
  if (!FallbackPrefix(p, map, &cut, out)) return false;
  if (cacheable) {
    lastDirTranslated = true;
    lastDirCut = cut;
    lastDirOut.Set(*out);
  }
  out->Append(p + cut, len - cut);
  if (hadDots) out->Append("/...", 4);
  return true;
}

void TranslationMap::GatherCuts(const char* p, uint32_t len) {
  cuts.clear();
  for (uint32_t j = 2; j + 1 < len; ++j)
    if (p[j] == '/') cuts.push_back(j);
}

bool TranslationMap::FallbackPrefix(const char* p, ViewMap* map, uint32_t* cutOut, StrBuf* prefixOut) {
  for (int i = static_cast<int>(cuts.size()); i >= 1; --i) {
    // The i-th component-starting "/" after the leading "//".
    uint32_t cut = cuts[i - 1];
    // Candidates keeping two or more components fall in the path's own
    // partition; when that holds no mapping, only the shortest can answer
    // (skipping them keeps a path of 100000 components linear).
    if (i >= 2 && p[2] != '/' && (!map || map->IsEmpty())) continue;
    candidate.Set(p, cut);
    candidate.Append("/...", 4);
    // With two or more components kept, the candidate has the path's own
    // first two components and so its partition (when the path starts with
    // exactly two slashes): no need to fold and look the key up again.
    ViewMap* m = (i >= 2 && p[2] != '/') ? map : FindMap(candidate);
    if (!m || !m->Translate(0, candidate, &translated)) continue;
    // Only a translation that still ends in "/..." describes where the
    // rest of the path goes; any other is no answer for this prefix.
    if (translated.Length() < 4 || memcmp(translated.End() - 4, "/...", 4) != 0) continue;
    prefixOut->Set(translated.Text(), translated.Length() - 4);
    *cutOut = cut;
    return true;
  }
  return false;
}

bool TranslationMap::Contains(const StrPtr& path) {
  ViewMap* map = FindMap(path);
  return map && map->Find(0, path) != nullptr;
}

int TranslationMap::TotalEntries() const {
  int n = 0;
  for (const auto& [name, map] : partitions) n += map.Count();
  return n;
}

uint64_t TranslationMap::TotalMatchCount() const {
  uint64_t n = 0;
  for (const auto& [name, map] : partitions) n += map.MatchCount();
  return n;
}
