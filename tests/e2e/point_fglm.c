/* A C caller of the sparse FGLM through call_zel.h alone: the matrix of
 * multiplication by x1 on the normal set {1, x1, x0} of three points (a_i,
 * b_i) modulo p, built from the points; the minimal polynomial of x1 must
 * vanish at every b_i and x0 + R(x1) at every point. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "call_zel.h"

#define P 65521u
#define N 3

static uint64_t pw(uint64_t a, uint64_t e) {
  uint64_t r = 1;
  for (a %= P; e; e >>= 1, a = a * a % P)
    if (e & 1) r = r * a % P;
  return r;
}

/* inv := V^-1 by Gauss-Jordan modulo P. */
static void invert(uint64_t V[N][N], uint64_t inv[N][N]) {
  uint64_t A[N][2 * N];
  int i, j, k;
  for (i = 0; i < N; i++)
    for (j = 0; j < 2 * N; j++) A[i][j] = j < N ? V[i][j] : (j - N == i);
  for (k = 0; k < N; k++) {
    int piv = k;
    while (A[piv][k] == 0) piv++;
    for (j = 0; j < 2 * N; j++) {
      uint64_t t = A[k][j];
      A[k][j] = A[piv][j];
      A[piv][j] = t;
    }
    uint64_t s = pw(A[k][k], P - 2);
    for (j = 0; j < 2 * N; j++) A[k][j] = A[k][j] * s % P;
    for (i = 0; i < N; i++)
      if (i != k && A[i][k]) {
        uint64_t f = A[i][k];
        for (j = 0; j < 2 * N; j++) A[i][j] = (A[i][j] + (P - f) * A[k][j]) % P;
      }
  }
  for (i = 0; i < N; i++)
    for (j = 0; j < N; j++) inv[i][j] = A[i][j + N];
}

static uint64_t eval(const UI32* c, int d, uint64_t x) {
  uint64_t r = 0;
  for (; d >= 0; d--) r = (r * x + c[d]) % P;
  return r;
}

int main(void) {
  const uint64_t a[N] = {5, 17, 1000}, b[N] = {2, 3, 40000};
  uint64_t V[N][N], inv[N][N], M[N][N];
  int i, j, k;
  /* V[i][k]: basis element k (1, x1, x0) at point i. */
  for (i = 0; i < N; i++) {
    V[i][0] = 1;
    V[i][1] = b[i];
    V[i][2] = a[i];
  }
  invert(V, inv);
  /* M = V^-1 diag(b) V: column k holds x1 * (basis element k). */
  for (i = 0; i < N; i++)
    for (k = 0; k < N; k++) {
      uint64_t s = 0;
      for (j = 0; j < N; j++) s = (s + inv[i][j] * b[j] % P * V[j][k]) % P;
      M[i][k] = s;
    }

  char n0[] = "x0", n1[] = "x1";
  char* names[] = {n0, n1};
  Zel_reset_memory();
  Zel_init_urgent(2, 2, "DRLDRL", 100000, 0);
  Zel_init(1, 1, 0, NULL);
  PrimeSign = (I32)P;
  PrimeHalf = (I32)((P - 1) / 2);

  /* Every row dense, 16-byte aligned, padded to 8, symmetric residues. */
  int16_t* rows[N];
  for (i = 0; i < N; i++) {
    rows[i] = aligned_alloc(16, 8 * sizeof(int16_t));
    for (j = 0; j < 8; j++) rows[i][j] = 0;
    for (j = 0; j < N; j++) {
      uint64_t v = M[j][i];
      rows[i][j] = (int16_t)(v <= (uint64_t)PrimeHalf ? (int64_t)v : (int64_t)v - P);
    }
  }
  I32 sparse[] = {-1, -1}, nosp[] = {0, 0, 1, 0, 2, 0, -1, -1};
  I32 coords[] = {2, 0}, degrees[] = {-1, -1};
  UI32 prime = P;
  I32 deg = Zel_w_fglm(N, sparse, nosp, 2, coords, rows, 1, degrees, &prime, 0, 0, names, 0, 0,
                       -1, -1, -1);
  UI32 f[N + 1], r[N + 1];
  int bad = deg != N || degrees[1] != N || degrees[0] < 0 || degrees[0] >= N;
  bad |= Zel_w_fglm_result(1, f, N + 1) != N + 1 || Zel_w_fglm_result(0, r, N + 1) != N + 1;
  bad |= Zel_w_fglm_result(2, r, N + 1) != -1;
  Zel_w_fglm_result(0, r, N + 1);
  for (i = 0; i < N && !bad; i++) {
    bad |= eval(f, degrees[1], b[i]) != 0;
    bad |= (a[i] + eval(r, degrees[0], b[i])) % P != 0;
  }
  for (i = 0; i < N; i++) free(rows[i]);
  if (bad) {
    fprintf(stderr, "point system: wrong minimal polynomial or parametrisation\n");
    return 1;
  }
  printf("point system: minimal polynomial of degree %d and parametrisation recovered\n", deg);
  return 0;
}
