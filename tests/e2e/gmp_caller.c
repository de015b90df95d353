/* A C caller with GMP integers of its own, on its own memory functions,
 * around the integer build's entries: after every entry GMP's functions are
 * the caller's again, the caller's integers keep their values across the
 * session and its reset, and the integers it makes between entries come
 * from its own allocator, never from the engine's zones. */
#include <gmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "call_zel.h"

static long own_allocations = 0;

static void* own_alloc(size_t n) {
  own_allocations++;
  return malloc(n);
}
static void* own_realloc(void* p, size_t old, size_t n) {
  (void)old;
  own_allocations++;
  return realloc(p, n);
}
static void own_free(void* p, size_t n) {
  (void)n;
  free(p);
}

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "gmp_caller: %s\n", what);
    failures++;
  }
}

static void expect_own_functions(const char* after) {
  void* (*a)(size_t);
  void* (*r)(void*, size_t, size_t);
  void (*f)(void*, size_t);
  mp_get_memory_functions(&a, &r, &f);
  if (a != own_alloc || r != own_realloc || f != own_free) {
    fprintf(stderr, "gmp_caller: GMP's memory functions are not the caller's after %s\n", after);
    failures++;
  }
}

/* A fresh integer of the caller: must come from its own allocator. */
static void make_own(mpz_t v, const mpz_t from, const char* after) {
  long before = own_allocations;
  mpz_init(v);
  mpz_mul(v, from, from);
  if (own_allocations == before) {
    fprintf(stderr, "gmp_caller: an integer made after %s did not use the caller's allocator\n",
            after);
    failures++;
  }
}

int main(void) {
  char* names[2] = {"x", "y"};
  mpz_t mine, made[4];
  char text[128], again[128];
  const I32 words[3] = {-1, 7, 1}; /* -(7 + 2^32) */
  UI32 exps[6];
  void* p;
  mpz_srcptr* c;

  mp_set_memory_functions(own_alloc, own_realloc, own_free);
  mpz_init_set_str(mine, "-123456789012345678901234567890123456789", 10);
  mpz_get_str(text, 10, mine);

  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(5); /* builds the lift constants with GMP */
  expect_own_functions("reset_coeffs");
  make_own(made[0], mine, "reset_coeffs");
  Zel_int_reset_expos(2, 0, names);

  p = Zel_int_creat_poly(3);
  {
    I32 e0[2] = {2, 0}, e1[2] = {1, 1}, e2[2] = {0, 1};
    Zel_int_set_expos2(p, 0, e0, 2);
    Zel_int_set_coeff_gmp(p, 0, mine);
    expect_own_functions("set_coeff_gmp");
    Zel_int_set_expos2(p, 1, e1, 2);
    Zel_int_set_coeff_raw(p, 1, words, 3);
    Zel_int_set_expos2(p, 2, e2, 2);
    Zel_int_set_coeff_gmp_str(p, 2, "99999999999999999999999");
  }
  Zel_int_full_sort_poly2(p);
  expect_own_functions("full_sort_poly2");
  make_own(made[1], mine, "full_sort_poly2");

  c = Zel_int_export_poly_INT_gmp(2, 3, (UI32*)exps, p);
  expect(c != NULL && mpz_cmp(c[0], mine) == 0, "export_poly_INT_gmp gives the caller's value back");
  expect_own_functions("export_poly_INT_gmp");
  {
    UI32 out[3 * 8], width = 0, e[6];
    expect(Zel_int_export_poly_INT(2, 3, e, out, 3 * 8, p, &width) == 1, "export_poly_INT");
    expect(width == 5 && out[5] == (UI32)-1 && out[6] == 7 && out[7] == 1 && out[8] == 0,
           "the second term exports as -(7 + 2^32)");
  }
  expect_own_functions("export_poly_INT");

  /* Holding the context on purpose, and leaving it. */
  Zel_int_enter();
  {
    void* (*a)(size_t);
    mp_get_memory_functions(&a, NULL, NULL);
    expect(a != own_alloc, "enter points GMP at the engine");
  }
  Zel_int_exit();
  expect_own_functions("exit");
  make_own(made[2], mine, "exit");

  Zel_int_reset_memory();
  expect_own_functions("reset_memory");
  make_own(made[3], mine, "reset_memory");

  /* Everything the caller made is intact after the engine gave its memory
   * back, and still grows on the caller's heap. */
  mpz_get_str(again, 10, mine);
  expect(strcmp(text, again) == 0, "the caller's integer kept its value");
  for (int i = 0; i < 4; i++) {
    mpz_t sq;
    mpz_init(sq);
    mpz_mul(sq, mine, mine);
    expect(mpz_cmp(made[i], sq) == 0, "an integer made between entries kept its value");
    mpz_mul(made[i], made[i], made[i]);
    mpz_clear(sq);
    mpz_clear(made[i]);
  }
  mpz_clear(mine);
  if (failures == 0) printf("gmp_caller: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
