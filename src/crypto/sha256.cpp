// sha256.cpp: implementation in progress.
#include "crypto/sha256.h"
