/* End to end through call_zel.h only: cyclic-6 modulo 65521 has a reduced
 * basis of 45 polynomials for the degree reverse lexicographic order, each
 * monic, with distinct leading monomials, the same with the variables given
 * as one block or the other, and with a shuffled, un-normalised input. */
#include "zel_systems.h"

static int check(UI32 n1, UI32 n2, int scramble) {
  zs_poly sys[6];
  void* in[6];
  void** out = (void**)malloc(sizeof(void*) * 100000);
  UI32 n, i, j;
  int k, bad = 0;
  zs_session(n1, n2, 65521, 0);
  zs_cyclic(6, sys);
  for (k = 0; k < 6; k++) {
    if (scramble) {
      /* Each term given as two halves with coefficients 3 and -2 (sum 1),
       * plus a zero term: the library must add and drop them. */
      zs_poly q;
      int t, zero[6] = {0, 0, 0, 0, 0, 0};
      zs_init(&q, 6);
      zs_add_term(&q, zero, 0);
      for (t = sys[k].nterms - 1; t >= 0; t--) {
        zs_add_term(&q, sys[k].e + 6 * t, 3 * sys[k].c[t]);
        zs_add_term(&q, sys[k].e + 6 * t, -2 * sys[k].c[t]);
      }
      in[5 - k] = zs_send(&q);
      zs_free(&q);
    } else {
      in[k] = zs_send(&sys[k]);
    }
    zs_free(&sys[k]);
  }
  n = zs_groebner(in, 6, out, 0, 0);
  if (n != 45) {
    fprintf(stderr, "cyclic-6 (%u,%u,%d): %u polynomials instead of 45\n", (unsigned)n1,
            (unsigned)n2, scramble, (unsigned)n);
    bad = 1;
  }
  for (i = 0; i < n && !bad; i++) {
    UI32 m = Zel_nb_terms(out[i]);
    UI32* e = (UI32*)malloc(sizeof(UI32) * 6 * (m + 1));
    UI32* c = (UI32*)malloc(sizeof(UI32) * (m + 1));
    if (Zel_export_poly(6, m, e, c, out[i]) != 1 || c[0] != 1) bad = 1;
    for (j = 0; j < i && !bad; j++) {
      UI32 e2[6 * 64], c2[64];
      UI32 m2 = Zel_nb_terms(out[j]);
      if (m2 <= 64 && Zel_export_poly(6, m2, e2, c2, out[j]) == 1 && memcmp(e, e2, sizeof(UI32) * 6) == 0)
        bad = 1;
    }
    free(e);
    free(c);
  }
  free(out);
  return bad;
}

int main(void) {
  int bad = check(6, 0, 0) | check(0, 6, 0) | check(6, 0, 1);
  Zel_free_memory();
  if (!bad) printf("cyclic-6: 45 polynomials\n");
  return bad;
}
