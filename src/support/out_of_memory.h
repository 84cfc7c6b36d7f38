// Running out of memory. Failures are never thrown in this program, but
// operator new throws std::bad_alloc when memory runs out (and so do the
// program's own allocators, through ThrowOutOfMemory). The run catches it
// at its top, after every object of the run has gone with its unfinished
// output; a thread the program starts hands it to the thread waiting on it
// (OsStartThread), which throws it again there. The run then ends like any
// failed run: one message, status 255, no temporary file left.
//
// A reserve set aside at the start is given back at the first failure, so
// that the unwinding and the message find room. Where the failure can be
// handed to nobody (a destructor, a thread without a receiver), the last
// resort writes the message without allocating, removes the files marked
// delete-on-close and ends the process with status 255.
#ifndef ZT_SUPPORT_OUT_OF_MEMORY_H_
#define ZT_SUPPORT_OUT_OF_MEMORY_H_

#include <cstddef>

#include "support/messages/error.h"

inline constexpr MessageId kMsgOutOfMemory = {
    0x40210421,
    "Out of memory: the run was stopped and its unfinished outputs were removed. Run it again "
    "with more memory available."};

// Sets the reserve aside, makes operator new give it back before it reports
// a failure, and makes a failure that escapes to std::terminate end the
// process through the last resort. Call once, before any other thread.
inline constexpr size_t kOutOfMemoryReserve = 256 << 10;
void InstallOutOfMemoryHandler(size_t reserveBytes = kOutOfMemoryReserve);

// Gives the reserve back and throws std::bad_alloc: what this program's own
// allocators do when malloc fails, and what a thread does with the failure
// another thread handed it.
[[noreturn]] void ThrowOutOfMemory();

// The last resort: writes kMsgOutOfMemory to standard error without
// allocating, removes the files marked delete-on-close and ends the
// process with status 255.
[[noreturn]] void EndOutOfMemory();

#endif  // ZT_SUPPORT_OUT_OF_MEMORY_H_
