// verify_bet.cpp: implementation in progress.
#include "verifier/verify_bet.h"
