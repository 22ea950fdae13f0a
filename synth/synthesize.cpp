#include "synth/synthesize.hpp"

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "synth/bit_log_writer.hpp"
#include "synth/edge_log_writer.hpp"
#include "synth/edge_synthesizer.hpp"
#include "synth/faults.hpp"
#include "synth/transmitter.hpp"

namespace quillfen {
namespace {

using Minutes = std::chrono::sys_time<std::chrono::minutes>;

constexpr std::size_t kPiece = std::size_t{1} << 20;
constexpr std::int64_t kSecond = 1000000;
// Minutes made at a time: a day's worth keeps the encoders' work in large
// batches and the memory small.
constexpr std::int64_t kBatch = 1440;

// Collects output and hands it on in pieces.
class Output {
 public:
  explicit Output(const std::function<bool(std::string_view)>& write) : write_(write) {
    text.reserve(kPiece + 4096);
  }
  // Hands on the text once a piece is full (or whatever there is, with
  // `all`). False once `write` refused.
  bool pass(bool all = false) {
    if (ok_ && (all || text.size() >= kPiece)) {
      ok_ = text.empty() || write_(text);
      text.clear();
    }
    return ok_;
  }
  std::string text;

 private:
  const std::function<bool(std::string_view)>& write_;
  bool ok_ = true;
};

// The minutes of the log one after the other, with the second faults
// applied, made a batch at a time.
class MinuteSource {
 public:
  MinuteSource(const SynthSettings& settings, const TransmitterSettings& transmitter,
               const FaultSettings& faults)
      : settings_(settings),
        transmitter_(transmitter),
        first_(std::chrono::floor<std::chrono::minutes>(settings.start)),
        faults_(faults, settings.seed) {}

  // The next minute. REQUIRES: fewer than settings.minutes taken so far.
  const SentMinute& next() {
    if (at_ == batch_.size()) {
      const int count = static_cast<int>(std::min(kBatch, settings_.minutes - index_));
      batch_ = sent_minutes(transmitter_, first_ + std::chrono::minutes{index_}, count);
      at_ = 0;
    }
    SentMinute& minute = batch_[at_++];
    faults_.apply(minute, index_++);
    return minute;
  }

 private:
  const SynthSettings& settings_;
  const TransmitterSettings& transmitter_;
  Minutes first_;
  SecondFaults faults_;
  std::vector<SentMinute> batch_;
  std::size_t at_ = 0;
  std::int64_t index_ = 0;
};

std::size_t start_second(const SynthSettings& settings) {
  return static_cast<std::size_t>(
      (settings.start - std::chrono::floor<std::chrono::minutes>(settings.start)).count());
}

bool bit_log(const SynthSettings& settings, Output& out) {
  MinuteSource source(settings, settings.transmitter, settings.faults);
  const std::size_t skip = start_second(settings);
  for (std::int64_t index = 0; index < settings.minutes; ++index) {
    append_bit_minute(out.text, source.next(), index == 0 ? skip : 0, settings.crlf);
    if (!out.pass()) {
      return false;
    }
  }
  return true;
}

char letter(SynthStation station) { return station == SynthStation::Dcf77 ? 'D' : 'M'; }

// One receiver of an edge log: where its minutes come from, its signal, its
// lines, and the edges made but not yet written.
class Receiver {
 public:
  Receiver(const SynthSettings& settings, const TransmitterSettings& transmitter,
           const FaultSettings& faults, std::uint32_t first_tick)
      : lines(letter(transmitter.station), first_tick, settings.crlf),
        source_(settings, transmitter, faults),
        synthesizer_(transmitter.station, faults, settings.seed) {}

  // Adds the signal of the next minute; returns it.
  const SentMinute& add_minute() {
    const SentMinute& minute = source_.next();
    synthesizer_.add_minute(minute, start_us, edges_);
    start_us += std::int64_t{minute.length} * kSecond;
    return minute;
  }
  void finish(std::int64_t end_us) { synthesizer_.finish(end_us, edges_); }

  // The time of the next edge not yet written at or before `limit`.
  std::optional<std::int64_t> next_until(std::int64_t limit) const {
    if (next_ < edges_.size() && edges_[next_].at_us <= limit) {
      return edges_[next_].at_us;
    }
    return std::nullopt;
  }
  const Edge& take() { return edges_[next_++]; }
  void compact() {
    edges_.erase(edges_.begin(), edges_.begin() + static_cast<std::ptrdiff_t>(next_));
    next_ = 0;
  }

  std::int64_t start_us = 0;  // where the next minute starts
  EdgeLineWriter lines;

 private:
  MinuteSource source_;
  EdgeSynthesizer synthesizer_;
  std::vector<Edge> edges_;
  std::size_t next_ = 0;
};

class EdgeLog {
 public:
  EdgeLog(const SynthSettings& settings, Output& out)
      : settings_(settings),
        out_(out),
        clock_{static_cast<std::int64_t>(start_second(settings)) * kSecond,
               settings.edge.counter_at_start, settings.edge.rate_error_ppm},
        main_(settings, settings.transmitter, settings.faults, settings.edge.first_tick),
        comments_(fault_random(settings.seed, FaultStream::Comment)) {
    if (settings.edge.other_station) {
      other_transmitter_.station =
          settings.station == SynthStation::Dcf77 ? SynthStation::Msf : SynthStation::Dcf77;
      other_transmitter_.leap_seconds = settings.transmitter.leap_seconds;
      other_.emplace(settings, other_transmitter_, clean_, 0);
    }
  }

  bool run() {
    for (std::int64_t index = 0; index < settings_.minutes; ++index) {
      const std::int64_t minute_start = main_.start_us;
      const SentMinute& minute = main_.add_minute();
      for (std::size_t s = 0; s < minute.length; ++s) {
        if (comments_.chance(settings_.edge.comment_rate)) {
          comment_times_.push_back(minute_start + static_cast<std::int64_t>(s) * kSecond);
        }
      }
      if (other_) {
        other_->add_minute();
      }
      // Later minutes cannot move an edge before the start of the next minute
      // less the jitter.
      write_until(main_.start_us - settings_.faults.jitter_us - 1);
      if (!out_.pass()) {
        return false;
      }
    }
    const std::int64_t end_us = main_.start_us;
    main_.finish(end_us);
    if (other_) {
      other_->finish(std::min(other_->start_us, end_us));
    }
    write_until(end_us);
    return true;
  }

 private:
  // Writes every line up to and including `limit` in time order: at the same
  // moment a comment first, then the station's edge, then the other's.
  void write_until(std::int64_t limit) {
    // Past every time of the log: what a source without a due line stands at.
    constexpr std::int64_t kNone = INT64_MAX;
    for (;;) {
      const std::int64_t comment = next_comment_ < comment_times_.size() &&
                                           comment_times_[next_comment_] <= limit
                                       ? comment_times_[next_comment_]
                                       : kNone;
      const std::int64_t main = main_.next_until(limit).value_or(kNone);
      const std::int64_t other =
          other_ ? other_->next_until(limit).value_or(kNone) : kNone;
      const std::int64_t first = std::min({comment, main, other});
      if (first == kNone) {
        break;
      }
      if (comment == first) {
        ++next_comment_;
        if (first >= clock_.start_us) {
          append_comment(out_.text, ++comment_count_, settings_.crlf);
        }
      } else if (main == first) {
        put(main_);
      } else {
        put(*other_);
      }
    }
    main_.compact();
    if (other_) other_->compact();
    comment_times_.erase(comment_times_.begin(),
                         comment_times_.begin() + static_cast<std::ptrdiff_t>(next_comment_));
    next_comment_ = 0;
  }

  void put(Receiver& receiver) {
    const Edge& edge = receiver.take();
    if (edge.at_us >= clock_.start_us) {
      receiver.lines.put(out_.text, edge.is_high, time_stamp(clock_, edge.at_us));
    }
  }

  const SynthSettings& settings_;
  Output& out_;
  LoggerClock clock_;
  Receiver main_;
  FaultSettings clean_;
  TransmitterSettings other_transmitter_;
  std::optional<Receiver> other_;
  Random comments_;
  std::vector<std::int64_t> comment_times_;
  std::size_t next_comment_ = 0;
  std::uint64_t comment_count_ = 0;
};

}  // namespace

bool synthesize(const SynthSettings& settings,
                const std::function<bool(std::string_view)>& write) {
  Output out(write);
  const bool ok = settings.edge_log ? EdgeLog(settings, out).run() : bit_log(settings, out);
  return ok && out.pass(true);
}

}  // namespace quillfen
