#include "store/xbase/CdxIndex.h"

namespace xbase {

// Placeholder so the engine links while the index is written; every operation that
// needs the index says so.
struct CdxIndex::Impl {
  std::vector<TagDefinition> tags;
};

CdxIndex::CdxIndex() : impl_(std::make_unique<Impl>()) {}
CdxIndex::~CdxIndex() = default;

Status CdxIndex::Open(const std::string&, std::span<const FieldDesc>, bool,
                      std::unique_ptr<CdxIndex>*) {
  return Status::NotSupported("compound index not available yet");
}

Status CdxIndex::Build(const std::string&, std::span<const FieldDesc>,
                       const std::vector<TagDefinition>&, RecordSource&, const ProgressFn&,
                       std::unique_ptr<CdxIndex>*) {
  return Status::NotSupported("compound index not available yet");
}

int CdxIndex::TagCount() const { return static_cast<int>(impl_->tags.size()); }
const TagDefinition& CdxIndex::Tag(int tag) const { return impl_->tags.at(tag); }
std::vector<TagDefinition> CdxIndex::Definitions() const { return impl_->tags; }

Status CdxIndex::Update(uint32_t, const uint8_t*, const uint8_t*) {
  return Status::NotSupported("compound index not available yet");
}
Status CdxIndex::Clear() { return Status::NotSupported("compound index not available yet"); }
Status CdxIndex::QuickCheck(RecordSource&) {
  return Status::NotSupported("compound index not available yet");
}
Status CdxIndex::Verify(RecordSource&, std::vector<std::string>*) {
  return Status::NotSupported("compound index not available yet");
}
bool CdxIndex::ChangedElsewhere() { return false; }
std::unique_ptr<CdxIndex::Cursor> CdxIndex::NewCursor(int) { return nullptr; }

}  // namespace xbase
