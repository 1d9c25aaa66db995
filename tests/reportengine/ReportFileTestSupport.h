// Helpers shared by the report file tests: a printer list without printers, and the
// records of a written report.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <vector>

#include "reportengine/REDevice.h"
#include "reportengine/RecordReader.h"
#include "reportengine/RecordWriter.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFileHeader.h"
#include "reportengine/ReportFileReader.h"

// While alive, the printer device lists no printer (the report engine's no-printer case).
class NoPrinters {
 public:
  NoPrinters() {
    TPrinterSource source;
    source.List = [] { return std::vector<TREDeviceItem>(); };
    source.DefaultDevice = [] { return QString(); };
    source.Bins = [](const QString&) { return QStringList(); };
    source.MaxCopies = [](const QString&) { return 0; };
    TREDevice::Instance().SetPrinterSource(source);
  }
  ~NoPrinters() { TREDevice::Instance().SetPrinterSource(TREDevice::SystemPrinterSource()); }
  NoPrinters(const NoPrinters&) = delete;
  NoPrinters& operator=(const NoPrinters&) = delete;
};

// One decoded record, its operands copied out of the reader's storage.
struct Decoded {
  ReportRecord record;
  QByteArray text;
  QByteArray graphic;
  QByteArray data;  // the raw bytes of a data record
  std::vector<QPointF> list;
};

// The records of page `page` of a report file, the end code included; empty when the page
// cannot be reached or a record does not decode.
inline std::vector<Decoded> PageRecords(const QByteArray& file, int page) {
  QByteArray copy = file;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  ReportFileReader reader;
  std::vector<Decoded> out;
  if (!reader.Open(&buffer) || !reader.GotoPage(page) || reader.current_page() != page) return out;
  RecordReader in = reader.PageCommands();
  Decoded d;
  for (;;) {
    const int64_t at = in.position();
    if (!in.ReadRecord(&d.record)) {
      if (reader.ExtendPage(at, &in)) continue;
      break;
    }
    d.text = QByteArray(d.record.text.constData(), d.record.text.size());
    d.graphic = d.record.has_graphic
                    ? QByteArray(reinterpret_cast<const char*>(d.record.graphic),
                                 static_cast<qsizetype>(d.record.graphic_size))
                    : QByteArray();
    d.data = QByteArray(reinterpret_cast<const char*>(d.record.data),
                        static_cast<qsizetype>(d.record.data_size));
    d.list = d.record.list;
    // The record's own pointers lead into the reader's storage: only the copies stay valid.
    d.record.text.clear();
    d.record.graphic = d.record.data = nullptr;
    out.push_back(d);
    if (d.record.code == 82) return out;
  }
  out.clear();
  return out;
}

// Writes the header of a one-page report file and the header of its page (`width` by
// `height` inches); the page's records follow.
inline void BeginOnePageFile(RecordWriter& out, double width = 8.5, double height = 11) {
  ReportFileHeader h;
  h.page_count = 1;
  h.Write(out);
  out.Byte(report_file::kPageHeader);
  out.Int(0);
  out.Int(0);
  out.Short(1);
  out.Real(width);
  out.Real(height);
}

inline std::vector<int> Codes(const std::vector<Decoded>& records) {
  std::vector<int> codes;
  for (const Decoded& d : records) codes.push_back(d.record.code);
  return codes;
}
