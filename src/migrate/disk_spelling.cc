// DiskSpelling: looking a depot path up in the archive tree, ignoring case.
#include "migrate/disk_spelling.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "map/view_map.h"
#include "support/files/posix/os_beneath.h"
#include "support/files/posix/os_file.h"
#include "support/text/var_array.h"

namespace {

bool SameIgnoringCase(const std::string& a, const char* b, size_t n) {
  return a.size() == n && strncasecmp(a.data(), b, n) == 0;
}

// name without an archive suffix (",v", ",d", ",t", ".gz"); itself when it
// has none.
std::string StripArchiveSuffix(const std::string& name) {
  for (const char* suffix : {",v", ",d", ",t", ".gz"}) {
    size_t n = strlen(suffix);
    if (name.size() > n && name.compare(name.size() - n, n, suffix) == 0)
      return name.substr(0, name.size() - n);
  }
  return name;
}

}  // namespace

const std::vector<std::string>* DiskSpelling::Listing(const std::string& start,
                                                     const std::string& rel) {
  std::string dir = rel.empty() ? start : (start == "/" ? "" : start) + "/" + rel;
  auto it = listings_.find(dir);
  if (it != listings_.end()) return &it->second;
  if (missing_.count(dir)) return nullptr;
  int top = -1;
  int fd = -1;
  bool opened = !OsIsLink(start.c_str()) && OsOpenTopDir(start.c_str(), &top) == 0 &&
                OsOpenDirBeneath(top, rel, 0, &fd) == 0;
  OsCloseFd(top);
  if (!opened) {
    missing_[dir] = true;
    return nullptr;
  }
  // A listing cut short by a read error keeps the names read before it.
  StrVarArray read;
  OsListDirFd(fd, &read);
  OsCloseFd(fd);
  std::vector<std::string>& names = listings_[dir];
  for (int i = 0; i < read.Count(); ++i) names.push_back(read.At(i)->ToString());
  return &names;
}

std::string DiskSpelling::Find(const StrPtr& path) {
  if (!depotMap_) return std::string();
  // The archive location of the path; a depot's own name is found through
  // a path below it.
  StrBuf mapped;
  if (!depotMap_->Translate(0, path, &mapped)) {
    StrBuf probe(path);
    probe.Append("/x", 2);
    if (!depotMap_->Translate(0, probe, &mapped) || !mapped.EndsWith("/x", 2)) return std::string();
    mapped.SetLength(mapped.Length() - 2);
  }
  std::string where = mapped.ToString();
  if (where.empty()) return std::string();
  if (where[0] != '/') where = (root_.empty() ? std::string(".") : root_) + "/" + where;
  // Walk down from the root, each component found ignoring case.
  size_t last = where.find_last_of('/');
  std::string dir = where.substr(0, last);
  const std::string name = where.substr(last + 1);
  // Each directory is opened from the start of the walk without following a
  // link; the start itself must not be one.
  std::string start = dir[0] == '/' ? "/" : ".";
  size_t pos = dir[0] == '/' ? 1 : 0;
  if (!root_.empty() && dir.compare(0, root_.size(), root_) == 0) {
    start = root_;
    pos = root_.size() + 1;
  }
  std::string rel;
  while (pos < dir.size()) {
    size_t next = dir.find('/', pos);
    if (next == std::string::npos) next = dir.size();
    if (next > pos) {
      const std::vector<std::string>* names = Listing(start, rel);
      if (!names) return std::string();
      const std::string* found = nullptr;
      for (const std::string& n : *names)
        if (SameIgnoringCase(n, dir.data() + pos, next - pos)) { found = &n; break; }
      if (!found) return std::string();
      rel += (rel.empty() ? "" : "/") + *found;
    }
    pos = next + 1;
  }
  const std::vector<std::string>* names = Listing(start, rel);
  if (!names) return std::string();
  std::vector<std::string> spellings;
  for (const std::string& n : *names) {
    std::string bare = StripArchiveSuffix(n);
    if (SameIgnoringCase(bare, name.data(), name.size()) &&
        std::find(spellings.begin(), spellings.end(), bare) == spellings.end())
      spellings.push_back(bare);
  }
  std::sort(spellings.begin(), spellings.end());
  std::string joined;
  for (const std::string& s : spellings) joined += (joined.empty() ? "" : " ") + s;
  return joined;
}
