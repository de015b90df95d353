// The protocol bus; shared by both builds (compiled once).
#include "server/io/bus.hpp"

#include <unistd.h>

#include <cerrno>

#include "server/base/runtime.hpp"

namespace orv {

void BUS::put_bytes(const void* data, unsigned n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  while (n > 0) {
    if (wpos == kBufferSize) flush();
    unsigned k = kBufferSize - wpos < n ? kBufferSize - wpos : n;
    std::memcpy(wbuf + wpos, p, k);
    wpos += k;
    p += k;
    n -= k;
  }
}

BUS& BUS::operator<<(Messages m) {
  uint32_t w = m;
  ecrirei(&w, 4);
  return *this;
}

// Appends nbytes / sizeof(T) values of data in protocol order, flushing
// whenever the next value would not fit.
template <class T>
static void put_values(BUS& bus, const void* data, unsigned nbytes) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (unsigned k = 0; k + sizeof(T) <= nbytes; k += sizeof(T)) {
    if (bus.wpos >= BUS::kBufferSize - sizeof(T)) bus.flush();
    T v;
    std::memcpy(&v, p + k, sizeof(T));
    v = protocol_order(v);
    std::memcpy(bus.wbuf + bus.wpos, &v, sizeof(T));
    bus.wpos += sizeof(T);
  }
}

void BUS::ecrirei(const void* data, unsigned nbytes) { put_values<uint32_t>(*this, data, nbytes); }

void BUS::ecrires(const void* data, unsigned nbytes) { put_values<uint16_t>(*this, data, nbytes); }

void BUS::out_Atome(const char* text, unsigned length) {
  if (length == 0 && text) length = unsigned(std::strlen(text));
  uint32_t head[2] = {MSG_ORV_Atome, length};
  ecrirei(head, 8);
  if (text) put_bytes(text, length);
}

void BUS::flush() {
  unsigned done = 0;
  while (done < wpos) {
    ssize_t k = ::write(fd, wbuf + done, wpos - done);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      unsigned lost = wpos - done;
      wpos = 0;  // a fatal shut-down must not try to send them again
      Perror("write on protocol bus %d", fd);
      Fatal("Protocol bus: cannot send %u bytes\n", lost);
    }
    done += unsigned(k);
  }
  wpos = 0;
}

void BUS::get_bytes(void* data, unsigned n) {
  unsigned char* p = static_cast<unsigned char*>(data);
  while (n > 0) {
    if (rpos == rlen) {
      ssize_t k = ::read(fd, rbuf, kBufferSize);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) Fatal("Protocol bus: end of input on %d\n", fd);
      rpos = 0;
      rlen = unsigned(k);
    }
    unsigned k = rlen - rpos < n ? rlen - rpos : n;
    std::memcpy(p, rbuf + rpos, k);
    rpos += k;
    p += k;
    n -= k;
  }
}

void BUS::lirei(void* buffer, unsigned nbytes) {
  unsigned char* p = static_cast<unsigned char*>(buffer);
  get_bytes(p, nbytes);
  for (unsigned k = 0; k + 4 <= nbytes; k += 4) {
    uint32_t w;
    std::memcpy(&w, p + k, 4);
    w = protocol_order(w);
    std::memcpy(p + k, &w, 4);
  }
}

void BUS::lires(void* buffer, unsigned nbytes) {
  unsigned char* p = static_cast<unsigned char*>(buffer);
  get_bytes(p, nbytes);
  for (unsigned k = 0; k + 2 <= nbytes; k += 2) {
    uint16_t v;
    std::memcpy(&v, p + k, 2);
    v = protocol_order(v);
    std::memcpy(p + k, &v, 2);
  }
}

BUS& BUS::operator>>(Messages& m) {
  uint32_t w;
  lirei(&w, 4);
  m = Messages(w);
  return *this;
}

BUS& BUS::operator>>(float& f) {
  uint32_t w[2];
  lirei(w, 8);
  std::memcpy(&f, &w[0], 4);
  return *this;
}

void out_SI(BUS& bus, int32_t i) {
  bus << MSG_TAV_SI;
  bus.ecrirei(&i, 4);
}

void in_SI(BUS& bus, int32_t& i) {
  Messages m;
  bus >> m;
  if (m != MSG_TAV_SI)
    Fatal("Expected a small integer on the protocol bus, got word %u\n", unsigned(m));
  bus.lirei(&i, 4);
}

const char* Messages_to_String(Messages m) {
  switch (m) {
    case MSG_ORV_UNKNOWN:
      return "MSG_ORV_UNKNOWN";
    case MSG_ORV_NIL:
      return "MSG_ORV_NIL";
    case MSG_ORV_NOT_NIL:
      return "MSG_ORV_NOT_NIL";
    case MSG_ORV_Constante:
      return "MSG_ORV_Constante";
    default:
      return "MSG ?";
  }
}

int change_verbosity(BUS& bus, int32_t& level) {
  bus << MSG_TAV_TAVVERB;
  out_SI(bus, level);
  bus.flush();
  Messages answer;
  bus >> answer;
  if (answer == MSG_TAV_OK) {
    in_SI(bus, level);
    return 1;
  }
  Warning("the real solver refused the verbosity %d (answer %s)\n", level,
          Messages_to_String(answer));
  return 0;
}

void Orv_int_close_all_bus() {}

}  // namespace orv
