// The display front end of each build.
#include "server/poly/affiche.hpp"

#include "server/poly/dmp_io_names.hpp"

namespace orv::ORV_BUILD {

int32_t want_output = 1;
int32_t want_fortran = 1;
int32_t want_varne_output = 0;
int32_t want_maple_input = 0;
int32_t want_head = 0;
int32_t want_last_equation = 0;
int32_t want_to_save = 0;
BUS* bin_save_file = nullptr;

namespace {

// Writes x in the form the flags choose.
template <class T>
void show(T x) {
  if (want_fortran)
    Fortran << x;
  else if (want_varne_output)
    Varne << x;
  else
    Pretty << x;
}

template <class E, class C>
void show_list(DmpList<E, C>* l) {
  using Node = DmpNode<E, C>;
  if (want_output) {
    if (want_head)
      for (DmpList<E, C>* c = l; c != nullptr; c = c->next)
        if (Node* p = c->poly) {
          TermPool<E, C>::kill_all_(p->next);
          p->next = nullptr;
        }
    if (want_last_equation && l != nullptr)
      while (l->next != nullptr) l = l->next;
    if (want_fortran && want_maple_input) {
      Fortran << "[\n";
      for (DmpList<E, C>* c = l; c != nullptr; c = c->next) Fortran << c->poly << "\n";
      Fortran << "]\n";
    } else {
      show(l);
    }
  }
  if (want_to_save && bin_save_file != nullptr)
    Protocol<E, C>::out_list(*bin_save_file, l, false, true);
}

template <class E, class C>
void show_list_list(DmpListList<E, C>* l) {
  if (want_output) show(l);
  if (want_to_save && bin_save_file != nullptr)
    Protocol<E, C>::out_list_list(*bin_save_file, l, false, true);
}

}  // namespace

void operator<<(AFFICHE, const char* s) {
  if (want_output) show(s);
}
void operator<<(AFFICHE, char c) {
  if (want_output) show(c);
}

#ifdef ZEL_VARIANT_INT
void operator<<(AFFICHE, List_DMP__BigDexp__VGF l) { show_list(l); }
void operator<<(AFFICHE, List_List_DMP__BigDexp__VGF l) { show_list_list(l); }
#else
void operator<<(AFFICHE, List_DMP__DRLDRL__GFC l) { show_list(l); }
void operator<<(AFFICHE, List_List_DMP__DRLDRL__GFC l) { show_list_list(l); }
#endif

}  // namespace orv::ORV_BUILD
