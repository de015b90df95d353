// Server runtime: the log and error streams, the message functions, the fatal
// path and the start-up of the server side.
//
// One copy serves both builds (namespace `orv`, defined in runtime.once.cpp).
// Every message is flushed at once so that log lines and other output on the
// standard output keep their order.  Output lines that are not data begin
// with "#C ".
//
// Fatal path: `Fatal` writes "#error (fatal): " and the message on the log,
// prints the end-of-run summary (`last_info`), closes the server's files
// (`close_file`) and ends the process with status 3.  A fatal error raised
// while that shut-down runs ends the process at once with status 5.
#pragma once

#include <cstdio>
#include <string>

#define ORV_PRINTF(f, a) __attribute__((format(printf, f, a)))

namespace orv {

// --- Streams and flags (values at load in brackets) ---
extern FILE* log_output;             // the log [stdout]
extern FILE* remember_log_output;    // swapped with the log by switch_Output [stdout]
extern FILE* orv_stderr;             // error stream of Stderr [none: stderr is used]
extern FILE* lisp_file;              // output of the Lisp printer [stdout]
extern FILE* axiom_output;           // default stream of the Fortran printer [none]
extern FILE* caspi_output;           // extra output file of the server program [none]
extern FILE* file;                   // current input file of the server program [none]
extern int interactive;              // input typed by a person [1]
extern int memo_interactive;         // `interactive` at load [1]
extern int want_log;                 // the log is a file of its own [0]
extern int want_quiet;               // silences Inform [0]
extern int human_user;               // ouvrir may prompt for another name [1]
extern int want_time;                // last_info prints the time line [0]
extern int want_storage;             // last_info asks the storage reports [1]
extern int Fatal_loop;               // set once Fatal has begun the shut-down [0]
extern std::string job_name;         // ["orv.input"; init_admin: "input"]
extern std::string last_file_input;  // [""; init_admin: "orv.input"]
extern long double epsilon;          // [1e-20; ORVEPSILON overrides]

// The job name init_admin installs.
inline constexpr const char* default_job = "input";

// --- Messages ---
void Output(const char* fmt, ...) ORV_PRINTF(1, 2);
void Warning(const char* fmt, ...) ORV_PRINTF(1, 2);  // "#C Warning: " + text
void Erreur(const char* fmt, ...) ORV_PRINTF(1, 2);   // "Error: " + text; returns
// The text, then " : <description of errno>\n"; clears errno.
void Perror(const char* fmt, ...) ORV_PRINTF(1, 2);
void Stderr(const char* fmt, ...) ORV_PRINTF(1, 2);  // on orv_stderr
void Inform(const char* s);                          // unchanged, unless want_quiet
void Outputc(int c);
void Flush();
[[noreturn]] void Fatal(const char* fmt, ...) ORV_PRINTF(1, 2);
// While the engine runs a server service it sets this: Fatal then hands the
// message to it (the engine's fatal path, which never returns) instead of
// ending the process.  Null otherwise.
extern void (*fatal_raise)(const char* message);

// Exchanges log_output and remember_log_output.
void switch_Output();
// End-of-run summary: the time line when want_time, the storage reports
// when want_storage.
void last_info();
// Closes the input file, the log when it is a file of its own, the Fortran,
// Lisp and extra outputs, and every protocol bus.
void close_file();

// The stream Stderr writes on: orv_stderr, or the standard error stream
// while no one has set it.
FILE* error_stream();

// This machine's official name, "localhost" when it cannot be found.
std::string init_hostname();
// init_hostname's answer, found the first time it is read: the host
// database may be slow or out of reach, and no request reads the name.
const std::string& host_name();
// Start-up of the server side, once, after the home directory is set: job
// name, last input file, ORVEPSILON.
void init_admin();

}  // namespace orv
