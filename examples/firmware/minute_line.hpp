// The line the firmware example prints for each minute a receiver ended.
//
// A decoded minute reads, for example,
//   DCF77 Sun 25-03-30 01:59 CET (00:59 UTC) DST announced
//   MSF Sun 25-10-26 01:00 GMT (01:00 UTC) DST processed DUT1 +0.1 s
// that is: the station; the weekday, two-digit year, month, day, hour and
// minute of the decoder's clock ("--" for a field it does not hold yet); the
// station's zone name, CET or CEST for DCF77 and GMT or BST for MSF ("?"
// before the first daylight-saving bit); the same minute in UTC when the
// clock can be converted; then, where they apply, "DST announced",
// "DST processed", "DST jump", "leap second announced", "leap second
// processed", "leap second missing", the jumped fields ("jump year month
// day weekday hour minute DUT1"), DUT1 in seconds (MSF), and each parity
// that was not good ("hour parity bad", "date parity undetermined").
// Before the decoder holds a complete date and time the line is
// "<station> no time yet".
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_MINUTE_LINE_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_MINUTE_LINE_HPP_

#include "dcf77/dcf77_receiver.hpp"
#include "examples/firmware/text_line.hpp"
#include "msf/msf_receiver.hpp"

namespace quillfen::firmware {

// REQUIRES: the minute was decoded (its reading is present), as every minute
// of an edge log is.
TextLine dcf77_minute_line(const Dcf77Minute& minute);
TextLine msf_minute_line(const MsfMinute& minute);

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_MINUTE_LINE_HPP_
