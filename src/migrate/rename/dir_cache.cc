#include "migrate/rename/dir_cache.h"

#include <algorithm>
#include <type_traits>

#include "support/files/filesys.h"
#include "support/text/var_array.h"

namespace {

// The parent directory key and the last component of path[0, end):
// "." above a relative top-level name, "/" above an absolute one.
void SplitAt(std::string_view path, size_t end, std::string_view* parent,
             std::string_view* name) {
  std::string_view head = path.substr(0, end);
  size_t slash = head.rfind('/');
  if (slash == std::string_view::npos) {
    *parent = ".";
    *name = head;
  } else if (slash == 0) {
    *parent = "/";
    *name = head.substr(1);
  } else {
    *parent = head.substr(0, slash);
    *name = head.substr(slash + 1);
  }
}

}  // namespace

void FoldArchiveName(const StrPtr& name, StrBuf* out) {
  out->Set(name);
  out->LowerAscii();
}

void DirListing::Matches(const StrPtr& folded, const uint32_t** begin,
                         const uint32_t** end) const {
  std::string_view key = folded.View();
  auto range = std::equal_range(
      byFold_.begin(), byFold_.end(), key,
      [this](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, uint32_t>)
          return FoldedView(a) < b;
        else
          return a < FoldedView(b);
      });
  *begin = byFold_.data() + (range.first - byFold_.begin());
  *end = byFold_.data() + (range.second - byFold_.begin());
}

int DirListing::Find(const StrPtr& name, StrBuf* scratch) const {
  FoldArchiveName(name, scratch);
  const uint32_t* b;
  const uint32_t* e;
  Matches(*scratch, &b, &e);
  for (const uint32_t* p = b; p < e; ++p)
    if (Name(*p).EqualExact(name)) return static_cast<int>(p - byFold_.data());
  return -1;
}

bool DirListing::Contains(const StrPtr& name) const {
  StrBuf scratch;
  return Find(name, &scratch) >= 0;
}

size_t DirListing::InsertPoint(const StrPtr& folded, uint32_t index) const {
  std::string_view key = folded.View();
  auto it = std::lower_bound(byFold_.begin(), byFold_.end(), index,
                             [this, key](uint32_t a, uint32_t idx) {
                               int c = FoldedView(a).compare(key);
                               return c < 0 || (c == 0 && a < idx);
                             });
  return static_cast<size_t>(it - byFold_.begin());
}

uint32_t DirListing::Append(const StrPtr& name, const StrPtr& folded) {
  Entry entry{static_cast<uint32_t>(bytes_.size()), name.Length(), 0, folded.Length()};
  bytes_.append(name.Text(), name.Length());
  bytes_.push_back('\0');
  entry.folded = static_cast<uint32_t>(bytes_.size());
  bytes_.append(folded.Text(), folded.Length());
  bytes_.push_back('\0');
  entries_.push_back(entry);
  return static_cast<uint32_t>(entries_.size() - 1);
}

void DirListing::Add(const StrPtr& name) {
  StrBuf folded;
  if (Find(name, &folded) >= 0) return;
  uint32_t index = Append(name, folded);
  size_t at = InsertPoint(folded, index);
  byFold_.insert(byFold_.begin() + static_cast<std::ptrdiff_t>(at), index);
}

bool DirListing::Remove(const StrPtr& name) {
  StrBuf scratch;
  int pos = Find(name, &scratch);
  if (pos < 0) return false;
  byFold_.erase(byFold_.begin() + pos);
  return true;
}

DirListing* DirCache::Cached(std::string_view dir) {
  auto it = dirs_.find(dir);
  return it == dirs_.end() ? nullptr : it->second.get();
}

bool DirCache::Has(const StrPtr& dir) const { return dirs_.find(dir.View()) != dirs_.end(); }

const DirListing& DirCache::List(const StrPtr& dir) {
  if (DirListing* hit = Cached(dir.View())) return *hit;

  auto listing = std::make_unique<DirListing>();
  std::unique_ptr<StrVarArray> names;
  if (lister_) {
    names = std::make_unique<StrVarArray>();
    listing->error_ = lister_(dir, names.get());
    if (listing->error_) names.reset();
  } else if (std::unique_ptr<FileSys> f = FileSys::Create(kFileBinary)) {
    f->SetPath(dir);
    Error e;  // an unreadable or missing directory simply lists as empty
    names = f->ScanDir(&e);
  }
  if (names) {
    // Fold every name once; sort the index by fold, then listing order.
    const int n = names->Count();
    listing->entries_.reserve(static_cast<size_t>(n));
    StrBuf folded;
    for (int i = 0; i < n; ++i) {
      const StrBuf* name = names->At(i);
      FoldArchiveName(*name, &folded);
      listing->Append(*name, folded);
    }
    listing->byFold_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) listing->byFold_[static_cast<size_t>(i)] = static_cast<uint32_t>(i);
    const DirListing& l = *listing;
    std::stable_sort(listing->byFold_.begin(), listing->byFold_.end(),
                     [&l](uint32_t a, uint32_t b) { return l.FoldedView(a) < l.FoldedView(b); });
  }
  DirListing* raw = listing.get();
  dirs_.emplace(std::string(dir.View()), std::move(listing));
  return *raw;
}

void DirCache::NoteExists(const StrPtr& path) {
  std::string_view p = path.View();
  for (size_t end = 0; end <= p.size(); ++end) {
    if (end != p.size() && p[end] != '/') continue;
    std::string_view parent, name;
    SplitAt(p, end, &parent, &name);
    if (name.empty()) continue;
    if (DirListing* listing = Cached(parent)) {
      listing->Add(StrPtr(name.data(), static_cast<uint32_t>(name.size())));
      ++generation_;
    }
  }
}

void DirCache::NoteGone(const StrPtr& path) {
  std::string_view p = path.View();
  std::string_view parent, name;
  SplitAt(p, p.size(), &parent, &name);
  if (name.empty()) return;
  if (DirListing* listing = Cached(parent)) {
    listing->Remove(StrPtr(name.data(), static_cast<uint32_t>(name.size())));
    ++generation_;
  }
}
