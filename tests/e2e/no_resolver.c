/* No request waits on the network: katsura-4 in mode 2 (the first solving
 * request of a process, which sets up the server side), modulo a prime and
 * over the rationals, with the host database's entries and socket() taken
 * over by this program.  Any call ends the program with status 1 and the
 * entry's name. */
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "zel_systems.h"

static void called(const char* name) {
  fprintf(stderr, "a request called %s\n", name);
  _exit(1);
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** res) {
  (void)node, (void)service, (void)hints, (void)res;
  called("getaddrinfo");
  return EAI_FAIL;
}
struct hostent* gethostbyname(const char* name) {
  (void)name;
  called("gethostbyname");
  return NULL;
}
struct hostent* gethostbyname2(const char* name, int af) {
  (void)name, (void)af;
  called("gethostbyname2");
  return NULL;
}
int gethostbyname_r(const char* name, struct hostent* ret, char* buf, size_t buflen,
                    struct hostent** result, int* h_errnop) {
  (void)name, (void)ret, (void)buf, (void)buflen, (void)result, (void)h_errnop;
  called("gethostbyname_r");
  return -1;
}
int socket(int domain, int type, int protocol) {
  (void)domain, (void)type, (void)protocol;
  called("socket");
  return -1;
}

static void* result[100000];

static struct sZEL_Comp_Desc mode2(void) {
  struct sZEL_Comp_Desc env;
  memset(&env, 0, sizeof env);
  env._compute = ZEL_COMPUTE_RRFORM;
  env._aggressive2 = -1;
  env._dlim = -1;
  env._skip = -1;
  return env;
}

static UI32 prime_field_request(zs_poly* sys) {
  struct sZEL_Comp_Desc env = mode2();
  void* in[5];
  double t = 0;
  int k;
  zs_session(0, 5, 65521, 0);
  for (k = 0; k < 5; k++) in[k] = zs_send(&sys[k]);
  return Zel_groebner(in, 5, result, 1, 0, &t, 0, 8, 0, &env);
}

static UI32 rational_request(zs_poly* sys) {
  static char* names[5] = {"x0", "x1", "x2", "x3", "x4"};
  struct sZEL_Comp_Desc env = mode2();
  void* in[5];
  double t = 0;
  int k, i;
  Zel_int_reset_memory();
  Zel_int_init_urgent(4, 2, "DRLDRL", 100000, 0);
  Zel_int_init(1, 1, 0, NULL);
  Zel_int_reset_coeffs(1);
  Zel_int_reset_expos(0, 5, names);
  for (k = 0; k < 5; k++) {
    in[k] = Zel_int_creat_poly((UI32)sys[k].nterms);
    for (i = 0; i < sys[k].nterms; i++) {
      Zel_int_set_expos2(in[k], (UI32)i, sys[k].e + (size_t)i * 5, 5);
      char decimal[16];
      snprintf(decimal, sizeof decimal, "%d", sys[k].c[i]);
      Zel_int_set_coeff_gmp_str(in[k], (UI32)i, decimal);
    }
    Zel_int_full_sort_poly2(in[k]);
  }
  return Zel_int_groebner(in, 5, result, 1, 0, &t, 0, -1, 0, &env);
}

int main(void) {
  zs_poly sys[5];
  UI32 fp, qq;
  int k;
  zs_katsura(4, sys);
  fp = prime_field_request(sys);
  qq = rational_request(sys);
  for (k = 0; k < 5; k++) zs_free(&sys[k]);
  printf("mode 2 answered with %u polynomials modulo 65521 and %u over the rationals\n",
         (unsigned)fp, (unsigned)qq);
  return fp == 0 || qq == 0;
}
