#include "synth/edge_synthesizer.hpp"
