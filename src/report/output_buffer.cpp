#include "src/report/output_buffer.hpp"

#include <charconv>

#include "base/check.hpp"

namespace quillfen {

OutputBuffer::OutputBuffer(OutputSink& sink, std::size_t capacity)
    : sink_(sink), data_(new char[capacity]), capacity_(capacity) {
  QUILLFEN_CHECK(capacity >= 32);
}

bool OutputBuffer::flush() {
  if (size_ != 0 && ok_) {
    ok_ = sink_.write(std::string_view(data_.get(), size_));
  }
  size_ = 0;
  return ok_;
}

void OutputBuffer::put_slow(std::string_view text) {
  flush();
  if (text.size() > capacity_) {
    if (ok_) {
      ok_ = sink_.write(text);
    }
    return;
  }
  text.copy(data_.get(), text.size());
  size_ = text.size();
}

void OutputBuffer::put_decimal(std::int64_t value) {
  if (capacity_ - size_ < kLongestNumber) {
    flush();
  }
  size_ = static_cast<std::size_t>(
      std::to_chars(data_.get() + size_, data_.get() + capacity_, value).ptr - data_.get());
}

}  // namespace quillfen
