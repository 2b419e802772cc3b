// consumer.cpp: a C++ program built outside the source tree against an installed
// zt_core, found through find_package(zt_core) and linked as zt::core.
//
//   consumer PACKAGE RECEIPT TRANSCRIPT
//
// Registers the game definition package, verifies the bet on a thread of its own
// and prints the library's version and the verdict, reading the message through
// the per-thread accessor. Exits with zt_core_verify_bet's code, or 10 when a file
// cannot be read or the package does not register.
#include <zt/zt_core.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

static_assert(ZT_CORE_VERSION_MAJOR >= 0, "the version macros are integers");

namespace {

std::optional<std::string> read_file(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: " << argv[0] << " PACKAGE RECEIPT TRANSCRIPT\n";
    return 10;
  }
  std::cout << "zt_core " << ZT_CORE_VERSION_STRING << "\n";
  const auto package = read_file(argv[1]);
  const auto receipt = read_file(argv[2]);
  const auto transcript = read_file(argv[3]);
  if (!package || !receipt || !transcript) {
    std::cerr << "cannot read an input file\n";
    return 10;
  }
  if (zt_core_register_gdp_package(reinterpret_cast<const std::uint8_t*>(package->data()),
                                   package->size()) != 0) {
    std::cerr << "package refused: " << zt_core_thread_last_error_message() << "\n";
    return 10;
  }
  int code = 0;
  std::string message;
  std::thread worker([&] {
    code = zt_core_verify_bet(receipt->c_str(), transcript->c_str());
    const char* text = zt_core_thread_last_error_message();
    if (text != nullptr) message = text;
  });
  worker.join();
  if (code == 0) {
    std::cout << "verified\n";
  } else {
    std::cout << "rejected (" << code << "): " << message << "\n";
  }
  return code;
}
