#include "tools/jlistdb/TaskText.h"

namespace jlistdb {

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      parts.push_back(line.substr(start));
      return parts;
    }
    parts.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string EscapeNote(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (c == '\r') {
      if (i + 1 < stored.size() && stored[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

bool UnescapeNote(std::string_view text, std::string* stored, std::string* error) {
  stored->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      *stored += c;
      continue;
    }
    if (i + 1 >= text.size()) {
      *error = "note ends in a lone backslash";
      return false;
    }
    const char e = text[++i];
    if (e == 'n') {
      *stored += "\r\n";
    } else if (e == '\\') {
      *stored += '\\';
    } else if (e == 't') {
      *stored += '\t';
    } else {
      *error = std::string("unknown escape \\") + e + " in the note";
      return false;
    }
  }
  return true;
}

bool ParseTaskLine(std::string_view line, TaskLine* out, std::string* error) {
  const std::vector<std::string_view> parts = SplitTabs(line);
  if (parts.size() != 6 && parts.size() != 7) {
    *error = "expected 7 tab-separated fields, found " + std::to_string(parts.size());
    return false;
  }
  const std::string_view done = parts[3];
  if (done == "T" || done == "t") {
    out->done = true;
  } else if (done == "F" || done == "f") {
    out->done = false;
  } else {
    *error = "DONE must be T or F, not '" + std::string(done) + "'";
    return false;
  }
  out->date = parts[0];
  out->time = parts[1];
  out->descript = parts[2];
  out->keys = parts[4];
  out->priority = parts[5];
  out->note.clear();
  if (parts.size() == 7 && !UnescapeNote(parts[6], &out->note, error)) return false;
  return true;
}

}  // namespace jlistdb
