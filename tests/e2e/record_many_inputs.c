/* Records a session that makes more polynomials between two requests than a
 * request may return (100,000), then a request on the last ones, and prints
 * the results and a marker like record_session.c.  The replay must hold
 * every polynomial the session made. */
#include <unistd.h>

#include "zel_systems.h"

int main(void) {
  static char marker[64], y[] = "y", z[] = "z";
  char* names[3];
  zs_poly sys[3];
  void* in[3];
  void** out = (void**)malloc(sizeof(void*) * 100000);
  UI32 pr[1] = {65521}, n, i;
  int k;
  if (out == NULL) return 2;
  snprintf(marker, sizeof marker, "replay_marker_%ld", (long)getpid());
  names[0] = marker;
  names[1] = y;
  names[2] = z;
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 1);
  Zel_init(1, 1, 0, NULL);
  Zel_internal_threads(1);
  Zel_reset_coeffs(1, pr);
  Zel_reset_expos(0, 3, names);
  for (i = 0; i < 100000; i++) Zel_creat_poly(0);
  zs_katsura(2, sys);
  for (k = 0; k < 3; k++) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  n = zs_groebner(in, 3, out, 0, 0);
  fprintf(stderr, "[\n");
  for (i = 0; i < n; i++) {
    if (i) fprintf(stderr, ",\n");
    Zel_see_Dpol(out[i]);
  }
  fprintf(stderr, "\n]\n");
  Zel_debug(0); /* closes the recorded program */
  printf("%s\n", marker);
  free(out);
  return n == 0;
}
