// The stand-in of the engine-only build (no Qt, no libical).
#include <cstdio>

#include "tools/jlistdb/ExchangeImportCommand.h"

namespace jlistdb {

int RunExchangeImport(const std::string& command, const std::string&, const std::string&) {
  std::fprintf(stderr, "jlistdb: %s is not in this build (an engine-only build, without Qt and libical)\n",
               command.c_str());
  return 2;
}

}  // namespace jlistdb
