#include "reportengine/ReportFileReader.h"

#include <algorithm>

#include "reportengine/ReportFileFormat.h"

using namespace report_file;

bool ReportFileReader::Open(QIODevice* device) {
  Close();
  device_ = device;
  size_ = device->size();
  if (!device->seek(0)) return false;
  uint8_t bytes[kFileHeaderFixedSize + 1 + kMaxTextLength];
  const qint64 n = device->read(reinterpret_cast<char*>(bytes), sizeof bytes);
  RecordReader in(bytes, n < 0 ? 0 : n);
  if (!header_.Read(in)) {
    device_ = nullptr;
    return false;
  }
  page_width_ = header_.page_width;
  page_height_ = header_.page_height;
  next_ = in.position();
  return true;
}

void ReportFileReader::Close() {
  device_ = nullptr;
  size_ = 0;
  header_ = ReportFileHeader();
  current_page_ = 0;
  previous_ = next_ = header_offset_ = 0;
  broken_ = false;
  page_.clear();
}

bool ReportFileReader::ReadPageHeaderAt(int64_t offset, PageHeader* page) {
  if (offset <= 0 || offset > size_ - kPageHeaderSize || !device_->seek(offset)) return false;
  uint8_t bytes[kPageHeaderSize];
  if (device_->read(reinterpret_cast<char*>(bytes), kPageHeaderSize) != kPageHeaderSize)
    return false;
  RecordReader in(bytes, kPageHeaderSize);
  // A link must lead on through the stream, never back to this page or before it.
  return page->Read(in) && (page->next == 0 || page->next > offset) && page->previous < offset &&
         page->next <= size_;
}

bool ReportFileReader::GotoPage(int page) {
  broken_ = false;
  if (device_ == nullptr) return false;
  PageHeader h;
  while (page < current_page_ && previous_ > 0) {
    if (previous_ >= header_offset_ || !ReadPageHeaderAt(previous_, &h) ||
        h.number != current_page_ - 1 || h.next != header_offset_)
      return Fail();
    header_offset_ = previous_;
    current_page_ = h.number;
    previous_ = h.previous;
    next_ = h.next;
    page_width_ = h.page_width;
    page_height_ = h.page_height;
  }
  // The header's page count bounds the walk: bytes after the last page are never read.
  while (page > current_page_ && next_ > 0 && current_page_ < header_.page_count) {
    if (next_ <= header_offset_ || !ReadPageHeaderAt(next_, &h) || h.number != current_page_ + 1 ||
        h.previous != header_offset_)
      return Fail();
    header_offset_ = next_;
    current_page_ = h.number;
    previous_ = h.previous;
    next_ = h.next;
    page_width_ = h.page_width;
    page_height_ = h.page_height;
  }
  if (current_page_ == 0) return false;
  // Read the current header once more: the device is left at the page's first command.
  if (!ReadPageHeaderAt(header_offset_, &h)) return Fail();
  return true;
}

namespace {
// First piece of a page that is read; pages of dense text take a few of these.
constexpr int64_t kFirstPiece = 64 * 1024;
}  // namespace

bool ReportFileReader::LoadPage(int64_t size) {
  const int64_t start = header_offset_ + kPageHeaderSize;
  const int64_t have = page_.size();
  if (size <= have || !device_->seek(start + have)) return false;
  page_.resize(size);
  const qint64 n = device_->read(page_.data() + have, size - have);
  page_.resize(have + std::max<qint64>(n, 0));
  return n > 0;
}

RecordReader ReportFileReader::PageCommands() {
  const int64_t start = header_offset_ + kPageHeaderSize;
  page_end_ = next_ > start ? next_ : size_;
  page_.resize(0);
  if (current_page_ == 0 || device_ == nullptr || page_end_ < start) return RecordReader(nullptr, 0);
  LoadPage(std::min(page_end_ - start, kFirstPiece));
  return RecordReader(reinterpret_cast<const uint8_t*>(page_.constData()), page_.size());
}

bool ReportFileReader::ExtendPage(int64_t position, RecordReader* reader) {
  const int64_t start = header_offset_ + kPageHeaderSize;
  if (device_ == nullptr || current_page_ == 0) return false;
  const int64_t whole = page_end_ - start;
  if (page_.size() >= whole || !LoadPage(std::min(whole, std::max<int64_t>(2 * page_.size(), kFirstPiece))))
    return false;
  *reader = RecordReader(reinterpret_cast<const uint8_t*>(page_.constData()), page_.size(), position);
  return true;
}
