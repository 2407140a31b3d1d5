#include "common/NumberFormat.h"
