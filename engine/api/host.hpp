// Services the engine needs from its host: printing, user information,
// raising an error, interrupt polling and the host's version.
//
// One host serves the whole process (both builds).  The binding of a real host
// fills the table with its own functions; C callers get the default host,
// which writes to the standard streams and ends the process with status 1 on
// a raise; the tests install a host that captures output and throws.
//
// Every engine message ends in `info_Maple`, which routes it by the verbosity
// `Zel_verb_info`; every fatal error ends in `error_Maple`.
#pragma once

#include <cstdint>

namespace zel {

struct HostServices {
  // Prints text as it is (no format interpretation).
  void (*print)(const char* text);
  // Hands text to the host's user-information channel (level 1, name "zel").
  void (*user_info)(const char* text);
  // Raises text as a host error.  A host that can unwind the caller does not
  // return; if it returns, the engine ends the process with status 1.
  void (*raise)(const char* text);
  // Non-zero when the user has asked for an interrupt.
  int (*interrupt_pending)();
  // Unwinds into the host when the user interrupted; returns otherwise.
  void (*check_interrupt)();
  // The host's version number, 0.0 when there is no host to ask.
  double (*version)();
};

// The host for C callers: print to standard output, user information to
// standard error, raise writes the message on standard error and returns
// (so the process ends with status 1), no interrupts, version 0.
const HostServices& default_host();

// Installs a host; returns the previous one.  The table is copied.
HostServices set_host(const HostServices& host);
const HostServices& current_host();

// The verbosity that routes every engine message of both builds:
// 1 host print with line grouping, 2 host user information, 3 standard error,
// 4 host print, anything else silent.
extern int32_t Zel_verb_info;

// For the entries whose whole job is to print (the polynomial printers, the
// build report): while it lives, silent messages go to the standard error
// stream, so that a C caller (verbosity 0) sees them; a chosen verbosity
// stays as it is.
struct VisibleOutput {
  int32_t saved = Zel_verb_info;
  VisibleOutput() {
    if (saved < 1 || saved > 4) Zel_verb_info = 3;
  }
  ~VisibleOutput() { Zel_verb_info = saved; }
  VisibleOutput(const VisibleOutput&) = delete;
  VisibleOutput& operator=(const VisibleOutput&) = delete;
};

// The sink of every engine message (text is printed literally, a "%" stays a
// "%").  At verbosity 1 it groups fragments into lines: a fragment without a
// newline is preceded by "\n" when it holds a "]" or when ten fragments have
// been printed since the last line break.
void info_Maple(const char* text);

// Forgets the fragment count of verbosity 1 (a new host session starts on a
// fresh line).
void reset_info_Maple_count();

// Raises text as a host error; ends the process with status 1 when the
// host's raise returns.  Callers leave their own contexts (GMP) first.
[[noreturn]] void error_Maple(const char* text);
// Inside a catch block: true when the exception in flight is the host's own
// raise unwinding (it must go on), false for any other exception.
bool host_raise_in_flight();
// Every outermost entry starts with no raise in flight: a host that unwound
// the last one by longjmp never ran the catch block that reads the flag.
void forget_host_raise();

}  // namespace zel
