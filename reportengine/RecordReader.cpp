#include "reportengine/RecordReader.h"

#include <cmath>

#include "reportengine/ReportFileFormat.h"

using namespace report_file;

bool RecordReader::Need(int64_t n) {
  if (!ok_ || n < 0 || n > size_ - pos_) {
    ok_ = false;
    return false;
  }
  return true;
}

uint8_t RecordReader::Byte() {
  if (!Need(1)) return 0;
  return data_[pos_++];
}

int16_t RecordReader::Short() {
  if (!Need(2)) return 0;
  const auto v = static_cast<int16_t>(Le16(data_ + pos_));
  pos_ += 2;
  return v;
}

int32_t RecordReader::Int() {
  if (!Need(4)) return 0;
  const auto v = static_cast<int32_t>(Le32(data_ + pos_));
  pos_ += 4;
  return v;
}

double RecordReader::Real() {
  if (!Need(4)) return 0;
  const double v = LeReal(data_ + pos_);
  pos_ += 4;
  if (!std::isfinite(v) || std::fabs(v) > kMaxReal) {
    ok_ = false;
    return 0;
  }
  return v;
}

QPointF RecordReader::Point() {
  const double x = Real();
  const double y = Real();
  return {x, y};
}

void RecordReader::Text(QByteArray* out) {
  const uint8_t n = Byte();
  const uint8_t* p = Bytes(n);
  if (p == nullptr) {
    out->clear();
    return;
  }
  out->setRawData(reinterpret_cast<const char*>(p), n);
}

const uint8_t* RecordReader::Bytes(int64_t n) {
  if (!Need(n)) return nullptr;
  const uint8_t* p = data_ + pos_;
  pos_ += n;
  return p;
}

bool RecordReader::ReadRecord(ReportRecord* r) {
  r->code = Byte();
  r->point_count = r->real_count = r->int_count = 0;
  r->has_graphic = false;
  r->graphic = nullptr;
  r->graphic_size = 0;
  r->data = nullptr;
  r->data_size = 0;
  r->text.clear();
  r->list.clear();
  if (!ok_) return false;
  const char* layout = OperandLayout(r->code);
  if (layout == nullptr) {
    ok_ = false;
    return false;
  }
  for (const char* op = layout; *op != '\0' && ok_; ++op) {
    switch (*op) {
      case 'B': r->ints[r->int_count++] = Byte(); break;
      case 'S': r->ints[r->int_count++] = Short(); break;
      case 'I': r->ints[r->int_count++] = Int(); break;
      case 'F': r->reals[r->real_count++] = Real(); break;
      case 'P': r->points[r->point_count++] = Point(); break;
      case 'R':
        r->points[r->point_count++] = Point();
        r->points[r->point_count++] = Point();
        break;
      case 'T': Text(&r->text); break;
      case 'Q': {
        const uint8_t flag = Byte();
        r->ints[r->int_count++] = flag;
        if (flag > 1) ok_ = false;
        if (flag != 1) break;
        [[fallthrough]];
      }
      case 'G': {
        r->graphic_kind = Byte();
        const int32_t n = Int();
        if (r->graphic_kind < kGraphicBitmap || r->graphic_kind > kGraphicIcon) ok_ = false;
        r->graphic = Bytes(n);  // a size past the end fails here, before any allocation
        r->graphic_size = n;
        r->has_graphic = ok_;
        break;
      }
      case 'L': {
        const int16_t count_less_one = Short();
        if (count_less_one < 0) {
          ok_ = false;
          break;
        }
        const int64_t count = int64_t{count_less_one} + 1;
        if (!Need(count * kPointSize)) break;  // checked before the list is sized
        r->list.resize(static_cast<size_t>(count));
        for (QPointF& p : r->list) p = Point();
        break;
      }
      case 'D': {
        const int32_t n = Int();
        r->data = Bytes(n);
        r->data_size = n;
        break;
      }
      default: ok_ = false; break;
    }
  }
  return ok_;
}
