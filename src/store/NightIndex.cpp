#include "store/NightIndex.h"
