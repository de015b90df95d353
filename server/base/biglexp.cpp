// BigLexp: state, set-up and the operations that are not on hot paths.
#include "server/base/biglexp.hpp"

#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

uint32_t internal_nb_var_BigLexp = 0;
uint32_t export_nb_var_BigLexp = 0;
uint32_t nb_variables_BigLexp = 0;
uint32_t internal_nb_block_BigLexp = 0;
uint32_t internal_nb_dbl_block_BigLexp = 0;
uint32_t extra_nb_vars_BigLexp = 0;
uint32_t extra_nb_end_vars_BigLexp = 0;
char* Liste_variables_BigLexp[kMaxVariables];

static bool init_done = false;

void set_nb_var_BigLexp(uint32_t n, uint32_t, uint32_t) {
  if (n > kMaxVariables) Fatal("Too many variables: %u (at most %u)\n", n, kMaxVariables);
  internal_nb_var_BigLexp = export_nb_var_BigLexp = nb_variables_BigLexp = n;
  internal_nb_block_BigLexp = n == 0 ? 0 : (n - 1) / 4 + 1;
  internal_nb_dbl_block_BigLexp = internal_nb_block_BigLexp;
}

uint32_t Nombre_variables_BigLexp() { return internal_nb_var_BigLexp; }
uint32_t nb_first_block_BigLexp() { return internal_nb_var_BigLexp; }
uint32_t nb_second_block_BigLexp() { return 0; }

void init_BigLexp() {
  if (init_done) return;
  init_done = true;
  set_nb_var_BigLexp(4, 1, 0);
  for (uint32_t i = extra_nb_vars_BigLexp; i < kMaxVariables; ++i)
    Liste_variables_BigLexp[i] = nullptr;
}

void extract_block1_BigLexp(BigLexp* dst, const BigLexp* src) { copy_BigLexp(dst, src); }
void extract_block2_BigLexp(BigLexp* dst, const BigLexp*) { set_null_BigLexp(dst); }

uint32_t size_memory_buf_BigLexp() { return BigLexpOps::size_memory_buf(); }
uint32_t out_memory_BigLexp(uint16_t* buf, const BigLexp* e) {
  return BigLexpOps::out_memory(buf, e);
}
uint32_t parse_memory_BigLexp(const uint16_t* buf, BigLexp* e) {
  return BigLexpOps::parse_memory(buf, e);
}

int optim_BigLexp(const BigLexp* a, const BigLexp* b) {
  return Fields<16>::get(a, 3) == Fields<16>::get(b, 3);
}

void permut_BigLexp(BigLexp* e, const unsigned* perm) { BigLexpOps::permut(e, perm); }

void mirror_BigLexp(BigLexp* e) {
  unsigned last = 4 * internal_nb_dbl_block_BigLexp;
  for (unsigned k = 0; k < last / 2; ++k) {
    unsigned x = Fields<16>::get(e, k), y = Fields<16>::get(e, last - 1 - k);
    Fields<16>::put(e, k, y);
    Fields<16>::put(e, last - 1 - k, x);
  }
}

void mainDegree_BigLexp(BigLexp*, BigLexp*, const BigLexp*) {
  Fatal("Pas fait mainDegree_BigLexp\n");
}

}  // namespace orv::ORV_BUILD
