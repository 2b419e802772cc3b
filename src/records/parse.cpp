// parse.cpp: implementation in progress.
#include "records/parse.h"
