// gdp/loader/role_name.h: the role name of an archive entry, the name the loader
// matches against gdp.json, mapping.wasm and the other role files.
#pragma once

#include <string>
#include <string_view>

namespace zt::gdp::loader {

// role_name: |file_name| (valid UTF-8) lower-cased by the full Unicode lower-case
// mapping of the root locale, as ICU implements it: one-to-many mappings included
// ("İ" becomes "i" and U+0307) and a final capital sigma becoming "ς". Any
// invalid UTF-8 is replaced by U+FFFD. The mapping follows the Unicode version of
// the ICU it is built with (U_UNICODE_VERSION: 15.0 for ICU 72 in Debian 12).
std::string role_name(std::string_view file_name);

}  // namespace zt::gdp::loader
