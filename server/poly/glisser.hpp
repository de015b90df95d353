// Sliding the coefficients of polynomials down the VGF heap after a restore
// (integer build only).  Each form gathers the addresses of the handles to
// keep, in a fixed order, and hands them to one compactor.
//
// The gathering table starts at the pairing's MAX_COEF entries and counts as
// full when it reaches that size; a full table is reported (or fatal, for
// the checked list form) and the gathering starts again with twice the room.
// The table lives on the heap, not the stack: its default size is megabytes.
#pragma once

#include <cstdint>
#include <vector>

#include "server/base/coef_heap.hpp"
#include "server/base/runtime.hpp"
#include "server/base/vgf.hpp"
#include "server/poly/dmp_types.hpp"

namespace orv::ORV_BUILD {

template <class E>
struct Glisser {
  using Node = DmpNode<E, CoefVGF>;
  using Cell = DmpList<E, CoefVGF>;
  using CellCell = DmpListList<E, CoefVGF>;

  // Collects handles until the table is full.
  struct Table {
    std::vector<VGF*> h;
    uint32_t limit;
    bool full = false;
    void add(VGF* x) {
      if (full) return;
      h.push_back(x);
      if (h.size() >= limit) full = true;
    }
    void terms(Node* p, bool skip_lead = false) {
      if (skip_lead && p != nullptr) p = p->next;
      for (; p != nullptr && !full; p = p->next) add(&p->coef);
    }
  };

  enum class Target { zone1, zone2 };

  // Runs `gather` into a table of `limit` entries, doubling on overflow.
  template <class Gather>
  static void run(uint32_t limit, const char* message, bool fatal_when_full, Target target,
                  Gather gather) {
    for (;;) {
      Table t;
      t.limit = limit == 0 ? 1 : limit;
      gather(t);
      if (!t.full) {
        uint32_t n = static_cast<uint32_t>(t.h.size());
        if (target == Target::zone2)
          compacteur_glissant_zone2(n, t.h.data());
        else
          compacteur_glissant(n, t.h.data(), true);
        return;
      }
      if (fatal_when_full) Fatal("%s", message);
      Erreur("%s", message);
      limit = t.limit * 2;
    }
  }
};

}  // namespace orv::ORV_BUILD
