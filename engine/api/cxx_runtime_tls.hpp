// The C++ runtime's per-thread data (what a throw and a catch keep); see
// cxx_runtime_tls.once.cpp.
#pragma once

namespace zel {

// Gives the calling thread its block of the runtime's per-thread data now.
// Where the C library could not place that block at load (a host used the
// runtime before it loaded us), it takes the block from malloc at the
// thread's first use and ends the process when malloc fails: a thread that
// may throw calls this once it starts, before it can meet a failed
// allocation, so that its first std::bad_alloc does not end the process.
// (Memory that runs out at this very allocation still ends it: the C library
// has no way to fail it softly.)  A caller's thread takes its block at its
// first entry, whose claim reads the count of exceptions in flight.
void touch_cxx_runtime_tls();

}  // namespace zel
