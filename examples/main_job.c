/* The library's main job, run by the README's first command. */
#include <stdio.h>

#include "call_zel.h"

int main(void) {
  printf("prime-field build version %d, integer build version %d\n",
         (int)Zel_internal_version(), (int)Zel_int_internal_version());
  return 0;
}
