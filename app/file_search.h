// Whether a path as typed, wildcards allowed, names anything that exists.
#pragma once

namespace vm {

// True when glob(3) on `pattern` matches anything, file or folder.
bool FileSearchFinds(const char* pattern);

}  // namespace vm
