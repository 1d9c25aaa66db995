// The key words of all tasks, offered in the key word pop-up menus.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <unordered_set>

// An ordered list of distinct words: distinct without regard to letter case, the form
// first met kept, in the order of first appearance. It only grows during a run.
class TKeyWordList {
 public:
  // Adds the words of `text` that the list does not hold yet. A word is a maximal run of
  // characters other than the blank; commas and tabs belong to the word.
  void BreakStringIntoWords(const QString& text);
  // The same for text as the table stores it: `bytes` in the single-byte code page
  // `code_page`, where only the byte 32 is a blank. A word whose bytes were met before is
  // passed over without being decoded, so that a walk over every task costs little more
  // than reading the bytes.
  void BreakStoredIntoWords(std::string_view bytes, int code_page);
  void Clear();
  bool Contains(const QString& word) const;
  const QStringList& Words() const { return words_; }
  qsizetype size() const { return words_.size(); }

 private:
  void AddWord(const QString& word);
  QStringList words_;
  QSet<QString> folded_;  // case-folded forms of words_, for the uniqueness test
  // Words met as stored bytes (each added, or folding to one already there), and the
  // code page they are in.
  std::unordered_set<std::string> stored_;
  int stored_code_page_ = 0;
};

// Caption of the key word menu item that empties the task's key words.
inline constexpr char kClearEntryCaption[] = "Clear Entry";
// Caption of the key word menu item that does nothing.
inline constexpr char kCancelCaption[] = "Cancel";

// The key words of a task after choosing `caption` in its key word menu: the word appended
// after a blank (even when the task has it already), or nothing for "Clear Entry".
// The result is not cut; the field cuts it to its width when stored.
QString KeysAfterMenuChoice(const QString& keys, const QString& caption);
