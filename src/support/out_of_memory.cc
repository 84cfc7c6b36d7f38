// The reserve, the new handler and the last resort.
#include "support/out_of_memory.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "support/files/filesys.h"

namespace {

// The reserve given back at the first failure; taken by one thread only.
std::atomic<void*> reserve{nullptr};

void GiveBackReserve() { free(reserve.exchange(nullptr)); }

// operator new calls this when malloc fails: the reserve goes back to the
// heap for the unwinding, and the allocation fails all the same (it would
// otherwise succeed out of the reserve and leave nothing for later).
void OnNewFailed() {
  GiveBackReserve();
  throw std::bad_alloc();
}

// An exception no one caught: out of memory in a destructor or on a thread
// without a receiver ends through the last resort; anything else aborts as
// before.
void OnTerminate() {
  if (std::exception_ptr p = std::current_exception()) {
    try {
      std::rethrow_exception(p);
    } catch (const std::bad_alloc&) {
      EndOutOfMemory();
    } catch (...) {
    }
  }
  abort();
}

}  // namespace

void InstallOutOfMemoryHandler(size_t reserveBytes) {
  void* block = malloc(reserveBytes);
  // Touched, so that the pages are the process's before memory runs out.
  if (block) memset(block, 0, reserveBytes);
  free(reserve.exchange(block));
  std::set_new_handler(OnNewFailed);
  std::set_terminate(OnTerminate);
}

void ThrowOutOfMemory() {
  GiveBackReserve();
  throw std::bad_alloc();
}

void EndOutOfMemory() {
  // The message log's layout, written in one piece without allocating.
  static constexpr char kPrefix[] = "ztmigrate error:\n\t";
  static_assert(std::char_traits<char>::length(kMsgOutOfMemory.text) < 256, "room for the message");
  static char text[sizeof(kPrefix) + 256];
  const size_t prefix = sizeof(kPrefix) - 1;
  const size_t message = strlen(kMsgOutOfMemory.text);
  memcpy(text, kPrefix, prefix);
  memcpy(text + prefix, kMsgOutOfMemory.text, message);
  text[prefix + message] = '\n';
  ssize_t ignored = write(STDERR_FILENO, text, prefix + message + 1);
  (void)ignored;
  FileSys::UnlinkAllMarked();
  _exit(255);
}
