#include "store/xbase/CdxHeader.h"

#include <cstring>

#include "store/xbase/CdxFormat.h"

namespace xbase::cdx {

namespace {

// One NUL-terminated expression of the pool; `length` counts the NUL.
Status PoolText(const uint8_t* pool, uint32_t offset, uint32_t length, std::string* out) {
  if (length == 0) {
    out->clear();
    return Status::Ok();
  }
  if (offset + length > kPoolSize) return Status::Corrupt("tag expression runs past its header");
  const uint8_t* text = pool + offset;
  const void* nul = std::memchr(text, 0, length);
  if (nul == nullptr) return Status::Corrupt("tag expression lacks its end mark");
  out->assign(reinterpret_cast<const char*>(text),
              static_cast<size_t>(static_cast<const uint8_t*>(nul) - text));
  return Status::Ok();
}

}  // namespace

Status DecodeHeader(const uint8_t* b, HeaderFields* out) {
  HeaderFields h;
  h.root = base::Le32(b + kHdrRoot);
  h.free_list = base::Le32(b + kHdrFreeList);
  h.counter = base::Be32(b + kHdrChangeCounter);
  h.key_length = base::Le16(b + kHdrKeyLength);
  h.options = b[kHdrOptions];
  h.signature = b[kHdrSignature];
  h.order = base::Le16(b + kHdrOrder);
  for (uint32_t i = kHdrStatsEnd; i < kHdrReservedEnd; ++i) {
    if (b[i] != 0) {
      h.plain_collation = false;
      break;
    }
  }
  const uint8_t* pool = b + kHdrPool;
  XB_RETURN_IF_ERROR(
      PoolText(pool, base::Le16(b + kHdrKeyExprOffset), base::Le16(b + kHdrKeyExprLength), &h.key_expression));
  XB_RETURN_IF_ERROR(
      PoolText(pool, base::Le16(b + kHdrForOffset), base::Le16(b + kHdrForLength), &h.for_expression));
  *out = std::move(h);
  return Status::Ok();
}

Status EncodeTagHeader(uint32_t root, uint32_t key_length, const std::string& key_expression,
                       const std::string& for_expression, uint8_t* b) {
  const size_t key_size = key_expression.size() + 1;
  const size_t for_size = for_expression.size() + 1;
  if (key_size + for_size > kPoolSize) {
    return Status::InvalidArgument("tag expressions longer than " + std::to_string(kPoolSize - 2) +
                                   " characters");
  }
  std::memset(b, 0, kHeaderSize);
  base::PutLe32(b + kHdrRoot, root);
  base::PutLe16(b + kHdrKeyLength, static_cast<uint16_t>(key_length));
  b[kHdrOptions] = for_expression.empty() ? kOptTag : static_cast<uint8_t>(kOptTag | kOptHasFor);
  b[kHdrSignature] = kSignature;
  base::PutLe16(b + kHdrOrder, 0);
  base::PutLe16(b + kHdrForOffset, static_cast<uint16_t>(key_size));
  base::PutLe16(b + kHdrForLength, static_cast<uint16_t>(for_size));
  base::PutLe16(b + kHdrKeyExprOffset, 0);
  base::PutLe16(b + kHdrKeyExprLength, static_cast<uint16_t>(key_size));
  std::memcpy(b + kHdrPool, key_expression.data(), key_expression.size());
  std::memcpy(b + kHdrPool + key_size, for_expression.data(), for_expression.size());
  return Status::Ok();
}

void EncodeDirectoryHeader(uint32_t root, uint32_t free_list, uint32_t counter, uint8_t* b) {
  std::memset(b, 0, kHeaderSize);
  base::PutLe32(b + kHdrRoot, root);
  base::PutLe32(b + kHdrFreeList, free_list);
  base::PutBe32(b + kHdrChangeCounter, counter);
  base::PutLe16(b + kHdrKeyLength, static_cast<uint16_t>(kDirectoryKeyLength));
  b[kHdrOptions] = kOptDirectory;
  b[kHdrSignature] = kSignature;
  // No expressions: the FOR text starts at 1 and both lengths count only the NUL.
  base::PutLe16(b + kHdrOrder, 0);
  base::PutLe16(b + kHdrForOffset, 1);
  base::PutLe16(b + kHdrForLength, 1);
  base::PutLe16(b + kHdrKeyExprOffset, 0);
  base::PutLe16(b + kHdrKeyExprLength, 1);
}

}  // namespace xbase::cdx
