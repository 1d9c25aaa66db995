#include "app/FilterForm.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TFilterState SampleState() {
  TFilterState state;
  state.DateFilterIndex = 6;
  state.PriorityFilterIndex = 2;
  state.KeysFilterText = "home";
  state.TaskFilterText = "call";
  state.ShowDoneTasks = true;
  return state;
}

// Runs the dialog modally, pressing the named button once it shows.
int RunAndPress(TFilterForm* form, const char* button) {
  QTimer::singleShot(0, form, [form, button] {
    form->findChild<QPushButton*>(QLatin1String(button))->click();
  });
  return form->exec();
}

TEST(FilterFormTest, OkStoresTheEditedCriteria) {
  TFilterForm form({"home", "Work"});
  form.Load(SampleState());
  EXPECT_EQ(form.DateIndex(), 6);
  EXPECT_EQ(form.PriorityIndex(), 2);
  form.findChild<QLineEdit*>("TaskFilter")->setText("phone");
  EXPECT_EQ(RunAndPress(&form, "OKButton"), QDialog::Accepted);
  TFilterState state = SampleState();
  state.ShowDoneTasks = false;
  form.Store(&state);
  EXPECT_EQ(state.TaskFilterText, "phone");
  EXPECT_EQ(state.KeysFilterText, "home");
  EXPECT_EQ(state.DateFilterIndex, 6);
  EXPECT_FALSE(state.ShowDoneTasks);  // not the dialog's to change
}

TEST(FilterFormTest, CancelRejects) {
  TFilterForm form({});
  form.Load(SampleState());
  EXPECT_EQ(RunAndPress(&form, "CancelButton"), QDialog::Rejected);
}

TEST(FilterFormTest, ResetKeepsTheTaskTextAndClosesWithOk) {
  TFilterForm form({});
  form.Load(SampleState());
  EXPECT_EQ(RunAndPress(&form, "ResetButton"), QDialog::Accepted);
  TFilterState state;
  form.Store(&state);
  EXPECT_EQ(state.DateFilterIndex, 0);
  EXPECT_EQ(state.PriorityFilterIndex, 0);
  EXPECT_TRUE(state.KeysFilterText.isEmpty());
  EXPECT_EQ(state.TaskFilterText, "call");
}

TEST(FilterFormTest, KeyWordMenuAppendsWithCommas) {
  TFilterForm form({"home", "Work"});
  auto* menu = form.findChild<QMenu*>("KeyListMenu");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[1]->text(), "Work");
  menu->actions()[0]->trigger();
  menu->actions()[1]->trigger();
  EXPECT_EQ(form.findChild<QLineEdit*>("KeyWords")->text(), "home,Work");
}

TEST(FilterFormTest, CaptionsAndHelp) {
  TFilterForm form({});
  EXPECT_EQ(form.windowTitle(), "Task Filter");
  EXPECT_EQ(form.size(), QSize(447, 305));
  const auto radios = form.findChildren<QRadioButton*>();
  ASSERT_EQ(radios.size(), 11);
  EXPECT_EQ(radios[1]->text(), "Today ");
  int context = 0;
  QObject::connect(&form, &TFilterForm::helpRequested, [&](int c) { context = c; });
  form.findChild<QPushButton*>("HelpButton")->click();
  EXPECT_EQ(context, 1018);
}

}  // namespace
