#include "LinkState.h"
