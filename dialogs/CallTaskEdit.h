// CallTaskEdit: edits the current task, or adds a new one, through the task editor.
#pragma once

class QWidget;
class TKeyWordList;
class TodoTable;

enum class TTaskEditMode {
  Edit = 0,  // the current task
  Add = 1,   // a new task
};

// What came of one CallTaskEdit.
enum class TTaskEditResult {
  Saved,       // Ok, and the task was stored
  Cancelled,   // the dialog closed without Ok; nothing stored
  SaveFailed,  // Ok, but storing failed ("Error:Unable to save changes" was shown)
  NoTask,      // edit mode with no current task: no dialog was shown
};

// Runs the task editor over `table`:
//  - posts a change pending on the table (a note typed in the notes pane) first;
//  - fills the dialog from the current task (edit) or with the new-task defaults (add);
//  - shows it modally, centred, with the user's own date formats in force, the short date
//    format reduced so that no day or month names are shown or expected;
//  - on Ok stores the task (edit: Edit ... Post; add: Append ... Post), the note padded
//    by PadNoteLength, and adds the stored key words to `keyWords`;
//  - reports a failed store with "Error:Unable to save changes" and leaves the record
//    pending (the next command that posts stores it).
// The working date formats are in force again, and the user's short date format is
// unreduced, on every way out. The caller refreshes its buttons and repaints afterwards.
TTaskEditResult CallTaskEdit(TTaskEditMode mode, TodoTable& table, TKeyWordList& keyWords,
                             QWidget* parent = nullptr);
