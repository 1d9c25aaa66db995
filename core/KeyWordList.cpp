#include "core/KeyWordList.h"

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

void TKeyWordList::Clear() {
  words_.clear();
  folded_.clear();
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
