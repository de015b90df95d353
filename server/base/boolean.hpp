// The server code's truth value.  A distinct type (not int) so that the
// printers can write it as "true"/"false"; values other than 0 and 1 may
// occur and count as true except where a printer says otherwise.
#pragma once

#include <cstdint>

namespace orv {

enum Boolean : int32_t { Boolean_false = 0, Boolean_true = 1 };

}  // namespace orv
