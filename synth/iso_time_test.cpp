#include "synth/iso_time.hpp"
