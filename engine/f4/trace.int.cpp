// The first-prime trace: its string, writer, reader and reset; the bad-prime
// report of a batch.
#include "engine/f4/trace.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/coef/residue.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/f4/accumulator.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mono/code_table.hpp"

namespace zel::ZEL_BUILD {

char* simul_string = nullptr;
uint32_t MAXI_SIMUL = 0;
uint32_t simul_string_index = 0;
uint32_t simul_write = 1;
uint32_t verify_zero_rows = 0;

namespace {

uint32_t last_read = 1;
bool exhausted = false;
// One entry per lane seen bad; lanes past the end are good.
std::vector<BadPrime> bad_lanes;
// Characters the trace's buffer has room for (its terminating 0 aside).
uint32_t trace_room = 0;

// The limit of the trace a batch is about to write is the column limit of
// its own request: the buffer grows when an earlier, smaller limit made it
// too small, and is kept otherwise.
void size_trace() {
  MAXI_SIMUL = zel_max_index;
  if (simul_string && trace_room >= MAXI_SIMUL) return;
  zfree(simul_string);
  simul_string = static_cast<char*>(zmalloc(uint64_t(MAXI_SIMUL) + 1));
  if (!simul_string) Fatal("Cannot allocate simul_string\n");
  trace_room = MAXI_SIMUL;
  simul_string[0] = 0;
}

}  // namespace

void simul_out(const char* s, uint32_t u) {
  if (!simul_string) size_trace();
  char buf[256];
  if (u)
    std::snprintf(buf, sizeof buf, "%s%u", s, u);
  else
    std::snprintf(buf, sizeof buf, "%s", s);
  for (const char* c = buf; *c; ++c) {
    if (simul_string_index >= MAXI_SIMUL)
      Fatal("Array <simul> is too small (increase this value)\n");
    simul_string[simul_string_index++] = *c;
  }
  simul_string[simul_string_index] = 0;
}

uint32_t next_syz_non_zero() {
  if (context_vectorize != 0) return last_read;
  exhausted = false;
  if (ZEL_C(want_ignore_simulin)) return 1;
  if (!simul_string) {
    exhausted = true;
    return 1;
  }
  for (;;) {
    const char c = simul_string[simul_string_index];
    if (c == 0) {
      exhausted = true;
      return 1;
    }
    ++simul_string_index;
    if (c == '*') return last_read = 0;
    if (c == '+') break;
  }
  uint32_t w = 0;
  for (char c; (c = simul_string[simul_string_index]) >= '0' && c <= '9'; ++simul_string_index)
    w = w * 10 + uint32_t(c - '0');
  return last_read = w;
}

bool trace_exhausted() { return exhausted; }

void ZEL_C(reset_simulation)() {
  simul_string_index = 0;
  last_read = 1;
  exhausted = false;
  if (simul_write && simul_string) {
    size_trace();
    std::memset(simul_string, 0, MAXI_SIMUL & ~3u);
  }
  bad_lanes.clear();
}

void mark_bad_prime(uint32_t lane, BadPrime why) {
  if (lane >= bad_lanes.size()) bad_lanes.resize(lane + 1, BadPrime::none);
  if (bad_lanes[lane] == BadPrime::none) bad_lanes[lane] = why;
}

BadPrime bad_prime_of_lane(uint32_t lane) {
  return lane < bad_lanes.size() ? bad_lanes[lane] : BadPrime::none;
}

uint32_t bad_prime_count() {
  uint32_t n = 0;
  for (BadPrime b : bad_lanes) n += b != BadPrime::none;
  return n;
}

bool monic_input_lanes(Dpol** input, uint32_t n) {
  const uint32_t V = ZEL_C(vectorize);
  for (uint32_t i = 0; i < n; ++i)
    for (uint32_t l = 0; l < V; ++l)
      if (input[i]->n && lanes(input[i])[l][0] % ZEL_C(Primes)[l] == 0)
        mark_bad_prime(l, BadPrime::divides_lead);
  if (lane_is_bad(0)) return false;
  for (uint32_t i = 0; i < n; ++i) {
    Dom** c = lanes(input[i]);
    for (uint32_t l = 0; l < V; ++l) {
      if (lane_is_bad(l)) {
        c[l] = c[0];
        continue;
      }
      const uint32_t p = ZEL_C(Primes)[l];
      if (c[l][0] != 1) scale_lane_d(c[l], input[i]->n, inv_Dom(c[l][0], p), p);
    }
  }
  return true;
}

}  // namespace zel::ZEL_BUILD
