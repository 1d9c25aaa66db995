#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWhatsThis>
#include <algorithm>
#include <gtest/gtest.h>

#include "widgets/HelpContext.h"
#include "widgets/PopupHelpWindow.h"
#include "widgets/WhatsThisButton.h"
#include "widgets/WhatsThisPopup.h"

namespace {

struct Window {
  Window() {
    top.resize(300, 200);
    button = new QPushButton(QStringLiteral("&New"), &top);
    button->setGeometry(10, 10, 80, 30);
    plain = new QPushButton(QStringLiteral("Plain"), &top);
    plain->setGeometry(10, 50, 80, 30);
    top.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
  }
  QWidget top;
  QPushButton* button = nullptr;
  QPushButton* plain = nullptr;
};

TEST(WhatsThisPopupTest, ShowsTheControlsTextWrappedToTheMaximumWidth) {
  Window w;
  const QString text = QStringLiteral(
      "Click here to set a filter for only the tasks you wish to see.\n\nThe filter can include a date range, "
      "a key word or key words, and whether or not to view tasks marked 'done'.");
  w.button->setWhatsThis(text);
  TWhatsThisPopup popup;
  EXPECT_EQ(popup.MaxWidth(), 300);
  EXPECT_FALSE(popup.Popup(w.plain)) << "controls without a text show nothing";
  EXPECT_EQ(popup.Current(), nullptr);

  ASSERT_TRUE(popup.Popup(w.button));
  TPopupHelpWindow* shown = popup.Current();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->Text(), text);
  EXPECT_LE(shown->width(), 300);
  EXPECT_GT(shown->height(), 3 * shown->fontMetrics().height()) << "long text wraps onto several lines";
  EXPECT_TRUE(shown->LinkText().isEmpty()) << "no help context, no link";

  // A second request replaces the first pop-up.
  ASSERT_TRUE(popup.Popup(w.button));
  const auto shownPopups = [] {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::count_if(windows.begin(), windows.end(), [](QWidget* widget) {
      return qobject_cast<TPopupHelpWindow*>(widget) && widget->isVisible();
    });
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return shownPopups() == 1; })) << shownPopups() << " pop-ups shown";
  EXPECT_NE(popup.Current(), nullptr);
}

TEST(WhatsThisPopupTest, AnyKeyClosesAndF1OpensHelpAtTheWindowsContext) {
  Window w;
  w.button->setWhatsThis(QStringLiteral("Click here to add a task"));
  SetHelpContext(&w.top, 1009);
  int opened = 0;
  SetHelpHandler([&opened](int context) { opened = context; });
  TWhatsThisPopup popup;

  ASSERT_TRUE(popup.Popup(w.button));
  ASSERT_NE(popup.Current(), nullptr);
  EXPECT_EQ(popup.Current()->LinkText(), QStringLiteral("Click here or press F1 for more..."));
  QTest::keyClick(popup.Current(), Qt::Key_A);
  EXPECT_TRUE(QTest::qWaitFor([&popup] { return popup.Current() == nullptr || !popup.Current()->isVisible(); }));
  EXPECT_EQ(opened, 0);

  ASSERT_TRUE(popup.Popup(w.button));
  QTest::keyClick(popup.Current(), Qt::Key_F1);
  EXPECT_TRUE(QTest::qWaitFor([&opened] { return opened == 1009; })) << opened;
  EXPECT_TRUE(popup.Current() == nullptr || !popup.Current()->isVisible());
  SetHelpHandler({});
}

TEST(WhatsThisPopupTest, WhatsThisRequestsGoToTheNearestControlWithText) {
  Window w;
  w.top.setWhatsThis(QStringLiteral("The window"));
  w.button->setWhatsThis(QStringLiteral("The button"));
  TWhatsThisPopup popup;

  QHelpEvent onButton(QEvent::WhatsThis, QPoint(5, 5), w.button->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(w.button, &onButton);
  ASSERT_NE(popup.Current(), nullptr);
  EXPECT_EQ(popup.Current()->Text(), QStringLiteral("The button"));
  popup.Current()->close();

  QHelpEvent onPlain(QEvent::WhatsThis, QPoint(5, 5), w.plain->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(w.plain, &onPlain);
  ASSERT_NE(popup.Current(), nullptr);
  EXPECT_EQ(popup.Current()->Text(), QStringLiteral("The window"));
  popup.Current()->close();
}

TEST(WhatsThisPopupTest, ContextMenuOffersWhatsThis) {
  Window w;
  w.button->setWhatsThis(QStringLiteral("The button"));
  TWhatsThisPopup popup;
  popup.AttachMenu(w.button);
  ASSERT_EQ(popup.Menu()->actions().size(), 1);
  EXPECT_EQ(popup.Menu()->actions().front()->text(), QStringLiteral("What's this?"));
  EXPECT_EQ(popup.Menu()->objectName(), QStringLiteral("WhatsThisMenu"));
  emit w.button->customContextMenuRequested(QPoint(3, 3));
  ASSERT_TRUE(popup.Menu()->isVisible());
  popup.Menu()->actions().front()->trigger();
  popup.Menu()->hide();
  ASSERT_NE(popup.Current(), nullptr);
  EXPECT_EQ(popup.Current()->Text(), QStringLiteral("The button"));
  popup.Current()->close();
}

TEST(WhatsThisPopupTest, ButtonEntersPointerHelpMode) {
  Window w;
  TWhatsThisButton button(&w.top);
  button.show();
  EXPECT_FALSE(button.icon().isNull());
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
  QWhatsThis::leaveWhatsThisMode();
  EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
}

TEST(WhatsThisPopupTest, PointerHelpModeClickShowsTheTextInsteadOfActing) {
  Window w;
  w.button->setWhatsThis(QStringLiteral("Click here to add a task"));
  int pressed = 0;
  QObject::connect(w.button, &QPushButton::clicked, [&pressed] { ++pressed; });
  TWhatsThisPopup popup;
  TWhatsThisPopup::EnterWhatsThisMode();
  ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
  QTest::mouseClick(w.button, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_NE(popup.Current(), nullptr);
  EXPECT_EQ(popup.Current()->Text(), QStringLiteral("Click here to add a task"));
  EXPECT_EQ(pressed, 0) << "the control did not act";
  EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
  popup.Current()->close();
}

TEST(HelpContextTest, ContextComesFromTheNearestMarkedAncestor) {
  QWidget window;
  QWidget inner(&window);
  QWidget leaf(&inner);
  EXPECT_EQ(HelpContextOf(&leaf), 0);
  SetHelpContext(&window, 1004);
  EXPECT_EQ(HelpContextOf(&leaf), 1004);
  SetHelpContext(&inner, 2986);
  EXPECT_EQ(HelpContextOf(&leaf), 2986);
  EXPECT_EQ(HelpContextOf(nullptr), 0);

  SetHelpHandler({});
  EXPECT_FALSE(ShowHelpContext(1004)) << "nobody to show it";
  int shown = 0;
  SetHelpHandler([&shown](int context) { shown = context; });
  EXPECT_FALSE(ShowHelpContext(0));
  EXPECT_TRUE(ShowHelpContext(1004));
  EXPECT_EQ(shown, 1004);
  SetHelpHandler({});
}

}  // namespace
