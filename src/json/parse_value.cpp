// parse_value.cpp: implementation in progress.
#include "json/parse_value.h"
