// ArchiveLocations: the directories an archive rename may touch, and every
// operation it makes in them.
//
// Location 0 is the archive root, where the archives of depots with a
// relative map lie; the others are directories the administrator named
// (--archive-dir), which is where the archives of a depot with an absolute
// map may lie when that map's directory is not under the root. Each
// location is opened once as a directory descriptor; every listing, status,
// mkdir, rmdir and move is then made relative to a descriptor reached from
// it without leaving it and without following a symbolic link. The one link
// followed is a depot's own top directory (the last fixed directory of its
// map), which a server may keep on another disk.
//
// Names inside a location are relative, with no empty, "." or ".."
// component. The working directory is never changed.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_LOCATIONS_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_LOCATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "support/messages/error.h"
#include "support/text/strbuf.h"
#include "support/text/var_array.h"

// name made absolute against the working directory, with "." components,
// repeated and trailing separators dropped and ".." taken lexically.
void AbsoluteLexical(const StrPtr& name, StrBuf* out);

// True when path (relative, or absolute with its leading "/") holds no
// empty, "." or ".." component and no control byte.
bool IsPlainArchivePath(std::string_view path);
// True when rel is relative and holds no empty, "." or ".." component
// (control bytes allowed): a name that cannot leave its directory.
bool IsConfinedRelative(std::string_view rel);

class ArchiveLocations {
 public:
  ArchiveLocations() = default;
  ~ArchiveLocations();
  ArchiveLocations(const ArchiveLocations&) = delete;
  ArchiveLocations& operator=(const ArchiveLocations&) = delete;

  // Location 0: the archive root (closing it when it was open).
  void SetRoot(const StrPtr& root);
  // A further location; returns its number.
  int AddDirectory(const StrPtr& dir);
  // A depot map's right side: its last fixed directory is a depot top.
  void AddDepotMap(const StrPtr& map);
  // A depot top given relative to a location (read back from a journal).
  void AddDepotTop(int location, const StrPtr& rel);

  int Count() const { return static_cast<int>(places_.size()); }
  // The absolute name of a location.
  const StrBuf& Name(int location) const { return places_[location].name; }
  // Opens location (once); 0 or the errno of the open.
  int Open(int location);
  bool IsOpen(int location) const { return places_[location].fd >= 0; }
  // The depot tops inside location, relative to it.
  std::vector<std::string> DepotTops(int location);

  enum Where { kInside, kOutside, kNotPlain };
  // Where an archive path lies: relative paths under the root, absolute
  // ones under the location that holds them. kOutside sets *dir to the
  // directory to name in the report (the depot's top, else the path's
  // directory); kNotPlain when a component is empty, "." or "..", or a
  // control byte appears.
  Where Locate(const StrPtr& path, int* location, StrBuf* rel, StrBuf* dir);

  // The operations, all confined to location (which must be open). rel ""
  // is the location itself.
  int OpenDir(int location, std::string_view rel, int* fd);
  int List(int location, std::string_view rel, StrVarArray* names);
  // 0 when the entry exists (a link is not followed), else the errno.
  int Exists(int location, std::string_view rel);
  // The directories above rel that do not exist, outermost first; 0 or
  // the errno that stopped the search (a link on the way: ELOOP).
  int MissingParents(int location, std::string_view rel, std::vector<std::string>* out);
  int MakeDir(int location, std::string_view rel);
  int RemoveDir(int location, std::string_view rel);
  // Moves from to to inside location, never replacing (EEXIST).
  int Move(int location, std::string_view from, std::string_view to);

 private:
  struct Place {
    StrBuf name;  // absolute
    int fd = -1;
    int openError = 0;
    bool tried = false;
  };
  // The component of rel that may be a link (a depot top), 0 for none.
  int LinkAt(int location, std::string_view rel);
  // Opens the directory above rel; *leaf is rel's last component.
  int OpenParent(int location, std::string_view rel, int* fd, std::string* leaf);
  // op(parent descriptor, leaf) on rel's last component.
  int AtParent(int location, std::string_view rel, int (*op)(int, const char*));
  void Close(Place* p);

  std::vector<Place> places_;
  // Depot tops: absolute, or relative to the root, as the maps give them.
  std::vector<std::string> depotDirs_;
  // Tops read back from a journal: (location, relative name).
  std::vector<std::pair<int, std::string>> givenTops_;
  // Per location, the folded tops relative to it (rebuilt when either list
  // changes).
  std::vector<std::vector<std::string>> tops_;
  bool topsValid_ = false;
};

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_LOCATIONS_H_
