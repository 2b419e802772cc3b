// plinko_mapper.cpp: implementation in progress.
#include "gdp/plinko/plinko_mapper.h"
