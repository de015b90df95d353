#include "server/algo/packages.hpp"

#include "server/base/files.hpp"
#include "server/base/printers.hpp"
#include "server/base/runtime.hpp"
#include "server/io/options.hpp"
#include "server/poly/affiche.hpp"

namespace orv::ORV_BUILD {

void ORV_C(init_Normal)() {
#ifdef ZEL_VARIANT_INT
  init_DMP__BigDexp__VGF();
#else
  init_DMP__DRLDRL__GFC();
#endif
}

#ifdef ZEL_VARIANT_INT
// Built once: rebuilding the block pools on every change of ordering would
// drop their free lists (a block lost each time) and break the taking order
// of a list a caller is building.
void init_ORDERING__DMP__BigDexp__VGF__DMP__BigLexp__VGF() {
  static bool done = false;
  if (done) return;
  init_DMP__BigLexp__VGF();
  init_Objet_Bloc();
  init_List_Bloc();
  done = true;
}
#else
void init_LEXTRI__DMP__DRLDRL__GFC() {
  static bool done = false;
  if (done) return;
  ORV_C(init_Normal)();
  init_Objet_State();
  done = true;
}
#endif

void init_algorithm_packages() {
#ifdef ZEL_VARIANT_INT
  init_SUGAR__DMP__BigDexp__VGF();
  ORV_C(init_Normal)();
  init_ORDERING__DMP__BigDexp__VGF__DMP__BigLexp__VGF();
#else
  init_SUGAR__DMP__DRLDRL__GFC();
  init_LEXTRI__DMP__DRLDRL__GFC();
#endif
}

namespace {

void urgent_init(FILE* out, FILE* err) {
  static bool done = false;
  if (done) return;
  done = true;
  human_user = 0;
  Fortran.attach(out);
  orv_stderr = err;
  set_ORVHOME("./serveur__DMP__Dexp__GF");
  init_admin();
  init_pretty();
  init_algorithm_packages();
  axiom_output = log_output;
  Fortran.attach(axiom_output);
  Varne.attach(axiom_output);
  want_quiet = 1;
  want_pipe = 1;
  want_fortran = 1;
  want_pipe2 = 0;
}

}  // namespace

}  // namespace orv::ORV_BUILD

#ifdef ZEL_VARIANT_INT
ORV_EXPORT void Orv_urgent_init_VGF(FILE* out, FILE* err) { orv::int_build::urgent_init(out, err); }
#else
ORV_EXPORT void Orv_urgent_init_GFC(FILE* out, FILE* err) { orv::fp_build::urgent_init(out, err); }
#endif
