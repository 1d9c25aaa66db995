// Report files the preview tests draw.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <gtest/gtest.h>

#include "reportengine/ReportFiler.h"

// A report file of `pages` pages, each with a filled box at 1 inch, 1 inch.
inline QByteArray RecordBoxes(int pages) {
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.OnPrint = [pages](TBaseReport& r) {
    for (int page = 1; page <= pages; ++page) {
      if (page > 1) r.NewPage();
      r.SetBrush(clBlack, bsSolid);
      r.Rectangle(1, 1, 2, 2);
    }
  };
  filer.Execute();
  return data;
}

// A preview (renderer or window preview) reading a report file of boxes from memory.
template <typename Preview>
class PreviewFixture : public ::testing::Test {
 protected:
  void Open(int pages) {
    data_ = RecordBoxes(pages);
    buffer_.setData(data_);
    preview_.SetStreamMode(smUser);
    preview_.SetStream(&buffer_);
  }
  QByteArray data_;
  QBuffer buffer_;
  Preview preview_;
};
