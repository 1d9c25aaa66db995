// Jotlist program entry: one copy per user, then the main window.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "app/MainScreen.h"
#include "app/ProgramIdentity.h"
#include "app/SingleInstance.h"
#include "widgets/Glyphs.h"
#include "widgets/MessageBox.h"

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

// A copy beside task files it cannot write works in the user's data folder instead; the
// user hears so, with the folder and the cause, and chooses between that and ending.
bool GoOnWithoutTheProgramFolder() {
  const QString own = QCoreApplication::applicationDirPath();
  const TUnwritableTaskFolder skipped = UnwritableTaskFolderFor(own);
  if (skipped.Folder.isEmpty()) return true;
  const QString text = QStringLiteral("The task files in %1 cannot be changed: %2.\r\r"
                                      "Go on with the tasks kept in %3?\r(No ends Jotlist.)")
                           .arg(skipped.Folder, skipped.Reason, ProgramDirectory());
  return ShowMessageBox(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), text,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SetProgramIdentity();
  // Every window, the boxes shown before the main window among them, carries the icon.
  QApplication::setWindowIcon(QIcon(TGlyphs::Program(64)));

  TSingleInstance instance(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
  if (!instance.Listen()) return 0;

  if (!GoOnWithoutTheProgramFolder()) return 0;
  CaptureUserDateFormats();
  TMainScreen window;
  QObject::connect(&instance, &TSingleInstance::raiseRequested, &window, &TMainScreen::BringToFront);
  ArmScreenshot(window);
  window.show();
  return app.exec();
}
