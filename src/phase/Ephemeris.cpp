#include "phase/Ephemeris.h"
