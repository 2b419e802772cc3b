// decode_driver.cpp: reads documents from stdin, each as "<length>\n<bytes>", and
// prints one line per document: OK or the decode error. With the argument "probe"
// each document is decoded as a one-field record {"name": string}, so that other
// keys are skipped; otherwise as a Value. Used by reference_decoder.py.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "json/document.h"
#include "json/parse_value.h"
#include "json/schema.h"

namespace {

struct Probe {
  std::string name;
};
constexpr zt::json::FieldDescriptor kProbeFields[] = {zt::json::field<&Probe::name>("name")};
constexpr zt::json::RecordDescriptor kProbe{"struct Probe", "struct Probe with 1 elements",
                                            kProbeFields};

}  // namespace

int main(int argc, char** argv) {
  const bool probe = argc > 1 && std::string(argv[1]) == "probe";
  const std::string input((std::istreambuf_iterator<char>(std::cin)), {});
  std::size_t i = 0;
  while (i < input.size()) {
    const std::size_t newline = input.find('\n', i);
    if (newline == std::string::npos) return 2;
    const std::size_t length = std::stoul(input.substr(i, newline - i));
    const std::string_view document = std::string_view(input).substr(newline + 1, length);
    i = newline + 1 + length;
    std::string result = "OK";
    if (probe) {
      const auto decoded = zt::json::decode_record<Probe>(document, kProbe);
      if (!decoded) result = decoded.error().message();
    } else {
      const auto decoded = zt::json::parse_value(document);
      if (!decoded) result = decoded.error().message();
    }
    std::printf("%s\n", result.c_str());
  }
  return 0;
}
