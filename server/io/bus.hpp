// The protocol bus, as far as the server library uses it: message words, a
// connection with its write buffer, words, 16-bit values and atoms, and the
// read side.  One copy serves both builds (namespace `orv`, bus.once.cpp).
//
// Items travel in protocol byte order (big-endian, see protocol_order) with
// no padding: a run of 16-bit values may leave the next 32-bit word two bytes
// off a four-byte boundary.
#pragma once

#include <cstdint>
#include <cstring>

namespace orv {

// 32-bit message words of the protocol.
enum Messages : uint32_t {
  MSG_ORV_UNKNOWN = 1,
  MSG_ORV_Begin = 6,
  MSG_ORV_End = 7,
  MSG_ORV_NIL = 8,
  MSG_ORV_set_module = 9,
  MSG_ORV_GF = 10,
  MSG_ORV_GDMP = 11,
  MSG_ORV_DIRPCAT = 12,
  MSG_ORV_set_nb_var = 13,
  MSG_ORV_LAST_GDMP = 14,
  MSG_ORV_NOT_NIL = 26,
  MSG_ORV_Atome = 56,
  MSG_ORV_set_nb_block = 85,
  MSG_ORV_Constante = 100,
  MSG_ORV_NEED_SORT = 123,
  MSG_ORV_RMT_LIST_VARIABLES = 170,
  MSG_ORV_RAW = 171,
  MSG_ORV_set_vect = 172,
  MSG_ORV_set_offset = 173,
  MSG_TAV_TAVVERB = 100026,
  MSG_TAV_SI = 100028,  // tag of a small integer
  MSG_TAV_OK = 100031,
};

// The one place that knows the protocol byte order: machine order to
// protocol order and back (the conversion is its own inverse).
template <class T>
inline T protocol_order(T v) {
  static_assert(sizeof(T) == 2 || sizeof(T) == 4, "16- or 32-bit items only");
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  if constexpr (sizeof(T) == 2)
    return T(__builtin_bswap16(uint16_t(v)));
  else
    return T(__builtin_bswap32(uint32_t(v)));
#else
  return v;
#endif
}

// One connection: a byte stream over a file descriptor.  Nothing reaches the
// descriptor before flush() (or a full buffer).
struct BUS {
  static constexpr unsigned kBufferSize = 4096;

  int fd = -1;
  unsigned char wbuf[kBufferSize];
  unsigned wpos = 0;
  unsigned char rbuf[kBufferSize];
  unsigned rpos = 0, rlen = 0;

  BUS() = default;
  explicit BUS(int descriptor) : fd(descriptor) {}

  BUS& operator<<(Messages m);
  // Appends nbytes/4 32-bit words taken from data.
  void ecrirei(const void* data, unsigned nbytes);
  // Appends nbytes/2 16-bit values taken from data.
  void ecrires(const void* data, unsigned nbytes);
  // Appends MSG_ORV_Atome, the length and the text (no terminator); a length
  // of 0 takes the text's own length.
  void out_Atome(const char* text, unsigned length);
  // Sends the waiting bytes; a failed write is fatal.
  void flush();

  // Reads nbytes bytes (whole 32-bit words, converted to machine order);
  // the end of the stream is fatal.
  void lirei(void* buffer, unsigned nbytes);
  // Reads nbytes bytes of 16-bit values, converted to machine order.
  void lires(void* buffer, unsigned nbytes);
  BUS& operator>>(Messages& m);
  // Reads two words; the first holds the single-precision value.
  BUS& operator>>(float& f);

 private:
  void put_bytes(const void* data, unsigned n);
  void get_bytes(void* data, unsigned n);
};

// A small integer: MSG_TAV_SI, then the value as one word.
void out_SI(BUS& bus, int32_t i);
// Reads a small integer; a missing tag is fatal.
void in_SI(BUS& bus, int32_t& i);

// Name of a message word for traces ("MSG ?" for the words it does not know).
const char* Messages_to_String(Messages m);

// Asks a real-solver peer to change its verbosity; on MSG_TAV_OK reads the
// new level back into `level` and returns 1, otherwise warns and returns 0.
int change_verbosity(BUS& bus, int32_t& level);

// Closes every protocol bus; the library keeps no table of buses, so there
// is nothing to close.
void Orv_int_close_all_bus();

}  // namespace orv
