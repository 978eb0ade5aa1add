#include <string>

#include "cli/commands.h"
#include "common/output_file.h"

namespace vm {

bool OutputTargetAllowed(CliUi& ui, const std::string& target, const std::string& inputFolder) {
  const OutputStatus status = CheckOutputTarget(target.c_str(), inputFolder.c_str());
  if (status == OutputStatus::Ok || status == OutputStatus::NoFolder) return true;
  MessageText text;
  DescribeOutputStatus(status, target.c_str(), 0, text);
  ui.Error(text.c_str());
  return false;
}

}  // namespace vm
