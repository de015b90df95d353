// A small host of our own behind the external-call interface
// (engine/api/host_interface.h): enough of a computer-algebra host to drive
// the binding's entries in tests and in the demonstration program.
//
// Values live as long as the host.  A raised error unwinds to the caller of
// Host::call as a HostRaised exception; a raise outside any call returns (the
// library then ends the process with the message and status 1).  What the
// binding prints is captured.  While a host lives, GMP takes its memory from
// the host's functions, which throw std::bad_alloc when there is none.
//
// A host written in C cannot throw through the library: it unwinds its
// call by longjmp, and no destructor or catch block of the library runs.
// With `unwinding` set to Unwinding::kLongjmp this host does the same: every
// error of an operation (a raise, an interrupt, a value of the wrong type,
// memory that ran out) jumps back to the innermost Host::call, which then
// throws the HostRaised to its own caller.
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/host_interface.h"

namespace standin {

// What a raise throws: the message with its values put in.  It is made even
// when memory has run out: the message is then kept as it came, cut to what
// the exception holds.
class HostRaised : public std::exception {
 public:
  explicit HostRaised(const char* text) noexcept;
  explicit HostRaised(const std::string& text) noexcept : HostRaised(text.c_str()) {}
  const char* what() const noexcept override;

 private:
  std::shared_ptr<const std::string> text_;  // null when there was no memory for it
  char cut_[256] = "";
};

using Entry = HostValue (*)(HostKernel, HostValue);

enum class Unwinding { kException, kLongjmp };

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HostKernel kernel() const;

  // Values.
  HostValue integer(const mpz_class& n);
  HostValue floating(double x);
  HostValue string(const std::string& s);
  HostValue name(const std::string& n);  // an unassigned name
  HostValue list(const std::vector<HostValue>& items);
  // An INTEGER32 rtable of the given shape (bounds 1..d per dimension), owned
  // by the host, C order.
  HostValue int32_rtable(const std::vector<int32_t>& data, const std::vector<int32_t>& dims);
  HostValue float_rtable(std::size_t n);
  HostValue null();           // the host's NULL (an empty sequence)
  HostValue null_pointer();   // no value at all

  // Calls a binding entry with the given arguments.
  HostValue call(Entry entry, const std::vector<HostValue>& args);
  // How errors unwind the calls (set before a call, not during one).
  Unwinding unwinding = Unwinding::kException;

  // Reading values back.
  bool is_integer(HostValue v) const;
  mpz_class integer_of(HostValue v) const;
  double float_of(HostValue v) const;
  bool is_null(HostValue v) const;
  // The value assigned to a name (null pointer when unassigned).
  HostValue value_of(HostValue name) const;
  std::vector<HostValue> items_of(HostValue list) const;
  // The rtable's elements (INTEGER32) and its upper bounds.
  std::vector<int32_t> int32_elements(HostValue rt) const;
  std::vector<int32_t> bounds_of(HostValue rt) const;
  bool is_foreign(HostValue rt) const;
  // Text of a value: integers in decimal, names, sums "a+b", products "a*b",
  // powers "a^b", lists "[a, b]".
  std::string show(HostValue v) const;

  // The host's state.
  std::string printed;                    // MaplePrintf
  // Called with each printed text once it is captured: tests follow a
  // computation's progress by it.
  std::function<void(const std::string&)> on_print;
  std::string user_info;                  // MapleUserInfo, "name: text" per call
  std::vector<HostValue> protected_values;
  std::string version;                    // the kernel option "version"
  bool interrupt = false;                 // the user interrupted
  int interrupt_checks = 0;
  // GMP's allocation function at the latest interrupt check: the host makes
  // its own integers there, so it must be the host's.
  void* (*gmp_alloc_at_check)(size_t) = nullptr;

  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace standin
