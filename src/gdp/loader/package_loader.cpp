// package_loader.cpp: implementation in progress.
#include "gdp/loader/package_loader.h"
