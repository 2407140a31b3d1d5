#include "store/Loading.h"
