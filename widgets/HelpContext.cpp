#include "widgets/HelpContext.h"

#include <QVariant>
#include <QWidget>
#include <utility>

namespace {

constexpr char kHelpContextProperty[] = "helpContext";

THelpHandler& Handler() {
  static THelpHandler handler;
  return handler;
}

}  // namespace

void SetHelpHandler(THelpHandler handler) { Handler() = std::move(handler); }

bool ShowHelpContext(int context) {
  if (context <= 0 || !Handler()) return false;
  Handler()(context);
  return true;
}

void SetHelpContext(QWidget* window, int context) {
  if (window) window->setProperty(kHelpContextProperty, context);
}

int HelpContextOf(const QWidget* control) {
  for (const QWidget* w = control; w; w = w->parentWidget()) {
    const QVariant value = w->property(kHelpContextProperty);
    if (value.isValid()) return value.toInt();
  }
  return 0;
}
