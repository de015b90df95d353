// The vector loops of shifted_combination.cpp, written once and included
// once per instruction set, inside a namespace that first defines
// ZEL_LANES_TARGET (the functions' target attribute) and the lane operations
// on residues zero-extended to 64 bits: V, kWidth, load, store, splat, add,
// sub, mul32 (product of the low 32-bit halves), high32 and below_p (r - p
// when r >= p, else r, for r < 2p).  No include guard: included on purpose.

// Shoup's product: every factor is below 2^32, so each product is one
// 32 x 32-bit multiplication.
ZEL_LANES_TARGET inline V times(V x, V w, V shoup, V P) {
  const V q = high32(mul32(x, shoup));
  return below_p(sub(mul32(x, w), mul32(q, P)), P);
}

// (a + b) mod p.
ZEL_LANES_TARGET inline V add_mod(V a, V b, V P) { return below_p(add(a, b), P); }

ZEL_LANES_TARGET void pair(Dom* T, const Dom* S, const FixedFactor& m1, const FixedFactor& m0,
                           int32_t top, uint32_t p) {
  const V P = splat(p), w1 = splat(m1.factor()), s1 = splat(m1.shoup());
  const V w0 = splat(m0.factor()), s0 = splat(m0.shoup());
  int32_t j = 1;
  for (; j + kWidth - 1 <= top; j += kWidth) {
    V t = add_mod(load(T + j), times(load(S + j - 1), w1, s1, P), P);
    store(T + j, add_mod(t, times(load(S + j), w0, s0, P), P));
  }
  if (j <= top) plain(T + (j - 1), S + (j - 1), m1, m0, top - (j - 1), p);
}

ZEL_LANES_TARGET void scaled(Dom* y, const Dom* x, size_t n, const FixedFactor& w, uint32_t p) {
  const V P = splat(p), wv = splat(w.factor()), sv = splat(w.shoup());
  size_t i = 0;
  for (; i + kWidth <= n; i += kWidth)
    store(y + i, add_mod(load(y + i), times(load(x + i), wv, sv, P), P));
  scaled_plain(y + i, x + i, n - i, w, p);
}

ZEL_LANES_TARGET void shifted(Dom* T, const Dom* S, const Dom* X, const FixedFactor& a,
                              const Dom* Y, const FixedFactor& b, size_t n, uint32_t p) {
  if (n == 0) return;
  const V P = splat(p), wa = splat(a.factor()), sa = splat(a.shoup());
  const V wb = splat(b.factor()), sb = splat(b.shoup());
  shifted_plain(T, S, X, a, Y, b, 1, p);
  size_t i = 1;
  for (; i + kWidth <= n; i += kWidth) {
    const V t = add_mod(load(S + i - 1), times(load(X + i), wa, sa, P), P);
    store(T + i, add_mod(t, times(load(Y + i), wb, sb, P), P));
  }
  for (; i < n; ++i) T[i] = ADD(ADD(S[i - 1], a.times(X[i]), p), b.times(Y[i]), p);
}
