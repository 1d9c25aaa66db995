// The line format jlistdb exchanges tasks in: tab-separated UTF-8 text, one task a line.
//   import: DATE, TIME, DESCRIPT, DONE (T or F), KEYS, PRIORITY, NOTE (NOTE may be left out)
//   dump:   record number, deleted mark ('*' or blank), then the seven fields as above
// In NOTE a line break is written "\n" (stored as CR LF), a backslash "\\" and a tab "\t".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jlistdb {

struct TaskLine {
  std::string date, time, descript, keys, priority, note;  // UTF-8, as read
  bool done = false;
};

// Parses one import line (without its line end). On failure returns false and says why in
// `*error`.
bool ParseTaskLine(std::string_view line, TaskLine* out, std::string* error);

// Turns stored note text (CR LF line breaks) into its one-line form, and back.
std::string EscapeNote(std::string_view stored);
bool UnescapeNote(std::string_view text, std::string* stored, std::string* error);

// Trailing blanks off a stored field value.
std::string_view TrimRight(std::string_view s);

std::vector<std::string_view> SplitTabs(std::string_view line);

}  // namespace jlistdb
