// derivations.cpp: implementation in progress.
#include "rng/derivations.h"
