// velmorra-make-datastore PATH [ROWS] [SEED]: writes a datastore of ROWS generated MessageEx rows
// (default 1,000,000) in the sample's shape, about 90% of them SMS, for the export benchmark.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "support/message_datastore.h"

int main(int argc, char* argv[]) {
  if (argc < 2 || argc > 4) {
    std::cerr << "Usage: velmorra-make-datastore PATH [ROWS] [SEED]\n";
    return 2;
  }
  velmorra::testing::TGeneratedMessages shape;
  shape.Count = argc > 2 ? std::strtoll(argv[2], nullptr, 10) : 1000000;
  if (argc > 3)
    shape.Seed = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
  try {
    const int64_t sms = velmorra::testing::WriteGeneratedDatastore(argv[1], shape);
    std::cout << argv[1] << ": " << shape.Count << " rows, " << sms << " of them SMS\n";
  } catch (const std::exception& error) {
    std::cerr << "velmorra-make-datastore: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
