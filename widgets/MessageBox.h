// The one place that shows message boxes. Every question, information and error
// box of the program goes through ShowMessageBox (ConfirmBox, InfoBox and ErrorBox
// are the usual forms), so a test can answer them all without a screen.
//
// In tests, create a TScriptedResponder on the stack before the code under test
// runs. While it lives no box is shown: each box is recorded (title, text, icon,
// buttons). A box with one button (InfoBox, ErrorBox) is answered with it; any
// other box takes the next answer from the responder's queue of scripted answers,
// or, with the queue empty, the default answer (No unless set), and its record is
// then marked Unscripted.
//
//   TScriptedResponder boxes;
//   boxes.Answer(QMessageBox::Yes);               // the first question gets Yes
//   window.DeleteButtonClick();
//   ASSERT_EQ(boxes.Count(), 1);
//   EXPECT_EQ(boxes.Last().Text, "Delete this task?");
//   EXPECT_EQ(boxes.Last().Title, "Jotlist");
//
// Responders nest: the newest one answers; the one before it takes over again when
// it is destroyed. Texts are recorded exactly as passed (a carriage return stays a
// carriage return; on screen it starts a new line).
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// Shows a box (or hands it to the scripted responder) and gives the button chosen.
// Plain text only; a carriage return starts a new line. The parent is the active window.
QMessageBox::StandardButton ShowMessageBox(QMessageBox::Icon icon, const QString& title,
                                           const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Yes/No question titled "Jotlist" with the question icon; true when Yes is chosen.
bool ConfirmBox(const QString& message);

// Resets the mouse pointer to normal (drops every override cursor), then an OK box
// titled "Information" with the information icon.
void InfoBox(const QString& message);

// The default error report: an OK box titled "Jotlist" with the stop icon. A full
// stop is added to a message whose last character is not already a full stop (or
// another character at or below it in code, such as a blank).
void ErrorBox(const QString& message);

// The least width (pixels) at which a window's title bar shows `title` whole, with the
// window icon, the title-bar buttons and the frame's edges beside it. Message boxes are
// never narrower.
int MinimumWidthForTitle(const QString& title);

// The title of ConfirmBox and ErrorBox, and the application's name.
inline constexpr const char* kProgramTitle = "Jotlist";

// One box as the responder saw it.
struct TMessageRecord {
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QString Title;
  QString Text;
  QMessageBox::StandardButtons Buttons;
  QMessageBox::StandardButton Answer = QMessageBox::NoButton;
  bool Unscripted = false;  // a question answered by the default answer
};

// Answers message boxes in tests (see the top of this file). Not copyable.
class TScriptedResponder {
 public:
  TScriptedResponder();
  ~TScriptedResponder();
  TScriptedResponder(const TScriptedResponder&) = delete;
  TScriptedResponder& operator=(const TScriptedResponder&) = delete;

  // Queues the answer for the next box with more than one button.
  void Answer(QMessageBox::StandardButton answer);
  void AnswerYes() { Answer(QMessageBox::Yes); }
  void AnswerNo() { Answer(QMessageBox::No); }
  // The answer for boxes with more than one button once the queue is empty.
  void SetDefaultAnswer(QMessageBox::StandardButton answer) { defaultAnswer_ = answer; }
  // Scripted answers not yet used.
  int PendingAnswers() const { return static_cast<int>(answers_.size()); }

  const std::vector<TMessageRecord>& Messages() const { return messages_; }
  int Count() const { return static_cast<int>(messages_.size()); }
  // The last box; a default record when none was shown.
  TMessageRecord Last() const;
  // The texts of all boxes, in order.
  QStringList Texts() const;
  // Forgets the recorded boxes (not the queued answers).
  void Clear() { messages_.clear(); }

  // Used by ShowMessageBox.
  QMessageBox::StandardButton Respond(QMessageBox::Icon icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons buttons);

 private:
  TScriptedResponder* previous_ = nullptr;
  std::deque<QMessageBox::StandardButton> answers_;
  QMessageBox::StandardButton defaultAnswer_ = QMessageBox::No;
  std::vector<TMessageRecord> messages_;
};
