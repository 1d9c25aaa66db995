// jlistreport: exports the task list of a folder as an HTML page, an RTF document or a
// text file, through the same writers as the report options dialog, for scripts and
// scheduled jobs. It opens the task files read-only and reads the settings files; it
// changes neither. No display is needed.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <optional>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "reports/DialogFontMeasure.h"
#include "reports/TaskExport.h"
#include "reports/TaskFolderSource.h"
#include "store/Settings.h"
#include "store/TodoTable.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr char kUsageText[] =
    "usage: jlistreport [DIR] (--html FILE | --rtf FILE | --text FILE) [--title T] [--notes]\n"
    "                   [--color RRGGBB] [--order N] [--filter EXPR]\n"
    "  DIR             the folder that holds JLIST.DBF (and TODO.INI, JLIST.INI); without it,\n"
    "                  the folder Jotlist uses (an installed copy's is ~/.local/share/jotlist)\n"
    "  --html FILE     write the task list as an HTML page\n"
    "  --rtf FILE      write it as an RTF document\n"
    "  --text FILE     write it as a text file of fixed-width columns\n"
    "  --title T       the title (default: the folder's HTMLTitle, RTFTitle or TextTitle in JLIST.INI)\n"
    "  --notes         each task's note below its row\n"
    "  --color RRGGBB  background of the HTML page (default: HTMLColor in TODO.INI)\n"
    "  --order N       0 record order, 1 date and time, 2 task, 3 done, 4 key words, 5 priority\n"
    "                  (default: Order in TODO.INI)\n"
    "  --filter EXPR   only the tasks for which the expression is true, as the filter dialog\n"
    "                  builds it, e.g. \"PRIORITY='A' .AND. .NOT. DONE\"\n"
    "Exit status: 0 written, 1 the files could not be read or the export not written,\n"
    "2 a bad folder, option or expression.\n";

int Complain(int status, const QString& message) {
  std::fprintf(stderr, "jlistreport: %s\n", message.toLocal8Bit().constData());
  return status;
}

int Usage(const QString& message) {
  Complain(kUsage, message);
  std::fputs(kUsageText, stderr);
  return kUsage;
}

struct TArguments {
  QString Folder;
  std::optional<TExportFormat> Format;
  QString Output;
  std::optional<QString> Title;
  bool Notes = false;
  std::optional<QString> Color;
  std::optional<int> Order;
  QString Filter;
};

// Parses the command line; gives an error message, empty when the arguments are usable.
QString Parse(const QStringList& args, TArguments* out) {
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    auto value = [&args, &i, &arg](QString* into) {
      if (i + 1 >= args.size()) return arg + QStringLiteral(" needs a value");
      *into = args[++i];
      return QString();
    };
    QString text;
    QString error;
    if (arg == QLatin1String("--html") || arg == QLatin1String("--rtf") || arg == QLatin1String("--text")) {
      if (out->Format) return QStringLiteral("give one of --html, --rtf and --text, once");
      out->Format = arg == QLatin1String("--html") ? TExportFormat::kHtml
                    : arg == QLatin1String("--rtf") ? TExportFormat::kRtf
                                                    : TExportFormat::kText;
      error = value(&out->Output);
      if (error.isEmpty() && out->Output.isEmpty()) error = arg + QStringLiteral(" needs a file name");
    } else if (arg == QLatin1String("--title")) {
      error = value(&text);
      out->Title = text;
    } else if (arg == QLatin1String("--notes")) {
      out->Notes = true;
    } else if (arg == QLatin1String("--color")) {
      error = value(&text);
      if (error.isEmpty()) {
        static const QRegularExpression kHex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
        if (!kHex.match(text).hasMatch()) return QStringLiteral("--color needs six hexadecimal digits (RRGGBB), not ") + text;
        out->Color = text.toUpper();
      }
    } else if (arg == QLatin1String("--order")) {
      error = value(&text);
      if (error.isEmpty()) {
        bool ok = false;
        const int order = text.toInt(&ok);
        if (!ok) return QStringLiteral("--order needs a tag number, not ") + text;
        out->Order = order;
      }
    } else if (arg == QLatin1String("--filter")) {
      error = value(&out->Filter);
    } else if (arg.startsWith(QLatin1String("--"))) {
      return QStringLiteral("unknown option ") + arg;
    } else if (out->Folder.isEmpty()) {
      out->Folder = arg;
    } else {
      return QStringLiteral("one folder only: ") + arg;
    }
    if (!error.isEmpty()) return error;
  }
  if (!out->Format) return QStringLiteral("give one of --html, --rtf and --text");
  return QString();
}

// The files the export must never replace: the task files and the settings files.
bool IsProtected(const QString& folder, const QString& output) {
  const QFileInfo target(output);
  const QString targetPath = target.exists() ? target.canonicalFilePath() : target.absoluteFilePath();
  const QDir dir(folder);
  for (const char* name : {TodoTable::kTableName, TodoTable::kMemoName, TodoTable::kIndexName, "TODO.INI", "JLIST.INI"}) {
    const QFileInfo file(dir.filePath(QLatin1String(name)));
    const QString path = file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
    if (path == targetPath) return true;
  }
  return false;
}

// The tool says what went wrong in its own words; Qt's notes about the platform (no
// runtime folder, fonts) are no business of a script reading stderr.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietMessages);
  // Font metrics need a GUI application; it never opens a window.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  CaptureUserDateFormats();

  TArguments args;
  const QString error = Parse(QCoreApplication::arguments(), &args);
  if (!error.isEmpty()) return Usage(error);
  // No folder: the one the program itself uses (its own, or the data folder of an
  // installed copy).
  if (args.Folder.isEmpty()) args.Folder = ProgramDirectory();
  if (!QFileInfo(args.Folder).isDir()) return Complain(kUsage, QStringLiteral("folder ") + args.Folder + QStringLiteral(" does not exist"));
  if (IsProtected(args.Folder, args.Output)) {
    return Complain(kUsage, args.Output + QStringLiteral(" is one of the folder's task or settings files"));
  }

  const TSettings settings(QDir(args.Folder).absolutePath() + QLatin1Char('/'));
  const TPreferences preferences = settings.LoadPreferences();
  const TReportTexts texts = settings.LoadReportTexts();

  TTaskFolderSource source;
  const xbase::Status opened = source.Open(args.Folder, args.Order.value_or(preferences.Order), args.Filter);
  if (!opened.ok()) {
    const bool badInput = opened.code() != xbase::Status::Code::kIoError && opened.code() != xbase::Status::Code::kInUse &&
                          opened.code() != xbase::Status::Code::kCorrupt;
    return Complain(badInput ? kUsage : kFailed, QString::fromStdString(opened.message()));
  }

  const TDialogFontMeasure measure;
  TExportOptions options = TTaskExport::OptionsFor(*args.Format, measure);
  switch (*args.Format) {
    case TExportFormat::kHtml:
      options.Title = texts.HTMLTitle;
      break;
    case TExportFormat::kRtf:
      options.Title = texts.RTFTitle;
      break;
    case TExportFormat::kText:
      options.Title = texts.TextTitle;
      break;
  }
  if (args.Title) options.Title = *args.Title;
  options.CopyNotes = args.Notes;
  options.ColorString = args.Color.value_or(TTaskExport::ColorString(preferences.HTMLColor));

  const xbase::Status written = TTaskExport::WriteFile(source, options, args.Output);
  if (!written.ok()) return Complain(kFailed, QString::fromStdString(written.message()));
  return kOk;
}
