#include "synth/synth_settings.hpp"
