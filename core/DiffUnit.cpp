#include "DiffUnit.h"
