#include "store/xbase/DbfHeader.h"

#include <cctype>
#include <cstring>
#include <ctime>

#include "base/ByteOrder.h"
#include "store/xbase/DbfFormat.h"

namespace xbase {

namespace {

std::string Hex(uint32_t v) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s = "0x";
  s += digits[(v >> 4) & 15];
  s += digits[v & 15];
  return s;
}

// The type byte of a field descriptor.
constexpr char TypeLetter(FieldType type) { return static_cast<char>(type); }

bool ValidNameChar(char c, bool first) {
  const auto u = static_cast<unsigned char>(c);
  if (std::isalpha(u) || c == '_') return true;
  return !first && std::isdigit(u);
}

}  // namespace

bool DbfHeader::HasMemo() const {
  for (const FieldDesc& f : fields) {
    if (f.type == FieldType::kMemo) return true;
  }
  return false;
}

Status DbfHeader::Parse(const uint8_t* data, size_t size, DbfHeader* out) {
  if (size < dbf::kHeaderSize) return Status::Corrupt("file is too short for a table header");
  DbfHeader h;
  h.version = data[dbf::kOffVersion];
  switch (h.version) {
    case dbf::kVersionPlain:
    case dbf::kVersionFoxMemo:
    case dbf::kVersionVfp:
    case dbf::kVersionVfpAuto:
    case dbf::kVersionVfpVar:
      break;
    case dbf::kVersionDbtMemo:
    case dbf::kVersionDbtMemo4:
      return Status::NotSupported("table with a .DBT memo file (version byte " + Hex(h.version) + ")");
    default:
      return Status::Corrupt("not a table: unknown version byte " + Hex(h.version));
  }
  const bool vfp = h.version == dbf::kVersionVfp || h.version == dbf::kVersionVfpAuto ||
                   h.version == dbf::kVersionVfpVar;
  h.record_count = base::Le32(data + dbf::kOffRecordCount);
  h.header_length = base::Le16(data + dbf::kOffHeaderLength);
  h.record_length = base::Le16(data + dbf::kOffRecordLength);
  h.flags = data[dbf::kOffFlags];
  h.code_page = data[dbf::kOffCodePage];
  h.memo_binary = vfp;
  if (h.header_length < dbf::kHeaderSize + dbf::kDescriptorSize + dbf::kTerminatorSize) {
    return Status::Corrupt("header length " + std::to_string(h.header_length) + " is too small");
  }
  if (h.record_length <= dbf::kDeletedMarkSize) {
    return Status::Corrupt("record length " + std::to_string(h.record_length) + " is too small");
  }
  if (size < h.header_length) return Status::Corrupt("file ends inside the table header");

  uint32_t pos = dbf::kHeaderSize;
  uint32_t offset = dbf::kDeletedMarkSize;  // byte 0 of every record is the deleted mark
  while (pos < h.header_length && data[pos] != dbf::kHeaderTerminator) {
    if (pos + dbf::kDescriptorSize > h.header_length) {
      return Status::Corrupt("field descriptors run past the header length");
    }
    if (h.fields.size() == dbf::kMaxFields) return Status::Corrupt("more than 255 fields");
    const uint8_t* d = data + pos;
    const std::string field_no = "field " + std::to_string(h.fields.size() + 1);
    FieldDesc f;
    for (uint32_t i = 0; i < dbf::kDescNameSize && d[i] != 0; ++i) {
      const char c = static_cast<char>(d[i]);
      if (!ValidNameChar(c, i == 0) || i >= dbf::kMaxFieldName) {
        return Status::Corrupt(field_no + " has an invalid name");
      }
      f.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (f.name.empty()) return Status::Corrupt(field_no + " has no name");
    f.width = d[dbf::kDescWidth];
    f.decimals = d[dbf::kDescDecimals];
    f.offset = offset;
    const char type = static_cast<char>(d[dbf::kDescType]);
    const std::string what = "field " + f.name;
    switch (type) {
      case TypeLetter(FieldType::kCharacter):
        f.type = FieldType::kCharacter;
        if (f.width == 0) return Status::Corrupt(what + " has width 0");
        break;
      case TypeLetter(FieldType::kNumeric):
      case TypeLetter(FieldType::kFloat):
        f.type = FieldType::kNumeric;
        if (f.width == 0 || f.width > dbf::kMaxNumericWidth) {
          return Status::Corrupt(what + " has an invalid numeric width");
        }
        break;
      case TypeLetter(FieldType::kLogical):
        f.type = FieldType::kLogical;
        if (f.width != dbf::kLogicalWidth) return Status::Corrupt(what + ": a logical field has width 1");
        break;
      case TypeLetter(FieldType::kDate):
        f.type = FieldType::kDate;
        if (f.width != dbf::kDateWidth) return Status::Corrupt(what + ": a date field has width 8");
        break;
      case TypeLetter(FieldType::kMemo):
        f.type = FieldType::kMemo;
        if (f.width != (vfp ? dbf::kMemoWidthBinary : dbf::kMemoWidthAscii)) {
          return Status::Corrupt(what + ": memo pointer width " + std::to_string(f.width) +
                                 " does not match the table version");
        }
        break;
      case 'G':
      case 'P':
      case 'I':
      case 'B':
      case 'Y':
      case 'T':
      case 'V':
      case 'Q':
      case 'W':
      case '0':
        return Status::NotSupported(what + " has type '" + std::string(1, type) +
                                    "', which this engine does not handle");
      default:
        return Status::Corrupt(what + " has an unknown type byte " + Hex(static_cast<uint8_t>(type)));
    }
    for (const FieldDesc& other : h.fields) {
      if (other.name == f.name) return Status::Corrupt("field name " + f.name + " appears twice");
    }
    offset += f.width;
    h.fields.push_back(std::move(f));
    pos += dbf::kDescriptorSize;
  }
  if (h.fields.empty()) return Status::Corrupt("table has no fields");
  if (offset != h.record_length) {
    return Status::Corrupt("record length " + std::to_string(h.record_length) +
                           " does not match the fields (" + std::to_string(offset) + ")");
  }
  if (h.HasMemo() && h.version == dbf::kVersionPlain) {
    return Status::Corrupt("memo field in a table whose version byte says it has no memo file");
  }
  *out = std::move(h);
  return Status::Ok();
}

Status DbfHeader::Build(const std::vector<FieldSpec>& specs, DbfHeader* out, std::vector<uint8_t>* bytes,
                        uint8_t code_page_mark) {
  if (specs.empty()) return Status::InvalidArgument("a table needs at least one field");
  if (specs.size() > dbf::kMaxFields) return Status::InvalidArgument("a table has at most 255 fields");
  DbfHeader h;
  uint32_t offset = dbf::kDeletedMarkSize;
  for (const FieldSpec& s : specs) {
    FieldDesc f;
    if (s.name.empty() || s.name.size() > dbf::kMaxFieldName) {
      return Status::InvalidArgument("field name '" + s.name + "' must have 1 to 10 characters");
    }
    for (size_t i = 0; i < s.name.size(); ++i) {
      if (!ValidNameChar(s.name[i], i == 0)) {
        return Status::InvalidArgument("field name '" + s.name + "' has an invalid character");
      }
      f.name += static_cast<char>(std::toupper(static_cast<unsigned char>(s.name[i])));
    }
    for (const FieldDesc& other : h.fields) {
      if (other.name == f.name) return Status::InvalidArgument("field name " + f.name + " appears twice");
    }
    f.type = s.type;
    f.width = s.width;
    f.decimals = 0;
    const std::string what = "field " + f.name;
    switch (s.type) {
      case FieldType::kCharacter:
        if (s.width == 0 || s.width > dbf::kMaxCharWidth) {
          return Status::InvalidArgument(what + ": character width must be 1 to 254");
        }
        break;
      case FieldType::kNumeric:
      case FieldType::kFloat:
        if (s.width == 0 || s.width > dbf::kMaxNumericWidth) {
          return Status::InvalidArgument(what + ": numeric width must be 1 to 20");
        }
        if (s.decimals > 0 && s.decimals + 2 > s.width) {
          return Status::InvalidArgument(what + ": too many decimals for the width");
        }
        f.decimals = s.decimals;
        break;
      case FieldType::kLogical:
        if (s.width != 0 && s.width != dbf::kLogicalWidth) return Status::InvalidArgument(what + ": logical width is 1");
        f.width = dbf::kLogicalWidth;
        break;
      case FieldType::kDate:
        if (s.width != 0 && s.width != dbf::kDateWidth) return Status::InvalidArgument(what + ": date width is 8");
        f.width = dbf::kDateWidth;
        break;
      case FieldType::kMemo:
        if (s.width != 0 && s.width != dbf::kMemoWidthAscii) {
          return Status::InvalidArgument(what + ": memo width is 10");
        }
        f.width = dbf::kMemoWidthAscii;
        break;
      default:
        return Status::InvalidArgument(what + ": unknown field type");
    }
    f.offset = offset;
    offset += f.width;
    h.fields.push_back(std::move(f));
  }
  if (offset > dbf::kMaxRecordLength) return Status::InvalidArgument("record is longer than 65500 bytes");
  h.version = h.HasMemo() ? dbf::kVersionFoxMemo : dbf::kVersionPlain;
  h.flags = 0;  // the structural-index flag is set once an index exists
  h.code_page = code_page_mark;
  h.record_count = 0;
  h.record_length = offset;
  h.header_length = dbf::kHeaderSize + dbf::kDescriptorSize * static_cast<uint32_t>(specs.size()) +
                    dbf::kTerminatorSize + dbf::kHeaderPadding;

  bytes->assign(h.header_length + 1, 0);  // the header and the end-of-file marker
  uint8_t* b = bytes->data();
  b[dbf::kOffVersion] = h.version;
  uint8_t today[dbf::kUpdateDateSize];
  StampDate(today);
  EncodeDateAndCount(today, 0, b + dbf::kOffUpdateYear);
  base::PutLe16(b + dbf::kOffHeaderLength, static_cast<uint16_t>(h.header_length));
  base::PutLe16(b + dbf::kOffRecordLength, static_cast<uint16_t>(h.record_length));
  b[dbf::kOffFlags] = h.flags;
  b[dbf::kOffCodePage] = h.code_page;
  uint32_t pos = dbf::kHeaderSize;
  for (const FieldDesc& f : h.fields) {
    uint8_t* d = b + pos;
    std::memcpy(d + dbf::kDescName, f.name.data(), f.name.size());
    d[dbf::kDescType] = static_cast<uint8_t>(TypeLetter(f.type));  // still kFloat for an F field
    base::PutLe32(d + dbf::kDescDisplacement, f.offset);
    d[dbf::kDescWidth] = f.width;
    d[dbf::kDescDecimals] = f.decimals;
    pos += dbf::kDescriptorSize;
  }
  b[pos] = dbf::kHeaderTerminator;
  b[h.header_length] = dbf::kEofMarker;
  for (FieldDesc& f : h.fields) {
    if (f.type == FieldType::kFloat) f.type = FieldType::kNumeric;
  }
  *out = std::move(h);
  return Status::Ok();
}

void DbfHeader::EncodeDateAndCount(const uint8_t* ymd, uint32_t record_count, uint8_t* out) {
  std::memcpy(out, ymd, dbf::kUpdateDateSize);
  base::PutLe32(out + (dbf::kOffRecordCount - dbf::kOffUpdateYear), record_count);
}

void DbfHeader::StampDate(uint8_t* ymd) {
  const std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  ymd[0] = static_cast<uint8_t>(tm.tm_year % 100);
  ymd[1] = static_cast<uint8_t>(tm.tm_mon + 1);
  ymd[2] = static_cast<uint8_t>(tm.tm_mday);
}

}  // namespace xbase
