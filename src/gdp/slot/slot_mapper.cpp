// slot_mapper.cpp: implementation in progress.
#include "gdp/slot/slot_mapper.h"
