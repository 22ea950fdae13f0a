// The one way report text is written: pieces are appended to a bounded
// buffer, which hands its bytes to a sink whenever it fills, so a report's
// memory does not grow with the log and output leaves as it is made.
#ifndef QUILLFEN_SRC_REPORT_OUTPUT_BUFFER_HPP_
#define QUILLFEN_SRC_REPORT_OUTPUT_BUFFER_HPP_

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillfen {

// Where the bytes of a report go.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Takes `bytes` whole; false when they could not be written (the sink
  // then takes nothing more).
  virtual bool write(std::string_view bytes) = 0;
};

// A sink that keeps everything in memory, for tests and small outputs.
class StringSink final : public OutputSink {
 public:
  bool write(std::string_view bytes) override {
    text.append(bytes);
    return true;
  }
  std::string text;
};

class OutputBuffer {
 public:
  // About 1 MiB: few system calls, little memory.
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  // REQUIRES: capacity >= 32 (the longest decimal number fits).
  explicit OutputBuffer(OutputSink& sink, std::size_t capacity = kDefaultCapacity);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Appends text. Whatever does not fit is handed on: the buffered bytes
  // first, then a piece longer than the whole buffer directly. After the sink
  // failed, everything is dropped.
  void put(std::string_view text) {
    if (text.size() <= capacity_ - size_) {
      text.copy(data_.get() + size_, text.size());
      size_ += text.size();
    } else {
      put_slow(text);
    }
  }
  void put(char c) {
    if (size_ == capacity_) {
      flush();
    }
    data_[size_++] = c;
  }
  // Decimal, with a minus sign when negative. The unsigned forms are inline:
  // edge lines hold three or four numbers each.
  void put_decimal(std::int64_t value);
  void put_decimal(std::uint64_t value) { put_digits(value); }
  void put_decimal(std::uint32_t value) { put_digits(value); }
  void put_decimal(std::uint8_t value) { put_digits(std::uint32_t{value}); }
  void put_decimal(std::int32_t value) { put_decimal(std::int64_t{value}); }
  void put_decimal(std::int8_t value) { put_decimal(std::int64_t{value}); }
  // "true" or "false".
  void put_bool(bool value) { put(value ? std::string_view("true") : std::string_view("false")); }

  // Hands the buffered bytes to the sink. Returns ok().
  bool flush();
  // False once the sink failed to take bytes; nothing is written after that,
  // so a writer can stop early.
  bool ok() const { return ok_; }

 private:
  void put_slow(std::string_view text);
  template <typename Unsigned>
  void put_digits(Unsigned value) {
    if (capacity_ - size_ < kLongestNumber) {
      flush();
    }
    size_ = static_cast<std::size_t>(
        std::to_chars(data_.get() + size_, data_.get() + capacity_, value).ptr - data_.get());
  }
  // Room for any 64-bit decimal with its sign.
  static constexpr std::size_t kLongestNumber = 24;

  OutputSink& sink_;
  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  bool ok_ = true;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_REPORT_OUTPUT_BUFFER_HPP_
