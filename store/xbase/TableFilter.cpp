// Table: the record filter, counting and collecting the visible records, and logical
// expressions on the current record.
#include "store/xbase/TableImpl.h"

namespace xbase {

Status Table::SetFilter(std::string_view expression) {
  Impl& d = *impl_;
  bool blank_text = true;
  for (const char c : expression) {
    if (c != ' ' && c != '\t') blank_text = false;
  }
  if (blank_text) {
    d.filter = Expression();
    d.filter_text.clear();
    return Status::Ok();
  }
  Expression e;
  XB_RETURN_IF_ERROR(Expression::Compile(expression, d.header.fields, &e, CodePageOfMark(d.header.code_page)));
  if (e.type() != ValueType::kLogical) return Status::TypeMismatch("a filter must be a logical expression");
  d.filter = std::move(e);
  d.filter_text.assign(expression);
  return Status::Ok();
}

const std::string& Table::filter() const { return impl_->filter_text; }

Status Table::CountFiltered(uint32_t* count) {
  Impl& d = *impl_;
  *count = 0;
  d.RefreshCount();
  if (d.order > 0 && d.cursor != nullptr) {
    std::unique_ptr<CdxIndex::Cursor> c = d.cdx->NewCursor(d.order - 1);
    XB_RETURN_IF_ERROR(c->First());
    uint32_t n = 0;
    while (!c->eof()) {
      const uint8_t* image = nullptr;
      if (d.Acceptable(c->recno(), &image)) ++n;
      XB_RETURN_IF_ERROR(c->Next());
    }
    *count = n;
    return Status::Ok();
  }
  if (d.count == 0) return Status::Ok();
  if (!d.filter.valid()) {
    *count = d.count;
    return Status::Ok();
  }
  if (d.RecordPtr(d.count) == nullptr) return Status::IoError("cannot map " + d.path);
  const uint8_t* p = d.RecordPtr(1);
  const uint32_t len = d.header.record_length;
  uint32_t n = 0;
  for (uint32_t r = 1; r <= d.count; ++r, p += len) {
    if (d.filter.EvalLogical(EvalContext{p, r})) ++n;
  }
  *count = n;
  return Status::Ok();
}

Status Table::CollectVisible(bool skip_deleted, std::vector<uint32_t>* out) {
  Impl& d = *impl_;
  out->clear();
  d.RefreshCount();
  auto wanted = [&](uint32_t n, const uint8_t* image) {
    return !(skip_deleted && image[dbf::kOffDeletedMark] == dbf::kDeleted) && d.Visible(n, image);
  };
  if (d.order > 0 && d.cursor != nullptr) {
    XB_RETURN_IF_ERROR(d.cdx->BeginRead());
    struct ReadLock {
      CdxIndex* cdx;
      ~ReadLock() { cdx->EndRead(); }
    } read_lock{d.cdx.get()};
    // Which records are wanted, from one pass in file order: far cheaper than reading each
    // record where the tag's order lands on it.
    std::vector<bool> shown(size_t{d.count} + 1);
    XB_RETURN_IF_ERROR(d.ScanRecords(d.count, [&](uint32_t n, const uint8_t* image) { shown[n] = wanted(n, image); }));
    std::unique_ptr<CdxIndex::Cursor> c = d.cdx->NewCursor(d.order - 1);
    XB_RETURN_IF_ERROR(c->First());
    while (!c->eof()) {
      const uint32_t n = c->recno();
      // Keys of records another open has not counted yet are passed over.
      if (n >= 1 && n <= d.count && shown[n]) out->push_back(n);
      XB_RETURN_IF_ERROR(c->Next());
    }
    return Status::Ok();
  }
  return d.ScanRecords(d.count, [&](uint32_t n, const uint8_t* image) {
    if (wanted(n, image)) out->push_back(n);
  });
}

Status Table::EvalLogical(std::string_view expression, bool* value) {
  Impl& d = *impl_;
  *value = false;
  if (!d.eval_expr.valid() || d.eval_expr.text() != expression) {
    Expression e;
    XB_RETURN_IF_ERROR(Expression::Compile(expression, d.header.fields, &e, CodePageOfMark(d.header.code_page)));
    if (e.type() != ValueType::kLogical) return Status::TypeMismatch("not a logical expression");
    d.eval_expr = std::move(e);
  }
  *value = d.eval_expr.EvalLogical(EvalContext{d.rec.data(), RecNo()});
  return Status::Ok();
}

}  // namespace xbase
