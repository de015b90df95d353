#!/usr/bin/env python3
"""Known-answer data of the block layer's self-test, made and checked here.

Writes selftest_kat.cpp next to this script.  Plain python3, no packages;
takes about a minute (the check solves a Hankel system of order 1024 by
plain Gaussian elimination).  Every answer stored is computed by a method
of its own here, never by the library:

  * the 8 x 8 product A.B by the schoolbook formula (the first rows of A,
    B and A.B are the fixed ones the library's users know);
  * the inverse pair 23945 -> 6797 and a list of non-zero residues;
  * two 8 x 8 inverses by Gauss-Jordan with pivot search, checked by
    M.M^-1 = I; the second matrix is built so that the library's
    elimination (simulated below) exchanges rows 5 and 6, then 6 and 7;
  * a block session (bk = 8, len = 128): a random monic generator G(x) of
    degree 128 and 8 x 8 blocks H_0 .. H_255 that it generates; the Hankel
    system sum_k H_(i+k) MX_k = -H_(i+128) is solved from scratch and its
    solution must be G; elimination without row exchanges must succeed, so
    every leading minor is non-zero and the block solver meets invertible
    pivots only.
"""
import os
import random

P = 65521
H = (P - 1) // 2
BK = 8
LEN = 128

A0 = [-17557, -24827, -1283, 8057, 13612, -18450, 5, -20496]
B0 = [27824, 32450, -7309, 21860, -24360, 17881, 8649, 16538]
AB0 = [16147, -24257, -30542, -29837, 20209, 5509, 30362, -12132]


def sym(v):
    v %= P
    return v - P if v > H else v


def rand_sym(rng):
    return rng.randrange(P) - H


def matmul(a, b, n):
    return [[sym(sum(a[i][k] * b[k][j] for k in range(n))) for j in range(n)] for i in range(n)]


def inverse(m, n):
    """Gauss-Jordan with pivot search; None when singular."""
    a = [[x % P for x in row] + [1 if i == j else 0 for j in range(n)] for i, row in enumerate(m)]
    for c in range(n):
        piv = next((r for r in range(c, n) if a[r][c]), None)
        if piv is None:
            return None
        a[c], a[piv] = a[piv], a[c]
        inv = pow(a[c][c], P - 2, P)
        a[c] = [x * inv % P for x in a[c]]
        for r in range(n):
            if r != c and a[r][c]:
                f = a[r][c]
                a[r] = [(x - f * y) % P for x, y in zip(a[r], a[c])]
    return [[sym(x) for x in row[n:]] for row in a]


def library_swaps(m, n):
    """The row exchanges the library's block inverse makes: every row with
    a non-zero first entry passes through row 0; a zero pivot in row k is
    exchanged with the rows below it in turn."""
    a = [[x % P for x in row] for row in m]
    for r in range(n):
        if a[r][0]:
            a[0], a[r] = a[r], a[0]
            inv = pow(a[0][0], P - 2, P)
            a[0] = [x * inv % P for x in a[0]]
    swaps = []
    for k in range(1, n):
        nxt = k + 1
        while True:
            row = a[k][:]
            for i in range(k):
                c = row[i]
                if c:
                    row = [(x - c * y) % P for x, y in zip(row, a[i])]
            if row[k]:
                inv = pow(row[k], P - 2, P)
                a[k] = [x * inv % P for x in row]
                break
            assert nxt < n, "singular"
            a[k], a[nxt] = a[nxt], row
            swaps.append((k, nxt))
            nxt += 1
    return swaps


def identity_check(m, inv, n):
    prod = matmul(m, inv, n)
    assert prod == [[1 if i == j else 0 for j in range(n)] for i in range(n)]


def product_data(rng):
    a = [A0] + [[rand_sym(rng) for _ in range(BK)] for _ in range(BK - 1)]
    b = [B0] + [[rand_sym(rng) for _ in range(BK)] for _ in range(BK - 2)]
    # The last row of B makes the first row of A.B the fixed one.
    inv = pow(A0[BK - 1] % P, P - 2, P)
    last = []
    for j in range(BK):
        partial = sum(A0[i] * b[i][j] for i in range(BK - 1))
        last.append(sym((AB0[j] - partial) * inv))
    b.append(last)
    ab = matmul(a, b, BK)
    assert ab[0] == AB0
    return a, b, ab


def inverse_list(rng):
    assert 23945 * 6797 % P == 1
    values = [1, -1, H, -H, 2, -2]
    while len(values) < 201:
        v = rand_sym(rng)
        if v:
            values.append(v)
    for v in values:
        assert v % P and pow(v % P, P - 2, P) * (v % P) % P == 1
    return values + [0]


def matrix_inverses(rng):
    while True:
        m1 = [[rand_sym(rng) for _ in range(BK)] for _ in range(BK)]
        inv1 = inverse(m1, BK)
        if inv1 is not None and library_swaps(m1, BK) == []:
            break
    unit = lambda c: [1 if j == c else 0 for j in range(BK)]
    while True:
        m2 = [[rand_sym(rng) for _ in range(BK)] for _ in range(5)] + [unit(7), unit(5), unit(6)]
        inv2 = inverse(m2, BK)
        if inv2 is not None and library_swaps(m2, BK) == [(5, 6), (6, 7)]:
            break
    identity_check(m1, inv1, BK)
    identity_check(m2, inv2, BK)
    return m1, inv1, m2, inv2


def block_session(rng):
    gen = [[[rand_sym(rng) for _ in range(BK)] for _ in range(BK)] for _ in range(LEN)]
    blocks = [[[rand_sym(rng) for _ in range(BK)] for _ in range(BK)] for _ in range(LEN)]
    for i in range(LEN):
        nxt = [[0] * BK for _ in range(BK)]
        for k in range(LEN):
            hk, gk = blocks[i + k], gen[k]
            for r in range(BK):
                row = hk[r]
                for c in range(BK):
                    nxt[r][c] -= sum(row[t] * gk[t][c] for t in range(BK))
        blocks.append([[sym(x) for x in row] for row in nxt])
    assert len(blocks) == 2 * LEN
    return gen, blocks


def solve_hankel(blocks):
    """Solves sum_k H_(i+k) MX_k = -H_(i+LEN), i < LEN, by elimination
    without row exchanges; returns MX_0 .. MX_(LEN-1)."""
    n = LEN * BK
    rows = []
    for i in range(LEN):
        for r in range(BK):
            row = []
            for k in range(LEN):
                row.extend(x % P for x in blocks[i + k][r])
            row.extend(-x % P for x in blocks[i + LEN][r])
            rows.append(row)
    for c in range(n):
        piv = rows[c]
        assert piv[c], "zero leading minor at %d" % c
        inv = pow(piv[c], P - 2, P)
        piv[c:] = [x * inv % P for x in piv[c:]]
        tail = piv[c:]
        for r in range(c + 1, n):
            f = rows[r][c]
            if f:
                rows[r][c:] = [(x - f * y) % P for x, y in zip(rows[r][c:], tail)]
    x = [[0] * BK for _ in range(n)]
    for c in range(n - 1, -1, -1):
        row = rows[c]
        for j in range(BK):
            s = row[n + j] - sum(row[t] * x[t][j] for t in range(c + 1, n))
            x[c][j] = s % P
    return [[[sym(x[k * BK + r][j]) for j in range(BK)] for r in range(BK)] for k in range(LEN)]


def emit(out, name, values, per_line=16):
    out.append("extern const int16_t %s[%d] = {" % (name, len(values)))
    for i in range(0, len(values), per_line):
        out.append("    " + ", ".join(str(v) for v in values[i:i + per_line]) + ",")
    out.append("};")


def flat(m):
    return [x for row in m for x in row]


def main():
    rng = random.Random(20261207)
    a, b, ab = product_data(rng)
    inv_list = inverse_list(rng)
    m1, inv1, m2, inv2 = matrix_inverses(rng)
    gen, blocks = block_session(rng)
    solved = solve_hankel(blocks)
    assert solved == gen, "the Hankel system has another solution"
    # Sequence j holds row j of every block: step t of process j+1.
    seqs = [[x for t in range(2 * LEN) for x in blocks[t][j]] for j in range(BK)]

    out = ["// Generated by make_selftest_kat.py, which also checks every answer; do not edit.",
           "#include \"sparse/kat/selftest_kat.hpp\"", "",
           "namespace zel::ZEL_BUILD::kat {", ""]
    emit(out, "product_A", flat(a))
    emit(out, "product_B", flat(b))
    emit(out, "product_AB", flat(ab))
    emit(out, "inverse_list", inv_list)
    emit(out, "inverse1_M", flat(m1))
    emit(out, "inverse1_Minv", flat(inv1))
    emit(out, "inverse2_M", flat(m2))
    emit(out, "inverse2_Minv", flat(inv2))
    emit(out, "hankel_seqs", [x for s in seqs for x in s])
    emit(out, "hankel_MX0", flat(gen[0]))
    emit(out, "hankel_MX32", flat(gen[32]))
    emit(out, "hankel_MX127", flat(gen[127]))
    out += ["", "}  // namespace zel::ZEL_BUILD::kat", ""]
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "selftest_kat.cpp")
    with open(path, "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
