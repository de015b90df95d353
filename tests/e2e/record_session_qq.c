/* Records a session of the integer build (coefficients given as GMP
 * integers and as words, a basis over the rationals), prints its results on
 * the standard error stream in the replay program's display format, and a
 * marker on the standard output by which the recording can be found.  The
 * test script then compiles and runs the recording and compares what it
 * displays with this program's output. */
#include <unistd.h>

#include "zel_systems.h"

int main(void) {
  static char marker[64], y[] = "y", z[] = "z";
  char* names[3];
  /* x^2 + y^2 - 3 z^2 (coefficient of x^2 as words: sign, magnitude), 
   * 12345678901234567890123 x y - z^2 (through GMP), y z - 7. */
  static const I32 e[3][4][3] = {{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}},
                                 {{1, 1, 0}, {0, 0, 2}},
                                 {{0, 1, 1}, {0, 0, 0}}};
  static const int nterms[3] = {3, 2, 2};
  void* in[3];
  void** out = (void**)malloc(sizeof(void*) * 100000);
  struct sZEL_Comp_Desc env;
  double t = 0;
  mpz_t c;
  UI32 n, i;
  int k, j;
  snprintf(marker, sizeof marker, "replay_marker_%ld", (long)getpid());
  names[0] = marker;
  names[1] = y;
  names[2] = z;
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 1);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(0, 3, names);
  mpz_init(c);
  for (k = 0; k < 3; k++) {
    in[k] = Zel_int_creat_poly((UI32)nterms[k]);
    for (j = 0; j < nterms[k]; j++) {
      Zel_int_set_expos2(in[k], (UI32)j, e[k][j], 3);
      if (k == 0) {
        I32 u[2] = {j == 2 ? -1 : 1, j == 2 ? 3 : 1};
        Zel_int_set_coeff_raw(in[k], (UI32)j, u, 2);
      } else {
        mpz_set_str(c, k == 1 && j == 0 ? "12345678901234567890123" : j == 0 ? "1" : "-7", 10);
        if (k == 1 && j == 1) mpz_set_si(c, -1);
        Zel_int_set_coeff_gmp(in[k], (UI32)j, c);
      }
    }
    Zel_int_full_sort_poly2(in[k]);
  }
  mpz_clear(c);
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_GBASIS;
  env._off = 3;
  n = Zel_int_groebner(in, 3, out, 1, 0, &t, 0, 8, 0, &env);
  fprintf(stderr, "[\n");
  for (i = 0; i < n; i++) {
    if (i) fprintf(stderr, ",\n");
    Zel_int_see_Dpol_INT(out[i]);
  }
  fprintf(stderr, "\n]\n");
  Zel_int_debug(0); /* closes the recorded program */
  printf("%s\n", marker);
  free(out);
  return n == 0;
}
