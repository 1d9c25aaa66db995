// Acting on the next modal dialog or pop-up menu from inside the event loop that runs it,
// as the user would while the code under test waits in exec():
//
//   const auto editor = OnModal<TTaskEditor>([](TTaskEditor* d) { d->reject(); });
//   QTest::keyClick(w.ActiveGrid, Qt::Key_Return);
//   EXPECT_TRUE(editor->Seen());
//
// The helper looks for its window only while it lives: one whose window never came stops
// with its test instead of acting on a dialog of a later one.
#pragma once

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

// Runs `act` once on the first window `find` gives.
class TNextWindow {
 public:
  TNextWindow(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, find = std::move(find), act = std::move(act)] {
      if (QWidget* window = find()) {
        timer_.stop();
        seen_ = true;
        act(window);
      }
    });
    timer_.start(5);
  }
  TNextWindow(const TNextWindow&) = delete;
  TNextWindow& operator=(const TNextWindow&) = delete;

  // Whether the window came and `act` ran on it.
  bool Seen() const { return seen_; }

 private:
  QTimer timer_;
  bool seen_ = false;
};

// The next modal dialog of type T, once it is on screen.
template <typename T>
std::unique_ptr<TNextWindow> OnModal(std::function<void(T*)> act) {
  return std::make_unique<TNextWindow>(
      [] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
      },
      [act = std::move(act)](QWidget* window) { act(static_cast<T*>(window)); });
}

// The next pop-up menu.
inline std::unique_ptr<TNextWindow> OnMenu(std::function<void(QMenu*)> act) {
  return std::make_unique<TNextWindow>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                                       [act = std::move(act)](QWidget* window) { act(static_cast<QMenu*>(window)); });
}
