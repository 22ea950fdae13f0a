// Host side of the firmware example: the recorded edges as the test-only
// encoders make them, and the C++ source that carries them into the image.
// Links the encoders; never part of the firmware.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_RECORDING_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_RECORDING_HPP_

#include <string>
#include <vector>

#include "examples/firmware/recorded_edges.hpp"

namespace quillfen::firmware {

// The edges of dcf77_recording() and msf_recording() (recorded_edges.hpp
// says what they hold), made again from the encoders.
std::vector<RecordedEdge> dcf77_edges_from_encoder();
std::vector<RecordedEdge> msf_edges_from_encoder();

// The whole text of recorded_edges.cpp for these edges.
std::string recorded_edges_source();

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_RECORDING_HPP_
