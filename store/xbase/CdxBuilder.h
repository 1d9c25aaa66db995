// CdxBuilder: writes a whole compound index file from a table's records by sorting — one
// pass over the records evaluates every tag's condition and key, each tag's entries are
// sorted and packed into full leaves left to right, then the interior levels follow.
#pragma once

#include <string>
#include <vector>

#include "store/xbase/CdxIndex.h"
#include "store/xbase/CdxKeyMaker.h"
#include "store/xbase/Defs.h"
#include "store/xbase/Status.h"

namespace xbase::cdx {

struct BuildTag {
  std::string name;  // upper case, 1..10 characters
  const CdxKeyMaker* maker = nullptr;
};

// Writes the file at `path` (replacing it) with `tags` in that order: the directory
// header and leaf, then per tag its header, leaves and interior nodes (root last).
// Reports 0..100 per tag in turn through `progress` (each whole percentage once).
Status WriteIndexFile(const std::string& path, const std::vector<BuildTag>& tags,
                      RecordSource& records, const ProgressFn& progress);

// Sorts `count` keys of `key_length` bytes laid out one after another in `keys` into
// ascending byte order, equal keys in their original order; `order` receives the
// positions of the keys in sorted order. False when there is not enough memory.
[[nodiscard]] bool SortKeys(const uint8_t* keys, uint32_t key_length, uint32_t count,
              std::vector<uint32_t>* order);

}  // namespace xbase::cdx
