// Time accounting; shared by both builds (compiled once).
#include "server/base/time.hpp"

#include <sys/resource.h>
#include <sys/times.h>
#include <unistd.h>

#include <ctime>

#include "server/base/runtime.hpp"
#include "server/io/bus.hpp"

namespace orv {

float total_serveur = 0;
float last_serv = 0;

static long clock_ticks_per_second() {
  static const long hz = sysconf(_SC_CLK_TCK);
  return hz > 0 ? hz : 100;
}

static clock_t own_ticks() {
  struct tms t;
  times(&t);
  return t.tms_utime + t.tms_stime;
}

float delay() { return float(double(own_ticks()) / double(clock_ticks_per_second())); }

uint32_t ticks() { return uint32_t(own_ticks()); }

float in_seconds(uint32_t t) { return float(double(t) / double(clock_ticks_per_second())); }

float child_delay() {
  struct rusage r;
  getrusage(RUSAGE_CHILDREN, &r);
  return float(double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
               double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000000.0);
}

void add_serveur(float t) {
  last_serv = total_serveur;
  total_serveur += t;
}

void add_serveur(BUS& bus) {
  float t = 0;
  bus >> t;
  add_serveur(t);
}

float delay_serveur() { return total_serveur; }

float last_serveur() { return total_serveur - last_serv; }

long processSize() { return 0; }

void show_date(FILE* stream) {
  if (!stream) return;
  char text[1000];
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  if (strftime(text, sizeof text, "%a %b %e %H:%M:%S", &local) == 0) text[0] = 0;
  fputs(text, stream);
}

void Date() {
  show_date(log_output);
  Flush();
}

}  // namespace orv
