// Name-level moves that never replace an existing name, and the durability
// calls the archive rename's undo journal needs.
//
// Every function returns 0 on success or the errno value of the failure.
#ifndef ZT_SUPPORT_FILES_POSIX_OS_MOVE_H_
#define ZT_SUPPORT_FILES_POSIX_OS_MOVE_H_

// Moves from to to in one step, failing with EEXIST when to exists (a
// dangling link included): renameat2 with RENAME_NOREPLACE, and link +
// unlink on a file system that lacks it.
int OsMoveNoReplace(const char* from, const char* to);
// The fallback alone: link from to to (which fails when to exists), then
// unlink from. A failed unlink removes the new link again.
int OsMoveByLink(const char* from, const char* to);
// True when a move that failed with err may succeed when tried again.
bool OsMoveErrorIsTransient(int err);
// True when name exists as a directory entry (a dangling link included).
bool OsNameExists(const char* name);
// Forces the data of the open descriptor to stable storage.
int OsSyncFd(int fd);
// Forces a directory's entries (a new file in it) to stable storage.
int OsSyncDir(const char* dir);

#endif  // ZT_SUPPORT_FILES_POSIX_OS_MOVE_H_
