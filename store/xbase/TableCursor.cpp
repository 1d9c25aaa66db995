// Table: navigation in the current order under the filter, order selection and seek.
#include "store/xbase/TableImpl.h"

#include <algorithm>
#include <cstring>

namespace xbase {

namespace {

bool KeyStartsWith(std::string_view key, std::string_view prefix) {
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char k = i < key.size() ? key[i] : ' ';
    if (k != prefix[i]) return false;
  }
  return true;
}

}  // namespace

void Table::Impl::SetEof() {
  RefreshCount();
  eof = true;
  recno = count + 1;
  rec = blank;
  cursor_synced = false;
}

void Table::Impl::Land(uint32_t n, const uint8_t* image) {
  recno = n;
  eof = false;
  bof = false;
  std::memcpy(rec.data(), image, rec.size());
}

uint32_t Table::Impl::NextVisible(uint32_t from) {
  for (int pass = 0; pass < 2; ++pass) {
    for (uint32_t n = from; n <= count; ++n) {
      const uint8_t* p = RecordPtr(n);
      if (p == nullptr) return 0;
      if (Visible(n, p)) return n;
    }
    from = std::max(from, count + 1);
    const uint32_t before = count;
    RefreshCount();
    if (count == before) break;
  }
  return 0;
}

uint32_t Table::Impl::PriorVisible(uint32_t from) {
  for (uint32_t n = std::min(from, count); n >= 1; --n) {
    const uint8_t* p = RecordPtr(n);
    if (p == nullptr) return 0;
    if (Visible(n, p)) return n;
  }
  return 0;
}

bool Table::Impl::Acceptable(uint32_t n, const uint8_t** image) {
  if (n < 1) return false;
  if (n > count) RefreshCount();
  if (n > count) return false;  // keys of a record another open has not counted yet
  *image = RecordPtr(n);
  return *image != nullptr && Visible(n, *image);
}

Status Table::Impl::CursorSettle(bool forward, bool* landed) {
  *landed = false;
  while (!cursor->eof() && !cursor->bof()) {
    const uint8_t* image = nullptr;
    const uint32_t n = cursor->recno();
    if (Acceptable(n, &image)) {
      Land(n, image);
      cursor_synced = true;
      cursor_after = false;
      relocate = false;
      *landed = true;
      return Status::Ok();
    }
    XB_RETURN_IF_ERROR(forward ? cursor->Next() : cursor->Prior());
  }
  return Status::Ok();
}

const Expression* Table::Impl::TagKey(int tag) {
  if (tag_keys.size() != static_cast<size_t>(cdx->TagCount())) {
    tag_keys.clear();
    tag_keys.resize(cdx->TagCount());
  }
  std::optional<Expression>& slot = tag_keys[tag];
  if (!slot) {
    Expression e;
    if (!Expression::Compile(cdx->Tag(tag).key, header.fields, &e, CodePageOfMark(header.code_page)).ok()) return nullptr;
    slot = std::move(e);
  }
  return &*slot;
}

Status Table::Impl::SyncCursor() {
  if (recno < 1 || recno > count) return Status::State("no current record");
  const uint8_t* image = RecordPtr(recno);
  if (image == nullptr) return Status::IoError("cannot map " + path);
  if (cursor_synced && relocate) {
    relocate = false;
    std::unique_ptr<CdxIndex::Cursor> fresh = cdx->NewCursor(order - 1);
    Status s = fresh->Locate(recno, image);
    if (s.ok()) {
      cursor = std::move(fresh);
      cursor_after = false;
    } else if (!s.IsNotFound()) {
      return s;
    }
    return Status::Ok();
  }
  if (cursor_synced) return Status::Ok();
  relocate = false;
  cursor_after = false;
  Status s = cursor->Locate(recno, image);
  if (s.IsNotFound()) {
    const Expression* key = TagKey(order - 1);
    if (key != nullptr && (key->type() == ValueType::kCharacter || key->type() == ValueType::kDate)) {
      std::string buf(std::max<uint32_t>(key->max_length(), 8), ' ');
      const uint32_t len = key->EvalCharacter(EvalContext{image, recno}, reinterpret_cast<uint8_t*>(buf.data()));
      bool exact = false;
      XB_RETURN_IF_ERROR(cursor->Seek(std::string_view(buf.data(), len), &exact));
    } else {
      XB_RETURN_IF_ERROR(cursor->First());
    }
    cursor_after = true;
    s = Status::Ok();
  }
  XB_RETURN_IF_ERROR(s);
  cursor_synced = true;
  return Status::Ok();
}

Status Table::Impl::GoEdge(bool last) {
  if (order > 0 && cursor != nullptr) {
    XB_RETURN_IF_ERROR(last ? cursor->Last() : cursor->First());
    bool landed = false;
    XB_RETURN_IF_ERROR(CursorSettle(!last, &landed));
    if (!landed) {
      SetEof();
      bof = true;
    }
    return Status::Ok();
  }
  RefreshCount();
  const uint32_t n = last ? PriorVisible(count) : NextVisible(1);
  if (n == 0) {
    SetEof();
    bof = true;
  } else {
    Land(n, RecordPtr(n));
  }
  return Status::Ok();
}

Status Table::Impl::SkipForward(int64_t steps) {
  bof = false;
  if (eof) return Status::Ok();
  if (order > 0 && cursor != nullptr) {
    XB_RETURN_IF_ERROR(SyncCursor());
    for (int64_t i = 0; i < steps; ++i) {
      if (!cursor_after) XB_RETURN_IF_ERROR(cursor->Next());
      cursor_after = false;
      bool landed = false;
      XB_RETURN_IF_ERROR(CursorSettle(true, &landed));
      if (!landed) {
        SetEof();
        return Status::Ok();
      }
    }
    return Status::Ok();
  }
  for (int64_t i = 0; i < steps; ++i) {
    const uint32_t n = NextVisible(recno + 1);
    if (n == 0) {
      SetEof();
      return Status::Ok();
    }
    Land(n, RecordPtr(n));
  }
  return Status::Ok();
}

Status Table::Impl::SkipBackward(int64_t steps) {
  if (order > 0 && cursor != nullptr) {
    if (eof) {
      XB_RETURN_IF_ERROR(GoBottom());
      if (eof) return Status::Ok();
      --steps;
    } else {
      XB_RETURN_IF_ERROR(SyncCursor());
    }
    for (int64_t i = 0; i < steps; ++i) {
      XB_RETURN_IF_ERROR(cursor->Prior());
      cursor_after = false;
      bool landed = false;
      XB_RETURN_IF_ERROR(CursorSettle(false, &landed));
      if (!landed) {
        XB_RETURN_IF_ERROR(GoTop());
        bof = true;
        return Status::Ok();
      }
    }
    return Status::Ok();
  }
  if (eof) {
    XB_RETURN_IF_ERROR(GoBottom());
    if (eof) return Status::Ok();
    --steps;
  }
  for (int64_t i = 0; i < steps; ++i) {
    const uint32_t n = recno > 1 ? PriorVisible(recno - 1) : 0;
    if (n == 0) {
      bof = true;  // stays on the first visible record
      return Status::Ok();
    }
    Land(n, RecordPtr(n));
  }
  return Status::Ok();
}

Status Table::GoTop() {
  XB_RETURN_IF_ERROR(impl_->CheckNothingPending());
  return impl_->GoTop();
}

Status Table::GoBottom() {
  XB_RETURN_IF_ERROR(impl_->CheckNothingPending());
  return impl_->GoBottom();
}

Status Table::Skip(int64_t n) {
  Impl& d = *impl_;
  XB_RETURN_IF_ERROR(d.CheckNothingPending());
  if (n > 0) return d.SkipForward(n);
  if (n < 0) return d.SkipBackward(-n);
  if (d.eof) return Status::Ok();
  const uint8_t* p = d.RecordPtr(d.recno);
  if (p == nullptr) return Status::IoError("cannot map " + d.path);
  d.Land(d.recno, p);
  return Status::Ok();
}

Status Table::Go(uint32_t recno) {
  Impl& d = *impl_;
  XB_RETURN_IF_ERROR(d.CheckNothingPending());
  if (recno > d.count || recno < 1) d.RefreshCount();
  if (recno < 1 || recno > d.count) {
    d.SetEof();
    d.bof = false;
    return Status::InvalidArgument("record " + std::to_string(recno) + " does not exist");
  }
  const uint8_t* p = d.RecordPtr(recno);
  if (p == nullptr) return Status::IoError("cannot map " + d.path);
  d.Land(recno, p);
  d.cursor_synced = false;
  return Status::Ok();
}

bool Table::Bof() const { return impl_->bof; }
bool Table::Eof() const { return impl_->eof; }

uint32_t Table::RecNo() const {
  const Impl& d = *impl_;
  if (d.pending == Impl::Pending::kAppend || d.eof) return d.count + 1;
  return d.recno;
}

int Table::Order() const { return impl_->order; }

int Table::SetOrder(int order) {
  Impl& d = *impl_;
  const int previous = d.order;
  if (order < 0 || order > TagCount() || order == d.order) return previous;
  d.order = order;
  d.cursor = order > 0 ? d.cdx->NewCursor(order - 1) : nullptr;
  d.cursor_synced = false;
  return previous;
}

Status Table::Seek(std::string_view key, bool soft, bool* found) {
  Impl& d = *impl_;
  *found = false;
  XB_RETURN_IF_ERROR(d.CheckNothingPending());
  if (d.order == 0 || d.cursor == nullptr) return Status::State("seek needs an index order");
  bool exact = false;
  XB_RETURN_IF_ERROR(d.cursor->Seek(key, &exact));
  bool landed = false;
  XB_RETURN_IF_ERROR(d.CursorSettle(true, &landed));
  d.bof = false;
  if (landed && KeyStartsWith(d.cursor->key(), key)) {
    *found = true;
    return Status::Ok();
  }
  if (!landed || !soft) d.SetEof();
  return Status::Ok();
}

}  // namespace xbase
