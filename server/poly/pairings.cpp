// Instantiates the stamped polynomial names of this build once, so that a
// fault in any pairing shows when the library is built, not when a caller
// first reaches it.
#include "server/poly/algo_records.hpp"
#include "server/poly/dmp_names.hpp"
#include "server/poly/dmp_io_names.hpp"
