/* What a host builds against the installed library: the binding's headers
 * compile in C and every entry they declare links. */
#include <stdio.h>

#include "zel_binding.h"

typedef HostValue (*Entry)(HostKernel, HostValue);

int main(void) {
  static const Entry entries[] = {
      zel_int_gbasis_init,     zel_int_send_poly,       zel_int_send_poly_gmp,
      zel_int_gbasis_compute,  zel_int_hilbert_compute, zel_int_receive_poly,
      zel_int_receive_poly_gmp, zel_int_receive_poly_new, zel_int_receive_monom,
      zel_int_unload,          zel_int_internal_threads, zel_int_internal_report,
      zel_int_internal_version, zel_int_scheduler,      zel_int_debug_level,
      zel_int_my_time,         zel_gbasis_init,         zel_gbasis_compute,
      zel_hilbert_compute,     zel_internal_threads,    zel_internal_report,
      zel_internal_version,    zel_scheduler,           zel_debug_level};
  void (*plain[])(void) = {Zel_int_local_reset_memory, Zel_local_reset_memory, Zel_enter,
                           Zel_exit, Zel_safe_exit};
  size_t i, n = 0;
  for (i = 0; i < sizeof entries / sizeof entries[0]; i++) n += entries[i] != NULL;
  for (i = 0; i < sizeof plain / sizeof plain[0]; i++) n += plain[i] != NULL;
  n += zel_send_poly != NULL && zel_receive_poly != NULL;
  printf("%u binding entries\n", (unsigned)n);
  return n != 30 || zel_my_cpu() < 0 || zel_int_my_cpu() < 0;
}
