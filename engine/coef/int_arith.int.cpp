// Integer build: arithmetic, conversion, export and printing of INT.
#include "engine/coef/int_arith.hpp"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/coef/int_context.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

char* info_lift_package = nullptr;

namespace {

INT fresh() {
  INT r;
  mpz_init(&r);
  return r;
}

void check_nonzero(const INT& b, const char* who) {
  if (mpz_sgn(&b) == 0) Fatal("Division by zero in %s\n", who);
}

// The digits of text between optional blanks, after at most one sign; null
// when text is no decimal integer.  The digits go to `digits`.
bool decimal_digits(const char* text, std::string& digits, bool& negative) {
  if (text == nullptr) return false;
  const char* s = text;
  while (std::isspace(static_cast<unsigned char>(*s))) s++;
  negative = false;
  if (*s == '-' || *s == '+') negative = *s++ == '-';
  const char* d = s;
  while (*s >= '0' && *s <= '9') s++;
  if (s == d) return false;
  digits.assign(d, s);
  while (std::isspace(static_cast<unsigned char>(*s))) s++;
  return *s == '\0';
}

}  // namespace

INT ZEL_C(cINT_I32)(int32_t i) {
  INT r;
  mpz_init_set_si(&r, i);
  return r;
}

INT ZEL_C(cINT_Dom)(uint32_t u) {
  INT r;
  mpz_init_set_ui(&r, u);
  return r;
}

INT ZEL_C(copy_INT)(const INT& a) {
  INT r;
  mpz_init_set(&r, &a);
  return r;
}

INT ZEL_C(add_INT)(const INT& a, const INT& b) {
  INT r = fresh();
  mpz_add(&r, &a, &b);
  return r;
}

INT ZEL_C(sub_INT)(const INT& a, const INT& b) {
  INT r = fresh();
  mpz_sub(&r, &a, &b);
  return r;
}

INT ZEL_C(mult_INT)(const INT& a, const INT& b) {
  INT r = fresh();
  mpz_mul(&r, &a, &b);
  return r;
}

void ZEL_C(add_INT_d)(INT* a, const INT& b) { mpz_add(a, a, &b); }
void ZEL_C(add_INT_dd)(INT* a, const INT& b) { mpz_add(a, a, &b); }
void ZEL_C(mult_INT_d)(INT* a, const INT& b) { mpz_mul(a, a, &b); }

INT ZEL_C(quot_INT)(const INT& a, const INT& b) {
  check_nonzero(b, "quot_INT");
  INT r = fresh();
  mpz_tdiv_q(&r, &a, &b);
  return r;
}

INT ZEL_C(exquo_INT)(const INT& a, const INT& b) {
  check_nonzero(b, "exquo_INT");
  INT r = fresh();
  mpz_divexact(&r, &a, &b);
  return r;
}

INT ZEL_C(divide_INT)(const INT& a, const INT& b, INT* rem) {
  check_nonzero(b, "divide_INT");
  INT q = fresh();
  mpz_init(rem);
  mpz_tdiv_qr(&q, rem, &a, &b);
  return q;
}

INT ZEL_C(mod_INT)(const INT& a, const INT& m) {
  check_nonzero(m, "mod_INT");
  INT r = fresh();
  mpz_mod(&r, &a, &m);
  return r;
}

void ZEL_C(mod_INT_d)(INT* a, const INT& m) {
  check_nonzero(m, "mod_INT");
  mpz_mod(a, a, &m);
}

INT ZEL_C(gcd_INT)(const INT& a, const INT& b) {
  INT r = fresh();
  mpz_gcd(&r, &a, &b);
  return r;
}

INT ZEL_C(sqrt_INT)(const INT& a) {
  if (mpz_sgn(&a) < 0) Fatal("Square root of a negative integer\n");
  INT r = fresh();
  mpz_sqrt(&r, &a);
  return r;
}

void ZEL_C(SetSign_Int)(INT* v, int32_t s) {
  if (s == 0)
    v->_mp_size = 0;
  else if (s > 0)
    v->_mp_size = v->_mp_size < 0 ? -v->_mp_size : v->_mp_size;
  else
    v->_mp_size = v->_mp_size > 0 ? -v->_mp_size : v->_mp_size;
}

int32_t ZEL_C(GetSign_Int)(const INT& v) { return mpz_sgn(&v); }
bool ZEL_C(is_zero_INT)(const INT& v) { return mpz_sgn(&v) == 0; }
bool ZEL_C(is_one_INT)(const INT& v) { return mpz_cmp_ui(&v, 1) == 0; }
bool ZEL_C(is_neg_one_INT)(const INT& v) { return mpz_cmp_si(&v, -1) == 0; }

int32_t ZEL_C(compare_INT)(const INT& a, const INT& b) {
  const int c = mpz_cmp(&a, &b);
  return (c > 0) - (c < 0);
}

int32_t ZEL_C(ucompare_INT)(const INT& a, const INT& b) {
  const int c = mpz_cmpabs(&a, &b);
  return (c > 0) - (c < 0);
}

uint32_t ZEL_C(GetLSize_Int)(const INT& v) { return uint32_t(std::abs(v._mp_size)); }
uint32_t ZEL_C(Relative_GetLSize_Int)(const INT& v) { return 2 * ZEL_C(GetLSize_Int)(v); }

// The top two limbs as a double, scaled by the limbs below them: log2 of
// |v| divided by 32.
double ZEL_C(estime_log_INT)(const INT& v) {
  const uint32_t n = ZEL_C(GetLSize_Int)(v);
  if (n == 0) return 0;
  double top = double(v._mp_d[n - 1]);
  uint32_t below = n - 1;
  if (n >= 2) {
    top = top * 18446744073709551616.0 + double(v._mp_d[n - 2]);
    below = n - 2;
  }
  return std::log(top) / 22.18070977791825 + 2.0 * below;
}

uint32_t ZEL_C(INT_to_Dom)(const INT& v, uint32_t p) {
  if (p == 0) Fatal("Residue modulo 0 asked for\n");
  // fdiv gives the non-negative remainder for a positive divisor.
  return uint32_t(mpz_fdiv_ui(&v, p));
}

bool parse_INT(const char* text, INT* v) {
  std::string digits;
  bool negative;
  if (!decimal_digits(text, digits, negative)) return false;
  mpz_init_set_str(v, digits.c_str(), 10);
  if (negative) mpz_neg(v, v);
  return true;
}

void ZEL_C(convert_modulos)(const char* text, uint32_t* out, const uint32_t* primes, uint32_t n) {
  std::string digits;
  bool negative;
  if (!decimal_digits(text, digits, negative))
    Fatal("Not an integer: \"%s\"\n", text ? text : "(null)");
  IntContext ctx;
  ZoneScope scope;
  INT v;
  mpz_init_set_str(&v, digits.c_str(), 10);
  for (uint32_t i = 0; i < n; i++) out[i] = uint32_t(mpz_fdiv_ui(&v, primes[i]));
}

uint32_t export_words_INT(const INT& v) { return ZEL_C(Relative_GetLSize_Int)(v); }

void ZEL_C(export_INT)(uint32_t* out, const INT& v, uint32_t len) {
  // Only significant words must fit: the top limb may need its low half only.
  const uint32_t limbs = ZEL_C(GetLSize_Int)(v);
  const uint32_t need =
      limbs == 0 ? 0 : 2 * limbs - ((v._mp_d[limbs - 1] >> 32) == 0 ? 1 : 0);
  if (len == 0 || need > len - 1)
    Fatal("Zel interface error: an integer of %u words does not fit in %u words\n", need + 1, len);
  out[0] = mpz_sgn(&v) < 0 ? uint32_t(-1) : 1u;
  const mp_limb_t* d = v._mp_d;
  for (uint32_t w = 0; w < len - 1; w++)
    out[1 + w] = w < need ? uint32_t(d[w / 2] >> (32 * (w % 2))) : 0;
}

INT ZEL_C(import_INT)(const int32_t* in, uint32_t len) {
  INT r = fresh();
  if (len <= 1) return r;
  mpz_import(&r, len - 1, -1, sizeof(int32_t), 0, 0, in + 1);
  if (in[0] < 0) mpz_neg(&r, &r);
  return r;
}

INT ZEL_C(import_gmp_INT)(mpz_srcptr v, FILE* stream) {
  INT r;
  mpz_init_set(&r, v);
  if (stream != nullptr) mpz_out_str(stream, 10, v);
  return r;
}

void ZEL_C(see_INT)(const INT& v) {
  const size_t n = mpz_sizeinbase(&v, 10) + 2;
  std::vector<char> buf(n);
  mpz_get_str(buf.data(), 10, &v);
  Output_string(buf.data());
}

void ZEL_C(see_INT_mod)(const INT& v, uint32_t p) { Output("%u", ZEL_C(INT_to_Dom)(v, p)); }

void ZEL_C(see_FRAC_INT_float)(const INT& a, const INT& b, uint32_t prec) {
  check_nonzero(b, "see_FRAC_INT_float");
  mpf_t x, y;
  mpf_init2(x, prec);
  mpf_init2(y, prec);
  mpf_set_z(x, &a);
  mpf_set_z(y, &b);
  mpf_div(x, x, y);
  mp_exp_t e;
  char* digits = mpf_get_str(nullptr, &e, 10, prec, x);
  // d.ddd...e<exp>, or 0.
  std::string text;
  const char* d = digits;
  if (*d == '-') text += *d++;
  if (*d == '\0') {
    text += "0";
  } else {
    text += *d++;
    text += '.';
    text += (*d != '\0') ? d : "0";
    text += "e" + std::to_string(long(e) - 1);
  }
  void (*free_fn)(void*, size_t);
  mp_get_memory_functions(nullptr, nullptr, &free_fn);
  free_fn(digits, std::strlen(digits) + 1);
  mpf_clear(x);
  mpf_clear(y);
  Output_string(text.c_str());
}

void enregistre(const INT& v) { enregistre_size(ZEL_C(estime_log_INT)(v)); }

void ZEL_C(init_urgent_implement_Dom)() {
  info_lift_package = static_cast<char*>(xmalloc(200));
  // The version of the library in use, not of the header compiled against.
  std::snprintf(info_lift_package, 200, "New Lift 2.0 + GC + GMP %s", gmp_version);
}

}  // namespace zel::ZEL_BUILD
