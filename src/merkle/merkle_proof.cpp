// merkle_proof.cpp: implementation in progress.
#include "merkle/merkle_proof.h"
