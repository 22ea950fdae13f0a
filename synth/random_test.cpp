#include "synth/random.hpp"
