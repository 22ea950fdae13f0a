#include "synth/bit_log_writer.hpp"
