/* The C interface of both builds of the engine.
 *
 * Names beginning with Zel_int_ belong to the integer build (coefficients in
 * Z, computations modulo batches of 32-bit primes); names beginning with Zel_
 * to the prime-field build (one prime below 2^16).  A program that replays a
 * recorded session writes ZEL(name) and chooses the build by defining
 * ZEL_INT_BUILD, or LIBMODE as 2 (integer) or 1 (prime field), before
 * including this header.
 *
 * A session, in this order:
 *   ZEL(reset_memory)();
 *   ZEL(init_urgent)(sizeof residue, 2, "DRLDRL", 100000, record);
 *   ZEL(init)(quiet, info_on_stderr, chinese_only, log);
 *   ZEL(reset_coeffs)(...);  ZEL(reset_expos)(n1, n2, names);
 *   per polynomial: p = ZEL(creat_poly)(nterms); per term i
 *     ZEL(set_expos2)(p, i, e, nvars) and a coefficient setter;
 *     then ZEL(full_sort_poly2)(p);
 *   ZEL(groebner)(...);
 *   per result: ZEL(nb_terms)(r), then an export function.
 * Handles stay valid until the next reset_memory or free_memory.
 *
 * Threads: there is one session per process (both builds share its memory),
 * and the library serves one thread at a time.  Calls may come from any
 * thread, one after the other; while one runs, another thread may call only
 * Zel_stop_immediately or Zel_int_stop_immediately.  A call made while
 * another thread is inside the library fails with "the library serves one
 * thread at a time" (the message on the error stream, and the process ends
 * with status 1) and leaves the other thread's call alone.  From inside a
 * host callback of a running call only the entries that read may be
 * called; one that would change the session ends the running call with a
 * message.  While a call of the integer build runs, GMP's
 * memory functions, which serve the whole process, are the engine's: no
 * other thread may use GMP meanwhile.  The prime-field build's own helper
 * threads work inside a call. */
#ifndef CALL_ZEL_H
#define CALL_ZEL_H

#include <gmp.h>
#include <stdint.h>
#include <stdio.h>

typedef int32_t I32;
typedef uint32_t UI32;

#if defined(ZEL_INT_BUILD) || (defined(LIBMODE) && LIBMODE == 2)
#define ZEL(name) Zel_int_##name
#else
#define ZEL(name) Zel_##name
#endif

/* Polynomial handles.  The engine's own sources see its record types
 * instead, so the names are given to callers only. */
#if !defined(ZEL_VARIANT_INT) && !defined(ZEL_VARIANT_FP)
typedef void* Dpol;
typedef void* Dpol_INT;
#endif

/* A recorded session's program: it ends with exit() and passes the log
 * stream of init as log_output. */
#ifdef LIBMODE
#include <stdlib.h>
#define log_output stdout
#endif

/* The compute record of groebner: mode and options of one request. */
struct sZEL_Comp_Desc {
  I32 _compute;      /* compute mode, ZEL_COMPUTE_... */
  I32 _nb;           /* modes 6, 7, 9: polynomials of the second list */
  I32 _force_elim;   /* mode 1: keep only the polynomials free of the first block */
  I32 _off;          /* integer build: where the first batch of primes starts */
  I32 _index;        /* > 0: largest number of matrix columns, from this
                        request on for the rest of the session */
  I32 _zone;         /* recorded only */
  I32 _memory;       /* > 0: zone tables of _memory * 30000 entries */
  I32 _nb2;          /* mode 11: polynomials of the second computation */
  I32 _force_elim2;  /* mode 11: elimination flag of the second basis */
  I32 _bk2;          /* mode 11: second block of the second basis */
  I32 _aggressive2;  /* prime-field build, >= 1: aggressive elimination (see
                        below); 0, -1 or any value below 1: off.  The integer
                        build never reads it (always off). */
  I32 _dlim;         /* > 0: degree limit (mode 1 returns the basis up to it;
                        the other modes refuse a basis the limit cut short);
                        0, -1 or any value below 1: no limit */
  I32 _skip;         /* prime-field build, with _aggressive2 >= 1: > 0 the
                        rows skipped at a time (see below); 0, -1 or any value
                        below 1: once skipping starts, every further row of
                        the step.  The integer build never reads it. */
};
typedef struct sZEL_Comp_Desc* ZEL_Comp_Desc;
/* Aggressive elimination (_aggressive2 = k >= 1): once k + 1 rows of a
 * step's matrix in a row have reduced to zero, the step's further rows are
 * guessed to reduce to zero as well and skipped (with _skip = s > 0 only the
 * next s rows, s more after every further zero row; a row that does not
 * reduce to zero starts the count again).  Steps of degree above 999 are
 * not aggressive (k becomes the column limit _index).  A wrong guess would
 * lose polynomials, so when any row was skipped the library completes the
 * basis by a full computation from the inputs and the polynomials found (a
 * line on the standard error stream says so, as "********** Set -O2 k" says
 * that the option is on): the result is always the
 * reduced basis, but a request that skipped rows costs about one
 * computation more. */

#define ZEL_COMPUTE_GBASIS 1
#define ZEL_COMPUTE_RRFORM 2
#define ZEL_COMPUTE_RRFORM_SQFR 3
#define ZEL_COMPUTE_MINPOLY 4
#define ZEL_COMPUTE_MINPOLY_SQFR 5
#define ZEL_COMPUTE_GBASIS_NF 6
#define ZEL_COMPUTE_GBASIS_NF_RECOMPUTE 7
#define ZEL_COMPUTE_RADICAL_STRATEG1 8
#define ZEL_COMPUTE_RADICAL_STRATEG2 9
#define ZEL_COMPUTE_NOP 10
#define ZEL_COMPUTE_GBASIS_MULTI 11
#define ZEL_COMPUTE_MATRIXN 12
/* What each mode returns (n variables; t = x_{n-1}, the last variable).
 *
 * Coefficients: the prime-field build returns residues; the integer build
 * each polynomial the mode gives over the rationals times the lcm of its
 * coefficients' denominators.  Bases, minimal polynomials and the x_j
 * polynomials below are monic over the rationals (the x_j polynomials in
 * x_j): the prime-field build returns them monic, the integer build with
 * that lcm as the leading coefficient (the coefficient of x_j), which the
 * caller divides by to get the polynomial over the rationals.
 *
 *  1 GBASIS      the reduced Groebner basis of the inputs for the declared
 *                blocks (one block: degree reverse lexicographic); with
 *                _force_elim only its polynomials free of the first block.
 *  4 MINPOLY     one polynomial: the minimal polynomial f(t) of the last
 *                variable modulo the ideal (its degree d counts the
 *                solutions with their multiplicities when the ideal is in
 *                shape position).
 *  5 MINPOLY_SQFR  its square-free part (the minimal polynomial of t
 *                modulo the radical of the ideal).
 *  2 RRFORM      n polynomials, the minimal polynomial f(t) last and, at
 *                entry j < n-1, the parametrisation of x_j:
 *                  prime field:   x_j + P_j(t),     deg P_j < d;
 *                  integer build: c_j*x_j + Q_j(t), c_j > 0, P_j = Q_j / c_j.
 *                The x_j term stands for (f'(t)/d)*x_j, with f MONIC (over
 *                the rationals the last result divided by its leading
 *                coefficient) and d = deg f: at every simple root t of f,
 *                  x_j = -P_j(t) / (f'(t)/d) = -d*Q_j(t) / (c_j*f'(t)).
 *                At a repeated root f' vanishes: for a system with
 *                multiplicities use mode 3 (or 8).  They handle the
 *                multiplicities that t sees, when f has the degree of the
 *                number of solutions counted with multiplicity: {x - t,
 *                t^3 - t^2} (f = t^3 - t^2) gives t^2 - t and x's
 *                polynomial.  A multiplicity that t does not see is refused
 *                as a t that does not separate the solutions: {x^2, t^2}
 *                (f = t^2, 4 solutions) and {x^2, t} by modes 2, 3 and 8.
 *  3 RRFORM_SQFR the same for the distinct solutions: f square-free.
 *  8 RADICAL_STRATEG1  n polynomials in shape form for the distinct
 *                solutions: x_j + R_j(t) (integer build c_j*x_j + Q_j(t),
 *                R_j = Q_j / c_j), so x_j = -R_j(t) at every root t of the
 *                square-free f, which comes last.  It adds mode 5's f to
 *                the ideal and solves the sum: when t does not separate
 *                the solutions, its refusal ("the system has N solutions
 *                counted with multiplicity") counts N for that sum, not for
 *                the inputs' ideal, so N may be smaller than modes 2 and 3
 *                say for the same system (mode 9 likewise, with the roots
 *                of its last _nb inputs taken out of f).
 *  9 RADICAL_STRATEG2  the first nb - _nb inputs form the system, the last
 *                _nb are univariate polynomials in t, each dividing the
 *                square-free minimal polynomial, whose roots are taken out;
 *                the rest comes back as in mode 3.
 * 12 MATRIXN     solved through the matrix of multiplication by t and the
 *                sparse change of order: the prime-field build gives n
 *                polynomials in shape form, x_j + R_j(t) (x_j = -R_j(t)) and
 *                mode 2's f last; the integer build mode 2's result.
 *  6 GBASIS_NF   normal forms of the first _nb inputs modulo the other
 *                inputs, taken as a Groebner basis as they are: 2*_nb
 *                polynomials in pairs, entry 2k a constant m_k and entry
 *                2k+1 the normal form of input k times m_k (m_k = 1 in the
 *                prime field; in the integer build the lcm of the normal
 *                form's denominators): divide entry 2k+1 by m_k.
 *  7 GBASIS_NF_RECOMPUTE  the basis of the other inputs, with the normal
 *                forms of the first _nb inputs joined to it: the reduced
 *                basis of the whole, as mode 1.  Modes 6 and 7 need
 *                _nb >= 1 (a zeroed record is refused).
 * 10 NOP         the inputs as they were handed over (terms sorted).
 * 11 GBASIS_MULTI  a basis of the first nb - _nb2 inputs for the blocks
 *                split at variable bk0 (with _force_elim: its polynomials
 *                free of the first block), then, when _nb2 > 0, the basis of
 *                those and the last _nb2 inputs for the blocks split at
 *                _bk2 (with _force_elim2), which must be in shape form
 *                (_bk2 = n-1 gives it for an ideal in shape position): it
 *                comes back parametrised as in mode 2.  With _nb2 = 0 the
 *                first basis is solved as in mode 2.
 *                With _nb2 > 0 the results keep the order of the second
 *                basis (leading monomials decreasing for the blocks split
 *                at _bk2): f comes last only with _bk2 = n-1.  The inputs
 *                x1 - x3, x2 - 2*x3, x3^2 - 2 and, as the second list,
 *                x1 - x3 give f = x3^2 - 2 first with _bk2 = 0 (or 3),
 *                second with _bk2 = 1, last with _bk2 = 2.
 *
 * The solving modes (2-5, 8, 9, 11, 12) need finitely many solutions, and
 * those that return x_j polynomials an ideal whose lexicographic basis is
 * in shape position (t separates the solutions); otherwise, and in the
 * prime field when the prime divides d in the parametrising modes, they
 * fail with a message.  A variable that vanishes at every solution (met in
 * the square-free modes when the ideal is not radical) gets x_j alone. */

#if defined(__GNUC__)
#define ZEL_C_NORETURN __attribute__((noreturn))
#else
#define ZEL_C_NORETURN
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Session set-up (both builds) -------------------------------------- */

/* Forgets all engine memory of BOTH builds; every handle becomes invalid. */
void Zel_int_reset_memory(void);
void Zel_reset_memory(void);
void Zel_int_reset_memory_internal(I32 flag);
void Zel_reset_memory_internal(I32 flag);
/* The first four arguments are fixed; any other value fails with a
 * message.  Integer build: init_urgent(4, 2, "DRLDRL", 100000, record)
 * (32-bit residues); prime-field build: init_urgent(2, 2, "DRLDRL", 100000,
 * record) (16-bit residues).  size_nni 2 is the width of an exponent in
 * bytes, maxi_base 100000 the room of a result array.  record non-zero
 * writes the session as a C program under /tmp.  Returns the monomial code
 * table. */
void* Zel_int_init_urgent(UI32 size_dom, UI32 size_nni, const char* order, UI32 maxi_base,
                          I32 record);
void* Zel_init_urgent(UI32 size_dom, UI32 size_nni, const char* order, UI32 maxi_base,
                      I32 record);
/* Session flags; log (may be NULL) becomes the output stream.  Returns the
 * root of the pair lists.  The engine's messages are silent for a C
 * program; a few lines written straight to the standard error stream
 * ("Ellapsed time: ...", "Cas pas encore fait ! [msg 2]", ...; README,
 * Sessions) appear whatever the flags. */
void* Zel_int_init(I32 quiet, I32 info_on_stderr, I32 chinese_only, FILE* log);
void* Zel_init(I32 quiet, I32 info_on_stderr, I32 chinese_only, FILE* log);
/* Integer build: n primes per batch.  Prime field: the prime pr[0] (a prime
 * below 65536); n is ignored.  Any other modulus fails with a message, which
 * below 65536 says that the number is not prime ("... (got 65520, which is
 * not prime)").  Neither may change the prime once polynomials were entered
 * (reset_memory first). */
void Zel_int_reset_coeffs(UI32 n);
void Zel_reset_coeffs(UI32 n, UI32* pr);
/* Declares the n1 + n2 variables, named in the order of the exponent
 * vectors (n1 + n2 <= 9999), and splits them into two blocks: the first n1
 * variables and the last n2.  The order compares the degree in the first
 * block, then the first block in degree reverse lexicographic order, then
 * the second block in that order: the basis of mode 1 eliminates the first
 * block (its polynomials free of it generate the elimination ideal).
 * n1 = 0 (or n2 = 0) gives one block, the degree reverse lexicographic
 * order on all variables.  The names are kept by pointer and must live as
 * long as the session.  The blocks may not change once polynomials were
 * entered (reset_memory first). */
void Zel_int_reset_expos(UI32 n1, UI32 n2, char** names);
void Zel_reset_expos(UI32 n1, UI32 n2, char** names);
void Zel_int_log(FILE* log);
void Zel_log(FILE* log);
/* Gives all engine memory back (as reset_memory); returns 1. */
I32 Zel_int_free_memory(void);
I32 Zel_free_memory(void);

/* ---- Polynomial input ----------------------------------------------------
 * Prime field: creat_poly makes a polynomial of nterms terms; set_expos2
 * sets the nvars (<= declared variables) exponents of term i, each in
 * 0..32767; set_coeff_I32 its coefficient (any integer, reduced modulo the
 * prime); full_sort_poly2 then sorts the terms, adds those with equal
 * monomials and drops zero terms.  A term left unset counts as zero; one
 * given a non-zero coefficient but no exponents is refused by
 * full_sort_poly2.  A term count whose storage exceeds the machine's memory
 * is refused by creat_poly. */
void* Zel_creat_poly(UI32 nterms);
void Zel_int_set_expos2(void* p, UI32 i, const I32* e, UI32 nvars);
void Zel_set_expos2(void* p, UI32 i, const I32* e, UI32 nvars);
void Zel_int_set_coeff_I32(void* p, UI32 i, I32 c);
void Zel_set_coeff_I32(void* p, UI32 i, I32 c);
void Zel_full_sort_poly2(void* p);

/* Integer build: creat_poly makes a polynomial of nterms terms with integer
 * coefficients (in the engine's zone 3: valid until the next reset).  Per
 * term i, set_expos2 and one of:
 *   set_coeff_raw: u[0] the sign (negative for a negative number), u[1 ..
 *     n-1] the magnitude in 32-bit words, least significant first (n >= 1;
 *     n = 1 is 0);
 *   set_coeff_gmp: a copy of the caller's integer (only read);
 *   set_coeff_gmp_str: a decimal integer ("-123"; blanks around allowed).
 * full_sort_poly2 then adds the coefficients of equal monomials, drops zero
 * and unset terms, homogenises and sorts.  Bad input (a term index out of
 * range, no sign word, text that is no integer, a non-zero coefficient
 * without exponents, a term count beyond the machine's memory) fails with a
 * message.
 * Every entry of the integer build leaves GMP's memory functions as the
 * caller had them. */
void* Zel_int_creat_poly(UI32 nterms);
void Zel_int_set_coeff_raw(void* p, UI32 i, const I32* u, UI32 n);
void Zel_int_set_coeff_gmp(void* p, UI32 i, mpz_srcptr c);
void Zel_int_set_coeff_gmp_str(void* p, UI32 i, const char* decimal);
void Zel_int_full_sort_poly2(void* p);
/* Residues of the number given as |n| digits d[] in base radix (least
 * significant first, the low 32 bits of each word), negated for n < 0,
 * modulo each prime of the batch, into r[0 .. n primes). */
void Zel_int_convert_from_ntl_int(const uint64_t* d, I32 n, UI32* r, UI32 radix);
/* Holds the engine's GMP context across calls (counted): GMP's memory
 * functions are the engine's zones until the matching exit.  Not needed by
 * callers: every entry enters and leaves on its own. */
void Zel_int_enter(void);
void Zel_int_exit(void);
void Zel_enter(void);
void Zel_exit(void);

/* ---- Results -------------------------------------------------------------- */
UI32 Zel_int_nb_terms(void* p);
UI32 Zel_nb_terms(void* p);
UI32 Zel_int_size_poly(void* p);
UI32 Zel_size_poly(void* p);
/* Exponents (nvars per term) and lane-0 residues of a residue polynomial of
 * m terms; -1 (nothing written) when m is not its term count, nvars
 * exceeds the declared variables or a term has a non-zero exponent in a
 * variable past the first nvars (it would read as another term), 1
 * otherwise. */
I32 Zel_int_export_poly(UI32 nvars, UI32 m, UI32* exps, UI32* coeffs, void* p);
I32 Zel_export_poly(UI32 nvars, UI32 m, UI32* exps, UI32* coeffs, void* p);
/* Integer build, polynomials with integer coefficients (input or results):
 * export_poly_INT writes, for each of the m terms, nvars exponents at
 * exps[k*nvars] and the coefficient as B words at out[k*B] (sign word 1 or
 * -1, magnitude least significant first, zero padded), stored in *width:
 * B = 1 + 2*L, L the largest number of 64-bit limbs of a magnitude (a
 * magnitude takes whole pairs of words: B = 3 for every coefficient of
 * absolute value 1 to 2^64 - 1, B = 1 when all are 0).  -1 when m is not
 * the term count, -2 (nothing written) when B*m >= limit.
 * export_poly_mon_INT does the same for term k alone, L that of its
 * coefficient (-2 when B >= limit).  export_poly_INT_gmp writes the
 * exponents and returns m pointers (valid until the next reset) to the
 * polynomial's own coefficients, export_monom_INT the exponents of term k
 * and a pointer to its coefficient; null on a count or index mismatch.
 * With nvars below the declared variables, -1 or null (nothing written)
 * when an exported term has a non-zero exponent past the first nvars.
 * Those coefficients are the engine's: read them, never change them.  The
 * four exports need a polynomial sorted since its terms were last set (or a
 * result), and non-null arrays (and width) where they write. 
 * see_Dpol_INT prints p on the output channel; returns 1. */
I32 Zel_int_export_poly_INT(UI32 nvars, UI32 m, UI32* exps, UI32* out, I32 limit, void* p,
                            UI32* width);
I32 Zel_int_export_poly_mon_INT(I32 k, UI32 nvars, I32 m, UI32* exps, UI32* out, I32 limit,
                                void* p, UI32* width);
mpz_srcptr* Zel_int_export_poly_INT_gmp(UI32 nvars, UI32 m, UI32* exps, void* p);
mpz_srcptr Zel_int_export_monom_INT(UI32 k, UI32 nvars, UI32* exps, void* p);
I32 Zel_int_see_Dpol_INT(void* p);
/* Prints p ("f<serial> = " and its terms) on the standard error stream when
 * the engine's messages are silent, else through the message sink. */
void Zel_see_Dpol(void* p);

/* ---- Residue accessors (one lane of 32-bit residues per prime in the
 * integer build, one lane of 16-bit residues in the prime field) ---------- */
void Zel_int_set_coeff(void* p, UI32 i, const UI32* c);
void Zel_set_coeff(void* p, UI32 i, const uint16_t* c);
UI32* Zel_int_get_coeff(void* p, UI32 i, UI32* c);
uint16_t* Zel_get_coeff(void* p, UI32 i, uint16_t* c);
void* Zel_int_set_expos(void* p, UI32 i, const I32* e);
void* Zel_set_expos(void* p, UI32 i, const I32* e);
/* assign_expos makes a monomial (n exponents) and set_expos one for term i
 * of p, returned; set_expos_d makes m the monomial of term i.  m must come
 * from assign_expos or set_expos of this session: monomials, like handles,
 * go with the next reset, and one made before reset_expos declared another
 * number of variables is refused.  full_sort_poly sorts p as
 * full_sort_poly2 does, copying a shared monomial before raising it. */
void Zel_int_set_expos_d(void* p, UI32 i, void* m);
void Zel_set_expos_d(void* p, UI32 i, void* m);
void* Zel_int_assign_expos(const I32* e, UI32 n);
void* Zel_assign_expos(const I32* e, UI32 n);
void Zel_int_get_expos(void* p, UI32 i, I32* e);
void Zel_get_expos(void* p, UI32 i, I32* e);
void Zel_int_sort_poly(void* p);
void Zel_sort_poly(void* p);
void Zel_int_full_sort_poly(void* p);
void Zel_full_sort_poly(void* p);
UI32 Zel_int_size_memory_coeff(void);
UI32 Zel_size_memory_coeff(void);

/* ---- Computations ----------------------------------------------------------
 * groebner: the nb polynomials of base, the request in env (the results of
 * each mode are described with the ZEL_COMPUTE_ values); results go to
 * result (room for 100000 handles), their number is returned and the CPU
 * seconds are stored in *cpu.  block: keep only the results free of the
 * first `block` variables; restrict: the same with the declared blocks.
 * bk0: mode 11 only, where the blocks of its first basis split (0 .. the
 * number of variables; a larger value is refused).  mingbasis_strong: integer build, mode 1 only: 0
 * gives a minimal basis whose tails are not reduced by the other
 * polynomials (the same leading terms as the reduced basis), non-zero the
 * reduced basis; the other modes and the prime-field build always reduce.
 * pas0: integer build only (below); the prime-field build does not read it.
 * Modes the build cannot run fail with a message.  A request stopped while
 * it runs (stop_immediately then returns 1, until the next request starts
 * unstopped) returns 0, hands out nothing and writes "interrupted" through
 * the engine's messages.
 * groebner, hilbert and gbasis_rr_form read every input before they write
 * a result: result may overlap base, or be base itself. */
UI32 Zel_groebner(void** base, UI32 nb, void** result, I32 mingbasis_strong, I32 block,
                  double* cpu, I32 bk0, I32 pas0, I32 restrict_, ZEL_Comp_Desc env);
/* Integer build: every mode of the prime-field build (ZEL_COMPUTE_GBASIS to
 * ZEL_COMPUTE_MATRIXN) over the rationals, run modulo batches of primes and
 * lifted.  base holds polynomials of creat_poly (integer coefficients); the
 * results are polynomials with integer coefficients, each the polynomial
 * the mode gives over the rationals times the lcm of its denominators
 * (export_poly_INT).
 * pas0: primes of the first batch (<= 0: chosen from the coefficient
 * sizes, which also bound a given pas0 from below); env->_off: where in
 * the prime table the batches start (< 0: random). */
UI32 Zel_int_groebner(void** base, UI32 nb, void** result, I32 mingbasis_strong, I32 block,
                      double* cpu, I32 bk0, I32 pas0, I32 restrict_, ZEL_Comp_Desc env);
/* hilbert reads only the leading monomial of each of the nb polynomials of
 * base, for the declared order, and gives the numerator N(s) of the series
 * sum over d of (the number of monomials of degree d that none of them
 * divides) s^d = N(s) / (1 - s)^n, n the declared variables.  base must be
 * a Groebner basis (mode 1's result): then those monomials are the
 * standard monomials of its ideal.  On plain generators the series is that
 * of their leading monomials alone, not of the ideal they generate.  One
 * result, returned 1: N's non-zero coefficients, highest degree first, each
 * a term whose first exponent is its degree (the others 0); the integer
 * build's coefficients are integers (export_poly_INT), the prime-field
 * build's residues modulo the prime.  Zero polynomials count for nothing;
 * a numerator of degree above 65524 fails with a message.  *cpu: the CPU
 * seconds; mingbasis_strong, block and restrict_ are only recorded, bk0
 * and pas0 not read. */
UI32 Zel_int_hilbert(void** base, UI32 nb, void** result, I32 mingbasis_strong, I32 block,
                     double* cpu, I32 bk0, I32 pas0, I32 restrict_);
UI32 Zel_hilbert(void** base, UI32 nb, void** result, I32 mingbasis_strong, I32 block,
                 double* cpu, I32 bk0, I32 pas0, I32 restrict_);
/* gbasis_rr_form: the result of mode 2 (ZEL_COMPUTE_RRFORM) for the nb
 * polynomials of base, without a compute record; stopped, as groebner. */
UI32 Zel_int_gbasis_rr_form(void** base, UI32 nb, void** result, double* cpu);
UI32 Zel_gbasis_rr_form(void** base, UI32 nb, void** result, double* cpu);
/* The local date and time ("%a %b %e %H:%M:%S") into buffer; the number of
 * characters written, 0 when it does not fit. */
I32 Zel_int_recompute(char* buffer, I32 size);
I32 Zel_recompute(char* buffer, I32 size);
void Zel_int_memory_state(void);
void Zel_memory_state(void);

/* ---- Session recording -----------------------------------------------------
 * d non-zero starts a recording comment (opening the file if needed); 0
 * closes the recorded program. */
void Zel_int_debug(I32 d);
void Zel_debug(I32 d);

/* ---- Other entries ---------------------------------------------------------- */
/* 11804 in the integer build, 11803 in the prime-field build. */
I32 Zel_int_internal_version(void);
I32 Zel_internal_version(void);
/* Prime field: OpenMP threads of the engine (n <= 0 means 1); returns the
 * count set.  Integer build: single-threaded, returns -1. */
I32 Zel_int_internal_threads(I32 n);
I32 Zel_internal_threads(I32 n);
/* Prints the build report (on the standard error stream when the engine's
 * messages are silent, else through the message sink); returns the
 * version. */
I32 Zel_int_internal_report(void);
I32 Zel_internal_report(void);
I32 Zel_int_scheduler(void);
I32 Zel_scheduler(void);
/* Returns the stop flag; any thread may call it while a request runs.
 * Called from inside a call of the library (a host's callback), it first
 * polls the host for an interrupt.  It only reads: it stops nothing.  No
 * entry of this header sets the flag, and without a host nothing reports
 * an interrupt, so a program that uses this header alone cannot stop a
 * running request (SIGINT, with no handler installed, ends the process).
 * Requests are stopped through the host binding (zel_binding.h): a host of
 * version 11 or later by its interrupt check, which the computing thread
 * polls; under an older host by SIGINT, whose handler gbasis_init installs
 * and which sets the flag. */
I32 Zel_int_stop_immediately(void);
I32 Zel_stop_immediately(void);
I32 Zel_int_want_full_lift(void);
I32 Zel_want_full_lift(void);
/* User plus system CPU seconds of the process. */
double Zel_int_cpu(void);
double Zel_cpu(void);
/* Debugging stop: writes "Attendre" and never returns. */
void Zel_int_attendre(void) ZEL_C_NORETURN;
void Zel_attendre(void) ZEL_C_NORETURN;
I32 Zel_int_attendre1(void);
I32 Zel_attendre1(void);

/* Engine messages: printf-style text handed to the host's message sink.
 * Fatal raises the text as a host error and does not return (a C caller's
 * process ends with status 1). */
void Zel_int_Fatal(const char* format, ...) ZEL_C_NORETURN;
void Zel_Fatal(const char* format, ...) ZEL_C_NORETURN;
void Zel_int_Output(const char* format, ...);
void Zel_Output(const char* format, ...);
int Zel_int_Stderr(const char* format, ...);
int Zel_Stderr(const char* format, ...);
void Zel_int_Infos(const char* format, ...);
void Zel_Infos(const char* format, ...);

/* size bytes, 16-byte aligned, from the engine's current zone; valid until
 * the zone is rolled back or the engine's memory is reset. */
void* Zel_int_alloc64(uint64_t size);
void* Zel_alloc64(uint64_t size);
/* n rounded up to the vector width: 4 (integer build) or 8 (prime field);
 * an n whose rounded value does not fit in 32 bits fails with a message. */
UI32 Zel_int_align_vector_size(UI32 n);
UI32 Zel_align_vector_size(UI32 n);

/* Writes "Save session in %s for proc %d" and opens the parallel method's
 * file of process proc for writing; never returns NULL. */
FILE* Zel_int_ouvrir_paral(I32 proc);
FILE* Zel_ouvrir_paral(I32 proc);

/* Sparse change of order: univariate polynomials modulo the prime of the
 * last run (entry i the coefficient of X^i, degree -1 for zero).  shift_X
 * multiplies P by X and returns d + 1 (0 for the zero polynomial, P[0] set
 * to 0); combi_lin adds c*Q to P and returns the new degree. */
I32 Zel_int_shift_X(UI32* P, I32 d);
I32 Zel_shift_X(uint16_t* P, I32 d);
I32 Zel_int_combi_lin(UI32* P, I32 dP, UI32 c, const UI32* Q, I32 dQ);
I32 Zel_combi_lin(uint16_t* P, I32 dP, UI32 c, const uint16_t* Q, I32 dQ);
/* 1 after each entry of the sparse change of order; 0 once an inverse of
 * zero was asked for since. */
extern I32 Zel_int_modulo_ok;
extern I32 Zel_modulo_ok;

/* Sparse FGLM on the matrix T of multiplication by the last variable, of
 * order D: copy rows as pairs (row, column) ended by a negative row, dense
 * rows as pairs (row, first column) ended by -1, and the dense rows
 * themselves (prime-field build: a table of 16-byte aligned rows of symmetric
 * residues padded to a multiple of 8; integer build: one block of residues,
 * rows padded to a multiple of 4).  Print mode (print = 1) writes the
 * polynomials with the names on the standard output; store mode fills the
 * degree table (variables with a negative coordinate keep their entry) and
 * writes the coefficients of variable j's polynomial, lowest degree first,
 * into dense row j (prime-field build: rows[j], each residue's bits in a
 * 16-bit slot; integer build: the j-th row of the block) whenever there is
 * such a row and its padded length holds degree + 1 residues, overwriting
 * the matrix (a caller that runs again on it passes a copy).  The library
 * keeps every polynomial, those that did not fit included, until the next
 * call (Zel_w_fglm_result).  Returns the degree of the minimal polynomial of the last variable,
 * 0 in block-session mode (proc >= 1), -1 when none was found. */
I32 Zel_int_w_fglm(I32 D, I32* sparse, I32* nosp, I32 nvars, I32* coords, UI32* rows,
                   I32 version, I32* degrees, UI32* prime, I32 verbose, I32 print, char** names,
                   I32 sqfr, I32 minpoly_only, I32 estimate, I32 proc, I32 bk);
I32 Zel_w_fglm(I32 D, I32* sparse, I32* nosp, I32 nvars, I32* coords, int16_t** rows,
               I32 version, I32* degrees, UI32* prime, I32 verbose, I32 print, char** names,
               I32 sqfr, I32 minpoly_only, I32 estimate, I32 proc, I32 bk);
/* Store-mode results of the last Zel_w_fglm / Zel_int_w_fglm call: copies
 * the coefficients of variable j's polynomial (lowest degree first; its
 * degree is entry j of the degree table) into out, at most room of them.
 * Returns the number of residues kept per variable (D+1), or -1 when no
 * store-mode result is kept or j is out of range. */
I32 Zel_int_w_fglm_result(I32 j, UI32* out, I32 room);
I32 Zel_w_fglm_result(I32 j, UI32* out, I32 room);
/* The prime-field build's symmetric residue range: a caller of Zel_w_fglm
 * sets PrimeSign = p and PrimeHalf = (p-1)/2 before it builds the dense
 * rows (entries in [-PrimeHalf, PrimeHalf]). */
extern I32 PrimeSign;
extern I32 PrimeHalf;
/* Scalar Wiedemann: the minimal polynomial of T (dense rows contiguous,
 * residues in [0, p)), written lowest degree first as 32-bit values over the
 * start of the dense rows.  minpoly2 takes copy pairs, minpoly single
 * indices i meaning row i is the unit vector of column i+1.  Return the
 * degree, or -1 when the rows have no room for the result.  Zel_int_w_minpoly
 * does nothing and returns 0. */
I32 Zel_int_w_minpoly2(UI32* prime, I32 D, I32* sparse, I32* nosp, UI32* rows, I32 sqfr);
I32 Zel_w_minpoly2(UI32* prime, I32 D, I32* sparse, I32* nosp, uint16_t* rows, I32 sqfr);
I32 Zel_int_w_minpoly(UI32 p, I32 D, I32* shifts, I32* nosp, UI32* rows);
I32 Zel_w_minpoly(UI32 p, I32 D, I32* shifts, I32* nosp, uint16_t* rows);
/* Block method.  init_BlockHankel makes p the prime of the block layer and
 * restarts its random generator (a prime the build's residues cannot hold,
 * or no prime, ends the process with status 3); the prime-field build's
 * caller also sets PrimeSign and PrimeHalf.  test_MatDom1 checks the layer
 * on built-in answers modulo 65521, one "ok" line per check on stderr; a
 * failed check ends the process with status 4 (the integer build ends with
 * status 5 after its product check).  fglm_polys computes the generator
 * MX[0] .. MX[len] (len+1 caller-owned bk x bk matrices, MX[len] = I) of
 * the bk sequences seqs[j] of 2*len*bk residues (symmetric in the
 * prime-field build), after init_BlockHankel; bk >= 1 and len >= 1.  A
 * singular pivot block ends the process with status 4, the integer build
 * with status 5.  Returns 0. */
void Zel_int_init_BlockHankel(UI32 p);
void Zel_init_BlockHankel(UI32 p);
void Zel_int_test_MatDom1(void);
void Zel_test_MatDom1(void);
I32 Zel_int_fglm_polys(UI32** MX, UI32** seqs, I32 bk, I32 len, I32 verbose);
I32 Zel_fglm_polys(int16_t** MX, int16_t** seqs, I32 bk, I32 len, I32 verbose);

/* Writes the gap code of the n increasing column offsets cols (cols[0] = 0)
 * into buf; the code must end strictly inside the capacity bytes, otherwise
 * the call fails. */
void Zel_int_compactify(unsigned char* buf, UI32 capacity, const UI32* cols, UI32 n,
                        UI32* ncodes, UI32* nbytes);
void Zel_compactify(unsigned char* buf, UI32 capacity, const UI32* cols, UI32 n,
                    UI32* ncodes, UI32* nbytes);

/* Cuts polynomial p (a handle) down to the leading run of its terms that
 * agree with the leading monomial on the first block of variables.  Returns
 * p; null, with p untouched, when p has fewer than two terms, the first block
 * is empty or the leading monomial has none of its variables; null too when
 * the run is the leading term alone (p then keeps that one term). */
void* Zel_int_coeff_Dpol(void* p);
void* Zel_coeff_Dpol(void* p);
/* A polynomial from a matrix row whose coefficients are held densely (one
 * array of `width` residues per lane), its columns mapped back to monomials
 * through the step's code table; R is the rank of the row's leading
 * monomial.  No function of the library calls it. */
void* Zel_int_clone_ALGO_Dpol(void* row, void* codes, UI32 R);
void* Zel_clone_ALGO_Dpol(void* row, void* codes, UI32 R);

#ifdef __cplusplus
}
#endif

#endif /* CALL_ZEL_H */
