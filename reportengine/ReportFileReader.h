// ReportFileReader: walks a report file on a seekable device: reads the file header, follows
// the page chain to a requested page and hands out the bytes of that page's commands. Every
// link is checked before it is followed: links move strictly forward (next) or backward
// (previous) through the stream and stay inside it, page numbers follow each other, so no
// file makes the walk loop or read outside the stream.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <cstdint>

#include "reportengine/RecordReader.h"
#include "reportengine/ReportFileHeader.h"

class ReportFileReader {
 public:
  ReportFileReader() = default;

  // Reads the file header from position 0 of the device (which stays the caller's) and
  // positions before the first page. False when the bytes are not a report file header.
  bool Open(QIODevice* device);
  void Close();

  const ReportFileHeader& header() const { return header_; }
  // The page last positioned on: 0 before the first page.
  int current_page() const { return current_page_; }
  // Links of the current page (for page 0: 0 and the offset of the first page).
  int64_t previous_link() const { return previous_; }
  int64_t next_link() const { return next_; }
  int64_t header_offset() const { return header_offset_; }
  // Page size from the last page header read (the file header's before any).
  double page_width() const { return page_width_; }
  double page_height() const { return page_height_; }

  // Moves to `page`, or as near as the chain goes (a page past the end gives the last page,
  // one below 1 the first). True when positioned on a page; false when the file has no page
  // or a page header or link is broken.
  bool GotoPage(int page);
  // True when GotoPage failed on broken bytes (rather than finding no page).
  bool broken() const { return broken_; }

  // The commands of the current page, from its first command towards the next page's header
  // (or the end of the stream). Loaded a piece at a time, so that stale bytes after the last
  // page cost nothing: when a record does not decode, ExtendPage loads more. The reader
  // points into storage kept until the next call of either.
  RecordReader PageCommands();
  // Loads more of the current page (twice as much) and gives a reader at `position` of it;
  // false when the whole page is loaded already.
  bool ExtendPage(int64_t position, RecordReader* reader);

 private:
  bool ReadPageHeaderAt(int64_t offset, PageHeader* page);
  bool Fail() {
    broken_ = true;
    return false;
  }

  QIODevice* device_ = nullptr;
  int64_t size_ = 0;
  ReportFileHeader header_;
  int current_page_ = 0;
  int64_t previous_ = 0, next_ = 0, header_offset_ = 0;
  double page_width_ = 0, page_height_ = 0;
  bool broken_ = false;
  bool LoadPage(int64_t size);

  QByteArray page_;  // bytes of the current page's commands loaded so far
  int64_t page_end_ = 0;  // how far the page may reach
};
