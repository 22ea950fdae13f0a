// The compact byte encoding from which the decoder fuzz targets take their
// edges, and the encoder that turns a real edge sequence into it (for seeds).
//
// Input layout of a decoder fuzz target: one configuration byte, then the
// stream. In edge mode every edge is one operation byte:
//
//   bit 7     1: the same level as the previous edge (a repeated level, as a
//             glitchy receiver may log); 0: the opposite level
//   bits 5-6  a small offset added to the gap: 0, +1, -1 or +5000 us
//   bits 0-4  0..29: the gap is kGaps[n] (the thresholds of both decoders
//             and typical pulse and pause lengths);
//             30: the gap is the next four bytes (little endian);
//             31: the time stamp itself is the next four bytes.
//
// Time stamps are the previous one plus the gap, modulo 2^32, so the receiver
// counter wraps like a real one.
#ifndef QUILLFEN_FUZZ_EDGE_STREAM_HPP_
#define QUILLFEN_FUZZ_EDGE_STREAM_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quillfen::fuzz {

// Reads bytes from the front of the fuzz input; zeros once it is used up.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t u32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

inline constexpr std::array<std::uint32_t, 30> kGaps = {
    0,      1,      29999,  30000,  100000,  149999,  150000,  200000,  249999,  250000,
    300000, 349999, 350000, 450000, 450001,  500000,  549999,  550000,  650000,  650001,
    750000, 750001, 800000, 900000, 1499999, 1500000, 1500001, 1800000, 2499999, 2500000,
};
inline constexpr std::array<std::uint32_t, 4> kGapOffsets = {0, 1, 0xFFFFFFFFu, 5000};
inline constexpr std::uint8_t kRawGap = 30;
inline constexpr std::uint8_t kRawTime = 31;
inline constexpr std::uint8_t kSameLevel = 0x80;

struct Edge {
  bool is_high;
  std::uint32_t when;
};

// Decodes the edges of the stream one by one.
class EdgeStream {
 public:
  explicit EdgeStream(ByteReader& input) : input_(input) {}

  std::optional<Edge> next() {
    if (input_.empty()) {
      return std::nullopt;
    }
    const std::uint8_t op = input_.byte();
    if ((op & kSameLevel) == 0) {
      level_ = !level_;
    }
    const std::uint8_t kind = op & 0x1F;
    if (kind == kRawTime) {
      time_ = input_.u32();
    } else if (kind == kRawGap) {
      time_ += input_.u32();
    } else {
      time_ += kGaps[kind] + kGapOffsets[(op >> 5) & 0x3];
    }
    return Edge{level_, time_};
  }

 private:
  ByteReader& input_;
  bool level_ = false;  // the first edge rises unless it says otherwise
  std::uint32_t time_ = 1000000;
};

// The configuration byte of a decoder fuzz target:
//   bit 0     strict mode
//   bit 1     per-bit mode: the rest of the input is a per-bit log, one
//             character per byte; otherwise edge mode
//   bit 2     unused (inputs that set it run as if it were clear)
//   bits 3-5  spike limit handed to set_spike_limit: none, 0, 1, 29999,
//             30000, 149999, 150000, or the next four bytes
struct DecoderConfig {
  bool strict;
  bool bit_mode;
  std::optional<std::uint32_t> spike_limit;
};

inline constexpr std::uint8_t kConfigStrict = 0x01;
inline constexpr std::uint8_t kConfigBitMode = 0x02;

inline DecoderConfig read_config(ByteReader& input) {
  static constexpr std::array<std::uint32_t, 6> kLimits = {0, 1, 29999, 30000, 149999, 150000};
  const std::uint8_t config = input.byte();
  DecoderConfig result{(config & kConfigStrict) != 0, (config & kConfigBitMode) != 0,
                       std::nullopt};
  const int choice = (config >> 3) & 0x7;
  if (choice == 7) {
    result.spike_limit = input.u32();
  } else if (choice > 0) {
    result.spike_limit = kLimits[static_cast<std::size_t>(choice - 1)];
  }
  return result;
}

// Appends the operations that reproduce `edge` exactly after `previous`
// (nothing for the first edge of a stream).
inline void append_edge(std::string& out, const std::optional<Edge>& previous, const Edge& edge) {
  const bool previous_level = previous ? previous->is_high : false;
  std::uint8_t op = edge.is_high == previous_level ? kSameLevel : 0;
  std::uint32_t value;
  if (previous) {
    op |= kRawGap;
    value = edge.when - previous->when;
  } else {
    op |= kRawTime;
    value = edge.when;
  }
  out.push_back(static_cast<char>(op));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace quillfen::fuzz

#endif  // QUILLFEN_FUZZ_EDGE_STREAM_HPP_
