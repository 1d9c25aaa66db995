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
  out.Short(page_count);
  out.Short(first_page);
  out.Short(last_page);
  out.Real(page_width);
  out.Real(page_height);
  out.Real(left_offset);
  out.Real(right_offset);
  out.Real(top_offset);
  out.Real(bottom_offset);
  out.Byte(orientation);
  out.Short(bin);
  out.Byte(collate);
  out.Byte(duplex);
  out.Short(copies);
  out.Short(paper_size);
  out.Short(paper_width);
  out.Short(paper_length);
  out.Text(output_name);
}

bool ReportFileHeader::Read(RecordReader& in) {
  if (in.Byte() != kFileHeader) in.Fail();
  page_count = in.Short();
  first_page = in.Short();
  last_page = in.Short();
  page_width = in.Real();
  page_height = in.Real();
  left_offset = in.Real();
  right_offset = in.Real();
  top_offset = in.Real();
  bottom_offset = in.Real();
  orientation = in.Byte();
  bin = in.Short();
  collate = in.Byte();
  duplex = in.Byte();
  copies = in.Short();
  paper_size = in.Short();
  paper_width = in.Short();
  paper_length = in.Short();
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

bool PageHeader::Read(RecordReader& in) {
  if (in.Byte() != kPageHeader) in.Fail();
  previous = in.Int();
  next = in.Int();
  number = in.Short();
  page_width = in.Real();
  page_height = in.Real();
  if (previous < 0 || next < 0 || number < 1 || !SanePage(page_width, page_height)) in.Fail();
  return in.ok();
}
