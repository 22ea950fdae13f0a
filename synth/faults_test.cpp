#include "synth/faults.hpp"
