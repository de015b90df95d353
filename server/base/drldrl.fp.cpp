// DRLDRL: state, set-up and the operations that are not on hot paths.
#include "server/base/drldrl.hpp"

#include <cerrno>
#include <cstdlib>

#include "server/base/runtime.hpp"
#include "server/io/options.hpp"

namespace orv::ORV_BUILD {

uint32_t internal_nb_var_DRLDRL = 0;
uint32_t export_nb_var_DRLDRL = 0;
uint32_t nb_variables_DRLDRL = 0;
uint32_t internal_nb_var_block1_DRLDRL = 0;
uint32_t internal_nb_block_block1_DRLDRL = 0;
uint32_t internal_nb_block_DRLDRL = 0;
uint32_t internal_nb_dbl_block_DRLDRL = 0;
uint32_t extra_nb_vars_DRLDRL = 0;
uint32_t extra_nb_end_vars_DRLDRL = 0;
char* Liste_variables_DRLDRL[kMaxVariables];

static bool init_done = false;
static bool deja_depasse_capacite = false;

[[noreturn]] static void bad_block(uint32_t n) {
  Fatal("You must specify the length of the first block for an elimination order %d blk=%d\n",
        int(n), int(want_block));
}

// ORVBLOCK as a block length: a whole decimal number, else -1.
static long block_from_environment() {
  const char* text = std::getenv("ORVBLOCK");
  if (!text) return 0;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (end == text || errno != 0) return -1;
  while (*end == ' ' || *end == '\t' || *end == '\n') ++end;
  return *end ? -1 : v;
}

void set_nb_var_DRLDRL(uint32_t n, uint32_t b, uint32_t) {
  if (n > kMaxVariables) Fatal("Too many variables: %u (at most %u)\n", n, kMaxVariables);
  internal_nb_var_DRLDRL = export_nb_var_DRLDRL = nb_variables_DRLDRL = n;
  uint32_t w = 0;
  if (n > 0) {
    long len = b;
    if (len == 0) len = block_from_environment();
    // A length outside 0..n would place variables outside the vector.
    if (len < 0 || len > long(n) || (len == 0 && n > 1)) bad_block(n);
    uint32_t m = uint32_t(len);
    internal_nb_var_block1_DRLDRL = m;
    internal_nb_block_block1_DRLDRL = m / 4 + 1;
    w = internal_nb_block_block1_DRLDRL + (m < n ? (n - m) / 4 + 1 : 1);
  }
  if (w % 2) ++w;
  internal_nb_block_DRLDRL = w;
  internal_nb_dbl_block_DRLDRL = w / 2;
}

uint32_t Nombre_variables_DRLDRL() { return internal_nb_var_DRLDRL; }
uint32_t nb_first_block_DRLDRL() { return internal_nb_var_block1_DRLDRL; }
uint32_t nb_second_block_DRLDRL() { return internal_nb_var_DRLDRL - internal_nb_var_block1_DRLDRL; }

void init_DRLDRL() {
  if (init_done) return;
  init_done = true;
  set_nb_var_DRLDRL(4, 1, 0);
  for (uint32_t i = extra_nb_vars_DRLDRL; i < kMaxVariables; ++i)
    Liste_variables_DRLDRL[i] = nullptr;
}

// The bits of 64-bit word k that hold block 1 (bytes 0 .. 4*B1-1).
static uint64_t block1_bits(unsigned k) {
  return Fields<8>::range_mask(k, 0, DRLDRLLayout::block2_start());
}

void extract_block1_DRLDRL(DRLDRL* dst, const DRLDRL* src) {
  for (unsigned k = 0; k < internal_nb_dbl_block_DRLDRL; ++k) dst[k] = src[k] & block1_bits(k);
}
void extract_block2_DRLDRL(DRLDRL* dst, const DRLDRL* src) {
  for (unsigned k = 0; k < internal_nb_dbl_block_DRLDRL; ++k) dst[k] = src[k] & ~block1_bits(k);
}
void mainDegree_DRLDRL(DRLDRL* b1, DRLDRL* b2, const DRLDRL* e) {
  extract_block1_DRLDRL(b1, e);
  extract_block2_DRLDRL(b2, e);
}

int is_block1_sub_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  for (unsigned k = internal_nb_dbl_block_DRLDRL; k-- > 0;)
    if ((a[k] - (b[k] & block1_bits(k))) & Fields<8>::kTopBits) return 0;
  return 1;
}

uint32_t size_memory_buf_DRLDRL() { return DRLDRLOps::size_memory_buf(); }
uint32_t out_memory_DRLDRL(uint8_t* buf, const DRLDRL* e) { return DRLDRLOps::out_memory(buf, e); }
uint32_t parse_memory_DRLDRL(const uint8_t* buf, DRLDRL* e) {
  return DRLDRLOps::parse_memory(buf, e);
}

DRLDRL* zsup_verif_DRLDRL(const DRLDRL* a, const DRLDRL* b, DRLDRL* out) {
  unsigned sum = DRLDRLOps::merge<true>(a, b, out);
  if (sum > 0xFF && !deja_depasse_capacite) {
    deja_depasse_capacite = true;
    Warning("Depassement du degre %d !", int(sum));
  }
  return out;
}

int optim_DRLDRL(const DRLDRL* a, const DRLDRL* b) {
  return totalDegree_DRLDRL(a) == totalDegree_DRLDRL(b);
}

void permut_DRLDRL(DRLDRL* e, const unsigned* perm) { DRLDRLOps::permut(e, perm); }

void permut_fast_DRLDRL(DRLDRL*, const DRLDRL*, const unsigned*) {
  Fatal("permut_fast_DRLDRL not implemented\n");
}
void mirror_DRLDRL(DRLDRL*) { Fatal("Cas non traite dans mirror !\n"); }
void mainVariable_DRLDRL(const DRLDRL*, unsigned&) { Fatal("Pas fait mainVariable_DRLDRL !\n"); }

}  // namespace orv::ORV_BUILD
