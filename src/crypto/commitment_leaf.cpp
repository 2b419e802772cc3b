// commitment_leaf.cpp: implementation in progress.
#include "crypto/commitment_leaf.h"
