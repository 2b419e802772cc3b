// registration.cpp: implementation in progress.
#include "gdp/registration.h"
