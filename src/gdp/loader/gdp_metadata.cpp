// gdp_metadata.cpp: implementation in progress.
#include "gdp/loader/gdp_metadata.h"
