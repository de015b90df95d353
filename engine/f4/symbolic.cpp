// Symbolic preprocessing of one F4 step.
#include "engine/f4/symbolic.hpp"

#include <omp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/reducer_search.hpp"
#include "engine/f4/row_code.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/raw_block.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/code_index.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/mono/expos_pool.hpp"

namespace zel::ZEL_BUILD {

uint32_t use_strong_order = 0;
uint64_t give_back_terms = uint64_t(1) << 20;
uint64_t give_back_chunk = uint64_t(1) << 20;

StepBuffers& step_buffers() {
  static StepBuffers buffers;
  return buffers;
}

namespace {

// This build's index of the step's codes, kept between steps.
CodeIndex& step_code_index() {
  static CodeIndex index;
  return index;
}

// Column flags: the column leads some row, still needs a search, or no
// reducer divides it.
constexpr int32_t kLeading = 1;
constexpr int32_t kSearch = 0;
constexpr int32_t kNoReducer = -1;

[[noreturn]] void too_many_rows(int which, uint32_t limit) {
  Fatal("Sorry max number of columns is set to %u in zel linear algebra package (%d) !%s", limit,
        which, "\n");
}

// A leading code the caller of add_row does not know.
constexpr uint32_t kUnknown = ~uint32_t(0);

// A row whose products still have to be entered in the code table.
struct PendingRow {
  const Dpol* src;
  const ExposW* mult;
  uint32_t hash;  // of mult
  uint32_t lead;  // the code of its leading product, or kUnknown
  size_t start;   // its first entry in term_codes
  // Its first term whose code is not known.
  uint32_t from() const { return lead == kUnknown ? 0 : 1; }
};

// Terms per unit of threaded work (worker_team.hpp) when looking products
// up: the helpers wake for some 20000 lookups at the default threshold.  A
// lookup costs a few cache misses, some ten nanoseconds: the small sweeps
// of the reducer search, left to the calling thread with a higher
// threshold, added up to a good share of the serial time.
constexpr size_t kLookupsPerWorkUnit = 1;
// Distance, in products, between the stages of fetching a lookup's memory
// ahead (see look_up), and between fetching a new product's table slot and
// entering it.
constexpr uint32_t kAhead = 6;
// Share of a step's item rows (1 / kFirstShare of their products) entered
// on the calling thread before the threaded rounds start.
constexpr size_t kFirstShare = 32;
// Parts of a threaded round per thread: whoever is free takes the next.
constexpr size_t kPartsPerThread = 4;

struct Builder {
  Base_Exposants* table;
  CodeIndex& index;
  int32_t* flags = nullptr;
  uint32_t r = 0;  // rows so far
  uint32_t f = 0;  // flagged item rows
  uint32_t capacity;
  uint32_t threads;
  // The code of every term of every row, row by row, so that coding the
  // rows needs no second lookup of the products (kept between steps).
  PageArray<uint32_t>& term_codes;
  std::vector<size_t>& row_start;
  std::vector<PendingRow> pending;
  size_t pending_terms = 0;
  // The terms of a row not found in the index, with their home slots.
  struct Missing {
    uint32_t term, home;
  };
  std::vector<Missing> missing;
  // Per part of a threaded round, the products its lookups did not find
  // (step_buffers.hpp), and their number.
  using Unknown = StepBuffers::Unknown;
  std::vector<PageArray<Unknown>>& not_found;
  std::vector<size_t> not_found_count;
  std::vector<size_t> part_start;  // first pending row of each part, and the end

  Builder(Base_Exposants* t, CodeIndex& idx, uint32_t cap, uint32_t nthreads, StepBuffers& buf)
      : table(t), index(idx), capacity(cap), threads(nthreads), term_codes(buf.term_codes),
        row_start(buf.row_start), not_found(buf.not_found) {
    term_codes.clear();
    row_start.clear();
  }

  // Records row r; its products are entered by the next enter_pending.
  // lead_code is the code of its leading product when the caller knows it.
  void add_row(Dpol* header, Dpol* src, ExposW* mult, uint64_t h, uint32_t lead_code) {
    set_relative(relative_MatrixRow, r, MatrixRow{header, src, mult, h});
    const size_t start = term_codes.size();
    row_start.push_back(start);
    // The codes, the leading one too, are written by the lookups and the
    // entries, none is read before: no need to clear them.  Their pages
    // are first written there, in threads when there are some, rather
    // than one fault at a time here.
    term_codes.extend(start + src->n);
    pending.push_back(PendingRow{src, mult, uint32_t(h), lead_code, start});
    pending_terms += src->n;
  }

  // Writes the known leading code of row p, looks up, in the index, the
  // products whose codes are not known and writes their codes; a product
  // not there goes to not_found(term, home), its code unwritten.  The
  // memory of a lookup is fetched in stages ahead of it: 3 * kAhead
  // products ahead the source monomial (its hash gives the home slot),
  // 2 * kAhead ahead the index entry, kAhead ahead the copy of the
  // monomial it names.
  //
  // Everything the loop reads but the monomials and the index's arrays is
  // in locals: the stores of the codes could alias fields and globals,
  // which would be read again after each one.
  template <class NotFound>
  void look_up(const PendingRow& p, uint32_t* codes, NotFound&& not_found) const {
    const CodeIndex::Reader index = this->index.reader();
    const uint32_t hp = zel_hash_prime;
    const Expos* const* mono = p.src->mono;
    const ExposW* mult = p.mult;
    const uint32_t hb = p.hash;
    const uint32_t n = p.src->n, from = p.from();
    if (from) codes[0] = p.lead;
    auto home_of = [&](uint32_t t) {
      const uint32_t ha = uint32_t(get_hash(mono[t]));
      return mult ? add_hash(ha, hb, hp) : ha;
    };
    constexpr uint32_t kRing = 31;  // ring of the home slots computed ahead
    static_assert(2 * kAhead < kRing, "the ring holds the homes in flight");
    uint32_t home[kRing + 1];
    for (uint32_t t = from; t < std::min(n, from + 3 * kAhead); ++t) __builtin_prefetch(mono[t]);
    for (uint32_t t = from; t < std::min(n, from + 2 * kAhead); ++t) {
      home[t & kRing] = home_of(t);
      index.prefetch(home[t & kRing]);
    }
    for (uint32_t t = from; t < n; ++t) {
      if (t + 3 * kAhead < n) __builtin_prefetch(mono[t + 3 * kAhead]);
      if (t + 2 * kAhead < n) {
        home[(t + 2 * kAhead) & kRing] = home_of(t + 2 * kAhead);
        index.prefetch(home[(t + 2 * kAhead) & kRing]);
      }
      if (t + kAhead < n) index.prefetch_monomial(home[(t + kAhead) & kRing]);
      if (!index.find(home[t & kRing], mult, words_of(mono[t]), &codes[t]))
        not_found(t, home[t & kRing]);
    }
  }

  // Looks up the products of row p and enters those not found once the
  // row's lookups are done (a row's products are distinct, so entering one
  // changes no other lookup of the row).
  void enter_row(const PendingRow& p, uint32_t* codes) {
    look_up(p, codes, [&](uint32_t t, uint32_t home) { missing.push_back(Missing{t, home}); });
    if (!missing.empty()) enter_missing(p, codes);
  }

  // Enters the products of row p listed in `missing`, in term order, with
  // their table slots fetched a few products ahead.
  void enter_missing(const PendingRow& p, uint32_t* codes) {
    const size_t n = missing.size();
    for (size_t j = 0; j < std::min<size_t>(n, kAhead); ++j)
      prefetch_slot(table, missing[j].home);
    for (size_t j = 0; j < n; ++j) {
      if (j + kAhead < n) prefetch_slot(table, missing[j + kAhead].home);
      touch_home_slot(table, missing[j].home);
      codes[missing[j].term] = enter(p, missing[j].term, missing[j].home);
    }
    missing.clear();
  }

  // Term t of row p, whose home slot is `home`, not in the index: enters it
  // in the code table and the index, and returns its code.
  uint32_t enter(const PendingRow& p, uint32_t t, uint32_t home) {
    uint32_t code;
    Expos* m;
    if (!ZEL_C(get_code)(p.hash, p.mult, p.src->mono[t], table, &code, &m))
      Fatal("Erreur impossible: a monomial of the code table is missing from its index\n");
    index.add(home, words_of(m), code);
    flags[code] = kSearch;
    return code;
  }

  // Enters the products of the pending rows, row after row and term after
  // term, as entering each row at once would: codes are handed out in the
  // same order.  The leading product of a row takes the flag kLeading;
  // every other new code kSearch; a product found keeps its column's flag.
  //
  // With threads, the rows go in rounds.  A round's products are first
  // looked up in threads (lookups write nothing), against the index as the
  // rounds before left it; then the calling thread enters the products not
  // found, in order, looking each up again first (an earlier row of the
  // round may have entered it).  A product found by the threads was known
  // before the round, so it gets the same code either way.  When the index
  // starts empty (a step's item rows) its first rows are entered on the
  // calling thread, and each round then takes as many products as all
  // before it: most products of a round were met before it, and few go
  // through the calling thread twice.
  void enter_pending() {
    const size_t n = pending.size();
    const bool threaded = threads_for(pending_terms / kLookupsPerWorkUnit, threads) > 1 && n > 1;
    size_t i = 0, done_terms = 0;
    if (!threaded || index.size() == 0) {
      const size_t serial_terms = threaded ? pending_terms / kFirstShare : pending_terms;
      for (; i < n && (done_terms < serial_terms || done_terms == 0); ++i) {
        enter_row(pending[i], codes_of(i));
        flags[codes_of(i)[0]] = kLeading;
        done_terms += pending[i].src->n;
      }
    }
    const bool doubling = i > 0;
    while (i < n) {
      size_t end = i, round_terms = 0;
      const size_t wanted = doubling ? done_terms : pending_terms;
      while (end < n && (round_terms < wanted || end == i)) round_terms += pending[end++].src->n;
      enter_round(i, end);
      done_terms += round_terms;
      i = end;
    }
    pending.clear();
    pending_terms = 0;
  }

  // One round: the pending rows first .. end-1, looked up in threads, then
  // completed on the calling thread.
  void enter_round(size_t first, size_t end) {
    const size_t parts = std::min<size_t>(end - first, size_t(threads) * kPartsPerThread);
    if (not_found.size() < parts) not_found.resize(parts);
    if (not_found_count.size() < parts) not_found_count.resize(parts);
    // Parts of about equal terms, not rows: rows differ much in length,
    // and the round waits for its slowest part.
    size_t round_terms = 0;
    for (size_t i = first; i < end; ++i) round_terms += pending[i].src->n;
    part_start.resize(parts + 1);
    for (size_t k = 0, i = first, done = 0; k < parts; ++k) {
      part_start[k] = i;
      const size_t until = round_terms * (k + 1) / parts;
      size_t terms = 0;
      while (i < end && done + terms < until) terms += pending[i++].src->n;
      done += terms;
      not_found[k].clear();
      not_found[k].extend(terms);
    }
    part_start[parts] = end;
    auto first_row = [&](size_t k) { return part_start[k]; };
    worker_team().run(threads, uint32_t(parts), [&](uint32_t k) {
      Unknown* out = not_found[k].data();
      size_t count = 0;
      for (size_t i = first_row(k); i < first_row(k + 1); ++i) {
        const uint32_t row = uint32_t(i - first);
        look_up(pending[i], codes_of(i),
                [&](uint32_t t, uint32_t home) { out[count++] = Unknown{row, t, home}; });
      }
      not_found_count[k] = count;
    });
    // The parts list the products not found in row and term order; a row's
    // products still missing are entered once its list is done.
    size_t row = first;
    for (size_t k = 0; k < parts; ++k) {
      for (size_t j = 0; j < not_found_count[k]; ++j) {
        const Unknown& u = not_found[k][j];
        if (first + u.row != row && !missing.empty()) enter_missing(pending[row], codes_of(row));
        row = first + u.row;
        const PendingRow& p = pending[row];
        if (!index.find(u.home, p.mult, words_of(p.src->mono[u.term]), codes_of(row) + u.term))
          missing.push_back(Missing{u.term, u.home});
      }
    }
    if (!missing.empty()) enter_missing(pending[row], codes_of(row));
    for (size_t i = first; i < end; ++i) flags[codes_of(i)[0]] = kLeading;
  }

  uint32_t* codes_of(size_t i) { return term_codes.data() + pending[i].start; }
};

// The reducer rows, found in sweeps over the codes not yet searched; codes
// created by a sweep's rows are searched by the next sweep.  The divisibility
// tests of a sweep run in threads (prime-field build); rows and codes are
// made afterwards on the calling thread, in code order.
bool add_reducer_rows(Builder& b, Dpol* const* reducers, uint32_t nreducers) {
  ReducerIndex idx;
  build_reducer_index(idx, reducers, nreducers);
  struct Release {
    ReducerIndex& i;
    ~Release() { release_reducer_index(i); }
  } release{idx};
  const uint32_t nb = kIntegerBuild ? 1u : uint32_t(std::max<int32_t>(nb_threads, 1));
  std::vector<int32_t> found;
  uint32_t start = 0;
  while (start < b.table->count) {
    const uint32_t end = b.table->count;
    found.assign(end - start, -1);
    const ExposW* const* column = b.index.monomials();
    const int32_t* flags = b.flags;
    auto search = [&](uint32_t lo, uint32_t hi) {
      for (uint32_t code = lo; code < hi; ++code)
        if (flags[code] == kSearch)
          found[code - start] = cheapest_divisor(idx, b.index.copy_of(code));
    };
    // A search costs about as much as a few terms of a row.
    if (threads_for(uint64_t(end - start) * 8, nb) > 1 && end - start > 1) {
      const uint32_t chunk = (end - start + nb - 1) / nb;
      worker_team().run(nb, nb, [&](uint32_t k) {
        const uint64_t lo = start + uint64_t(k) * chunk;
        if (lo < end) search(uint32_t(lo), uint32_t(std::min<uint64_t>(lo + chunk, end)));
      });
    } else {
      search(start, end);
    }
    const uint64_t p = zel_hash_prime;
    for (uint32_t code = start; code < end; ++code) {
      if (b.flags[code] != kSearch) continue;
      if constexpr (kIntegerBuild) {
        if (stop_requested()) return false;
      }
      const int32_t ri = found[code - start];
      if (ri < 0) {
        b.flags[code] = kNoReducer;
        continue;
      }
      b.flags[code] = kLeading;
      Dpol* red = reducers[ri];
      const ExposW* m = column[code];
      const ExposW* lead = idx.lead[ri];
      ExposW* q = sub_Expos(m, lead);
      // The hash is additive: h(q) = h(m) - h(lead) mod p.
      const uint64_t hm = uint32_t(get_hash(header_of(m))), hl = uint32_t(get_hash(header_of(lead)));
      const uint64_t h = hm >= hl ? hm - hl : hm + p - hl;
      Dpol* header = new_Dpol(0);
      header->row_mark = 0;
      header->serial = red->serial;
      b.add_row(header, red, q, h, code);
      if constexpr (kIntegerBuild) {
        if (zel_max_index <= b.r) too_many_rows(3, zel_max_index);
        if (b.capacity <= b.r) too_many_rows(4, b.capacity);
      } else {
        if (b.capacity <= b.r || zel_max_index <= b.r) too_many_rows(4, b.capacity);
      }
      ++b.r;
    }
    // The rows' products: new codes are searched by the next sweep.
    b.enter_pending();
    start = end;
  }
  return true;
}

// Numbers the columns: map entries sorted by increasing monomial, value of
// each slot its rank.  The monomials are distinct, so the order is total and
// any correct sort gives the same ranks.  The sort works on a dense array of
// the codes' monomials with their first-block degrees, not on the table's
// scattered slots.  rank_of_code receives the rank of every code, so that
// coding the rows reads a dense array too.
uint32_t order_columns(Base_Exposants* t, const CodeIndex& index, uint32_t threads,
                       std::vector<uint32_t>& rank_of_code, std::vector<uint32_t>& order) {
  const uint32_t n = t->count;
  const bool strong = use_strong_order != 0;
  use_strong_order = 0;
  // comp4_Expos, or comp5_Expos when strong, with the first block's degree
  // read from the record.
  const uint32_t N = nb_of_variables;
  const uint32_t s = var_second_block < N ? var_second_block : N;
  struct Column {
    uint32_t degree;  // of the first block
    uint32_t code;
    const ExposW* mono;
  };
  auto less = [&](const Column& a, const Column& b) {
    if (a.degree != b.degree) return a.degree < b.degree;
    int32_t r = s >= 1 ? revlex_range(a.mono, b.mono, 0, s) : 0;
    if (r == 0 && s < N) {
      if (strong) {
        const uint32_t da = range_degree(a.mono, s, N), db = range_degree(b.mono, s, N);
        if (da != db) return da < db;
      }
      r = revlex_range(a.mono, b.mono, s, N);
    }
    return r < 0;
  };
  // With threads: one slice per thread sorted apart, then the slices merged
  // two by two, the merges of a level in threads.  A comparison costs about
  // as much as a few terms of a row.
  const bool threaded = threads_for(uint64_t(n) * 8, threads) > 1 && n >= 2 * threads;
  const uint32_t slices = threaded ? threads : 1;
  auto slice_start = [&](uint32_t k) { return uint32_t(uint64_t(n) * k / slices); };
  std::vector<Column> cols(n), merged(threaded ? n : 0);
  auto sort_slice = [&](uint32_t k) {
    for (uint32_t c = slice_start(k); c < slice_start(k + 1); ++c) {
      const ExposW* m = index.copy_of(c);
      cols[c] = Column{s >= 1 ? range_degree(m, 0, s) : 0, c, m};
    }
    std::sort(cols.begin() + slice_start(k), cols.begin() + slice_start(k + 1), less);
  };
  if (!threaded) {
    sort_slice(0);
  } else {
    worker_team().run(threads, slices, sort_slice);
    for (uint32_t width = 1; width < slices; width *= 2) {
      const uint32_t pairs = (slices + 2 * width - 1) / (2 * width);
      worker_team().run(threads, pairs, [&](uint32_t q) {
        const uint32_t lo = slice_start(2 * q * width);
        const uint32_t mid = slice_start(std::min(slices, (2 * q + 1) * width));
        const uint32_t hi = slice_start(std::min(slices, (2 * q + 2) * width));
        std::merge(cols.begin() + lo, cols.begin() + mid, cols.begin() + mid, cols.begin() + hi,
                   merged.begin() + lo, less);
      });
      cols.swap(merged);
    }
  }
  rank_of_code.resize(n);
  order.resize(n);
  for (uint32_t k = 0; k < n; ++k) {
    order[k] = cols[k].code;
    rank_of_code[cols[k].code] = k;
  }
  reorder_map(t, order.data());
  return n;
}

// A record for a row, or null on a stop request.  Polls for interrupts
// once per row.
CodedRow* new_row_record(uint32_t nlanes) {
  auto* row = static_cast<CodedRow*>(alloc(coded_row_bytes(nlanes)));
  checkInterrupt();
  if (ZEL_C(stop_immediately_semaphore)) return nullptr;
  return row;
}

// Fills the record of row j of the MatrixRow table (its code comes later).
void fill_row_record(CodedRow* row, const std::vector<uint32_t>& rank_of_code,
                     const uint32_t* codes, uint32_t j, uint32_t ncols, uint32_t nlanes) {
  const MatrixRow mr = get_relative(relative_MatrixRow, j);
  const uint32_t R = rank_of_code[codes[0]];
  row->header[0] = mr.header->input_mark;
  row->header[1] = mr.header->row_mark;
  row->lead = ncols - R;
  row->width = R + 1;
  row->serial = mr.header->serial;
  row->to_reduce = (mr.header->row_mark || mr.header->input_mark) ? 1 : 0;
  row->kind = CODE_LZW;
  for (uint32_t k = 0; k < nlanes; ++k) row->coeffs[k] = lanes(mr.source)[k];
  row->code = nullptr;
  row->ncodes = 0;
}

// Terms of the rows whose codes are written in threads at a time.
constexpr uint64_t kCodingBatchTerms = uint64_t(1) << 20;

// Codes the rows: records taken on this thread (with the interrupt polls),
// then filled along with the gap codes.  With threads, each part of the
// rows has its codes written one after another into a buffer of its own;
// once this thread has taken their memory from the zone, the threads copy
// them into place.  Returns false on a stop request.
bool code_rows(CodedRow** rows, uint32_t r, uint32_t ncols, uint32_t nlanes, uint32_t threads,
               const std::vector<uint32_t>& rank_of_code, const Builder& b) {
  std::vector<uint32_t> nterms(r);
  uint32_t maxterms = 1;
  uint64_t total = 0;
  for (uint32_t j = 0; j < r; ++j) {
    nterms[j] = at_relative(relative_MatrixRow, j)->source->n;
    maxterms = std::max(maxterms, nterms[j]);
    total += nterms[j];
  }
  threads = threads_for(total, threads);
  for (uint32_t j = 0; j < r; ++j) {
    rows[j] = new_row_record(nlanes);
    if (!rows[j]) return false;
  }
  auto fill_record = [&](uint32_t j) {
    fill_row_record(rows[j], rank_of_code, b.term_codes.data() + b.row_start[j], j, ncols, nlanes);
  };
  // The offsets of row j's terms from its leading column.
  auto offsets_of = [&](uint32_t j, uint32_t* off) {
    const uint32_t* codes = b.term_codes.data() + b.row_start[j];
    const uint32_t R = rank_of_code[codes[0]];
    off[0] = 0;
    for (uint32_t i = 1; i < nterms[j]; ++i) off[i] = R - rank_of_code[codes[i]];
  };
  // In a large step the term codes the rows have been coded from go back
  // as the coding moves on: otherwise they stay beside the codes, and then
  // beside the elimination's pivots, at the step's peak (4 bytes a term,
  // hundreds of megabytes in the largest steps).  Faulting the pages in
  // again costs the next step about a nanosecond a term; small steps keep
  // them.
  const bool give_back = total >= give_back_terms;
  PageArray<uint32_t>& term_codes = b.term_codes;
  size_t given_back = 0;
  auto coded_up_to = [&](uint32_t j) {
    if (!give_back) return;
    const size_t end = j < r ? b.row_start[j] : term_codes.size();
    if (end - given_back >= give_back_chunk || j == r) {
      term_codes.give_back_below(end);
      given_back = end;
    }
  };
  if (threads <= 1) {
    std::vector<uint32_t> off(maxterms);
    for (uint32_t j = 0; j < r; ++j) {
      fill_record(j);
      offsets_of(j, off.data());
      uint32_t nbytes = 0;
      rows[j]->code = compress_lzw(off.data(), nterms[j], &rows[j]->ncodes, &nbytes);
      coded_up_to(j + 1);
    }
    return true;
  }
  // The rows go in batches of about kCodingBatchTerms terms, which keeps
  // the buffers small; a batch is cut in parts of equal rows.
  // Every buffer is taken on this thread: memory a helper takes stays
  // with an allocator arena of its own.
  const uint32_t most_parts = threads * 8;
  std::vector<std::unique_ptr<uint8_t[]>> buffers(most_parts);
  std::vector<size_t> capacity(most_parts, 0);
  std::vector<std::vector<uint32_t>> offsets(most_parts, std::vector<uint32_t>(maxterms));
  std::vector<uint32_t> nbytes(r);
  std::vector<uint32_t> part_start;  // of each part of a batch, and its end
  for (uint32_t j0 = 0; j0 < r;) {
    uint32_t j1 = j0;
    uint64_t batch = 0;
    while (j1 < r && (batch < kCodingBatchTerms || j1 == j0)) batch += nterms[j1++];
    const uint32_t parts = std::min(j1 - j0, most_parts);
    // Parts of about equal terms: rows differ much in length, and the
    // batch waits for its slowest part.
    part_start.assign(parts + 1, j1);
    part_start[0] = j0;
    for (uint32_t k = 1, j = j0; k < parts; ++k) {
      uint64_t terms = 0;
      while (j < j1 && terms * parts < batch) terms += nterms[j++];
      part_start[k] = j;
    }
    auto first_row = [&](uint32_t k) { return part_start[k]; };
    for (uint32_t k = 0; k < parts; ++k) {
      // Room for the longest codes the part's rows can have.
      size_t room = 0;
      for (uint32_t j = first_row(k); j < first_row(k + 1); ++j) room += gap_code_room(nterms[j]);
      if (capacity[k] < room) {
        buffers[k].reset(new uint8_t[room]);
        capacity[k] = room;
      }
    }
    worker_team().run(threads, parts, [&](uint32_t k) {
      std::vector<uint32_t>& off = offsets[k];
      uint8_t* out = buffers[k].get();
      for (uint32_t j = first_row(k); j < first_row(k + 1); ++j) {
        fill_record(j);
        uint32_t ncodes = 0;
        nbytes[j] = 0;
        if (nterms[j] >= 2) {
          offsets_of(j, off.data());
          nbytes[j] = encode_gaps(out, off.data(), nterms[j], &ncodes);
        }
        rows[j]->ncodes = ncodes;
        out += nbytes[j];
      }
    });
    for (uint32_t j = j0; j < j1; ++j)
      rows[j]->code = static_cast<uint8_t*>(alloc(std::max(nbytes[j], 1u)));
    worker_team().run(threads, parts, [&](uint32_t k) {
      const uint8_t* in = buffers[k].get();
      for (uint32_t j = first_row(k); j < first_row(k + 1); ++j) {
        std::memcpy(rows[j]->code, in, nbytes[j]);
        in += nbytes[j];
      }
    });
    j0 = j1;
    coded_up_to(j1);
  }
  return true;
}

}  // namespace

void internal_symbolic_reduction(uint32_t nitems, Dpol* const* reducers, uint32_t nreducers,
                                 Dpol** items, uint32_t* count) {
  Base_Exposants* table = ZEL_C(ptr_Base_Exposants);
  StepBuffers& buf = step_buffers();
  const uint32_t threads = kIntegerBuild ? 1u : uint32_t(std::max<int32_t>(nb_threads, 1));
  CodeIndex& index = step_code_index();
  Builder b(table, index, *count, threads, buf);
  b.flags = static_cast<int32_t*>(alloc(uint64_t(zel_hash_prime) * sizeof(int32_t)));
  forget_relative(relative_MatrixRow);
  reset_relative(relative_MatrixRow);
  index.clear(table->count);
  empty_codes_Table_de_Recherche(table);

  // Item rows.
  for (uint32_t i = 0; i < nitems; ++i) {
    Dpol* src = items[i];
    // A null item, or one without terms, makes no row.
    if (!src || src->n == 0) continue;
    const uint8_t flag = get_relative_CBoolean(i);
    ExposW* mult = get_relative(relative_Expos, i);
    const uint64_t h = mult ? hash_Expos(mult) : 0;
    if constexpr (kIntegerBuild) {
      if (stop_requested()) {
        *count = 0;
        return;
      }
    }
    Dpol* header = new_Dpol(0);
    header->row_mark = uint32_t(int32_t(int8_t(flag)));
    if (flag == 0)
      header->serial = src->serial;
    else
      ++b.f;
    b.add_row(header, src, mult, h, kUnknown);
    if (zel_max_index <= b.r) too_many_rows(1, zel_max_index);
    if (*count <= b.r) too_many_rows(2, *count);
    ++b.r;
  }
  b.enter_pending();

  if (!add_reducer_rows(b, reducers, nreducers)) {
    *count = 0;
    return;
  }
  std::vector<uint32_t>& rank_of_code = buf.rank_of_code;
  const uint32_t c = order_columns(table, index, threads, rank_of_code, buf.column_order);
  const uint32_t r = b.r;
  const uint32_t nlanes = kIntegerBuild ? ZEL_C(vectorize) : 1;

  // Row coding.
  CodedRow** rows = static_cast<CodedRow**>(alloc(uint64_t(r + (r & 1) + 1) * sizeof(CodedRow*)));
  if (r && !code_rows(rows, r, c, nlanes, threads, rank_of_code, b)) {
    *count = 0;
    return;
  }

  // Report and eliminate.
  if (stop_requested()) {
    *count = 0;
    return;
  }
  if (!ZEL_C(want_quiet)) Output("\nMatrix %u x %u x %u: ", r, c, b.f);
  if (want_pipe2) Stderr("(%ux%ux%u)", r, c, b.f);
  Dpol** result = static_cast<Dpol**>(alloc(uint64_t(b.f + (b.f & 1) + 1) * sizeof(Dpol*)));
  const uint32_t s = ZEL_C(LINEAR_solve)(rows, r, c, b.f, result, table);

  // New polynomials.
  nb_of_renormed = 0;
  *count = s;
  if (s == 0) return;
  for (uint32_t k = 0; k < s; ++k) {
    renorm_poly(result[k]);
    items[k] = result[k];
  }
  if (nb_of_renormed) {
    want_automatique = 1;
    if (nb_of_renormed > 1)
      for (uint32_t k = 0; k < s; ++k) renorm_poly(items[k]);
  }
}

}  // namespace zel::ZEL_BUILD
