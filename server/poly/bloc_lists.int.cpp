// Printers and hash of the FGLM block lists.
#include "server/base/runtime.hpp"
#include "server/poly/algo_records.hpp"

namespace orv::ORV_BUILD {

namespace {

template <class Out>
Out& print_blocs(Out& out, sList_Bloc* l, char open, const char* sep, char close) {
  out << open;
  for (sList_Bloc* c = l; c != nullptr; c = c->next) {
    if (c != l) out << sep;
    out << c->bloc;
  }
  return out << close;
}

uint32_t Hash_Bloc(sBloc*, uint32_t) { Fatal("Pas fait Hash_Bloc\n"); }

}  // namespace

Varne_Print& operator<<(Varne_Print& out, sList_Bloc* l) {
  return print_blocs(out, l, '{', " , ", '}');
}
Fortran_Print& operator<<(Fortran_Print& out, sList_Bloc* l) {
  return print_blocs(out, l, '[', ",", ']');
}
Basic_Print& operator<<(Basic_Print& out, sList_Bloc* l) {
  return print_blocs(out, l, '[', ",", ']');
}
Lisp_Print& operator<<(Lisp_Print& out, sList_Bloc* l) {
  if (l == nullptr) return out << "NIL";
  return print_blocs(out, l, '(', " ", ')');
}

uint32_t Hash_List_Bloc(sList_Bloc* l, uint32_t h) {
  for (; l != nullptr; l = l->next) h = (h * 256u + Hash_Bloc(l->bloc, 0)) % 16777213u;
  return h;
}

}  // namespace orv::ORV_BUILD
