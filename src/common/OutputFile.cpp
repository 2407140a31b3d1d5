#include "common/OutputFile.h"
