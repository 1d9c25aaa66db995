// Text the task file cannot hold: the question asked before such text is stored, and the
// mark a text field carries while it holds such text. The characters are named, so that
// nothing turns into "?" without the user's word.
#pragma once

#include <QString>

class QWidget;

// The question for `characters` (as UnstorableCharacters gives them): names them and
// asks whether to store each as "?".
QString UnstorableTextQuestion(const QString& characters);

// When `characters` (the ones the task file cannot hold, as the store's
// UnstorableCharacters finds them) is not empty, asks (ConfirmBox) whether to store them
// as "?"; true when there are none or the answer is Yes.
bool ConfirmUnstorableText(const QString& characters);

// Marks `field` (a tinted background and a tooltip naming the characters) while
// `characters` is not empty, and takes the mark off once it is. Gives whether the field
// is marked.
bool MarkUnstorableText(QWidget* field, const QString& characters);

// True while `field` carries the mark.
bool IsMarkedUnstorable(const QWidget* field);
