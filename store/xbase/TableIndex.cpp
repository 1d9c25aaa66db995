// Table: the tags of the structural index and building it.
#include "store/xbase/TableImpl.h"

#include <cctype>

#include "store/xbase/CdxFormat.h"

namespace xbase {

void Table::Impl::AdoptIndex(std::unique_ptr<CdxIndex> index, int keep_order) {
  cursor.reset();  // before the index it walks
  cdx = std::move(index);
  cdx->SetSharedAccess(shared());
  index_state = IndexState::kOk;
  index_problem.clear();
  indexed_locks = true;
  tag_keys.clear();
  order = 0;
  cursor.reset();
  if (keep_order > 0 && keep_order <= cdx->TagCount()) {
    order = keep_order;
    cursor = cdx->NewCursor(order - 1);
  }
  cursor_synced = false;
}

void Table::Impl::MarkIndexDamaged(std::string problem) {
  index_state = IndexState::kDamaged;
  index_problem = std::move(problem);
  cursor.reset();
  order = 0;
}

Status Table::Impl::SetIndexFlag(bool on) {
  uint8_t flags = header.flags;
  flags = on ? (flags | dbf::kFlagStructuralIndex) : (flags & ~dbf::kFlagStructuralIndex);
  if (flags == header.flags) return Status::Ok();
  XB_RETURN_IF_ERROR(dbf.Write(dbf::kOffFlags, &flags, 1));
  header.flags = flags;
  XB_RETURN_IF_ERROR(dbf.Sync());
  return Status::Ok();
}

Status Table::Impl::BuildIndex(const std::vector<TagDefinition>& defs, const ProgressFn& progress) {
  std::unique_ptr<CdxIndex> built;
  XB_RETURN_IF_ERROR(CdxIndex::Build(index_path, header.fields, defs, *this, progress, &built,
                                     CodePageOfMark(header.code_page)));
  AdoptIndex(std::move(built), order);
  XB_RETURN_IF_ERROR(SetIndexFlag(true));
  if (memo && mode != OpenMode::kReadOnly) {
    // The index now matches the records: an edit a crash cut short is no longer a reason
    // to rebuild it.
    XB_RETURN_IF_ERROR(memo->ClearRedo(true));
  }
  return Status::Ok();
}

int Table::TagCount() const { return impl_->indexed() ? impl_->cdx->TagCount() : 0; }

std::string Table::TagName(int order) const {
  if (order < 1 || order > TagCount()) return "";
  return impl_->cdx->Tag(order - 1).name;
}

int Table::OrderOfTag(std::string_view name) const {
  for (int i = 1; i <= TagCount(); ++i) {
    if (Impl::EqualNoCase(impl_->cdx->Tag(i - 1).name, name)) return i;
  }
  return 0;
}

Status Table::CreateTag(std::string_view name, std::string_view key_expression,
                        std::string_view for_expression, const ProgressFn& progress) {
  Impl& d = *impl_;
  if (d.mode != OpenMode::kExclusive) return Status::NeedExclusive("building an index needs exclusive use");
  XB_RETURN_IF_ERROR(d.CheckNothingPending());
  XB_RETURN_IF_ERROR(d.CheckWritable());
  if (name.empty() || name.size() > cdx::kDirectoryKeyLength) return Status::InvalidArgument("a tag name has 1 to 10 characters");
  TagDefinition def;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!(std::isalpha(c) || c == '_' || (i > 0 && std::isdigit(c)))) {
      return Status::InvalidArgument("tag name '" + std::string(name) + "' has an invalid character");
    }
    def.name += static_cast<char>(std::toupper(c));
  }
  def.key.assign(key_expression);
  def.for_condition.assign(for_expression);
  std::vector<TagDefinition> defs;
  if (d.indexed()) defs = d.cdx->Definitions();
  for (const TagDefinition& t : defs) {
    if (Impl::EqualNoCase(t.name, def.name)) return Status::InvalidArgument("tag " + def.name + " exists already");
  }
  defs.push_back(def);
  // The whole file is rebuilt; report it as one run from 0 to 100.
  Impl::Progress report(progress);
  const int tags = static_cast<int>(defs.size());
  int tag = 0;
  int last = -1;
  ProgressFn overall = [&](int p) {
    if (p < last && tag + 1 < tags) ++tag;
    last = p;
    report((tag * 100 + p) / tags);
  };
  report(0);
  XB_RETURN_IF_ERROR(d.BuildIndex(defs, overall));
  report(100);
  return Status::Ok();
}

Status Table::Reindex(const std::vector<TagDefinition>& definitions, const ProgressFn& progress) {
  Impl& d = *impl_;
  if (d.mode != OpenMode::kExclusive) return Status::NeedExclusive("building an index needs exclusive use");
  XB_RETURN_IF_ERROR(d.CheckNothingPending());
  XB_RETURN_IF_ERROR(d.CheckWritable());
  std::vector<TagDefinition> defs = d.indexed() && d.cdx->TagCount() > 0 ? d.cdx->Definitions() : definitions;
  if (defs.empty()) return Status::InvalidArgument("no tag definitions to build an index from");
  return d.BuildIndex(defs, progress);
}

}  // namespace xbase
