// Name-level operations confined beneath an open directory: every name is
// resolved from a directory descriptor without leaving it and without
// following a symbolic link, so that nothing outside the directory is
// listed, created, moved or removed, whatever links lie inside it.
//
// Names are relative, "/"-separated, with no empty, "." or ".." component
// (callers check; a name that breaks the rule fails with EXDEV). Every
// function returns 0 on success or the errno value of the failure: ELOOP
// when a symbolic link was met, ENAMETOOLONG for a name the system cannot
// take, ENOENT and ENOTDIR as usual.
#ifndef ZT_SUPPORT_FILES_POSIX_OS_BENEATH_H_
#define ZT_SUPPORT_FILES_POSIX_OS_BENEATH_H_

#include <string_view>

#include "support/text/var_array.h"

// Opens the directory name (absolute, or relative to the working
// directory), following links: the top of a confined tree. *fd owns it.
int OsOpenTopDir(const char* name, int* fd);
// Opens the directory rel beneath dirFd. A symbolic link is followed only
// as the component numbered linkAt (1 for the first; 0 allows none), which
// may then lead anywhere: a depot's own top directory kept on another disk.
// An empty rel gives a new descriptor of dirFd itself. The kernel's
// confined lookup is used where it exists, else each component is opened
// in turn without following links.
int OsOpenDirBeneath(int dirFd, std::string_view rel, int linkAt, int* fd);
void OsCloseFd(int fd);
// Appends the names in the open directory ("." and ".." skipped) to names.
int OsListDirFd(int dirFd, StrVarArray* names);
// The entry name in dirFd, not followed: 0 with *isLink and *isDir set, or
// the errno (ENOENT when there is none).
int OsEntryAt(int dirFd, const char* name, bool* isLink, bool* isDir);
// As OsEntryAt, with *isFile set when the entry is a regular file.
int OsFileEntryAt(int dirFd, const char* name, bool* isLink, bool* isFile);
// Whether the entries a and b in dirFd, not followed, are one (the same
// device and inode): 0 with *same set, or the errno of either lookup.
int OsSameEntryAt(int dirFd, const char* a, const char* b, bool* same);
int OsMkDirAt(int dirFd, const char* name);
int OsRmDirAt(int dirFd, const char* name);
// Moves the entry from in fromDir to to in toDir in one step, never
// replacing: EEXIST when to exists (a dangling link included).
int OsMoveNoReplaceAt(int fromDir, const char* from, int toDir, const char* to);

#endif  // ZT_SUPPORT_FILES_POSIX_OS_BENEATH_H_
