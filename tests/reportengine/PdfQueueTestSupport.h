// The CUPS "PDF" queue of the printing tests (scripts/start-cups adds it): selecting it,
// finding the files cups-pdf writes for a job, and reading them with pdftotext and pdfinfo.
// Where CUPS lists no such queue the printing tests skip, saying so; under scripts/test,
// which sets the queue up and JOTLIST_REQUIRE_PRINTER=1, they fail instead.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include "reportengine/REDevice.h"

// The standard output of `program`, empty when it does not end within a minute.
inline QString RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000)) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The page count pdfinfo reads in a PDF; -1 when it reads none.
inline int PdfPages(const QString& path) {
  const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(RunTool("pdfinfo", {path}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Where cups-pdf puts the jobs of this user, and where it puts those it runs as nobody.
inline QStringList CupsPdfFolders() {
  QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
  QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
  if (conf.open(QIODevice::ReadOnly)) {
    for (const QByteArray& raw : conf.readAll().split('\n')) {
      const QString line = QString::fromUtf8(raw).trimmed();
      if (line.startsWith(QLatin1String("Out "))) out = line.mid(4).trimmed();
    }
  }
  // The queue runs the job as its owner: that account's home and name, not the environment's.
  const passwd* account = getpwuid(getuid());
  out.replace(QLatin1String("${HOME}"), account ? QString::fromLocal8Bit(account->pw_dir) : QDir::homePath());
  out.replace(QLatin1String("${USER}"), account ? QString::fromLocal8Bit(account->pw_name) : QStringLiteral("root"));
  return {out, QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
}

// The PDF the queue wrote for the job titled `title`, waiting up to a minute for it; empty
// when none came.
inline QString WaitForPdf(const QString& title) {
  for (int i = 0; i < 600; ++i) {
    for (const QString& folder : CupsPdfFolders()) {
      const QDir dir(folder);
      const QStringList found = dir.entryList({title + QStringLiteral("*.pdf")}, QDir::Files);
      if (found.isEmpty()) continue;
      // cups-pdf writes the file in place: it is whole once its size settles.
      const QString path = dir.filePath(found.first());
      const qint64 size = QFileInfo(path).size();
      QThread::msleep(300);
      if (size > 0 && QFileInfo(path).size() == size) return path;
    }
    QThread::msleep(100);
  }
  return QString();
}

// Selects the CUPS "PDF" queue; false where CUPS lists none. The tests that print to it run
// one at a time, also when CTest runs their processes side by side (what one test finds in
// the queue is its own): the first call takes a lock that the process keeps to its end.
inline bool SelectPdfQueue() {
  static const int lock = [] {
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QStringLiteral("/jotlist-pdf-queue.lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) static_cast<void>(::flock(fd, LOCK_EX));
    return fd;
  }();
  static_cast<void>(lock);
  TREDevice& device = TREDevice::Instance();
  return !device.Printers().isEmpty() && device.SelectPrinter("PDF", true) && device.HasDevMode();
}

// Whether a missing queue fails the printing tests rather than skipping them.
inline bool PdfQueueRequired() { return qEnvironmentVariable("JOTLIST_REQUIRE_PRINTER") == QLatin1String("1"); }

// Selects the "PDF" queue, or ends the test where there is none.
#define REQUIRE_PDF_QUEUE()                                                                        \
  do {                                                                                             \
    if (!SelectPdfQueue()) {                                                                       \
      if (PdfQueueRequired()) FAIL() << "CUPS lists no \"PDF\" queue (JOTLIST_REQUIRE_PRINTER=1)"; \
      GTEST_SKIP() << "CUPS lists no \"PDF\" queue (scripts/start-cups adds it)";                  \
    }                                                                                              \
  } while (false)
