#include "phase/Fold.h"
