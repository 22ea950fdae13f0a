#include "synth/edge_log_writer.hpp"
