// Pools of linked records, one template for every record type of the server
// code (term nodes, list cells, statistics, critical pairs, states, FGLM
// blocks, staircase elements, Hilbert-numerator terms).
//
// A pool takes blocks from the allocation hook; records return one by one or
// as whole lists to a free list.  Only the engine's memory reset gives blocks
// back: those whose records are all free (release_unused_blocks_).  The free
// list is kept in taking order: the record that new_() returns already links
// to the record the next new_() will return, so list builders take records
// one after another and only write NULL into the last link.
//
// A Policy gives what differs between record types:
//   static const char* name();               instance name in messages
//   static const char* oom_name();           name after "orv_" when a block is refused
//   static constexpr uint32_t per_block;     records per block
//   static constexpr bool term_nodes;        16-byte alignment and extension notices
//   static constexpr bool variable_size;     size follows the exponent word count
//   static constexpr bool track_blocks;      keep the block ranges, for owns()
//   static uint32_t words();                 that word count (variable-size only)
//   static uint32_t shown_size();            element size as how_much_ reports it
//   static Record*& link(Record*);           the link field
//   static void kill_hook(Record*);          applied by kill_
//   static void kill_all_hook(Record*);      applied by kill_all_ to every record
//   static void copy_record(Record* dst, const Record* src);  all fields, link included
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "server/base/orv_malloc.hpp"
#include "server/base/orv_variant.hpp"
#include "server/base/runtime.hpp"
#include "server/base/time.hpp"

#if !defined(ORV_POOL_CHECKS) && !defined(NDEBUG)
#define ORV_POOL_CHECKS 1
#endif

namespace orv::ORV_BUILD {

// The release functions of the pools that know their blocks, listed when
// they take their first one (see release_unused_pool_blocks).
inline std::vector<void (*)()>& pool_releasers() {
  static auto* list = new std::vector<void (*)()>;
  return *list;
}

// Every pool of this build that knows its blocks gives back those no record
// in use lies in (the memory reset of the engine asks for it).
inline void release_unused_pool_blocks() {
  for (void (*release)() : pool_releasers()) release();
}

template <class Record, class Policy>
struct Pool {
  static inline Record* root = nullptr;   // free-list head
  static inline Record* z = nullptr;      // sentinel: links to itself
  static inline uint32_t stat_orv = 0;    // blocks taken since the last rebuild
  static inline uint32_t last_Objet = 0;  // word count of the last build (variable-size)
  static inline bool releaser_listed = false;  // in pool_releasers()

  // Every block taken, by its first byte, with the record size it was laid
  // out for.  Releasing a record of another size into the pool would later
  // hand out a record too small (or misplaced) for the current size.
  struct BlockRange {  // our own type, so the map stays out of the export table
    const char* first;
    const char* second;
    uint32_t size;
    bool from_system;  // the system allocator's: release_unused_blocks_ may free it
  };
  // Never destroyed: after a rebuild this table is all that still points
  // to the old blocks, and they live until the process ends.  Made on first
  // use, so that pools that keep no table own none.
  static std::map<const char*, BlockRange>& blocks() {
    static auto* table = new std::map<const char*, BlockRange>;
    return *table;
  }

  // Under the memory-debug option every record is a block of its own, so
  // that the sanitizer sees each record's bounds, and a released record is
  // filled with a pattern (its link aside) so that a dangling read sees
  // garbage.
#ifdef ZEL_MEMDEBUG
  static constexpr bool kMemDebug = true;
  static constexpr uint32_t kPerBlock = 1;
#else
  static constexpr bool kMemDebug = false;
  static constexpr uint32_t kPerBlock = Policy::per_block;
#endif

  static Record*& link(Record* r) { return Policy::link(r); }

  // Element size: term nodes are rounded up to 16 bytes.
  static uint32_t elt_size() {
    uint32_t s = Policy::shown_size();
    if constexpr (Policy::term_nodes) s = (s + 15u) & ~15u;
    return s;
  }

  static const BlockRange* block_of(const void* p) {
    const char* c = static_cast<const char*>(p);
    auto it = blocks().upper_bound(c);
    if (it == blocks().begin()) return nullptr;
    --it;
    return c < it->second.second ? &it->second : nullptr;
  }

  // True when p lies in a block of this pool (variable-size or tracked pools).
  static bool owns(const void* p) { return block_of(p) != nullptr; }

  // True for a record of a block laid out for another record size.
  static bool is_stale(const Record* r) {
    const BlockRange* b = block_of(r);
    return b != nullptr && b->size != elt_size();
  }

  static void check_release(const Record* r) {
#if ORV_POOL_CHECKS
    if constexpr (Policy::variable_size) {
      if (is_stale(r))
        Fatal("A record of the old size was released into the rebuilt pool %s\n", Policy::name());
    }
#else
    (void)r;
#endif
  }

  // Links n records of `size` bytes from `start` end to end, the last to NULL.
  static Record* lay_out(char* start, uint32_t n, uint32_t size) {
    for (uint32_t i = 0; i + 1 < n; ++i)
      link(reinterpret_cast<Record*>(start + size_t{i} * size)) =
          reinterpret_cast<Record*>(start + size_t{i + 1} * size);
    link(reinterpret_cast<Record*>(start + size_t{n - 1} * size)) = nullptr;
    return reinterpret_cast<Record*>(start);
  }

  static void orv_() {
    const uint32_t size = elt_size();
    // A memory-debug block has room to align its one record.
    const uint32_t bytes = kPerBlock * size + (kMemDebug && Policy::term_nodes ? 16 : 0);
    char* block = static_cast<char*>(ORV_C(Orv_malloc)(bytes));
    if (block == nullptr)
      Fatal("\nPas assez de memoire dans orv_%s pour %u octets\n", Policy::oom_name(), bytes);
    uint32_t n = kPerBlock;
    char* start = block;
    if constexpr (Policy::term_nodes) {
      uintptr_t a = reinterpret_cast<uintptr_t>(block);
      if (a % 16 != 0) {
        start = block + (16 - a % 16);
        if (!kMemDebug) --n;
      }
    }
    ++stat_orv;
    if constexpr (Policy::term_nodes && !kMemDebug) {
      if (!want_quiet) {
        std::string head = std::string("\n>>> Extend Memory (") + Policy::name() + ") ";
        Inform(head.c_str());
        show_date(log_output);
        Output(" %u alloc:%u octets\n", stat_orv, bytes);
      }
    }
    if constexpr (Policy::variable_size || Policy::track_blocks) {
      const bool from_system =
          ORV_C(Orv_malloc) == &internal_Orv_malloc && internal_Orv_malloc_is_system();
      blocks()[block] = BlockRange{block, block + bytes, size, from_system};
      if (!releaser_listed) {
        releaser_listed = true;
        pool_releasers().push_back(&release_unused_blocks_);
      }
    }
    root = lay_out(start, n, size);
  }

  // The records orv_ laid out in a block of the current size.
  static uint32_t capacity(const BlockRange& b) {
    const bool shifted = Policy::term_nodes && !kMemDebug &&
                         reinterpret_cast<uintptr_t>(b.first) % 16 != 0;
    return kPerBlock - (shifted ? 1 : 0);
  }

  // Gives back to the system every block of the current record size whose
  // records are all on the free list: nothing can point into it.  The free
  // list keeps the other records in their order; a block holding a record in
  // use (the sentinel z among them) stays.
  static void release_unused_blocks_() {
    const uint32_t size = elt_size();
    std::map<const char*, uint32_t> free_count;
    const BlockRange* last = nullptr;
    auto block_of_free = [&](const Record* r) -> const BlockRange* {
      const char* c = reinterpret_cast<const char*>(r);
      if (last == nullptr || c < last->first || c >= last->second) last = block_of(r);
      return last != nullptr && last->size == size && last->from_system ? last : nullptr;
    };
    for (Record* r = root; r != nullptr; r = link(r))
      if (const BlockRange* b = block_of_free(r)) ++free_count[b->first];
    std::vector<const char*> unused;
    for (const auto& [first, n] : free_count)
      if (n == capacity(blocks().at(first))) unused.push_back(first);
    if (unused.empty()) return;
    auto is_unused = [&](const BlockRange* b) {
      return b != nullptr && free_count[b->first] == capacity(*b);
    };
    Record* kept = nullptr;
    Record** tail = &kept;
    for (Record* r = root; r != nullptr;) {
      Record* next = link(r);
      if (!is_unused(block_of_free(r))) {
        *tail = r;
        tail = &link(r);
      }
      r = next;
    }
    *tail = nullptr;
    root = kept;
    for (const char* first : unused) {
      blocks().erase(first);
      std::free(const_cast<char*>(first));
    }
    stat_orv = stat_orv > unused.size() ? stat_orv - uint32_t(unused.size()) : 0;
  }

  static void init_Objet_() {
    if constexpr (Policy::variable_size) {
      const uint32_t w = Policy::words();
      if (w == last_Objet && root != nullptr) return;
      last_Objet = w;
    }
    stat_orv = 0;
    orv_();
    z = new_();
    link(z) = z;
  }

  static Record* new_() {
    if (root == nullptr) orv_();
    Record* r = root;
    root = link(r);
    if (root == nullptr) {
      orv_();
      link(r) = root;
    }
    return r;
  }

  // Fills a released record, its link aside, under the memory-debug option.
  static void scrub(Record* x) {
    if constexpr (kMemDebug) {
      char* r = reinterpret_cast<char*>(x);
      char* l = reinterpret_cast<char*>(&link(x));
      const size_t size = Policy::shown_size();
      std::memset(r, 0xDB, size_t(l - r));
      std::memset(l + sizeof(Record*), 0xDB, size - size_t(l - r) - sizeof(Record*));
    } else {
      (void)x;
    }
  }

  static void push_free(Record* x) {
    check_release(x);
    scrub(x);
    link(x) = root;
    root = x;
  }

  static Record* kill_(Record* x) {
    if (x == nullptr) return nullptr;
    Policy::kill_hook(x);
    Record* next = link(x);
    push_free(x);
    return next;
  }

  static Record* free_(Record* x) {
    if (x == nullptr) return nullptr;
    Record* next = link(x);
    push_free(x);
    return next;
  }

  static Record* splice(Record* list) {
    if (list == nullptr) return nullptr;
    Record* last = list;
    check_release(last);
    scrub(last);
    while (link(last) != nullptr) {
      last = link(last);
      check_release(last);
      scrub(last);
    }
    link(last) = root;
    root = list;
    return list;
  }

  static void kill_all_(Record* list) {
    if (list == nullptr) return;
    for (Record* r = list; r != nullptr; r = link(r)) Policy::kill_all_hook(r);
    splice(list);
  }

  static Record* free_all_(Record* list) { return splice(list); }

  static Record* append_(Record* a, Record* b) {
    if (a == nullptr) return b;
    if (b == nullptr) return a;
    Record* t = a;
    while (link(t) != nullptr) t = link(t);
    link(t) = b;
    return a;
  }

  static Record* rest_(Record* x, unsigned n) {
    while (n-- > 0) x = link(x);
    return x;
  }

  // The signed form stops at the end of the list instead of running off it.
  static Record* rest_(Record* x, int n) {
    while (x != nullptr && n > 0) {
      x = link(x);
      --n;
    }
    return x;
  }

  static uint32_t size_(Record* list) {
    uint32_t n = 0;
    for (; list != nullptr; list = link(list)) ++n;
    return n;
  }

  static uint32_t how_much_() {
    uint32_t n = 0;
    for (Record* r = root; r != nullptr; r = link(r)) ++n;
    Output("Nb block %s = %d, Nb elts par block= %u, taille elt= %u,\n libre = %d block(s) + %d\n",
           Policy::name(), static_cast<int>(stat_orv), kPerBlock, Policy::shown_size(),
           static_cast<int>(n / kPerBlock), static_cast<int>(n % kPerBlock));
    return n;
  }

  static Record* creat_zone_(uint32_t bytes, void* area) {
    const uint32_t size = elt_size();
    uint32_t n = bytes / size;
    char* start = static_cast<char*>(area);
    if constexpr (Policy::term_nodes) {
      uintptr_t a = reinterpret_cast<uintptr_t>(start);
      if (a % 16 != 0) {
        start += 16 - a % 16;
        n = n ? n - 1 : 0;
      }
    }
    std::string head = std::string("\n*** Creat Memory (") + Policy::name() + ") ";
    Inform(head.c_str());
    show_date(log_output);
    Output(" alloc:%u octets\n", bytes);
    if (n == 0) return nullptr;
    return lay_out(start, n, size);
  }

  static void swap_zone_(Record*& zone) { std::swap(root, zone); }
  static Record* alloc_() { return root; }

  // Merges two runs that end at the sentinel.  On a tie the record of the
  // later run b goes first.
  template <class Cmp>
  static Record* merge_(Record* a, Record* b, Cmp& cmp) {
    if (a == z) return b;
    if (b == z) return a;
    Record* result;
    Record** tail = &result;
    for (;;) {
      if (cmp(a, b) < 0) {
        *tail = a;
        tail = &link(a);
        a = link(a);
        if (a == z) {
          *tail = b;
          break;
        }
      } else {
        *tail = b;
        tail = &link(b);
        b = link(b);
        if (b == z) {
          *tail = a;
          break;
        }
      }
    }
    return result;
  }

  // The same with a predicate: b's record goes first only when it must.
  template <class Before>
  static Record* merge_boolean_runs_(Record* a, Record* b, Before& before) {
    auto cmp = [&](Record* x, Record* y) { return before(y, x) ? 1 : -1; };
    return merge_(a, b, cmp);
  }

  // Bottom-up merge sort of a NULL-terminated list, runs ending at the
  // sentinel.  No recursion; one head record is taken and given back.
  template <class Merge>
  static Record* sort_(Record* list, Merge merge) {
    if (list == nullptr || link(list) == nullptr) return list;
    Record* t = list;
    while (link(t) != nullptr) t = link(t);
    link(t) = z;
    Record* head = new_();
    link(head) = list;
    uint64_t n = 1;
    Record* a = nullptr;
    while (link(head) != a) {
      Record* pending = link(head);
      Record* c = head;
      while (pending != z) {
        t = pending;
        a = t;
        for (uint64_t i = 1; i < n; ++i) t = link(t);
        Record* b = link(t);
        link(t) = z;
        t = b;
        for (uint64_t i = 1; i < n; ++i) t = link(t);
        pending = link(t);
        link(t) = z;
        link(c) = merge(a, b);
        for (uint64_t i = 0; i < 2 * n; ++i) c = link(c);
      }
      n *= 2;
    }
    list = link(head);
    link(head) = root;  // back to the free list, no hook
    root = head;
    t = list;
    while (link(t) != z) t = link(t);
    link(t) = nullptr;
    return list;
  }

  template <class Cmp>
  static Record* trier_(Record* list, Cmp cmp) {
    return sort_(list, [&](Record* a, Record* b) { return merge_(a, b, cmp); });
  }

  template <class Before>
  static Record* trier_boolean_(Record* list, Before before) {
    return sort_(list, [&](Record* a, Record* b) { return merge_boolean_runs_(a, b, before); });
  }

  template <class Before>
  static Record* merge_boolean_(Record* x, Record* list, Before before) {
    if (list == nullptr) return x;
    if (before(x, list)) {
      link(x) = list;
      return x;
    }
    Record* prev = list;
    while (link(prev) != nullptr && !before(x, link(prev))) prev = link(prev);
    link(x) = link(prev);
    link(prev) = x;
    return list;
  }

  static Record* copy_(Record* list) {
    if (list == nullptr) return nullptr;
    Record* first = nullptr;
    Record* last = nullptr;
    for (Record* s = list; s != nullptr; s = link(s)) {
      Record* r = new_();
      Policy::copy_record(r, s);
      link(r) = root;
      if (first == nullptr) first = r;
      last = r;
    }
    link(last) = nullptr;
    return first;
  }

  static Record* copy_one_(Record* x) {
    if (x == nullptr) return nullptr;
    Record* r = new_();
    Policy::copy_record(r, x);
    return r;
  }
};

// Default policy parts (Self is the derived policy): no hooks, a byte copy
// of the record, fixed size, 500 records a block, link in `next`.
template <class Record, class Self>
struct PoolPolicyBase {
  static constexpr bool term_nodes = false;
  static constexpr bool variable_size = false;
  static constexpr bool track_blocks = false;
  static constexpr uint32_t per_block = 500;
  static uint32_t words() { return 0; }
  static const char* oom_name() { return Self::name(); }
  static uint32_t shown_size() { return sizeof(Record); }
  static Record*& link(Record* r) { return r->next; }
  static void kill_hook(Record*) {}
  static void kill_all_hook(Record*) {}
  static void copy_record(Record* dst, const Record* src) {
    std::memcpy(static_cast<void*>(dst), static_cast<const void*>(src), Self::shown_size());
  }
};

// The operations of one pool under its pasted names.  NAMER(op, INST) makes
// a name: ORV_POOL_PLAIN gives new_INST, ORV_POOL_PREFIXED gives
// Orv_int_new_INST or Orv_new_INST.
#define ORV_POOL_PLAIN(op, inst) op##inst
#define ORV_POOL_PREFIXED(op, inst) ORV_C(op##inst)

#define ORV_DECLARE_POOL(NAMER, INST, Record, Policy)                                              \
  using NAMER(Pool_, INST) = ::orv::ORV_BUILD::Pool<Record, Policy>;                               \
  inline Record*& NAMER(root_, INST) = NAMER(Pool_, INST)::root;                                   \
  inline Record*& NAMER(z_, INST) = NAMER(Pool_, INST)::z;                                         \
  inline uint32_t& NAMER(stat_orv_, INST) = NAMER(Pool_, INST)::stat_orv;                          \
  inline uint32_t& NAMER(last_Objet_, INST) = NAMER(Pool_, INST)::last_Objet;                      \
  inline void NAMER(orv_, INST)() { NAMER(Pool_, INST)::orv_(); }                                  \
  inline void NAMER(init_Objet_, INST)() { NAMER(Pool_, INST)::init_Objet_(); }                    \
  inline Record* NAMER(new_, INST)() { return NAMER(Pool_, INST)::new_(); }                        \
  inline Record* NAMER(kill_, INST)(Record * x) { return NAMER(Pool_, INST)::kill_(x); }           \
  inline Record* NAMER(kill_top_, INST)(Record * x) { return NAMER(Pool_, INST)::free_(x); }       \
  inline Record* NAMER(free_, INST)(Record * x) { return NAMER(Pool_, INST)::free_(x); }           \
  inline void NAMER(kill_all_, INST)(Record * l) { NAMER(Pool_, INST)::kill_all_(l); }             \
  inline Record* NAMER(free_all_, INST)(Record * l) { return NAMER(Pool_, INST)::free_all_(l); }   \
  inline Record* NAMER(append_, INST)(Record * a, Record * b) {                                    \
    return NAMER(Pool_, INST)::append_(a, b);                                                      \
  }                                                                                                \
  inline Record* NAMER(rest_, INST)(Record * x, unsigned n) {                                      \
    return NAMER(Pool_, INST)::rest_(x, n);                                                        \
  }                                                                                                \
  inline Record* NAMER(rest_, INST)(Record * x, int n) { return NAMER(Pool_, INST)::rest_(x, n); } \
  inline uint32_t NAMER(size_, INST)(Record * l) { return NAMER(Pool_, INST)::size_(l); }          \
  inline uint32_t NAMER(how_much_, INST)() { return NAMER(Pool_, INST)::how_much_(); }             \
  inline Record* NAMER(creat_zone_, INST)(uint32_t bytes, void* area) {                            \
    return NAMER(Pool_, INST)::creat_zone_(bytes, area);                                           \
  }                                                                                                \
  inline void NAMER(swap_zone_, INST)(Record * &zone) { NAMER(Pool_, INST)::swap_zone_(zone); }    \
  inline Record* NAMER(alloc_, INST)() { return NAMER(Pool_, INST)::alloc_(); }                    \
  template <class Cmp>                                                                             \
  inline Record* NAMER(trier_, INST)(Record * l, Cmp cmp) {                                        \
    return NAMER(Pool_, INST)::trier_(l, cmp);                                                     \
  }                                                                                                \
  template <class Before>                                                                          \
  inline Record* NAMER(trier_boolean_, INST)(Record * l, Before before) {                          \
    return NAMER(Pool_, INST)::trier_boolean_(l, before);                                          \
  }                                                                                                \
  template <class Before>                                                                          \
  inline Record* NAMER(merge_boolean_, INST)(Record * x, Record * l, Before before) {              \
    return NAMER(Pool_, INST)::merge_boolean_(x, l, before);                                       \
  }

// copy_ and copy_one_ exist only for records this family copies itself (not
// for term nodes and list cells, whose copies are deep).
#define ORV_DECLARE_POOL_COPIES(NAMER, INST, Record)                                     \
  inline Record* NAMER(copy_, INST)(Record * l) { return NAMER(Pool_, INST)::copy_(l); } \
  inline Record* NAMER(copy_one_, INST)(Record * x) { return NAMER(Pool_, INST)::copy_one_(x); }

}  // namespace orv::ORV_BUILD
