#include "widgets/MessageBox.h"

#include "widgets/DialogFrame.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/NextWindow.h"

namespace {

TEST(MessageBoxTest, ConfirmBoxAsksYesOrNoTitledWithTheProgram) {
  TScriptedResponder boxes;
  boxes.AnswerYes();
  boxes.AnswerNo();
  EXPECT_TRUE(ConfirmBox(QStringLiteral("Clone this task?")));
  EXPECT_FALSE(ConfirmBox(QStringLiteral("Delete this task?")));
  ASSERT_EQ(boxes.Count(), 2);
  const TMessageRecord& first = boxes.Messages()[0];
  EXPECT_EQ(first.Title, "Jotlist");
  EXPECT_EQ(first.Text, "Clone this task?");
  EXPECT_EQ(first.Icon, QMessageBox::Question);
  EXPECT_EQ(first.Buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(first.Answer, QMessageBox::Yes);
  EXPECT_FALSE(first.Unscripted);
  EXPECT_EQ(boxes.Texts(), QStringList({"Clone this task?", "Delete this task?"}));
}

TEST(MessageBoxTest, UnscriptedQuestionsGetTheDefaultAnswerAndAreMarked) {
  TScriptedResponder boxes;
  EXPECT_FALSE(ConfirmBox(QStringLiteral("Remove all tasks?")));
  EXPECT_TRUE(boxes.Last().Unscripted);
  boxes.SetDefaultAnswer(QMessageBox::Yes);
  EXPECT_TRUE(ConfirmBox(QStringLiteral("Again?")));
  EXPECT_TRUE(boxes.Last().Unscripted);
}

TEST(MessageBoxTest, OneButtonBoxesLeaveTheScriptedAnswersForQuestions) {
  TScriptedResponder boxes;
  boxes.AnswerYes();
  InfoBox(QStringLiteral("Please rebuild indexes ASAP"));
  ErrorBox(QStringLiteral("Unable to write to /x/TODO.INI"));
  EXPECT_EQ(boxes.PendingAnswers(), 1);
  EXPECT_TRUE(ConfirmBox(QStringLiteral("Continue?")));
  ASSERT_EQ(boxes.Count(), 3);
  EXPECT_EQ(boxes.Messages()[0].Title, "Information");
  EXPECT_EQ(boxes.Messages()[0].Icon, QMessageBox::Information);
  EXPECT_EQ(boxes.Messages()[0].Buttons, QMessageBox::Ok);
  EXPECT_EQ(boxes.Messages()[1].Title, "Jotlist");
  EXPECT_EQ(boxes.Messages()[1].Icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.Messages()[1].Text, "Unable to write to /x/TODO.INI.");
}

TEST(MessageBoxTest, ErrorBoxAddsAFullStopOnlyWhenMissing) {
  TScriptedResponder boxes;
  ErrorBox(QStringLiteral("Disk full."));
  ErrorBox(QStringLiteral("Ends with a blank "));
  ErrorBox(QStringLiteral("Error"));
  ErrorBox(QString());
  EXPECT_EQ(boxes.Texts(), QStringList({"Disk full.", "Ends with a blank ", "Error.", ""}));
}

TEST(MessageBoxTest, InfoBoxPutsTheMousePointerBack) {
  TScriptedResponder boxes;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  InfoBox(QStringLiteral("Done"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(boxes.Count(), 1);
}

TEST(MessageBoxTest, RespondersNest) {
  TScriptedResponder outer;
  outer.AnswerYes();
  {
    TScriptedResponder inner;
    inner.AnswerNo();
    EXPECT_FALSE(ConfirmBox(QStringLiteral("inner")));
    EXPECT_EQ(inner.Count(), 1);
  }
  EXPECT_TRUE(ConfirmBox(QStringLiteral("outer")));
  EXPECT_EQ(outer.Texts(), QStringList({"outer"}));
}

// Without a responder the box is a real modal window; a carriage return starts a line.
TEST(MessageBoxTest, RealBoxShowsPlainTextAndGivesTheButtonPressed) {
  QString shownText;
  auto nextBox = OnModal<QMessageBox>([&shownText](QMessageBox* box) {
    shownText = box->text();
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), "Jotlist");
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_TRUE(ConfirmBox(QStringLiteral("Line one\r   <b>two</b>")));
  EXPECT_TRUE(nextBox->Seen());
  EXPECT_EQ(shownText, "Line one\n   <b>two</b>");

  nextBox = OnModal<QMessageBox>([](QMessageBox* box) {
    box->reject();  // Escape or the window's close
  });
  EXPECT_FALSE(ConfirmBox(QStringLiteral("Closed without a choice")));
  EXPECT_TRUE(nextBox->Seen());
}

// A short message does not make the box too narrow for its caption, and the box has the
// fixed dialog frame: no minimise or maximise button, a size the user cannot change.
TEST(MessageBoxTest, ARealBoxIsWideEnoughForItsCaptionAndHasAFixedFrame) {
  int width = 0;
  bool fixed = false;
  const auto nextBox = OnModal<QMessageBox>([&](QMessageBox* box) {
    width = box->width();
    fixed = HasFixedDialogFrame(box);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  InfoBox(QStringLiteral("Done!"));
  ASSERT_TRUE(nextBox->Seen());
  EXPECT_GE(width, MinimumWidthForTitle(QStringLiteral("Information")));
  EXPECT_TRUE(fixed);

  // The least width leaves the caption room beside the title-bar buttons.
  QFont bold = QApplication::font();
  bold.setBold(true);
  EXPECT_GT(MinimumWidthForTitle(QStringLiteral("Information")),
            QFontMetrics(bold).horizontalAdvance(QStringLiteral("Information")) + 3 * QFontMetrics(bold).height());
}

}  // namespace
