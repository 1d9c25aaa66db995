#include "reportengine/ReportFileHeader.h"

#include <QByteArray>

#include "reportengine/RecordReader.h"
#include "reportengine/RecordWriter.h"
#include "reportengine/ReportFileFormat.h"

using namespace report_file;

namespace {

// Paper no report prints on: a real page is larger than nothing and smaller than this.
constexpr double kMaxPageInches = 100.0;

bool SanePage(double width, double height) {
  return width > 0 && width <= kMaxPageInches && height > 0 && height <= kMaxPageInches;
}

}  // namespace

void ReportFileHeader::Write(RecordWriter& out) const {
  out.Byte(kFileHeader);
#define REPORT_FILE_WRITE_FIELD(name, kind, member) out.kind(member);
  REPORT_FILE_HEADER_FIELDS(REPORT_FILE_WRITE_FIELD)
  out.Text(output_name);
}

bool ReportFileHeader::Read(RecordReader& in) {
  if (in.Byte() != kFileHeader) in.Fail();
#define REPORT_FILE_READ_FIELD(name, kind, member) member = in.kind();
  REPORT_FILE_HEADER_FIELDS(REPORT_FILE_READ_FIELD)
  QByteArray name;
  in.Text(&name);
  output_name.resize(name.size());
  for (qsizetype i = 0; i < name.size(); ++i)
    output_name[i] = QChar(Cp1252ToUnicode(static_cast<uint8_t>(name[i])));
  if (page_count < 0 || orientation > 2 || collate > 1 || duplex > 2 ||
      !SanePage(page_width, page_height))
    in.Fail();
  return in.ok();
}

void PageHeader::Write(RecordWriter& out) const {
  out.Byte(kPageHeader);
  REPORT_FILE_PAGE_HEADER_FIELDS(REPORT_FILE_WRITE_FIELD)
}

bool PageHeader::Read(RecordReader& in) {
  if (in.Byte() != kPageHeader) in.Fail();
  REPORT_FILE_PAGE_HEADER_FIELDS(REPORT_FILE_READ_FIELD)
  if (previous < 0 || next < 0 || number < 1 || !SanePage(page_width, page_height)) in.Fail();
  return in.ok();
}

#undef REPORT_FILE_WRITE_FIELD
#undef REPORT_FILE_READ_FIELD
