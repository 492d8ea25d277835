#include "FatLike.h"

bool actLikeFat = false;
