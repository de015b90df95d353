// Every exported entry of both builds turns an exception into the fatal path:
// a C++ exception that reached a C caller would abort the process without a
// word.  And every one claims the library for its thread first: the library
// serves one thread at a time.  The sources are read, and every definition
// marked ZEL_EXPORT must start with the claim (ZEL_ENTRY_CLAIM, or
// ZEL_BINDING_ENTRY_CLAIM(kv) in an entry that a host calls with its kernel)
// and be a function-try-block handed to a guard (ZEL_ENTRY_CATCH, or the
// binding's or the sparse layer's form of it), unless the rest of its body
// calls nothing.  A guard closes nothing but such an entry: its catch block
// gives the claim back.  Every Zel_/zel_ name the library exports must be
// found that way, so an entry defined some other way is not missed.
// (Compiled in the integer build's tests only: it reads both builds' sources
// at once.)
#include <gtest/gtest.h>

#include <new>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/mem/messages.hpp"
#include "support/test_host.hpp"

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Comments, string and character literals and preprocessor lines become
// blanks, so that braces and parentheses inside them do not count.
std::string code_only(const std::string& s) {
  std::string out(s.size(), ' ');
  size_t i = 0;
  bool line_start = true;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      out[i++] = '\n';
      line_start = true;
      continue;
    }
    if (line_start && c == '#') {
      // A directive, with its continuation lines.
      while (i < s.size() && !(s[i] == '\n' && s[i - 1] != '\\')) ++i;
      continue;
    }
    if (c != ' ' && c != '\t') line_start = false;
    if (s.compare(i, 2, "//") == 0) {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (s.compare(i, 2, "/*") == 0) {
      size_t e = s.find("*/", i + 2);
      e = e == std::string::npos ? s.size() : e + 2;
      for (; i < e; ++i)
        if (s[i] == '\n') out[i] = '\n';
    } else if (c == '"' || c == '\'') {
      ++i;
      while (i < s.size() && s[i] != c) i += s[i] == '\\' ? 2 : 1;
      ++i;
    } else {
      out[i] = c;
      ++i;
    }
  }
  return out;
}

// Position just past the bracket that closes the one at `open`.
size_t past_matching(const std::string& s, size_t open) {
  const char o = s[open], c = o == '(' ? ')' : '}';
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    if (s[i] == o) ++depth;
    if (s[i] == c && --depth == 0) return i + 1;
  }
  return std::string::npos;
}

size_t skip_blanks(const std::string& s, size_t i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

bool is_word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifier at i (empty when none); `end` is set past it.
std::string word_at(const std::string& s, size_t i, size_t* end) {
  size_t e = i;
  while (e < s.size() && is_word_char(s[e])) ++e;
  *end = e;
  return s.substr(i, e - i);
}

// At i, after blanks: ZEL_C(x) or ZEL_LC(x).  Sets the macro, x and `end`.
bool name_macro_at(const std::string& s, size_t i, std::string* macro, std::string* base,
                   size_t* end) {
  size_t e;
  *macro = word_at(s, i, &e);
  if (*macro != "ZEL_C" && *macro != "ZEL_LC") return false;
  size_t j = skip_blanks(s, e);
  if (j >= s.size() || s[j] != '(') return false;
  *base = word_at(s, skip_blanks(s, j + 1), &e);
  j = skip_blanks(s, e);
  if (base->empty() || j >= s.size() || s[j] != ')') return false;
  *end = j + 1;
  return true;
}

struct Scan {
  std::set<std::string> found;    // exported names defined or declared
  std::vector<std::string> bare;  // definitions without a guard
  std::vector<std::string> unclaimed;  // definitions that do not claim the library
};

// The entries that any thread may call (they claim the library only when it
// is free).
const std::set<std::string> kAnyThread{"Zel_stop_immediately", "Zel_int_stop_immediately"};

// The C names a source's ZEL_C / ZEL_LC stand for, by the build(s) that
// compile it.
std::vector<std::string> names_for(const std::string& macro, const std::string& base,
                                   const std::string& file) {
  const bool fp_only = file.find(".fp.") != std::string::npos;
  const bool int_only = file.find(".int.") != std::string::npos ||
                        file.find(".once.") != std::string::npos;
  const std::string big = macro == "ZEL_C" ? "Zel_" : "zel_";
  std::vector<std::string> out;
  if (!fp_only) out.push_back(big + "int_" + base);
  if (!int_only) out.push_back(big + base);
  return out;
}

// True when the body calls a function or may throw: a name followed by '('
// other than a statement keyword or ZEL_C / ZEL_LC, or new, or throw.
bool body_may_throw(const std::string& body) {
  static const std::set<std::string> statements{"for", "if", "while", "switch", "return",
                                                "sizeof"};
  for (size_t i = 0; i < body.size();) {
    if (!is_word_char(body[i]) || (i > 0 && is_word_char(body[i - 1]))) {
      ++i;
      continue;
    }
    std::string macro, base;
    size_t e;
    if (name_macro_at(body, i, &macro, &base, &e)) {
      i = e;
      continue;
    }
    const std::string w = word_at(body, i, &e);
    if (w == "new" || w == "throw") return true;
    const size_t j = skip_blanks(body, e);
    if (j < body.size() && body[j] == '(' && statements.count(w) == 0 &&
        !std::isdigit(static_cast<unsigned char>(w[0])))
      return true;
    i = e;
  }
  return false;
}

// Past the claim that must open the body whose '{' is at `open`; npos when
// there is none (or, for an entry a host calls with its kernel, not the
// binding's form).
size_t past_claim(const std::string& s, size_t open, bool host_call) {
  size_t e;
  const size_t i = skip_blanks(s, open + 1);
  const std::string w = word_at(s, i, &e);
  const size_t j = skip_blanks(s, e);
  if (j >= s.size()) return std::string::npos;
  if (!host_call && w == "ZEL_ENTRY_CLAIM" && s[j] == ';') return j + 1;
  if (host_call && w == "ZEL_BINDING_ENTRY_CLAIM" && s[j] == '(') {
    const size_t k = skip_blanks(s, past_matching(s, j));
    if (k < s.size() && s[k] == ';') return k + 1;
  }
  return std::string::npos;
}

bool guard_at(const std::string& s, size_t k) {
  size_t e;
  const std::string w = word_at(s, k, &e);
  const size_t j = skip_blanks(s, e);
  return (w == "ZEL_ENTRY_CATCH" || w == "ZEL_SPARSE_ENTRY_CATCH" ||
          w == "ZEL_BINDING_ENTRY_CATCH") &&
         j < s.size() && s[j] == '(';
}

void scan_file(const fs::path& path, Scan& scan) {
  const std::string file = path.filename().string();
  const std::string s = code_only(read_file(path));
  int guards = 0, guarded_entries = 0;
  for (size_t k = 0; k < s.size(); ++k)
    if ((k == 0 || !is_word_char(s[k - 1])) && guard_at(s, k)) ++guards;
  for (size_t at = s.find("ZEL_EXPORT"); at != std::string::npos;
       at = s.find("ZEL_EXPORT", at + 1)) {
    // Past the return type: the declarator is the last name before the
    // first '(', ';', '=' or '[', ZEL_C(x) counting as one name.
    size_t i = at + 10;
    std::vector<std::string> names;
    size_t after = std::string::npos;
    while ((i = skip_blanks(s, i)) < s.size()) {
      std::string macro, base;
      size_t e;
      if (name_macro_at(s, i, &macro, &base, &e)) {
        names = names_for(macro, base, file);
        i = e;
      } else if (is_word_char(s[i])) {
        names = {word_at(s, i, &e)};
        i = e;
      } else if (s[i] == '*' || s[i] == '&' || s[i] == ':') {
        ++i;
      } else {
        after = i;
        break;
      }
    }
    ASSERT_NE(after, std::string::npos) << file << ": cannot read an exported declaration";
    ASSERT_FALSE(names.empty()) << file << ": cannot read an exported declaration";
    if (s[after] != '(') {  // a variable
      scan.found.insert(names.begin(), names.end());
      continue;
    }
    const size_t params_end = past_matching(s, after);
    const size_t j = skip_blanks(s, params_end);
    if (s[j] == ';') continue;  // a declaration only
    scan.found.insert(names.begin(), names.end());
    const std::string who = file + ": " + names.front();
    const bool try_block = s.compare(j, 3, "try") == 0;
    const size_t open = try_block ? s.find('{', j) : j;
    ASSERT_EQ(s[open], '{') << who;
    const size_t close = past_matching(s, open);
    const bool host_call =
        s.substr(after, params_end - after).find("HostKernel") != std::string::npos;
    size_t rest = past_claim(s, open, host_call);
    if (kAnyThread.count(names.front()) > 0) {
      if (s.substr(open, close - open).find("EntryClaim") == std::string::npos)
        scan.unclaimed.push_back(who);
      rest = open + 1;
    } else if (rest == std::string::npos) {
      scan.unclaimed.push_back(who);
      rest = open + 1;
    }
    if (try_block) {
      if (guard_at(s, skip_blanks(s, close)))
        ++guarded_entries;
      else
        scan.bare.push_back(who + " (no guard after try)");
      continue;
    }
    // A body that calls nothing (past its claim) cannot throw.
    if (body_may_throw(s.substr(rest, close - rest))) scan.bare.push_back(who);
  }
  EXPECT_EQ(guards, guarded_entries)
      << file << ": a guard closes something other than an exported entry";
}

TEST(EntryGuard, EveryExportedEntryClaimsTheLibraryAndHandsExceptionsToTheFatalPath) {
  const char* root = std::getenv("ZEL_SOURCE_DIR");
  if (root == nullptr) GTEST_SKIP() << "ZEL_SOURCE_DIR not set";
  Scan scan;
  for (const char* dir : {"engine", "sparse"}) {
    for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / dir)) {
      const auto ext = e.path().extension();
      if (ext == ".cpp" || ext == ".hpp" || ext == ".h") scan_file(e.path(), scan);
    }
  }
  std::string bare;
  for (const std::string& b : scan.bare) bare += "\n  " + b;
  EXPECT_TRUE(scan.bare.empty()) << "exported entries without a guard:" << bare;
  std::string unclaimed;
  for (const std::string& u : scan.unclaimed) unclaimed += "\n  " + u;
  EXPECT_TRUE(scan.unclaimed.empty()) << "exported entries that do not claim the library:"
                                      << unclaimed;

  std::ifstream list(fs::path(root) / "tests" / "exported_symbols.txt");
  std::string name, missed;
  int checked = 0;
  while (std::getline(list, name)) {
    if (name.rfind("Zel_", 0) != 0 && name.rfind("zel_", 0) != 0) continue;
    ++checked;
    if (scan.found.count(name) == 0) missed += "\n  " + name;
  }
  EXPECT_GT(checked, 100);
  EXPECT_TRUE(missed.empty()) << "exported names not defined with ZEL_EXPORT:" << missed;
}

}  // namespace

// A host error raised inside an entry of the binding goes on to the host and
// leaves nothing behind: a later entry that runs out of memory takes the
// fatal path with its message, instead of letting the exception reach its C
// caller.
namespace {

void binding_entry_that_refuses() try {
  ZEL_ENTRY_CLAIM;
  zel::ZEL_BUILD::Fatal("refused\n");
} ZEL_BINDING_ENTRY_CATCH("zel_int_entry_that_refuses")

void c_entry_out_of_memory() try {
  ZEL_ENTRY_CLAIM;
  throw std::bad_alloc();
} ZEL_ENTRY_CATCH("entry_out_of_memory")

}  // namespace

TEST(EntryGuard, AHostErrorOfTheBindingLeavesNoRaiseBehind) {
  zel_test::TestHost host{0};
  EXPECT_RAISES(binding_entry_that_refuses(), "refused\n");
  try {
    c_entry_out_of_memory();
    ADD_FAILURE() << "nothing raised";
  } catch (const zel_test::HostError& e) {
    EXPECT_EQ(std::string(e.what()), "Zel_int_entry_out_of_memory: not enough memory\n");
  } catch (const std::bad_alloc&) {
    ADD_FAILURE() << "the memory failure left the entry as an exception";
  }
}
