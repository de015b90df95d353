// Session recording: every state-changing call of the C interface and every
// compute call, written as C source, so that the file becomes a program that
// replays the session against call_zel.h.  One writer, file and switch per
// build.
//
// The file is created under /tmp (or as "zelrecord..." in the current
// directory when /tmp refuses) with O_EXCL and O_NOFOLLOW: a planted link is
// never followed and an earlier recording is never overwritten; a name that
// is taken gets a numbered suffix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/mem/messages.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The recording switch, set by init_urgent; callers test it before writing.
extern int32_t libmode_record;
// The open recording, or null; 1 once it is open and its prologue written.
extern FILE* record_file;
extern int32_t init_record_file;

// One formatted record must stay below this many bytes.
inline constexpr int kRecordBuffer = 65526;

// printf-style record.  Two formats are commands, compared whole: "close"
// ends main and closes the file (a later record opens a new one), "flush"
// flushes an open file and never opens one.  Any other record opens the
// file (writing the prologue) when none is open.  Returns what the last file
// operation returned.  A text of 65,526 bytes or more is fatal ("Size of buf
// for record too small!\n").
int record(const char* format, ...) ZEL_PRINTF(1, 2);
// Writes text unchanged (no length limit), opening the file like record.
int record1(const char* text);

// The recording's name: prefix + "zel_record_" (integer build) or
// "zel_record_modp_" (prime field) + the local time as
// "%a_%e_%b_%Hh_%Mm_%Ss", cut to size - 1 characters.
void file_name_stamp(const char* prefix, char* buffer, size_t size);

// d non-zero records the comment "/* start debug */"; 0 records "close".
void debug(int32_t d);

// s as the body of a C string literal: quote, backslash and every byte
// outside printable ASCII escaped (octal), so that any name is safe in the
// replay program.  A null s gives "(null)".
std::string c_string_body(const char* s);

// The name of the recording last opened (empty before any).
const std::string& record_file_name();

}  // namespace zel::ZEL_BUILD
