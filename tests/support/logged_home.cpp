#include "support/logged_home.h"

#include "foundation/library_entry.h"

namespace vek::test {

LoggedHome::LoggedHome() { AttachLibrary(u"/usr/lib/libVekConfigU.so"); }

LoggedHome::~LoggedHome() { DetachLibrary(); }

}  // namespace vek::test
