// The combination step of a block Wiedemann session: reads the session
// files that the bk processes of the sparse FGLM wrote (Zel_w_fglm with
// process numbers 1 .. bk and block size bk, see fglm_driver.cpp) and
// computes their matrix generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sparse/block_matrix.hpp"

namespace zel::ZEL_BUILD {

// MX_0 .. MX_len, bk x bk blocks in the block representation
// (block_matrix.hpp), MX_len = I.
struct BlockGenerator {
  int32_t bk = 0, len = 0;
  std::vector<MatEntry> coeffs;  // (len+1) blocks of bk*bk entries
  const MatEntry* block(int32_t k) const {
    return coeffs.data() + static_cast<size_t>(k) * bk * bk;
  }
};

// Reads "<session>.1" .. "<session>.<bk>" (session null: the writers' own
// name, paral_session_name), each holding 2*len*bk numbers with len = D/bk
// (D the matrix order the processes ran with); sets PrimeSign/PrimeHalf
// and the block layer to the first prime of the engine's prime table, runs
// the self-test (Zel_test_MatDom1) and the generator (Zel_fglm_polys, which
// prints MX_0 .. MX_len on the standard output).  The generator goes to
// *out when given.  Returns 0.
//
// Failures are fatal (Fatal, raised through the host): bk < 1 or D < bk,
// no prime, a file that cannot be opened, a token that is not a number, or
// a file with fewer numbers than expected ("Expect %d data in file %s but
// received %d").  Extra numbers are ignored with "Ignore data in session
// file !".  The integer build has no block solver: it ends with status 5
// in the self-test.
int32_t combine_results(const char* session, int32_t bk, int32_t D,
                        BlockGenerator* out = nullptr);

}  // namespace zel::ZEL_BUILD
