// Variable names as every text writer shows them, the variable headers and
// lists, and the exchange text ("{...}" notation with its header), written
// once over an exponent traits type.
//
// The display name of variable i: the shared table global_List_variables
// when it is set, else the type's own table, else "x<i+1>" past 9 variables
// and the letters a, b, c, ... below.  A missing name (a NULL entry) is
// shown and hashed as "?", which also hides it from the headers and lists
// like an explicit "?" or "@".
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "server/base/boolean.hpp"
#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/base/strings.hpp"
#include "server/io/options.hpp"
#include "server/io/variables.hpp"
#include "server/poly/coef_text.hpp"
#include "server/poly/dmp.hpp"
#include "server/poly/exp_traits.hpp"

namespace orv::ORV_BUILD {

// What the writers and readers need of an exponent type besides its traits:
// its name table, the variables the text input added, where its headers
// start, and the largest exponent (and block degree) its order handles
// exactly: 32767 in a 16-bit field, 127 in an 8-bit one.
template <class E>
struct ExpNames;

#define ORV_EXP_NAMES(X)                                                                \
  static char** table() { return Liste_variables_##X; }                                 \
  static uint32_t n() { return internal_nb_var_##X; }                                   \
  static constexpr unsigned kMaxExponent = X##Layout::kBits == 16 ? 32767 : 127;        \
  static uint32_t front() { return extra_nb_vars_##X; }                                 \
  static uint32_t behind() { return extra_nb_end_vars_##X; }                            \
  /* b divides a. */                                                                    \
  static bool is_sub(const uint64_t* a, const uint64_t* b) { return is_sub_##X(a, b); } \
  /* The user's own variables: n less those added in front and behind. */               \
  static uint32_t user() {                                                              \
    uint32_t added = front() + behind();                                                \
    return added < n() ? n() - added : 0;                                               \
  }

#ifdef ZEL_VARIANT_INT
template <>
struct ExpNames<ExpBigDexp> {
  ORV_EXP_NAMES(BigDexp)
  static constexpr bool kHasDegree = true;
  static unsigned block_of(uint32_t) { return 0; }
  static constexpr bool exchange_v_line = true;
  static uint32_t header_first() { return 0; }
  static uint32_t script_first() { return 0; }
  static void name_line() { Output("BigDexp(%d)", int(user())); }
};

template <>
struct ExpNames<ExpBigLexp> {
  ORV_EXP_NAMES(BigLexp)
  static constexpr bool kHasDegree = false;
  static unsigned block_of(uint32_t) { return 0; }
  static constexpr bool exchange_v_line = false;
  // An elimination shows the eliminating block's variables only.
  static uint32_t script_first() { return want_elim && want_block > 0 ? uint32_t(want_block) : 0; }
  static uint32_t header_first() {
    return want_intersect && want_quotient_display ? 0 : script_first();
  }
  static void name_line() { Output("BigLexp(%d)", int(user())); }
};
#else
template <>
struct ExpNames<ExpDRLDRL> {
  ORV_EXP_NAMES(DRLDRL)
  static constexpr bool kHasDegree = true;
  static unsigned block_of(uint32_t i) { return DRLDRLLayout::block_of_var(i); }
  static constexpr bool exchange_v_line = false;
  static uint32_t script_first() { return want_elim ? internal_nb_var_block1_DRLDRL : 0; }
  static uint32_t header_first() {
    return want_intersect && want_quotient_display ? 0 : script_first();
  }
  static void name_line() {
    uint32_t m = internal_nb_var_block1_DRLDRL;
    int rest = int(user()) - int(m);
    if (want_elim)
      Output("DRLDRL(%d)", rest);
    else
      Output("DRLDRL(%d,%d)", int(m), rest);
  }
};
#endif
#undef ORV_EXP_NAMES

// A buffer for one display name, on the caller's stack.
struct NameBuffer {
  char text[32];
};

template <class E>
struct VarNames {
  using N = ExpNames<E>;

  // The stored or generated name of variable i; NULL when the shared table
  // holds no name for it.
  static const char* affiche_variable(uint32_t i, NameBuffer& buf) {
    if (global_List_variables != nullptr) return global_List_variables[i];
    if (i < kMaxVariables && N::table()[i] != nullptr) return N::table()[i];
    if (N::n() > 9)
      std::snprintf(buf.text, sizeof buf.text, "x%u", i + 1);
    else
      std::snprintf(buf.text, sizeof buf.text, "%c", char(97 + i));
    return buf.text;
  }
  // What the writers print: a missing name becomes "?".
  static const char* name(uint32_t i, NameBuffer& buf) {
    const char* s = affiche_variable(i, buf);
    return s != nullptr ? s : "?";
  }
  static bool hidden(const char* s) { return std::strcmp(s, "?") == 0 || std::strcmp(s, "@") == 0; }

  static uint32_t Hash_variable(uint32_t i) {
    NameBuffer buf;
    return Hash_String(name(i, buf));
  }
  static uint32_t Hash_domain(uint32_t seed) {
    uint32_t h = seed;
    for (uint32_t i = N::script_first(); i < N::n(); ++i) h += Hash_variable(i);
    return h % 16777213u;
  }

  // The shown names from `first` on, separated by ",", hidden ones skipped.
  template <class Write>
  static void names_from(uint32_t first, Write write) {
    bool any = false;
    for (uint32_t i = first; i < N::n(); ++i) {
      NameBuffer buf;
      const char* s = name(i, buf);
      if (hidden(s)) continue;
      if (any) write(",");
      write(s);
      any = true;
    }
  }

  // "#vars [a,b,c]" and an empty line.
  template <class Print>
  static void header(Print print) {
    print("#vars [");
    names_from(N::header_first(), print);
    print("]\n\n");
  }
  static void afficherHeader() {
    header([](const char* s) { Output("%s", s); });
  }
  static void info() {
    header([](const char* s) { Stderr("%s", s); });
  }
  static void afficherName() { N::name_line(); }

  static void assign_list_of_vars() {
    for (uint32_t i = N::script_first(); i < N::n(); ++i) {
      NameBuffer buf;
      const char* s = name(i, buf);
      if (!hidden(s)) Output("%s:=Var(%s);\n", s, s);
    }
  }
  static void display_list_of_vars() {
    names_from(N::script_first(), [](const char* s) { Output("%s", s); });
  }

  // "<x^2y^1>": every variable that occurs, with its exponent.
  static void rawOutput(const uint64_t* e) {
    Output("<");
    for (uint32_t i = 0; i < N::n(); ++i) {
      unsigned k = E::extraire(e, i);
      if (k == 0) continue;
      NameBuffer buf;
      Output("%s^%u", name(i, buf), k);
    }
    Output(">");
  }

  // --- Exchange text: variables are the letters by index ---------------------

  static char letter(uint32_t i) { return char(97 + i); }

  // "1, 1, ..., 1" for n variables.
  static void ones(Varne_Print& out, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) out << (i + 1 < n ? "1, " : "1");
  }
  static void out_varne_txt(Varne_Print& out) {
    const uint32_t n = N::n();
    out << "{\n " << n << ",\n {C, {";
    ones(out, n);
    out << "}},\n";
    if (N::exchange_v_line) {
      out << " {V, {";
      ones(out, n);
      out << "}},\n";
    }
    out << " {N, {";
    for (uint32_t i = 0; i < n; ++i) {
      out << letter(i);
      if (i + 1 < n) out << ", ";
    }
    out << "}}\n}\n";
  }

  // "a2b" for x0^2*x1.
  static Varne_Print& varne(Varne_Print& out, const uint64_t* e) {
    for (uint32_t i = 0; i < N::n(); ++i) {
      unsigned k = E::extraire(e, i);
      if (k == 0) continue;
      out << letter(i);
      if (k != 1) out << k;
    }
    return out;
  }
};

// Whether the exchange and Fortran texts print coefficients (one switch per
// pairing, initially on).
template <class E, class C>
struct PrintCoef {
  static inline Boolean memo = Boolean_true;
  static Boolean set(Boolean on) {
    Boolean old = memo;
    memo = on;
    return old;
  }
};

template <class E, class C>
struct VarneText {
  using Node = DmpNode<E, C>;
  using Cell = DmpList<E, C>;
  using CellCell = DmpListList<E, C>;

  static Varne_Print& poly(Varne_Print& out, const Node* p) {
    const bool coefs = PrintCoef<E, C>::memo;
    out << '{';
    for (const Node* t = p; t != nullptr; t = t->next) {
      if (t != p) out << ',';
      if (!E::null(t->e)) {
        if (coefs) exchange_coef(out, t->coef);
        VarNames<E>::varne(out, t->e);
      } else if (coefs) {
        exchange_coef(out, t->coef);
      } else {
        out << '?';
      }
    }
    return out << '}';
  }
  static Varne_Print& list(Varne_Print& out, const Cell* l) {
    out << '{';
    for (const Cell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << " , ";
      poly(out, c->poly);
    }
    return out << '}';
  }
  static Varne_Print& list_list(Varne_Print& out, const CellCell* l) {
    out << '{';
    for (const CellCell* c = l; c != nullptr; c = c->next) {
      if (c != l) out << " , ";
      list(out, c->list);
    }
    return out << '}';
  }
};

template <class E, class C>
Varne_Print& operator<<(Varne_Print& out, DmpNode<E, C>* p) {
  return VarneText<E, C>::poly(out, p);
}
template <class E, class C>
Varne_Print& operator<<(Varne_Print& out, DmpList<E, C>* l) {
  return VarneText<E, C>::list(out, l);
}
template <class E, class C>
Varne_Print& operator<<(Varne_Print& out, DmpListList<E, C>* l) {
  return VarneText<E, C>::list_list(out, l);
}

}  // namespace orv::ORV_BUILD
