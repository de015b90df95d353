// Time accounting of the server code: its own CPU time, the running total of
// the time its slave servers report over the protocol bus, and date stamps.
// One copy serves both builds (namespace `orv`, time.once.cpp).
#pragma once

#include <cstdint>
#include <cstdio>

namespace orv {

struct BUS;

extern float total_serveur;  // seconds reported by the servers so far
extern float last_serv;      // total_serveur before the last addition

float delay();                 // CPU time of this process (user + system), seconds
uint32_t ticks();              // the same in clock ticks, truncated to 32 bits
float in_seconds(uint32_t t);  // clock ticks to seconds
float child_delay();           // CPU time of the terminated, waited-for children

void add_serveur(float t);
void add_serveur(BUS& bus);  // reads the seconds from the bus
float delay_serveur();       // total_serveur
float last_serveur();        // the last amount added
long processSize();          // always 0

// Local date and time as "%a %b %e %H:%M:%S", no line end.
void show_date(FILE* stream);
void Date();  // show_date on the log

}  // namespace orv
