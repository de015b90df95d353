// Helpers of the monomial tests.
#include "mono_fixture.hpp"

namespace zel_test {

void use_layout(uint32_t n, uint32_t s) {
  want_Lexico = 0;
  ZEL_C(want_quiet) = 1;
  set_Expos(n);
  var_second_block = s;
}

NaiveMono to_naive(const ExposW* m) {
  NaiveMono e(4 * nb_of_blocks_of_variables);
  for (uint32_t i = 0; i < e.size(); ++i) e[i] = int(get_field(m, i));
  return e;
}

int random_exponent(std::mt19937_64& rng) {
  static const int patterns[] = {0x7FFF, 0x4000, 0x3FFF, 0x00FF, 0x0100, 0x7F00,
                                 0x0001, 0x7FFE, 0x0080, 0x5555, 0x2AAA, 0x7F7F};
  switch (rng() % 8) {
    case 0:
    case 1:
    case 2:
      return 0;
    case 3:
      return int(1 + rng() % 3);
    case 4:
      return int(32767 - rng() % 8);
    case 5:
      return patterns[rng() % (sizeof patterns / sizeof *patterns)];
    case 6:
      return int(rng() % 32768);
    default:
      return int(rng() % 100);
  }
}

NaiveMono random_mono(std::mt19937_64& rng) {
  NaiveMono e(4 * nb_of_blocks_of_variables, 0);
  for (uint32_t i = 0; i < nb_of_variables; ++i) e[i] = random_exponent(rng);
  return e;
}

NaiveMono random_neighbour(std::mt19937_64& rng, const NaiveMono& a) {
  NaiveMono b = a;
  const uint32_t N = nb_of_variables;
  if (rng() % 4 == 0) {
    b[rng() % N] = random_exponent(rng);
    return b;
  }
  // Move units between variables: same total degree (and often the same
  // degree of each block), different fields.
  for (int moves = 1 + int(rng() % 3); moves > 0; --moves) {
    const uint32_t i = rng() % N, j = rng() % N;
    const int room = 32767 - b[j];
    int amount = int(1 + rng() % 4);
    if (amount > b[i]) amount = b[i];
    if (amount > room) amount = room;
    b[i] -= amount;
    b[j] += amount;
  }
  return b;
}

NaiveMono random_divisor_or_not(std::mt19937_64& rng, const NaiveMono& a) {
  NaiveMono b(a.size(), 0);
  for (uint32_t i = 0; i < nb_of_variables; ++i) {
    switch (rng() % 3) {
      case 0:
        b[i] = a[i];
        break;
      case 1:
        b[i] = 0;
        break;
      default:
        b[i] = a[i] ? int(rng() % (uint64_t(a[i]) + 1)) : 0;
    }
  }
  if (rng() % 2) {
    const uint32_t i = rng() % nb_of_variables;
    if (a[i] < 32767) b[i] = a[i] + 1 + int(rng() % uint64_t(32767 - a[i]));
  }
  return b;
}

}  // namespace zel_test
