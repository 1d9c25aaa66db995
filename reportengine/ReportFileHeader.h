// ReportFileHeader and PageHeader: the two fixed records of a report file, with their
// encoding. Their fields are written and read in the order of the field lists in
// ReportFileFormat.h, which name these members.
#pragma once

#include <QString>
#include <cstdint>

#include "reportengine/ReportTypes.h"

class RecordReader;
class RecordWriter;

struct ReportFileHeader {
  int16_t page_count = 0;  // written as 0, patched when output finishes
  int16_t first_page = 1;
  int16_t last_page = kLastPageAll;
  double page_width = 8.5, page_height = 11.0;  // inches
  double left_offset = 0, right_offset = 0, top_offset = 0, bottom_offset = 0;  // inches
  uint8_t orientation = 0;  // TOrientation
  int16_t bin = 265;
  uint8_t collate = 0;
  uint8_t duplex = 0;
  int16_t copies = 1;
  int16_t paper_size = 1;
  int16_t paper_width = 0, paper_length = 0;  // tenths of a millimetre
  QString output_name;

  // Writes the whole header, code byte first.
  void Write(RecordWriter& out) const;
  // Reads a header, code byte first. False when the code is not the file header's, a field
  // is missing or a value is outside its domain.
  bool Read(RecordReader& in);
};

struct PageHeader {
  int32_t previous = 0;  // absolute offset of the previous page's code byte, 0 = none
  int32_t next = 0;      // absolute offset of the next page's code byte, 0 = last page
  int16_t number = 0;    // ordinal from 1
  double page_width = 0, page_height = 0;  // inches

  // Writes the whole record, code byte first (kPageHeaderSize bytes).
  void Write(RecordWriter& out) const;
  // Reads the record, code byte first (kPageHeaderSize bytes).
  bool Read(RecordReader& in);
};
