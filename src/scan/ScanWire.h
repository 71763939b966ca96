// The messages between the program and its scanner helper process: each is a 4-byte little-endian
// length, a type byte and the fields. Plain C++ so that the helper needs no Qt; a reader never reads
// past its message, and a length above kMaxMessage ends the conversation.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace pyxa::scanwire {

enum class Msg : std::uint8_t {
  // program -> helper
  ListDevices = 1,
  GetOptions = 2,  // device
  Scan = 3,        // device, max pages, settings
  Cancel = 4,
  Reserve = 5,  // device: held open between batches until Release (or another Reserve)
  Release = 6,
  // helper -> program; every request ends with its reply or with Status
  Devices = 10,
  Options = 11,
  PageStart = 12,  // page, frame, depth, pixels per line, lines (-1 unknown), bytes per line, dpi x, dpi y
  PageData = 13,   // raw scanner bytes of the page, in order
  PageEnd = 14,
  Status = 15,     // phase, SANE status, page, detail
  Leaving = 16,    // sent just before a Status: the helper ends after it (a device would not be given back)
};

// Where a request ended; with the SANE status this is enough for the program to word the message.
enum class Phase : std::uint8_t {
  Done = 0,        // success; for a scan: the batch ran to its end
  Open = 1,        // opening the device
  SetOption = 2,   // detail: the option's name
  Start = 3,       // starting a page
  Read = 4,        // reading a page
  Format = 5,      // the page comes in a form we do not read; detail says which
  Cancelled = 6,   // the program asked to stop
  BadRequest = 7,  // the helper did not understand the program
  List = 8,        // listing devices
  Describe = 9,    // reading the options
};

enum class Frame : std::uint8_t { Gray = 0, Rgb = 1 };

enum class Setting : std::uint8_t { Number = 0, Text = 1 };

constexpr std::uint32_t kMaxMessage = 1u << 20;
constexpr std::uint32_t kDataChunk = 64u * 1024u;

class Writer {
 public:
  explicit Writer(Msg type) { buf_.resize(4); buf_.push_back(static_cast<char>(type)); }
  Writer& U8(std::uint8_t v) { buf_.push_back(static_cast<char>(v)); return *this; }
  Writer& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) buf_.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
    return *this;
  }
  Writer& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  Writer& F64(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    U32(static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    return U32(static_cast<std::uint32_t>(bits >> 32));
  }
  Writer& Str(std::string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    buf_.append(s.data(), s.size());
    return *this;
  }
  Writer& Raw(const void* data, std::size_t n) {
    buf_.append(static_cast<const char*>(data), n);
    return *this;
  }
  // The finished message with its length in front.
  std::string Finish() {
    const auto n = static_cast<std::uint32_t>(buf_.size() - 4);
    for (int i = 0; i < 4; ++i) buf_[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFFu);
    return std::move(buf_);
  }

 private:
  std::string buf_;
};

// Reads the fields of one message; any read past its end marks the reader failed and yields zeros.
class Reader {
 public:
  explicit Reader(std::string_view payload) : p_(payload) {}
  std::uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<std::uint8_t>(p_[pos_++]);
  }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(p_[pos_++])) << (8 * i);
    return v;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  double F64() {
    const std::uint64_t lo = U32();
    const std::uint64_t hi = U32();
    const std::uint64_t bits = lo | (hi << 32);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::string Str() {
    const std::uint32_t n = U32();
    if (!Need(n)) return {};
    std::string s(p_.substr(pos_, n));
    pos_ += n;
    return s;
  }
  std::string_view Rest() {
    auto r = p_.substr(pos_);
    pos_ = p_.size();
    return r;
  }
  // A count of items that each take at least minBytes: a count the message cannot hold fails here,
  // so no caller reserves room for a forged count.
  std::uint32_t Count(std::size_t minBytes) {
    const std::uint32_t n = U32();
    if (minBytes > 0 && n > (p_.size() - pos_) / minBytes) {
      ok_ = false;
      pos_ = p_.size();
      return 0;
    }
    return n;
  }
  bool Ok() const { return ok_; }
  bool AtEnd() const { return pos_ == p_.size(); }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || p_.size() - pos_ < n) {
      ok_ = false;
      pos_ = p_.size();
      return false;
    }
    return true;
  }
  std::string_view p_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

struct Message {
  Msg type{};
  std::string payload;
};

enum class Take { Message, NeedMore, Broken };

// Takes the first whole message off the front of buffer; Broken for a length of 0 or above kMaxMessage.
inline Take TakeMessage(std::string& buffer, Message& out) {
  if (buffer.size() < 4) return Take::NeedMore;
  std::uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(buffer[static_cast<std::size_t>(i)])) << (8 * i);
  if (n == 0 || n > kMaxMessage) return Take::Broken;
  if (buffer.size() - 4 < n) return Take::NeedMore;
  out.type = static_cast<Msg>(static_cast<std::uint8_t>(buffer[4]));
  out.payload.assign(buffer, 5, n - 1);
  buffer.erase(0, 4 + static_cast<std::size_t>(n));
  return Take::Message;
}

}  // namespace pyxa::scanwire
