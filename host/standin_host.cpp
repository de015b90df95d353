// The stand-in host: values, the operation table, error raising by
// exception, captured printing.
#include "host/standin_host.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define ZEL_STANDIN_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEL_STANDIN_LSAN 1
#endif
#endif
#ifdef ZEL_STANDIN_LSAN
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <new>

enum class Kind { Integer, Float, String, Name, List, RTable, Null, Sequence, Sum, Product, Power };

struct HostObject {
  Kind kind = Kind::Null;
  mpz_class integer;
  double floating = 0;
  std::string text;              // strings and names
  HostValue assigned = nullptr;  // names
  std::vector<HostValue> items;  // lists, sequences, operands
  // rtables
  HostRTableSettings settings{};
  std::vector<int32_t> bounds;  // lower, upper per dimension
  std::vector<int32_t> owned;   // host-owned INTEGER32 data
  std::vector<double> owned_float;
  void* foreign = nullptr;
};

namespace standin {

struct Host::Impl {
  struct Kernel : HostOperations {
    Host* self;
  } kernel{};
  // GMP's functions before the host put in its own.
  void* (*gmp_alloc_before)(size_t) = nullptr;
  void* (*gmp_realloc_before)(void*, size_t, size_t) = nullptr;
  void (*gmp_free_before)(void*, size_t) = nullptr;
  std::vector<std::unique_ptr<HostObject>> values;
  // Host::call's in progress: a raise unwinds the innermost one.
  int calls = 0;
  // Unwinding::kLongjmp: where each call in progress returns to, innermost
  // last, and the message of the error that jumped (no allocation: the
  // error may be that memory ran out).
  static constexpr int kMaxDepth = 64;
  jmp_buf* jumps[kMaxDepth] = {};
  int depth = 0;
  char jumped_text[4096] = "";

  HostValue make(Kind k) {
    values.push_back(std::make_unique<HostObject>());
    values.back()->kind = k;
    return values.back().get();
  }
};

namespace {

// GMP's memory for the host's integers.  A failure throws std::bad_alloc, as
// the host's other allocations do, where GMP's default functions would end
// the process.
void* gmp_allocate(size_t size) {
  void* p = std::malloc(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* gmp_reallocate(void* old, size_t, size_t size) {
  void* p = std::realloc(old, size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void gmp_release(void* p, size_t) { std::free(p); }

Host& host_of(HostKernel kv) { return *static_cast<const Host::Impl::Kernel*>(kv)->self; }
HostValue make(HostKernel kv, Kind k) { return host_of(kv).impl().make(k); }

uint64_t element_count(const HostObject* rt) {
  uint64_t n = 1;
  for (std::size_t d = 0; d + 1 < rt->bounds.size(); d += 2)
    n *= uint64_t(std::max(0, rt->bounds[d + 1] - rt->bounds[d] + 1));
  return n;
}

std::string ordinal(long n) {
  const long a = n < 0 ? -n : n;
  const char* suffix = "th";
  if (a % 100 < 11 || a % 100 > 13) {
    if (a % 10 == 1) suffix = "st";
    if (a % 10 == 2) suffix = "nd";
    if (a % 10 == 3) suffix = "rd";
  }
  return std::to_string(n) + suffix;
}

bool numeric(HostValue v) { return v && v->kind == Kind::Integer; }

// The operations.

int32_t num_args(HostKernel, HostValue args) { return int32_t(args->items.size()); }
HostValue arg(HostKernel kv, HostValue args, int32_t i) {
  if (i < 1 || size_t(i) > args->items.size()) return nullptr;
  return args->items[size_t(i) - 1];
}
int32_t is_integer32(HostKernel, HostValue v) {
  return numeric(v) && v->integer >= INT32_MIN && v->integer <= INT32_MAX;
}
int32_t to_integer32(HostKernel kv, HostValue v) {
  if (!is_integer32(kv, v)) throw HostRaised("integer[4] expected");
  return int32_t(v->integer.get_si());
}
HostValue from_integer(HostKernel kv, long n) {
  HostValue v = make(kv, Kind::Integer);
  v->integer = n;
  return v;
}
HostValue from_float(HostKernel kv, double x) {
  HostValue v = make(kv, Kind::Float);
  v->floating = x;
  return v;
}
HostValue from_string(HostKernel kv, const char* s) {
  HostValue v = make(kv, Kind::String);
  v->text = s;
  return v;
}
HostValue null_value(HostKernel kv) { return make(kv, Kind::Null); }
char* to_string(HostKernel, HostValue v) {
  if (!v || (v->kind != Kind::String && v->kind != Kind::Name))
    throw HostRaised("string expected");
  return v->text.data();
}
int32_t is_rtable(HostKernel, HostValue v) { return v && v->kind == Kind::RTable; }
void rtable_settings(HostKernel, HostRTableSettings* s, HostValue rt) { *s = rt->settings; }
void* rtable_data(HostKernel, HostValue rt) {
  if (rt->foreign) return rt->foreign;
  if (rt->settings.data_type == HOST_RT_FLOAT64) return rt->owned_float.data();
  return rt->owned.data();
}
uint64_t rtable_num_elements(HostKernel, HostValue rt) { return element_count(rt); }
void rtable_defaults(HostKernel, HostRTableSettings* s) {
  *s = HostRTableSettings{};
  s->data_type = HOST_RT_FLOAT64;
  s->order = HOST_RT_FORTRAN_ORDER;
  s->num_dimensions = 1;
  s->index_functions = nullptr;
}
HostValue rtable_create(HostKernel kv, const HostRTableSettings* s, void* data,
                        const int32_t* bounds) {
  HostValue rt = make(kv, Kind::RTable);
  rt->settings = *s;
  rt->bounds.assign(bounds, bounds + 2 * s->num_dimensions);
  const uint64_t n = element_count(rt);
  if (data && s->foreign) {
    rt->foreign = data;
  } else if (s->data_type == HOST_RT_FLOAT64) {
    rt->owned_float.assign(n, 0.0);
    if (data) std::memcpy(rt->owned_float.data(), data, n * sizeof(double));
  } else {
    rt->owned.assign(n, 0);
    if (data) std::memcpy(rt->owned.data(), data, n * sizeof(int32_t));
  }
  rt->settings.foreign = rt->foreign != nullptr;
  return rt;
}
int32_t is_pointer_null(HostKernel, HostValue v) { return v == nullptr; }
int32_t is_unassigned_name(HostKernel, HostValue v) {
  return v && v->kind == Kind::Name && v->assigned == nullptr;
}
int32_t op_is_null(HostKernel, HostValue v) { return v && v->kind == Kind::Null; }
int32_t is_list(HostKernel, HostValue v) { return v && v->kind == Kind::List; }
uint64_t list_length(HostKernel, HostValue l) { return l->items.size(); }
HostValue list_select(HostKernel, HostValue l, int32_t i) {
  if (i < 1 || size_t(i) > l->items.size()) throw HostRaised("invalid subscript selector");
  return l->items[size_t(i) - 1];
}
HostValue list_alloc(HostKernel kv, int32_t n) {
  HostValue l = make(kv, Kind::List);
  l->items.assign(size_t(std::max(0, n)), nullptr);
  return l;
}
void list_assign(HostKernel, HostValue l, int32_t i, HostValue v) {
  if (i < 1 || size_t(i) > l->items.size()) throw HostRaised("invalid subscript selector");
  l->items[size_t(i) - 1] = v;
}
void to_gmp_integer(HostKernel, HostValue v, mpz_ptr out) {
  if (!numeric(v)) throw HostRaised("integer expected");
  mpz_set(out, v->integer.get_mpz_t());
}
HostValue from_gmp_integer(HostKernel kv, mpz_srcptr z) {
  HostValue v = make(kv, Kind::Integer);
  v->integer = mpz_class(z);
  return v;
}
HostValue combine(HostKernel kv, Kind k, HostValue a, HostValue b) {
  HostValue v = make(kv, k);
  v->items = {a, b};
  return v;
}
HostValue numeric_add(HostKernel kv, HostValue a, HostValue b) {
  if (numeric(a) && numeric(b)) {
    HostValue v = make(kv, Kind::Integer);
    v->integer = a->integer + b->integer;
    return v;
  }
  return combine(kv, Kind::Sum, a, b);
}
HostValue numeric_multiply(HostKernel kv, HostValue a, HostValue b) {
  if (numeric(a) && numeric(b)) {
    HostValue v = make(kv, Kind::Integer);
    v->integer = a->integer * b->integer;
    return v;
  }
  if (numeric(a) && a->integer == 1) return b;
  if (numeric(b) && b->integer == 1) return a;
  return combine(kv, Kind::Product, a, b);
}
HostValue numeric_power(HostKernel kv, HostValue a, HostValue b) {
  if (numeric(b) && b->integer == 1) return a;
  if (numeric(a) && numeric(b) && b->integer >= 0) {
    HostValue v = make(kv, Kind::Integer);
    mpz_pow_ui(v->integer.get_mpz_t(), a->integer.get_mpz_t(), b->integer.get_ui());
    return v;
  }
  return combine(kv, Kind::Power, a, b);
}
void assign(HostKernel, HostValue name, HostValue value) {
  if (!name || name->kind != Kind::Name) throw HostRaised("cannot assign to a non-name");
  name->assigned = value;
}
void gc_protect(HostKernel kv, HostValue v) { host_of(kv).protected_values.push_back(v); }

// The message with "%N" replaced by the text of value N and "%-N" by its
// ordinal.
void put_values(const Host& host, const char* msg, HostValue a1, HostValue a2, std::string& out) {
  for (const char* c = msg; *c; ++c) {
    const bool neg = c[0] == '%' && c[1] == '-' && (c[2] == '1' || c[2] == '2');
    const bool pos = c[0] == '%' && (c[1] == '1' || c[1] == '2');
    if (!neg && !pos) {
      out += *c;
      continue;
    }
    const char digit = neg ? c[2] : c[1];
    HostValue v = digit == '1' ? a1 : a2;
    if (neg && numeric(v))
      out += ordinal(v->integer.get_si());
    else
      out += host.show(v);
    c += neg ? 2 : 1;
  }
}

// Outside a call there is nothing to unwind: the raise returns, and the
// library then ends the process with the message and status 1 (as for a C
// caller).  Without memory for the values, the message goes as it came.
void raise_error(HostKernel kv, const char* msg, HostValue a1, HostValue a2) {
  Host& host = host_of(kv);
  if (host.impl().calls == 0) return;
  std::string out;
  try {
    put_values(host, msg, a1, a2, out);
  } catch (const std::bad_alloc&) {
    throw HostRaised(msg);
  }
  throw HostRaised(out);
}
void host_vprintf(HostKernel kv, const char* format, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return;
  std::string text(size_t(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, ap);
  text.pop_back();
  Host& host = host_of(kv);
  host.printed += text;
  if (host.on_print) host.on_print(text);
}
void user_info(HostKernel kv, int32_t level, const char* name, const char* text) {
  host_of(kv).user_info += std::string(name) + ": " + text;
}
HostValue kernel_option(HostKernel kv, const char* option) {
  const Host& host = host_of(kv);
  if (std::strcmp(option, "version") != 0 || host.version.empty()) return nullptr;
  return from_string(kv, host.version.c_str());
}
int32_t interrupt_value(HostKernel kv) { return host_of(kv).interrupt ? 1 : 0; }
void check_interrupt(HostKernel kv) {
  Host& host = host_of(kv);
  host.interrupt_checks++;
  mp_get_memory_functions(&host.gmp_alloc_at_check, nullptr, nullptr);
  if (host.interrupt) {
    host.interrupt = false;
    throw HostRaised("interrupted");
  }
}

// Unwinding::kLongjmp: back to the innermost call with the message.
[[noreturn]] void jump(Host::Impl& impl, const char* text) {
  std::snprintf(impl.jumped_text, sizeof impl.jumped_text, "%s", text);
  jmp_buf* target = impl.jumps[--impl.depth];
  --impl.calls;
  std::longjmp(*target, 1);
}

// An operation as a host written in C offers it: its errors unwind the call
// by longjmp (in that mode), never as exceptions through the library.  The
// handler is left before the jump.
template <auto Op>
struct Guarded;
template <class R, class... A, R (*Op)(HostKernel, A...)>
struct Guarded<Op> {
  static R call(HostKernel kv, A... a) {
    Host::Impl& impl = host_of(kv).impl();
    if (host_of(kv).unwinding != Unwinding::kLongjmp || impl.depth == 0) return Op(kv, a...);
    char text[4096];
    try {
      return Op(kv, a...);
    } catch (const HostRaised& e) {
      std::snprintf(text, sizeof text, "%s", e.what());
    } catch (const std::bad_alloc&) {
      std::snprintf(text, sizeof text, "not enough memory");
    }
    jump(impl, text);
  }
};

// Leak checking off for a scope (AddressSanitizer builds).
struct LeakChecksOff {
#ifdef ZEL_STANDIN_LSAN
  LeakChecksOff() { __lsan_disable(); }
  ~LeakChecksOff() { __lsan_enable(); }
#endif
};

// The longjmp form of Host::call: nothing in this frame has a destructor.
// Returns false after an error jumped back here.
bool call_or_jump(Host::Impl& impl, Entry entry, HostKernel kv, HostValue seq, HostValue* out) {
  jmp_buf back;
  if (impl.depth == Host::Impl::kMaxDepth) {
    std::snprintf(impl.jumped_text, sizeof impl.jumped_text, "calls nested too deep");
    return false;
  }
  if (setjmp(back) != 0) return false;
  impl.jumps[impl.depth++] = &back;
  ++impl.calls;
  *out = entry(kv, seq);
  --impl.depth;
  --impl.calls;
  return true;
}

}  // namespace

HostRaised::HostRaised(const char* text) noexcept {
  try {
    text_ = std::make_shared<const std::string>(text);
  } catch (const std::bad_alloc&) {
    std::snprintf(cut_, sizeof cut_, "%s", text);
  }
}

const char* HostRaised::what() const noexcept { return text_ ? text_->c_str() : cut_; }

Host::Host() : impl_(std::make_unique<Impl>()) {
  HostOperations& ops = impl_->kernel;
  ops.num_args = Guarded<num_args>::call;
  ops.arg = Guarded<arg>::call;
  ops.is_integer32 = Guarded<is_integer32>::call;
  ops.to_integer32 = Guarded<to_integer32>::call;
  ops.from_integer = Guarded<from_integer>::call;
  ops.from_float = Guarded<from_float>::call;
  ops.from_string = Guarded<from_string>::call;
  ops.null_value = Guarded<null_value>::call;
  ops.to_string = Guarded<to_string>::call;
  ops.is_rtable = Guarded<is_rtable>::call;
  ops.rtable_settings = Guarded<rtable_settings>::call;
  ops.rtable_data = Guarded<rtable_data>::call;
  ops.rtable_num_elements = Guarded<rtable_num_elements>::call;
  ops.rtable_defaults = Guarded<rtable_defaults>::call;
  ops.rtable_create = Guarded<rtable_create>::call;
  ops.is_pointer_null = Guarded<is_pointer_null>::call;
  ops.is_unassigned_name = Guarded<is_unassigned_name>::call;
  ops.is_null = Guarded<op_is_null>::call;
  ops.is_list = Guarded<is_list>::call;
  ops.list_length = Guarded<list_length>::call;
  ops.list_select = Guarded<list_select>::call;
  ops.list_alloc = Guarded<list_alloc>::call;
  ops.list_assign = Guarded<list_assign>::call;
  ops.to_gmp_integer = Guarded<to_gmp_integer>::call;
  ops.from_gmp_integer = Guarded<from_gmp_integer>::call;
  ops.numeric_add = Guarded<numeric_add>::call;
  ops.numeric_multiply = Guarded<numeric_multiply>::call;
  ops.numeric_power = Guarded<numeric_power>::call;
  ops.assign = Guarded<assign>::call;
  ops.gc_protect = Guarded<gc_protect>::call;
  ops.raise_error = Guarded<raise_error>::call;
  ops.vprintf = Guarded<host_vprintf>::call;
  ops.user_info = Guarded<standin::user_info>::call;
  ops.kernel_option = Guarded<kernel_option>::call;
  ops.interrupt_value = Guarded<interrupt_value>::call;
  ops.check_interrupt = Guarded<check_interrupt>::call;
  impl_->kernel.self = this;
  mp_get_memory_functions(&impl_->gmp_alloc_before, &impl_->gmp_realloc_before,
                          &impl_->gmp_free_before);
  mp_set_memory_functions(gmp_allocate, gmp_reallocate, gmp_release);
}

// The host's integers go with the functions put back: both take the C
// library's heap.
Host::~Host() {
  mp_set_memory_functions(impl_->gmp_alloc_before, impl_->gmp_realloc_before,
                          impl_->gmp_free_before);
}

HostKernel Host::kernel() const { return &impl_->kernel; }

HostValue Host::integer(const mpz_class& n) {
  HostValue v = impl_->make(Kind::Integer);
  v->integer = n;
  return v;
}
HostValue Host::floating(double x) { return from_float(kernel(), x); }
HostValue Host::string(const std::string& s) { return from_string(kernel(), s.c_str()); }
HostValue Host::name(const std::string& n) {
  HostValue v = impl_->make(Kind::Name);
  v->text = n;
  return v;
}
HostValue Host::list(const std::vector<HostValue>& items) {
  HostValue v = impl_->make(Kind::List);
  v->items = items;
  return v;
}
HostValue Host::int32_rtable(const std::vector<int32_t>& data, const std::vector<int32_t>& dims) {
  HostRTableSettings s{};
  s.data_type = HOST_RT_INTEGER32;
  s.order = HOST_RT_C_ORDER;
  s.num_dimensions = int32_t(dims.size());
  std::vector<int32_t> bounds;
  for (int32_t d : dims) {
    bounds.push_back(1);
    bounds.push_back(d);
  }
  HostValue rt = rtable_create(kernel(), &s, nullptr, bounds.data());
  std::copy_n(data.begin(), std::min(data.size(), rt->owned.size()), rt->owned.begin());
  return rt;
}
HostValue Host::float_rtable(std::size_t n) {
  HostRTableSettings s{};
  rtable_defaults(kernel(), &s);
  const int32_t bounds[2] = {1, int32_t(n)};
  return rtable_create(kernel(), &s, nullptr, bounds);
}
HostValue Host::null() { return impl_->make(Kind::Null); }
HostValue Host::null_pointer() { return nullptr; }

HostValue Host::call(Entry entry, const std::vector<HostValue>& args) {
  HostValue seq = impl_->make(Kind::Sequence);
  seq->items = args;
  if (unwinding == Unwinding::kLongjmp) {
    HostValue out = nullptr;
    const int depth = impl_->depth, calls = impl_->calls;
    bool returned = false;
    // What the library held in the frames a jump skips is never given back:
    // not a leak of this host's making.
    [[maybe_unused]] const LeakChecksOff off;
    try {
      returned = call_or_jump(*impl_, entry, kernel(), seq, &out);
    } catch (...) {
      impl_->depth = depth;
      impl_->calls = calls;
      throw;
    }
    if (!returned) throw HostRaised(impl_->jumped_text);
    return out;
  }
  struct InCall {
    int& calls;
    explicit InCall(int& c) : calls(c) { ++calls; }
    ~InCall() { --calls; }
  } in_call(impl_->calls);
  return entry(kernel(), seq);
}

bool Host::is_integer(HostValue v) const { return numeric(v); }
mpz_class Host::integer_of(HostValue v) const {
  if (!numeric(v)) throw std::logic_error("not an integer: " + show(v));
  return v->integer;
}
double Host::float_of(HostValue v) const {
  if (!v || v->kind != Kind::Float) throw std::logic_error("not a float: " + show(v));
  return v->floating;
}
bool Host::is_null(HostValue v) const { return v && v->kind == Kind::Null; }
HostValue Host::value_of(HostValue name) const { return name ? name->assigned : nullptr; }
std::vector<HostValue> Host::items_of(HostValue list) const { return list->items; }
std::vector<int32_t> Host::int32_elements(HostValue rt) const {
  const auto* data = static_cast<const int32_t*>(rtable_data(kernel(), rt));
  return std::vector<int32_t>(data, data + element_count(rt));
}
std::vector<int32_t> Host::bounds_of(HostValue rt) const {
  std::vector<int32_t> upper;
  for (std::size_t d = 1; d < rt->bounds.size(); d += 2) upper.push_back(rt->bounds[d]);
  return upper;
}
bool Host::is_foreign(HostValue rt) const { return rt->foreign != nullptr; }

std::string Host::show(HostValue v) const {
  if (!v) return "<none>";
  switch (v->kind) {
    case Kind::Integer:
      return v->integer.get_str();
    case Kind::Float:
      return std::to_string(v->floating);
    case Kind::String:
      return "\"" + v->text + "\"";
    case Kind::Name:
      return v->text;
    case Kind::Null:
      return "NULL";
    case Kind::RTable:
      return "rtable";
    case Kind::List:
    case Kind::Sequence: {
      std::string s = v->kind == Kind::List ? "[" : "";
      for (std::size_t i = 0; i < v->items.size(); ++i) s += (i ? ", " : "") + show(v->items[i]);
      return v->kind == Kind::List ? s + "]" : s;
    }
    case Kind::Sum:
      return show(v->items[0]) + "+" + show(v->items[1]);
    case Kind::Product:
      return show(v->items[0]) + "*" + show(v->items[1]);
    case Kind::Power:
      return show(v->items[0]) + "^" + show(v->items[1]);
  }
  return "?";
}

}  // namespace standin
