#include "store/xbase/Codepage.h"

#include "store/xbase/DbfFormat.h"

namespace xbase {

namespace {

// The fixed header marks of the code pages.
struct CodePageMark {
  int number;
  uint8_t mark;
};

constexpr CodePageMark kMarks[] = {
    {1252, dbf::kCodePage1252}, {1250, dbf::kCodePage1250}, {1251, dbf::kCodePage1251},
    {1253, dbf::kCodePage1253}, {1254, dbf::kCodePage1254}, {1257, dbf::kCodePage1257},
};

}  // namespace

int CodePageOfMark(uint8_t mark) {
  for (const CodePageMark& entry : kMarks) {
    if (entry.mark == mark) return entry.number;
  }
  return kDefaultCodePage;
}

uint8_t MarkOfCodePage(int code_page) {
  for (const CodePageMark& entry : kMarks) {
    if (entry.number == code_page) return entry.mark;
  }
  return kMarks[0].mark;
}

}  // namespace xbase
