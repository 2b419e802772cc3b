# Turns the page's files into a C++ source file, so zt-verify serves the page
# from its own binary and needs no files beside it. Run as a script:
#   cmake -DOUTPUT=serve_assets_data.cpp -DINPUTS=a.html,b.js -P embed_web_assets.cmake
# Each file becomes a byte array and an entry { "/name", content type, bytes }.
string(REPLACE "," ";" inputs "${INPUTS}")
set(entries "")
set(arrays "")
set(index 0)
foreach(input IN LISTS inputs)
  get_filename_component(name "${input}" NAME)
  get_filename_component(extension "${input}" LAST_EXT)
  if(extension STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(extension STREQUAL ".svg")
    set(type "image/svg+xml")
  else()
    message(FATAL_ERROR "no content type known for ${input}")
  endif()
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "constexpr unsigned char kAsset${index}[] = {${bytes}};\n")
  string(APPEND entries
         "    {\"/${name}\", \"${type}\", {reinterpret_cast<const char*>(kAsset${index}), ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(content "// Generated from tools/zt-verify/web/ by embed_web_assets.cmake; do not edit.
#include \"serve_assets.h\"

namespace zt::cli {
namespace {
${arrays}}  // namespace

const std::vector<WebAsset>& web_assets() {
  static const std::vector<WebAsset> assets = {
${entries}  };
  return assets;
}

}  // namespace zt::cli
")
# Rewrite only on change, so an unchanged page does not rebuild the tool.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${content}" @ONLY)
