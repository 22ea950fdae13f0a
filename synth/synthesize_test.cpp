#include "synth/synthesize.hpp"
