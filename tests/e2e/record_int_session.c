/* Records an integer-build session whose coefficients arrive in every form
 * (words, a caller's GMP integer, decimal text), closes the recording and
 * prints a marker by which it can be found.  The test script compiles and
 * runs the recording: the replay must rebuild the same input without error. */
#include <gmp.h>
#include <stdio.h>
#include <unistd.h>

#include "call_zel.h"

int main(void) {
  static char marker[64], y[] = "y";
  char* names[2];
  const I32 words[3] = {-1, 5, 1};
  I32 e0[2] = {2, 0}, e1[2] = {1, 1}, e2[2] = {0, 1};
  mpz_t big;
  void* p;
  snprintf(marker, sizeof marker, "replay_marker_%ld", (long)getpid());
  names[0] = marker;
  names[1] = y;
  mpz_init_set_str(big, "-123456789012345678901234567890", 10);
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 1);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5);
  Zel_int_reset_expos(2, 0, names);
  p = Zel_int_creat_poly(3);
  Zel_int_set_expos2(p, 0, e0, 2);
  Zel_int_set_coeff_raw(p, 0, words, 3);
  Zel_int_set_expos2(p, 1, e1, 2);
  Zel_int_set_coeff_gmp(p, 1, big);
  Zel_int_set_expos2(p, 2, e2, 2);
  Zel_int_set_coeff_gmp_str(p, 2, "98765432109876543210");
  Zel_int_full_sort_poly2(p);
  Zel_int_debug(0); /* closes the recorded program */
  if (Zel_int_nb_terms(p) != 3) return 1;
  printf("%s\n", marker);
  mpz_clear(big);
  return 0;
}
