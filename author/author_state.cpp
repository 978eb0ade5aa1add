#include "author/author_state.h"

namespace vm {

AuthorState& Author() {
  static AuthorState* instance = [] {
    auto* a = new AuthorState();
    a->OutFd = -1;
    return a;
  }();
  return *instance;
}

}  // namespace vm
