#include "store/xbase/Status.h"

namespace xbase {

std::string Status::ToString() const {
  const char* name = "OK";
  switch (code_) {
    case Code::kOk: return "OK";
    case Code::kNotFound: name = "Not found"; break;
    case Code::kIoError: name = "I/O error"; break;
    case Code::kCorrupt: name = "Corrupt file"; break;
    case Code::kRecordLocked: name = "Record locked"; break;
    case Code::kInUse: name = "File in use"; break;
    case Code::kSyntax: name = "Syntax error"; break;
    case Code::kTypeMismatch: name = "Type mismatch"; break;
    case Code::kReadOnly: name = "Read-only"; break;
    case Code::kNeedExclusive: name = "Exclusive use required"; break;
    case Code::kInvalidArgument: name = "Invalid argument"; break;
    case Code::kNotSupported: name = "Not supported"; break;
    case Code::kState: name = "Invalid state"; break;
  }
  return std::string(name) + ": " + message_;
}

}  // namespace xbase
