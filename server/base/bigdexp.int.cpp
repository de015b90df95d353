// BigDexp: state, set-up and the operations that are not on hot paths.
#include "server/base/bigdexp.hpp"

#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

uint32_t internal_nb_var_BigDexp = 0;
uint32_t export_nb_var_BigDexp = 0;
uint32_t nb_variables_BigDexp = 0;
uint32_t internal_nb_block_BigDexp = 0;
uint32_t internal_nb_dbl_block_BigDexp = 0;
uint32_t extra_nb_vars_BigDexp = 0;
uint32_t extra_nb_end_vars_BigDexp = 0;
char* Liste_variables_BigDexp[kMaxVariables];

static bool init_done = false;
static bool deja_depasse_capacite = false;

void set_nb_var_BigDexp(uint32_t n, uint32_t, uint32_t) {
  if (n > kMaxVariables) Fatal("Too many variables: %u (at most %u)\n", n, kMaxVariables);
  internal_nb_var_BigDexp = export_nb_var_BigDexp = nb_variables_BigDexp = n;
  internal_nb_block_BigDexp = n == 0 ? 0 : n / 4 + 1;
  internal_nb_dbl_block_BigDexp = internal_nb_block_BigDexp;
}

uint32_t Nombre_variables_BigDexp() { return internal_nb_var_BigDexp; }
uint32_t nb_first_block_BigDexp() { return internal_nb_var_BigDexp; }
uint32_t nb_second_block_BigDexp() { return 0; }

// The order reads the degree with a 16-bit load and the rest by words; a
// compiler that kept a stale word after the 16-bit store would break it.
void init_BigDexp() {
  if (init_done) return;
  init_done = true;
  set_nb_var_BigDexp(4, 1, 0);
  BigDexp a[2], b[2];
  set_null_BigDexp(a);
  set_null_BigDexp(b);
  Fields<16>::put(b, 3, 1);
  if (optim_BigDexp(a, b))
    Fatal(
        "Bad Optimiser !! (try to compile without OPTIM)\n"
        "Please report this fault to the maintainers of the library.\n");
  for (uint32_t i = extra_nb_vars_BigDexp; i < kMaxVariables; ++i)
    Liste_variables_BigDexp[i] = nullptr;
}

void extract_block1_BigDexp(BigDexp* dst, const BigDexp* src) { copy_BigDexp(dst, src); }
void extract_block2_BigDexp(BigDexp* dst, const BigDexp*) { set_null_BigDexp(dst); }

uint32_t size_memory_buf_BigDexp() { return BigDexpOps::size_memory_buf(); }
uint32_t out_memory_BigDexp(uint16_t* buf, const BigDexp* e) {
  return BigDexpOps::out_memory(buf, e);
}
uint32_t parse_memory_BigDexp(const uint16_t* buf, BigDexp* e) {
  return BigDexpOps::parse_memory(buf, e);
}

BigDexp* zsup_verif_BigDexp(const BigDexp* a, const BigDexp* b, BigDexp* out) {
  unsigned sum = BigDexpOps::merge<true>(a, b, out);
  if (sum > 0xFFFF && !deja_depasse_capacite) {
    deja_depasse_capacite = true;
    Warning("Depassement du degre %d !", int(sum));
  }
  return out;
}

int optim_BigDexp(const BigDexp* a, const BigDexp* b) {
  return degree_BigDexp(a) == degree_BigDexp(b);
}

void permut_BigDexp(BigDexp* e, const unsigned* perm) { BigDexpOps::permut(e, perm); }
void permut_fast_BigDexp(BigDexp* out, const BigDexp* in, const unsigned* perm) {
  BigDexpOps::permut_fast(out, in, perm);
}

void mainVariable_BigDexp(const BigDexp*, unsigned&) { Fatal("Pas fait mainVariable_BigDexp !\n"); }
void mainDegree_BigDexp(BigDexp*, BigDexp*, const BigDexp*) {
  Fatal("Pas fait mainDegree_BigDexp\n");
}
void mirror_BigDexp(BigDexp*) { Fatal("Cas non traite dans mirror !\n"); }

}  // namespace orv::ORV_BUILD
