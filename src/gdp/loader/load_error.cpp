// load_error.cpp: implementation in progress.
#include "gdp/loader/load_error.h"
