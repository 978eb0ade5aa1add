#include "author/ifo_file.h"

#include "common/output_file.h"

namespace vm {

bool WriteIfoFile(const char* path, const char* inputFolder, const uint8_t* data, size_t bytes) {
  int err = 0;
  return WriteOutputFile(path, inputFolder, data, bytes, err) == OutputStatus::Ok;
}

}  // namespace vm
