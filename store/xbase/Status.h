// Status: the typed outcome of every engine operation that can fail.
// An ok status carries nothing; any other carries a code and a message for people.
#pragma once

#include <string>
#include <string_view>

namespace xbase {

class [[nodiscard]] Status {
 public:
  enum class Code {
    kOk = 0,
    kNotFound,         // file, field, tag or record that does not exist
    kIoError,          // the operating system refused a read, write, sync or rename
    kCorrupt,          // bytes on disk that break the format's rules
    kRecordLocked,     // a record lock is held by another process or another open
    kInUse,            // the open mode (shared/exclusive) conflicts with another open
    kSyntax,           // expression text that does not compile (message holds the position)
    kTypeMismatch,     // expression operands of the wrong types
    kReadOnly,         // a write through a read-only open
    kNeedExclusive,    // pack, zap, index build without exclusive use
    kInvalidArgument,  // a caller's value outside the operation's domain
    kNotSupported,     // a well-formed file feature this engine does not handle
    kState,            // an operation in the wrong state (post without edit, no current record)
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string_view msg) { return Status(Code::kNotFound, msg); }
  static Status IoError(std::string_view msg) { return Status(Code::kIoError, msg); }
  static Status Corrupt(std::string_view msg) { return Status(Code::kCorrupt, msg); }
  static Status RecordLocked(std::string_view msg) { return Status(Code::kRecordLocked, msg); }
  static Status InUse(std::string_view msg) { return Status(Code::kInUse, msg); }
  static Status Syntax(std::string_view msg) { return Status(Code::kSyntax, msg); }
  static Status TypeMismatch(std::string_view msg) { return Status(Code::kTypeMismatch, msg); }
  static Status ReadOnly(std::string_view msg) { return Status(Code::kReadOnly, msg); }
  static Status NeedExclusive(std::string_view msg) { return Status(Code::kNeedExclusive, msg); }
  static Status InvalidArgument(std::string_view msg) { return Status(Code::kInvalidArgument, msg); }
  static Status NotSupported(std::string_view msg) { return Status(Code::kNotSupported, msg); }
  static Status State(std::string_view msg) { return Status(Code::kState, msg); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // "<code name>: <message>", or "OK".
  std::string ToString() const;

  bool IsNotFound() const { return code_ == Code::kNotFound; }
  bool IsCorrupt() const { return code_ == Code::kCorrupt; }
  bool IsRecordLocked() const { return code_ == Code::kRecordLocked; }
  bool IsInUse() const { return code_ == Code::kInUse; }

 private:
  Status(Code code, std::string_view msg) : code_(code), message_(msg) {}
  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace xbase

// Returns from the enclosing function when the expression gives a failed Status.
#define XB_RETURN_IF_ERROR(expr)             \
  do {                                       \
    ::xbase::Status _xb_st = (expr);         \
    if (!_xb_st.ok()) return _xb_st;         \
  } while (0)
