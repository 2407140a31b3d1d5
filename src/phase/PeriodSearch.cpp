#include "phase/PeriodSearch.h"
