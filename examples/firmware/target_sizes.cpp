// The sizes of the decoders' and receivers' values on the target, for the size report:
// each symbol below is as large as the type it names, so `nm --print-size`
// of this object reads them. Never linked into an image.
#include "datetime/date_time_record.hpp"
#include "dcf77/dcf77_decoder.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_decoder.hpp"
#include "msf/msf_receiver.hpp"

extern "C" {
extern const char quillfen_sizeof_Dcf77Decoder[sizeof(quillfen::Dcf77Decoder)];
extern const char quillfen_sizeof_MsfDecoder[sizeof(quillfen::MsfDecoder)];
extern const char quillfen_sizeof_DateTimeRecord[sizeof(quillfen::DateTimeRecord)];
extern const char quillfen_sizeof_Dcf77Receiver[sizeof(quillfen::Dcf77Receiver)];
extern const char quillfen_sizeof_MsfReceiver[sizeof(quillfen::MsfReceiver)];
const char quillfen_sizeof_Dcf77Decoder[sizeof(quillfen::Dcf77Decoder)] = {};
const char quillfen_sizeof_MsfDecoder[sizeof(quillfen::MsfDecoder)] = {};
const char quillfen_sizeof_DateTimeRecord[sizeof(quillfen::DateTimeRecord)] = {};
const char quillfen_sizeof_Dcf77Receiver[sizeof(quillfen::Dcf77Receiver)] = {};
const char quillfen_sizeof_MsfReceiver[sizeof(quillfen::MsfReceiver)] = {};
}
