#include "store/Photometry.h"
