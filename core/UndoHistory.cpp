#include "core/UndoHistory.h"

#include <algorithm>

#include "store/CodePage.h"

void TUndoHistory::Push(const QString& name, std::vector<TTaskChange> changes) {
  if (changes.empty()) return;
  undo_.push_back({name, std::move(changes)});
  redo_.clear();
}

void TUndoHistory::Clear() {
  undo_.clear();
  redo_.clear();
}

QString TUndoHistory::UndoName() const { return undo_.empty() ? QString() : undo_.back().Name; }
QString TUndoHistory::RedoName() const { return redo_.empty() ? QString() : redo_.back().Name; }

TUndoHistory::Outcome TUndoHistory::Undo(TodoTable& table) { return Apply(table, undo_, redo_, true); }
TUndoHistory::Outcome TUndoHistory::Redo(TodoTable& table) { return Apply(table, redo_, undo_, false); }

TUndoHistory::Outcome TUndoHistory::Apply(TodoTable& table, std::vector<Step>& from, std::vector<Step>& to,
                                          bool undo) {
  Outcome outcome;
  if (from.empty()) return outcome;
  Step& step = from.back();
  // Every record first: as the step left it (after it when undoing, before it when doing
  // it again)? One that is not was changed elsewhere, and nothing is written.
  for (const TTaskChange& change : step.Changes) {
    const TTaskSnapshot& expected = undo ? change.after : change.before;
    TTaskSnapshot now;
    outcome.Status = table.Snapshot(expected.recno, &now);
    if (!outcome.Status.ok()) return outcome;
    if (!(now == expected)) {
      const int descript = table.FieldNumber(TodoTable::kDescript);
      const std::string& bytes = descript >= 0 ? now.fields[static_cast<size_t>(descript)] : std::string();
      outcome.ChangedTask = FromCodePage(bytes, table.CodePage()).trimmed();
      return outcome;
    }
  }
  // Undone in reverse order, done again in order, so a record changed twice in one step
  // ends as it should.
  const size_t n = step.Changes.size();
  table.BeginBatch();
  for (size_t k = 0; k < n && outcome.Status.ok(); ++k) {
    const TTaskChange& change = step.Changes[undo ? n - 1 - k : k];
    const TTaskSnapshot& target = undo ? change.before : change.after;
    outcome.Status = table.PutBack(target);
    outcome.Records.push_back(target.recno);
  }
  // The last record written first.
  std::reverse(outcome.Records.begin(), outcome.Records.end());
  const xbase::Status synced = table.EndBatch();
  if (outcome.Status.ok()) outcome.Status = synced;
  if (!outcome.Status.ok()) return outcome;
  to.push_back(std::move(step));
  from.pop_back();
  return outcome;
}
