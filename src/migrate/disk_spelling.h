// DiskSpelling: how the archive tree under the server root spells a depot
// path's last component, for the conflict report.
//
// The depot path goes through the depot map to its archive location; each
// component above the last is found in its directory ignoring case, and
// each directory is opened from the start of the walk (the root, or "/"
// for an absolute location) without following a link, so that a symbolic
// link is never followed (out of the root or anywhere else); the last
// component is looked up in its directory the same way, as a directory or
// as an archive file ("name,v", "name,d", "name,t", "name.gz"). Directory
// listings are kept for the next lookups.
#ifndef ZT_MIGRATE_DISK_SPELLING_H_
#define ZT_MIGRATE_DISK_SPELLING_H_

#include <map>
#include <string>
#include <vector>

#include "support/text/strbuf.h"

class ViewMap;

class DiskSpelling {
 public:
  // root: the server root (relative depot maps lie below it); depotMap (not
  // owned) maps "//depot/..." to archive locations.
  DiskSpelling(const StrPtr& root, ViewMap* depotMap) : root_(root.ToString()), depotMap_(depotMap) {}

  // The spellings of path's last component found on disk (several when the
  // disk holds it in several cases, sorted), joined by " "; empty when none
  // is found or the way there is not a plain directory.
  std::string Find(const StrPtr& path);

 private:
  // The entries of the directory rel beneath start (read once), or null
  // when it is not one or a link is on the way.
  const std::vector<std::string>* Listing(const std::string& start, const std::string& rel);

  std::string root_;
  ViewMap* depotMap_;
  std::map<std::string, std::vector<std::string>> listings_;
  std::map<std::string, bool> missing_;
};

#endif  // ZT_MIGRATE_DISK_SPELLING_H_
