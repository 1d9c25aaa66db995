#include "core/KeyWordList.h"

#include "store/CodePage.h"

void TKeyWordList::BreakStringIntoWords(const QString& text) {
  qsizetype start = -1;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    const bool blank = i == text.size() || text[i] == u' ';
    if (!blank) {
      if (start < 0) start = i;
    } else if (start >= 0) {
      AddWord(text.mid(start, i - start));
      start = -1;
    }
  }
}

void TKeyWordList::BreakStoredIntoWords(std::string_view bytes, int code_page) {
  if (code_page != stored_code_page_) {
    stored_.clear();
    stored_code_page_ = code_page;
  }
  // Each byte decodes to one character and only the byte 32 to the blank, so the words
  // of the bytes are the words of the decoded text.
  size_t start = std::string_view::npos;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    const bool blank = i == bytes.size() || bytes[i] == ' ';
    if (!blank) {
      if (start == std::string_view::npos) start = i;
    } else if (start != std::string_view::npos) {
      const std::string_view word = bytes.substr(start, i - start);
      start = std::string_view::npos;
      if (!stored_.emplace(word).second) continue;
      AddWord(FromCodePage(word, code_page));
    }
  }
}

void TKeyWordList::Clear() {
  words_.clear();
  folded_.clear();
  stored_.clear();
}

bool TKeyWordList::Contains(const QString& word) const {
  return folded_.contains(word.toCaseFolded());
}

void TKeyWordList::AddWord(const QString& word) {
  QString folded = word.toCaseFolded();
  if (folded_.contains(folded)) return;
  folded_.insert(std::move(folded));
  words_.append(word);
}

QString KeysAfterMenuChoice(const QString& keys, const QString& caption) {
  if (caption == QLatin1String(kClearEntryCaption)) return QString();
  if (keys.isEmpty()) return caption;
  return keys + u' ' + caption;
}
