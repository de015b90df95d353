/* Records a session (recording switched on through init_urgent), prints
 * its results on the standard error stream in the replay program's display
 * format, and a marker on the standard output by which the recording can be
 * found.  The test script then compiles and runs the recording and compares
 * what it displays with this program's output. */
#include <unistd.h>

#include "zel_systems.h"

static void display(void** out, UI32 n) {
  UI32 i;
  fprintf(stderr, "[\n");
  for (i = 0; i < n; i++) {
    if (i) fprintf(stderr, ",\n");
    Zel_see_Dpol(out[i]);
  }
  fprintf(stderr, "\n]\n");
}

int main(void) {
  /* A variable name unique to this run, with characters that need escaping
   * in a C string literal: the recording must still compile. */
  static char marker[64], b[] = "b\"\\?", c[] = "c";
  char* names[3];
  zs_poly sys[4];
  void* in[4];
  void** out = (void**)malloc(sizeof(void*) * 100000);
  UI32 pr[1] = {32003}, n;
  int k;
  snprintf(marker, sizeof marker, "replay_marker_%ld", (long)getpid());
  names[0] = marker;
  names[1] = b;
  names[2] = c;
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 1);
  Zel_init(1, 1, 0, NULL);
  Zel_internal_threads(1);
  Zel_reset_coeffs(1, pr);
  Zel_reset_expos(1, 2, names); /* eliminate the first variable */
  zs_katsura(2, sys);
  for (k = 0; k < 3; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  n = zs_groebner(in, 3, out, 0, 1);
  display(out, n);
  /* A second request on other handles: a subset in another order with an
   * earlier result.  The replay must hand over the same polynomials. */
  in[3] = in[0];
  in[0] = in[2];
  in[1] = out[0];
  n = zs_groebner(in, 2, out, 0, 0);
  display(out, n);
  n = zs_groebner(in + 1, 3, out, 0, 0);
  display(out, n);
  Zel_debug(0); /* closes the recorded program */
  printf("%s\n", marker);
  free(out);
  return n == 0;
}
