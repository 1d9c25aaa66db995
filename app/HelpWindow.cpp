#include "app/HelpWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"

// The resources live in a static library: they are registered on first use.
static void InitResources() { Q_INIT_RESOURCE(resources); }

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Jotlist Help"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Browser = new QTextBrowser(this);
  Browser->setObjectName(QStringLiteral("Browser"));
  Browser->setOpenExternalLinks(false);
  layout->addWidget(Browser);
  resize(560, 480);
}

bool THelpWindow::InstallHelpFile(const QString& directory) {
  const QString path = directory + QLatin1String(kHelpFileName);
  if (QFileInfo::exists(path)) return true;
  InitResources();
  QFile shipped(QStringLiteral(":/help/JLIST.HTM"));
  if (!shipped.open(QIODevice::ReadOnly)) return false;
  const QByteArray content = shipped.readAll();
  // Written under a temporary name and renamed, so a half-written file never shows.
  const QString temporary = path + QLatin1String(".tmp");
  QFile out(temporary);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const bool written = out.write(content) == content.size() && out.flush();
  out.close();
  if (!written || !QFile::rename(temporary, path)) {
    QFile::remove(temporary);
    return false;
  }
  return true;
}

QString THelpWindow::HelpFilePath(const QString& programFolder, const QString& shareFolder) {
  const QString own = programFolder + QLatin1String(kHelpFileName);
  if (QFileInfo::exists(own)) return own;
  // An installed copy reads the file the install put beside it and writes nothing.
  if (!shareFolder.isEmpty() && QFileInfo::exists(shareFolder + QLatin1String(kHelpFileName))) {
    return shareFolder + QLatin1String(kHelpFileName);
  }
  return InstallHelpFile(programFolder) ? own : QString();
}

bool THelpWindow::ShowContext(int context) {
  const QString path = HelpFilePath(ProgramDirectory(), InstalledShareFolder());
  if (path.isEmpty()) return false;
  QUrl url = QUrl::fromLocalFile(path);
  url.setFragment(QString::number(context));
  if (Browser->source().path() != url.path()) Browser->setSource(QUrl::fromLocalFile(path));
  Browser->scrollToAnchor(QString::number(context));
  context_ = context;
  if (!isVisible() && !placed_) {
    // First showing: over the main window, never past the screen's edges. Later
    // showings keep where the user put it.
    KeepOnScreen(this);
    CenterForm(this);
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
  return true;
}
