#include "migrate/rename/archive_locations.h"

#include <errno.h>

#include <algorithm>

#include "support/files/posix/os_beneath.h"
#include "support/files/posix/os_file.h"

namespace {

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  return out;
}

// The number of components of a relative name.
int Components(std::string_view rel) {
  if (rel.empty()) return 0;
  int n = 1;
  for (char c : rel) n += c == '/';
  return n;
}

// The directory holding the fixed part of a depot map's right side: the
// text before its first wildcard, up to its last separator.
std::string FixedDirectory(std::string_view map) {
  size_t wild = map.size();
  for (size_t i = 0; i < map.size(); ++i) {
    if (map[i] == '*' || map.compare(i, 3, "...") == 0 || map.compare(i, 2, "%%") == 0) {
      wild = i;
      break;
    }
  }
  std::string_view fixed = map.substr(0, wild);
  size_t slash = fixed.rfind('/');
  if (slash == std::string_view::npos) return std::string();
  return std::string(fixed.substr(0, slash));
}

}  // namespace

void AbsoluteLexical(const StrPtr& name, StrBuf* out) {
  std::string in(name.View());
  if (in.empty() || in[0] != '/') {
    StrBuf cwd;
    OsGetCwd(&cwd);
    in = std::string(cwd.View()) + "/" + in;
  }
  std::vector<std::string_view> parts;
  std::string_view s(in);
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t slash = s.find('/', pos);
    if (slash == std::string_view::npos) slash = s.size();
    std::string_view c = s.substr(pos, slash - pos);
    pos = slash + 1;
    if (c.empty() || c == ".") continue;
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(c);
  }
  std::string result;
  for (std::string_view c : parts) {
    result.push_back('/');
    result.append(c);
  }
  if (result.empty()) result = "/";
  out->Set(result.data(), static_cast<uint32_t>(result.size()));
}

namespace {

// Every component of path is a plain name; with noControl, free of control
// bytes too.
bool PlainComponents(std::string_view path, bool noControl) {
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view c = path.substr(pos, slash - pos);
    if (c.empty() || c == "." || c == "..") return false;
    for (char ch : c) {
      unsigned char u = static_cast<unsigned char>(ch);
      if (noControl && (u < 0x20 || u == 0x7F)) return false;
    }
    pos = slash + 1;
  }
  return true;
}

}  // namespace

bool IsPlainArchivePath(std::string_view path) {
  if (!path.empty() && path[0] == '/') path.remove_prefix(1);
  return PlainComponents(path, true);
}

bool IsConfinedRelative(std::string_view rel) {
  return !rel.empty() && rel[0] != '/' && PlainComponents(rel, false);
}

ArchiveLocations::~ArchiveLocations() {
  for (Place& p : places_) Close(&p);
}

void ArchiveLocations::Close(Place* p) {
  OsCloseFd(p->fd);
  p->fd = -1;
  p->tried = false;
  p->openError = 0;
}

void ArchiveLocations::SetRoot(const StrPtr& root) {
  if (places_.empty()) places_.emplace_back();
  Close(&places_[0]);
  AbsoluteLexical(root, &places_[0].name);
  topsValid_ = false;
}

int ArchiveLocations::AddDirectory(const StrPtr& dir) {
  if (places_.empty()) SetRoot(StrPtr("."));
  places_.emplace_back();
  AbsoluteLexical(dir, &places_.back().name);
  topsValid_ = false;
  return Count() - 1;
}

void ArchiveLocations::AddDepotMap(const StrPtr& map) {
  std::string dir = FixedDirectory(map.View());
  if (dir.empty() || !IsPlainArchivePath(dir)) return;
  for (const std::string& d : depotDirs_)
    if (d == dir) return;
  depotDirs_.push_back(dir);
  topsValid_ = false;
}

void ArchiveLocations::AddDepotTop(int location, const StrPtr& rel) {
  givenTops_.emplace_back(location, std::string(rel.View()));
  topsValid_ = false;
}

std::vector<std::string> ArchiveLocations::DepotTops(int location) {
  std::vector<std::string> out;
  for (const std::string& d : depotDirs_) {
    StrBuf abs;
    int loc;
    StrBuf rel, dir;
    if (d[0] != '/') {
      if (location == 0) out.push_back(d);
    } else if (Locate(StrPtr(d.c_str()), &loc, &rel, &dir) == kInside && loc == location) {
      out.emplace_back(rel.View());
    }
  }
  for (const auto& [loc, rel] : givenTops_)
    if (loc == location) out.push_back(rel);
  return out;
}

int ArchiveLocations::LinkAt(int location, std::string_view rel) {
  if (!topsValid_) {
    tops_.assign(places_.size(), {});
    for (int i = 0; i < Count(); ++i)
      for (const std::string& t : DepotTops(i)) tops_[i].push_back(LowerAscii(t));
    topsValid_ = true;
  }
  // The deepest top that rel lies in (or is), compared as the renamer
  // compares names: without regard to ASCII case.
  int best = 0;
  for (const std::string& top : tops_[location]) {
    if (rel.size() < top.size()) continue;
    if (rel.size() > top.size() && rel[top.size()] != '/') continue;
    if (LowerAscii(rel.substr(0, top.size())) != top) continue;
    best = std::max(best, Components(top));
  }
  return best;
}

ArchiveLocations::Where ArchiveLocations::Locate(const StrPtr& path, int* location, StrBuf* rel,
                                                 StrBuf* dir) {
  std::string_view p = path.View();
  if (!IsPlainArchivePath(p)) return kNotPlain;
  if (places_.empty()) SetRoot(StrPtr("."));
  if (p[0] != '/') {
    *location = 0;
    rel->Set(path);
    return kInside;
  }
  // The location that holds it most closely.
  int best = -1;
  size_t bestLength = 0;
  for (int i = 0; i < Count(); ++i) {
    std::string_view name = places_[i].name.View();
    if (name == "/") name = std::string_view();
    if (p.size() <= name.size() + 1 || p.compare(0, name.size(), name) != 0 ||
        p[name.size()] != '/')
      continue;
    if (best < 0 || name.size() > bestLength) {
      best = i;
      bestLength = name.size();
    }
  }
  if (best >= 0) {
    *location = best;
    rel->Set(p.data() + bestLength + 1, static_cast<uint32_t>(p.size() - bestLength - 1));
    return kInside;
  }
  // Named after the depot whose archives these are, when one holds it.
  for (const std::string& d : depotDirs_) {
    if (d[0] == '/' && p.size() > d.size() && p.compare(0, d.size(), d) == 0 && p[d.size()] == '/') {
      dir->Set(d.data(), static_cast<uint32_t>(d.size()));
      return kOutside;
    }
  }
  size_t slash = p.rfind('/');
  dir->Set(p.data(), static_cast<uint32_t>(slash ? slash : 1));
  return kOutside;
}

int ArchiveLocations::Open(int location) {
  // Without a root named, names are under the working directory.
  if (places_.empty()) SetRoot(StrPtr("."));
  if (location < 0 || location >= Count()) return EINVAL;
  Place& p = places_[location];
  if (p.tried) return p.openError;
  p.tried = true;
  p.openError = OsOpenTopDir(p.name.Text(), &p.fd);
  return p.openError;
}

int ArchiveLocations::OpenDir(int location, std::string_view rel, int* fd) {
  if (int err = Open(location)) return err;
  return OsOpenDirBeneath(places_[location].fd, rel, LinkAt(location, rel), fd);
}

int ArchiveLocations::List(int location, std::string_view rel, StrVarArray* names) {
  int fd = -1;
  if (int err = OpenDir(location, rel, &fd)) return err;
  int err = OsListDirFd(fd, names);
  OsCloseFd(fd);
  return err;
}

int ArchiveLocations::OpenParent(int location, std::string_view rel, int* fd, std::string* leaf) {
  size_t slash = rel.rfind('/');
  std::string_view parent = slash == std::string_view::npos ? std::string_view() : rel.substr(0, slash);
  leaf->assign(slash == std::string_view::npos ? rel : rel.substr(slash + 1));
  if (leaf->empty() || *leaf == "." || *leaf == "..") return EXDEV;
  return OpenDir(location, parent, fd);
}

int ArchiveLocations::Exists(int location, std::string_view rel) {
  int fd = -1;
  std::string leaf;
  if (int err = OpenParent(location, rel, &fd, &leaf)) return err;
  bool isLink = false, isDir = false;
  int err = OsEntryAt(fd, leaf.c_str(), &isLink, &isDir);
  OsCloseFd(fd);
  return err;
}

int ArchiveLocations::MissingParents(int location, std::string_view rel,
                                     std::vector<std::string>* out) {
  out->clear();
  std::string_view dir = rel;
  for (;;) {
    size_t slash = dir.rfind('/');
    if (slash == std::string_view::npos) break;
    dir = dir.substr(0, slash);
    int err = Exists(location, dir);
    if (err == 0) break;
    if (err != ENOENT) return err;
    out->emplace_back(dir);
  }
  std::reverse(out->begin(), out->end());
  return 0;
}

int ArchiveLocations::AtParent(int location, std::string_view rel, int (*op)(int, const char*)) {
  int fd = -1;
  std::string leaf;
  if (int err = OpenParent(location, rel, &fd, &leaf)) return err;
  int err = op(fd, leaf.c_str());
  OsCloseFd(fd);
  return err;
}

int ArchiveLocations::MakeDir(int location, std::string_view rel) {
  return AtParent(location, rel, OsMkDirAt);
}

int ArchiveLocations::RemoveDir(int location, std::string_view rel) {
  return AtParent(location, rel, OsRmDirAt);
}

int ArchiveLocations::Move(int location, std::string_view from, std::string_view to) {
  int fromFd = -1, toFd = -1;
  std::string fromLeaf, toLeaf;
  if (int err = OpenParent(location, from, &fromFd, &fromLeaf)) return err;
  int err = OpenParent(location, to, &toFd, &toLeaf);
  if (!err) err = OsMoveNoReplaceAt(fromFd, fromLeaf.c_str(), toFd, toLeaf.c_str());
  OsCloseFd(fromFd);
  OsCloseFd(toFd);
  return err;
}
