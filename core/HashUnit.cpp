#include "HashUnit.h"
