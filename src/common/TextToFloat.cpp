#include "common/TextToFloat.h"
