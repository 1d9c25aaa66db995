// Jotlist program entry: one copy per user, then the main window.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "core/DateTimeFormat.h"
#include "app/MainScreen.h"
#include "app/ProgramIdentity.h"
#include "app/SingleInstance.h"

namespace {

// Test hook for scripts/screenshot: when JOTLIST_SCREENSHOT names a file, the main window
// is saved there as a picture once start-up has finished, and the program ends.
void ArmScreenshot(TMainScreen& window) {
  const QString path = qEnvironmentVariable("JOTLIST_SCREENSHOT");
  if (path.isEmpty()) return;
  auto* timer = new QTimer(&window);
  QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, path] {
    if (window.FirstActivation()) return;
    timer->stop();
    window.grab().save(path);
    window.close();
  });
  timer->start(200);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SetProgramIdentity();

  TSingleInstance instance(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
  if (!instance.Listen()) return 0;

  CaptureUserDateFormats();
  TMainScreen window;
  QObject::connect(&instance, &TSingleInstance::raiseRequested, &window, &TMainScreen::BringToFront);
  ArmScreenshot(window);
  window.show();
  return app.exec();
}
