// GFC on the protocol bus and from the text reader.
#include "server/base/gfc_io.hpp"

namespace orv::ORV_BUILD {

void out_domain_protocol_GFC(BUS& bus, uint32_t p) {
  const uint32_t words[2] = {MSG_ORV_set_module, p};
  bus.ecrirei(words, 8);
}

void out_domain_protocol_GFC(BUS& bus) { out_domain_protocol_GFC(bus, modulus_GFC()); }

void out_protocol_GFC(BUS& bus, GFC a) {
  const uint32_t words[2] = {MSG_ORV_GF, a};
  bus.ecrirei(words, 8);
}

void out_GFC(BUS& bus, GFC a) { bus.ecrirei(&a, 4); }

void parse_raw_GFC(String_or_File& src, GFC& a, int) {
  a = src.scan_or_fail("parse_raw_GFC") % modulus_GFC();
}

}  // namespace orv::ORV_BUILD
