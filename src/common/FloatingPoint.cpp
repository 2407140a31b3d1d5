#include "common/FloatingPoint.h"
