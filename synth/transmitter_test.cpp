#include "synth/transmitter.hpp"
