#include "ui/draw_effects.h"
