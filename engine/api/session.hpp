// Session state of one build, set by the C interface's set-up calls
// (reset_memory, init_urgent, init, reset_coeffs, reset_expos, log).
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Crit;

// Channel and behaviour flags of the session (set by init_urgent and init).
extern int32_t want_pipe;
extern int32_t want_secure;
extern int32_t ZEL_C(want_chinese_only);
extern int32_t ZEL_C(want_small);
extern int32_t ZEL_C(want_lift);

// The caller's variable names (by pointer), as given to reset_expos.
inline constexpr uint32_t kNameSlots = 10000;
extern const char* internal_id_vars[kNameSlots];
extern uint32_t current_id_vars;

// Sentinel of the pair lists, made by init: its link points to itself.
extern Crit* z_Crit;

// Whether init_urgent has set up this build's session since the last reset.
bool session_is_set_up();

// Fails (fatal) when the session is not set up, naming the entry `who` and
// why: never set up, or cleared by a memory reset of the other build (a reset
// of either build resets both).
void require_session(const char* who);

// This build's part of a session reset: forgets the handles' world (serial
// counter, names-cleared mark, root pair, code table pointer).  `asked_here`:
// this build asked for the reset; `had_session`: it had a session, which the
// reset clears (require_session then names the other build's reset).
void forget_session_state(bool asked_here, bool had_session);

// The memory reset of the C interface: both builds' engine memory and
// session state (compiled once, callable from either build).
void reset_session_memory();

}  // namespace zel::ZEL_BUILD
