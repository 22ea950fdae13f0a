#include "synth/leap_seconds.hpp"
