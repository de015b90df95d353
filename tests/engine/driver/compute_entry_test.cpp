// The compute entries of both builds through the C interface, around the
// computation itself: a request answers as it would in a fresh session
// whatever ran before it, a result array may overlap the inputs, and the
// CPU figure covers the whole call.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "engine/variant.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

namespace {

constexpr UI32 kRoom = 100000;  // a result array's room

enum class Entry { kGroebner, kHilbert, kRrForm };

struct Kind {
  std::string name;
  Entry entry;
  sZEL_Comp_Desc env;
};

sZEL_Comp_Desc record_of(int32_t mode) {
  sZEL_Comp_Desc env{};
  env._compute = mode;
  env._aggressive2 = env._dlim = env._skip = -1;
  // Modes 6 and 7 reduce the first input modulo the others.
  if (mode == ZEL_COMPUTE_GBASIS_NF || mode == ZEL_COMPUTE_GBASIS_NF_RECOMPUTE) env._nb = 1;
  return env;
}

// Every mode of groebner, mode 1 with the options a request may set (a
// degree limit, aggressive elimination, a column limit refused),
// hilbert and gbasis_rr_form.
std::vector<Kind> request_kinds() {
  std::vector<Kind> kinds;
  for (int32_t mode = ZEL_COMPUTE_GBASIS; mode <= ZEL_COMPUTE_MATRIXN; ++mode)
    kinds.push_back({"mode " + std::to_string(mode), Entry::kGroebner, record_of(mode)});
  sZEL_Comp_Desc limited = record_of(ZEL_COMPUTE_GBASIS);
  limited._dlim = 2;
  kinds.push_back({"mode 1 with _dlim 2", Entry::kGroebner, limited});
  sZEL_Comp_Desc aggressive = record_of(ZEL_COMPUTE_GBASIS);
  aggressive._aggressive2 = 1;
  aggressive._skip = 1;
  kinds.push_back({"mode 1 with _aggressive2 1", Entry::kGroebner, aggressive});
  sZEL_Comp_Desc too_narrow = record_of(ZEL_COMPUTE_GBASIS);
  too_narrow._index = 10;
  kinds.push_back({"mode 1 with _index 10", Entry::kGroebner, too_narrow});
  kinds.push_back({"hilbert", Entry::kHilbert, {}});
  kinds.push_back({"gbasis_rr_form", Entry::kRrForm, {}});
  return kinds;
}

// A session of the variables x0 .. x<n-1> (n <= 8) in one block.
void start_session(UI32 n = 4) {
  static char text[8][3] = {"x0", "x1", "x2", "x3", "x4", "x5", "x6", "x7"};
  static char* names[8] = {text[0], text[1], text[2], text[3],
                           text[4], text[5], text[6], text[7]};
  ZEL_C(reset_memory)();
  ZEL_C(init_urgent)(sizeof(zel::ZEL_BUILD::Dom), 2, "DRLDRL", kRoom, 0);
  ZEL_C(init)(1, 1, 0, nullptr);
#ifdef ZEL_VARIANT_INT
  ZEL_C(reset_coeffs)(5);
#else
  UI32 prime[] = {65521};
  ZEL_C(reset_coeffs)(1, prime);
#endif
  ZEL_C(reset_expos)(0, n, names);
}

void* send(const zs_poly& f) {
#ifdef ZEL_VARIANT_INT
  void* h = Zel_int_creat_poly(UI32(f.nterms));
  for (int t = 0; t < f.nterms; ++t) {
    Zel_int_set_expos2(h, UI32(t), f.e + t * f.nvars, UI32(f.nvars));
    Zel_int_set_coeff_gmp_str(h, UI32(t), std::to_string(f.c[t]).c_str());
  }
  Zel_int_full_sort_poly2(h);
  return h;
#else
  return zs_send(&f);
#endif
}

// x0^d - 2, x1^d - 3, x2^d - 5 and x3 - x0 - 2 x1 - 3 x2, handed over: d^3
// solutions, separated by x3, from a basis that costs little.
std::vector<void*> send_powers(int d) {
  std::vector<void*> in;
  const int constant[3] = {2, 3, 5};
  zs_poly f;
  for (int i = 0; i < 3; ++i) {
    zs_init(&f, 4);
    int e[4] = {0, 0, 0, 0};
    e[i] = d;
    zs_add_term(&f, e, 1);
    e[i] = 0;
    zs_add_term(&f, e, -constant[i]);
    in.push_back(send(f));
    zs_free(&f);
  }
  zs_init(&f, 4);
  for (int i = 0; i < 4; ++i) {
    int e[4] = {0, 0, 0, 0};
    e[i] = 1;
    zs_add_term(&f, e, i == 3 ? 1 : -(i + 1));
  }
  in.push_back(send(f));
  zs_free(&f);
  return in;
}

// Katsura-3 with its linear equation squared: every solution is double, so
// that the square-free modes answer otherwise than the others.
std::vector<void*> send_doubled_katsura3() {
  std::vector<zs_poly> sys(4);
  zs_katsura(3, sys.data());
  const zs_poly& l = sys[3];
  zs_poly square;
  zs_init(&square, l.nvars);
  for (int a = 0; a < l.nterms; ++a)
    for (int b = 0; b < l.nterms; ++b) {
      int e[4];
      for (int v = 0; v < 4; ++v) e[v] = l.e[a * 4 + v] + l.e[b * 4 + v];
      zs_add_term(&square, e, l.c[a] * l.c[b]);
    }
  std::vector<void*> in = {send(sys[0]), send(sys[1]), send(sys[2]), send(square)};
  for (zs_poly& f : sys) zs_free(&f);
  zs_free(&square);
  return in;
}

// Exponents and coefficients of every term of a polynomial of 4 variables.
std::string text_of(void* h) {
  constexpr UI32 n = 4;
  const UI32 m = ZEL_C(nb_terms)(h);
  std::vector<UI32> e(size_t(m) * n + 1);
  std::vector<std::string> c(m);
#ifdef ZEL_VARIANT_INT
  mpz_srcptr* z = Zel_int_export_poly_INT_gmp(n, m, e.data(), h);
  for (UI32 t = 0; t < m && z != nullptr; ++t) {
    char* s = mpz_get_str(nullptr, 10, z[t]);
    c[t] = s;
    std::free(s);
  }
#else
  std::vector<UI32> r(m + 1);
  Zel_export_poly(n, m, e.data(), r.data(), h);
  for (UI32 t = 0; t < m; ++t) c[t] = std::to_string(r[t]);
#endif
  std::string s;
  for (UI32 t = 0; t < m; ++t) {
    s += " " + c[t] + "*[";
    for (UI32 v = 0; v < n; ++v) s += (v ? "," : "") + std::to_string(e[t * n + v]);
    s += "]";
  }
  return s;
}

// The results of one request, or the message it was refused with.
std::string answer(const Kind& k, void** base, UI32 nb, void** result) {
  double cpu = 0;
  sZEL_Comp_Desc env = k.env;
  try {
    UI32 n = 0;
    switch (k.entry) {
      case Entry::kGroebner:
        n = ZEL_C(groebner)(base, nb, result, 1, 0, &cpu, 0, -1, 0, &env);
        break;
      case Entry::kHilbert:
        n = ZEL_C(hilbert)(base, nb, result, 1, 0, &cpu, 0, -1, 0);
        break;
      case Entry::kRrForm:
        n = ZEL_C(gbasis_rr_form)(base, nb, result, &cpu);
        break;
    }
    std::string s;
    for (UI32 i = 0; i < n; ++i) s += text_of(result[i]) + "\n";
    return s;
  } catch (const zel_test::HostError& e) {
    return std::string("refused: ") + e.what();
  }
}

// Runs job in a fresh process (a session of its own, whatever the
// engine's globals hold here); returns what it returned.
template <class Job>
std::string in_child(Job job) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return "no child";
  if (child == 0) {
    close(fds[0]);
    alarm(30);  // a hung request ends the child with SIGALRM
    zel_test::TestHost host{0};
    const std::string out = job();
    for (size_t done = 0; done < out.size();) {
      const ssize_t w = write(fds[1], out.data() + done, out.size() - done);
      if (w <= 0) _exit(2);
      done += size_t(w);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string got;
  char buf[4096];
  for (ssize_t r; (r = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, size_t(r));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child ended with status " + std::to_string(status);
  return got;
}

// The requests in order in one session; the answer of the last.
std::string last_answer(const std::vector<const Kind*>& requests) {
  return in_child([&] {
    start_session();
    std::vector<void*> in = send_doubled_katsura3();
    std::vector<void*> out(kRoom);
    std::string last;
    for (const Kind* k : requests) last = answer(*k, in.data(), UI32(in.size()), out.data());
    return last;
  });
}

TEST(ComputeEntry, EveryRequestAnswersAsInAFreshSession) {
  const std::vector<Kind> kinds = request_kinds();
  for (const Kind& second : kinds) {
    const std::string fresh = last_answer({&second});
    for (const Kind& first : kinds)
      EXPECT_EQ(last_answer({&first, &second}), fresh) << second.name << " after " << first.name;
  }
}

// A column limit lasts for the session, like the tables it sizes: a request
// without one runs under the last limit given, and a refused limit leaves
// that one in force.
TEST(ComputeEntry, AColumnLimitLastsForTheSession) {
  const std::string got = in_child([] {
    start_session(8);
    std::vector<zs_poly> sys(8);
    zs_katsura(7, sys.data());
    std::vector<void*> in;
    for (zs_poly& f : sys) {
      in.push_back(send(f));
      zs_free(&f);
    }
    std::vector<void*> out(kRoom);
    const auto run = [&](int32_t index) {
      Kind k{"mode 1", Entry::kGroebner, record_of(ZEL_COMPUTE_GBASIS)};
      k.env._index = index;
      const std::string a = answer(k, in.data(), UI32(in.size()), out.data());
      if (a.rfind("refused", 0) == 0) return a.substr(0, a.find('\n'));
      return "answered with " + std::to_string(std::count(a.begin(), a.end(), '\n')) + " polynomials";
    };
    std::string s;
    for (int32_t index : {600, 0, 10, 0, 5000000, 0}) s += run(index) + "\n";
    return s;
  });
  const std::string narrow = "refused: Sorry max number of columns is set to 416";
  EXPECT_EQ(got.substr(0, got.find('\n')).substr(0, narrow.size()), narrow) << got;
  const std::string first = got.substr(0, got.find('\n') + 1);
  EXPECT_EQ(got, first + first + "refused: Cannot find corresponding prime for MAX_INDEX=10\n" + first +
                     "answered with 74 polynomials\nanswered with 74 polynomials\n");
}

// The result array may overlap the inputs: every entry reads them before it
// writes a result.  The inputs one slot after the results, then at the
// results themselves.
TEST(ComputeEntry, AResultArrayMayOverlapTheInputs) {
  for (const Kind& k : request_kinds()) {
    const std::string apart = last_answer({&k});
    for (size_t shift : {1, 0}) {
      const std::string overlapping = in_child([&] {
        start_session();
        const std::vector<void*> in = send_doubled_katsura3();
        std::vector<void*> slots(kRoom + shift);
        std::copy(in.begin(), in.end(), slots.begin() + long(shift));
        return answer(k, slots.data() + shift, UI32(in.size()), slots.data());
      });
      EXPECT_EQ(overlapping, apart) << k.name << ", inputs " << shift << " slot after the results";
    }
  }
}

// The CPU seconds reported are those of the whole call, in groebner and in
// gbasis_rr_form: on a system of a thousand solutions whose basis costs
// little, the prime-field build spends most of a solving request in the
// change of order (the integer build's passes take an eighth of the
// solutions as long).  The figure is at least the CPU time measured around
// the call, less a margin for the call's own entry and return.
TEST(ComputeEntry, TheCpuFigureCoversTheWholeCall) {
  zel_test::TestHost host{0};
  start_session();
  std::vector<void*> in = send_powers(zel::ZEL_BUILD::kIntegerBuild ? 5 : 10);
  std::vector<void*> out(kRoom);
  sZEL_Comp_Desc env = record_of(ZEL_COMPUTE_RADICAL_STRATEG1);
  for (bool rr_form : {false, true}) {
    double cpu = -1;
    const double before = double(std::clock()) / CLOCKS_PER_SEC;
    if (rr_form)
      ZEL_C(gbasis_rr_form)(in.data(), UI32(in.size()), out.data(), &cpu);
    else
      ZEL_C(groebner)(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 0, -1, 0, &env);
    const double around = double(std::clock()) / CLOCKS_PER_SEC - before;
    EXPECT_GE(cpu, 0.9 * around - 0.001)
        << (rr_form ? "gbasis_rr_form" : "mode 8") << ", measured around the call: " << around;
  }
  ZEL_C(reset_memory)();
}

}  // namespace
