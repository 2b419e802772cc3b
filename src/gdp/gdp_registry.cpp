// gdp_registry.cpp: implementation in progress.
#include "gdp/gdp_registry.h"
