// The host binding: the entries a computer-algebra host calls through its
// external-call interface (host_interface.h), and what they keep between
// calls.
//
// A request is gbasis_init, one send per polynomial, one compute, then any
// number of receives.  The polynomials of a request are kept in the build's
// ModuleTable; a compute replaces the table's contents by its results.
#pragma once

#include <cstdint>

#include "engine/host_interface.h"
#include "engine/api/entry_claim.hpp"
#include "engine/call_zel.h"
#include "engine/variant.hpp"

namespace zel {

// The kernel handle of the host's latest call (both builds); null until a
// host calls.
extern HostKernel Maple_kernel;

// The binding's errors, raised on the host that called: the library is
// given back first, since a host written in C unwinds the call by longjmp
// and nothing of ours runs afterwards (entry_claim.hpp).
[[noreturn]] void host_error(HostKernel kv, const char* msg, HostValue a1 = nullptr,
                             HostValue a2 = nullptr);

// Stores the kernel handle and routes the engine's host services (printing,
// user information, raising, interrupts, version) through it.
void bind_host(HostKernel kv);

// The export zone of the integer build's receive entries: one block of
// kExportZoneBytes from Zel_malloc, taken on the first receive and kept
// between calls; forgotten (not freed) by gbasis_init and local_reset_memory
// of either build, given back by the next memory reset.
inline constexpr uint64_t kExportZoneBytes = 4000000;
extern uint32_t* Zel_int_zone;

// SIGINT for hosts older than 11.0, shared by both builds: each install
// makes `handler` the one in force, and only the first remembers the handler
// the process had, which restore_sigint puts back (at unload, and when the
// library is unloaded).
void install_sigint(void (*handler)(int));
void restore_sigint();

}  // namespace zel

namespace zel::ZEL_BUILD {

inline constexpr uint32_t kModuleSlots = 100000;

// The polynomials of the current request: send entries append, compute
// entries write their results from entry 0.
struct ModuleTable {
  void* base[kModuleSlots];
  uint32_t global_nb;
};
extern ModuleTable module_table;

// The level set by debug_level; non-zero turns the recording on at the next
// gbasis_init.
extern int32_t current_debug;

// SIGINT handler of old hosts: sets the build's stop flag.  Installed by
// gbasis_init for hosts older than 11.0 (zel::install_sigint).
void catch_sigint(int);

// Runs the engine for one compute: the basis (or the Hilbert series) of the
// n polynomials of input, results written from module_table.base[0]; returns
// their number and stores the CPU seconds in cpu.
using EngineCall = uint32_t (*)(void** input, uint32_t n, double* cpu, int32_t bk0,
                                int32_t pas0, int32_t restrict_, sZEL_Comp_Desc* record);

// The twelve-argument compute of both builds (hilbert: the Hilbert entry's
// count message and arguments).  Returns the entry's host value.
HostValue run_compute(HostKernel kv, HostValue args, bool hilbert, EngineCall engine);

// Argument checks that raise the binding's host errors.
void expect_args(HostKernel kv, HostValue args, int32_t n);
int32_t integer_arg(HostKernel kv, HostValue args, int32_t i);
// A count argument: a host integer of at least `least`.
uint32_t count_arg(HostKernel kv, HostValue args, int32_t i, int32_t least);
// An INTEGER32 rtable argument of at least `need` elements; raises
// `not_rtable` / `wrong_type` (the host's messages) otherwise.
int32_t* int32_rtable_arg(HostKernel kv, HostValue v, uint64_t need, const char* not_rtable,
                          const char* wrong_type);

}  // namespace zel::ZEL_BUILD

// A memory reset invalidates the handles of both builds: gbasis_init and
// unload empty both tables.
namespace zel::int_build {
void forget_module_table();
}
namespace zel::fp_build {
void forget_module_table();
}
