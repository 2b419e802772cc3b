// hkdf.cpp: implementation in progress.
#include "crypto/hkdf.h"
