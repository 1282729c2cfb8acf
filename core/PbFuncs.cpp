#include "PbFuncs.h"
