#include "sparse/combine_results.hpp"

#include <cctype>
#include <cstdio>
#include <string>

#include "engine/coef/primes.hpp"
#include "engine/driver/prime_sign.hpp"
#include "engine/mem/files.hpp"
#include "engine/mem/messages.hpp"
#include "sparse/block_hankel.hpp"
#include "sparse/block_selftest.hpp"
#include "sparse/messages.hpp"

namespace zel::ZEL_BUILD {

namespace {

bool separator(int c) {
  return c == '[' || c == ']' || c == ',' || c == ':' || c == '\n' || c == ' ';
}

enum class Token { kNumber, kEnd, kBad };

// The next number of the file into *v.  Anything but a decimal integer
// between separators is kBad: a damaged file would otherwise feed the
// solver wrong residues.
Token next_number(FILE* f, long long* v, std::string* token) {
  int c;
  do c = std::getc(f);
  while (c != EOF && (separator(c) || c == '\r' || c == '\t'));
  if (c == EOF) return Token::kEnd;
  token->clear();
  for (; c != EOF && !separator(c) && c != '\r' && c != '\t'; c = std::getc(f))
    token->push_back(static_cast<char>(c));
  const size_t i = (*token)[0] == '-' || (*token)[0] == '+' ? 1 : 0;
  const bool digits = i < token->size() && token->size() - i <= 18 &&
                      token->find_first_not_of("0123456789", i) == std::string::npos;
  if (!digits) return Token::kBad;
  *v = std::stoll(*token);
  return Token::kNumber;
}

// Sequence of one process: `want` residues in the block representation.
std::vector<MatEntry> read_sequence(const std::string& name, int32_t want, uint32_t p) {
  FILE* f = ouvrir(name.c_str(), "r");  // fatal when it cannot be opened
  std::vector<MatEntry> seq;
  seq.reserve(want);
  long long v;
  std::string token;
  Token t = Token::kEnd;
  while (static_cast<int32_t>(seq.size()) < want && (t = next_number(f, &v, &token)) == Token::kNumber) {
    long long r = v % static_cast<long long>(p);
    if (r < 0) r += p;
    if constexpr (kIntegerBuild)
      seq.push_back(static_cast<MatEntry>(r));
    else
      seq.push_back(static_cast<MatEntry>(r > (p - 1) / 2 ? r - static_cast<long long>(p) : r));
  }
  const int32_t got = static_cast<int32_t>(seq.size());
  if (got == want) {
    t = next_number(f, &v, &token);
    if (t != Token::kEnd) std::fputs("Ignore data in session file !\n", err_stream());
  }
  fermer(f);
  if (got < want && t == Token::kBad)
    Fatal("Bad number %s in session file %s\n", token.c_str(), name.c_str());
  if (got < want) Fatal("Expect %d data in file %s but received %d\n", want, name.c_str(), got);
  return seq;
}

}  // namespace

int32_t combine_results(const char* session, int32_t bk, int32_t D, BlockGenerator* out) {
  if (bk < 1 || D < bk) Fatal("combine_results: needs 1 <= bk <= D (bk=%d, D=%d)\n", bk, D);
  if (ZEL_C(Primes) == nullptr || ZEL_C(Primes)[0] < 2) Fatal("combine_results: no prime\n");
  const uint32_t p = ZEL_C(Primes)[0];
  if (session == nullptr) session = paral_session_name;
  const int32_t len = D / bk;

  std::vector<std::vector<MatEntry>> seqs(bk);
  std::vector<const MatEntry*> seq_ptr(bk);
  for (int32_t k = 1; k <= bk; ++k) {
    seqs[k - 1] = read_sequence(std::string(session) + "." + std::to_string(k), 2 * len * bk, p);
    seq_ptr[k - 1] = seqs[k - 1].data();
  }

  BlockGenerator local;
  BlockGenerator& g = out != nullptr ? *out : local;
  g.bk = bk;
  g.len = len;
  g.coeffs.assign(static_cast<size_t>(len + 1) * bk * bk, 0);
  std::vector<MatEntry*> MX(len + 1);
  for (int32_t i = 0; i <= len; ++i) MX[i] = g.coeffs.data() + static_cast<size_t>(i) * bk * bk;

  if constexpr (!kIntegerBuild) set_prime_sign(p);
  ZEL_C(init_BlockHankel)(p);
  ZEL_C(test_MatDom1)();
  fglm_polys(MX.data(), seq_ptr.data(), bk, len, 1);
  return 0;
}

}  // namespace zel::ZEL_BUILD
