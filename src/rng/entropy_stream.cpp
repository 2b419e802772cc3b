// entropy_stream.cpp: implementation in progress.
#include "rng/entropy_stream.h"
