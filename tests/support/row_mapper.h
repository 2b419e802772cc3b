// tests/support/row_mapper.h: registering a bets.tsv row's mapper in-process.
#pragma once

#include <string>

#include "bet_rows.h"

namespace zt::test {

// register_row_mapper: binds the row's mapper to its GDP id; "none" binds nothing.
// Returns an error text for a mapper column it cannot use, else "".
std::string register_row_mapper(const BetRow& row);

}  // namespace zt::test
