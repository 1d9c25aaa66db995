// CdxIndex: the structural compound index (.CDX) of one table: its tags, their upkeep on
// every record change, ordered cursors, seek, bulk build and verification.
//
// The index knows nothing of the table's files: it reads records through RecordSource and
// is told of each change by the table. It owns the CDX file, its index lock and the
// compiled key and FOR expressions of its tags.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/Codepage.h"
#include "store/xbase/Defs.h"
#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase {

// Gives the index read access to the table's records (record images as in the DBF,
// byte 0 the deleted mark).
class RecordSource {
 public:
  using RecordVisit = std::function<void(uint32_t recno, const uint8_t* image)>;

  virtual ~RecordSource() = default;
  virtual uint32_t RecordCount() = 0;
  // Points `*image` at record `recno` (1-based); valid until the next call.
  virtual Status ReadRecord(uint32_t recno, const uint8_t** image) = 0;
  // Hands records 1 to `count` to `visit` in record order, each image valid during its
  // call: for passes over every record, which a source may read in large pieces.
  virtual Status ScanRecords(uint32_t count, const RecordVisit& visit) {
    for (uint32_t r = 1; r <= count; ++r) {
      const uint8_t* image = nullptr;
      XB_RETURN_IF_ERROR(ReadRecord(r, &image));
      visit(r, image);
    }
    return Status::Ok();
  }
};

class CdxIndex {
 public:
  ~CdxIndex();
  CdxIndex(const CdxIndex&) = delete;
  CdxIndex& operator=(const CdxIndex&) = delete;

  // Opens the CDX at `path` for a table laid out as `fields`. kNotFound when the file is
  // missing; kCorrupt when its directory, a tag header or a root node fails the sanity
  // checks or a tag expression does not compile against `fields`; kNotSupported for a
  // well-formed tag this engine cannot keep current (unique, candidate, descending, or
  // with a collation sequence), so that the table is not changed behind its back.
  // Keys with UPPER or LOWER follow `code_page`, the table's (see Codepage.h).
  static Status Open(const std::string& path, std::span<const FieldDesc> fields, bool read_only,
                     std::unique_ptr<CdxIndex>* out, int code_page = kDefaultCodePage);

  // Writes a new CDX at `path` (replacing any file there) holding `tags` in that order,
  // each built from `records` by sorting (not key-by-key inserts). Reports 0..100 for each
  // tag in turn through `progress`. The new file is written under a temporary name and
  // renamed into place only when complete. kInvalidArgument for a bad or repeated tag
  // name or a key longer than 240 bytes; the compiler's kSyntax or kTypeMismatch for an
  // expression (a FOR expression must be logical).
  static Status Build(const std::string& path, std::span<const FieldDesc> fields,
                      const std::vector<TagDefinition>& tags, RecordSource& records,
                      const ProgressFn& progress, std::unique_ptr<CdxIndex>* out,
                      int code_page = kDefaultCodePage);

  int TagCount() const;
  // Tags are numbered from 0 here; the table's order n is tag n-1.
  const TagDefinition& Tag(int tag) const;
  std::vector<TagDefinition> Definitions() const;

  // Keeps every tag up to date for one record change: `old_image` is the record as it
  // was (nullptr for a new record), `new_image` as it is now. A key is removed when the
  // old record met the tag's condition and inserted when the new one does.
  Status Update(uint32_t recno, const uint8_t* old_image, const uint8_t* new_image);

  // Empties every tag (after a zap), keeping the tag definitions. The file is rewritten
  // from scratch, so this needs exclusive use of the table.
  Status Clear();

  // Makes the index's writes durable (fdatasync); the table calls it where it syncs its
  // own files.
  Status Sync();

  // Sanity check at open: structure plus, per tag, key count equal to the number of
  // records meeting its condition. With `expected`, every expected tag must be present
  // with the same key and FOR expressions (names and expressions compared case-blind,
  // FOR texts in the stored form). kCorrupt with the reason on failure.
  Status QuickCheck(RecordSource& records, const std::vector<TagDefinition>* expected = nullptr);
  // The cheap check at an open after a clean close: per tag, the keys counted from the
  // leaves' headers along its leaf chain against the records meeting its condition, which
  // catches another program that added, removed or recalled records without the index.
  // kCorrupt with the reason on failure.
  Status CountCheck(RecordSource& records);
  // Full check: order, duplicates of (key, record), keys against the records, conditions,
  // counts, sibling links, parent keys, compression, free list. One line per problem in
  // `problems`; the status is kCorrupt when there is any, kIoError when the records could
  // not be read.
  Status Verify(RecordSource& records, std::vector<std::string>* problems);

  // True when another open has changed the file since this one last looked (change
  // counter); cursors re-seek their position when it has.
  bool ChangedElsewhere();

  // Shared access (the default): every operation takes the index lock and looks at the
  // change counter. The table turns it off while it holds the files exclusively, which
  // spares those system calls.
  void SetSharedAccess(bool shared);
  // How long an operation keeps retrying while another program holds the index lock
  // before it fails with kInUse (3 seconds unless set).
  void SetLockTimeout(int milliseconds);

  // Holds the index's read lock until the matching EndRead, so that a walk over a whole
  // tag takes it once rather than at every cursor move (the moves' own locks nest).
  // Changes made by other opens meanwhile wait until EndRead.
  Status BeginRead();
  void EndRead();

  // The form in which expressions are stored in the index: the bare words NOT, AND and
  // OR become "!", ".AND." and ".OR." ("not Deleted()" is stored as "!Deleted()"),
  // because other programs reject stored expressions using them; the rest is kept.
  static std::string StoredExpression(std::string_view text);

  // A position in one tag. A new cursor is on no entry (eof, bof both false, recno 0)
  // until First, Last, Seek or Locate. Next past the last entry gives eof() and Prior
  // before the first bof(), with recno() 0 and an empty key(); Next at eof and Prior at
  // bof stay there, Prior at eof goes to the last entry and Next at bof to the first.
  // An empty tag gives eof() and bof() together. A cursor keeps its place across changes
  // made through its index or elsewhere: it finds its (key, record) again, and when that
  // entry is gone Next goes to the entry that followed it and Prior to the one before.
  class Cursor {
   public:
    virtual ~Cursor() = default;
    virtual Status First() = 0;
    virtual Status Last() = 0;
    virtual Status Next() = 0;
    virtual Status Prior() = 0;
    // Positions on the first key >= `key`, comparing only the first key.size() bytes;
    // `*exact` when that key starts with `key`. eof() when no key is >= `key`.
    virtual Status Seek(std::string_view key, bool* exact) = 0;
    // Positions on the entry of record `recno` whose record image is `image`; kNotFound
    // when the record is not in the tag.
    virtual Status Locate(uint32_t recno, const uint8_t* image) = 0;
    virtual bool eof() const = 0;
    virtual bool bof() const = 0;
    virtual uint32_t recno() const = 0;
    virtual std::string_view key() const = 0;
  };
  std::unique_ptr<Cursor> NewCursor(int tag);

 private:
  CdxIndex();
  // kCorrupt unless each tag's count in `keys` is the number of records meeting its
  // condition.
  Status CompareKeyCounts(RecordSource& records, const std::vector<uint64_t>& keys);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
