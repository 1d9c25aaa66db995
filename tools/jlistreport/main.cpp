// jlistreport: exports the task list of a folder as an HTML page, an RTF document, a
// text file, an iCalendar file of to-dos or a CSV file, or prints the task report into a PDF file, a report file or PNG pictures of
// its pages, through the same code as the report options dialog and the report status
// window, for scripts and scheduled jobs. It opens the task files read-only and reads the
// settings files; it changes neither. No display and no printer are needed.
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
#include "reports/TaskExchangeExport.h"
#include "reports/TaskExport.h"
#include "reports/TaskReportWriter.h"
#include "reportengine/ReportError.h"
#include "store/Settings.h"
#include "store/TaskFolderWalk.h"
#include "store/TodoTable.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr char kUsageText[] =
    "usage: jlistreport [DIR] (--html FILE | --rtf FILE | --text FILE) [--title T] [--notes]\n"
    "                   [--color RRGGBB] [--order N] [--filter EXPR]\n"
    "       jlistreport [DIR] (--pdf FILE | --report FILE | --png FOLDER [--zoom Z]) [--title T]\n"
    "                   [--[no-]notes] [--[no-]keywords] [--[no-]checkbox] [--[no-]double]\n"
    "                   [--order N] [--filter EXPR]\n"
    "       jlistreport [DIR] (--ics FILE | --csv FILE) [--order N] [--filter EXPR]\n"
    "  DIR             the folder that holds JLIST.DBF (and TODO.INI, JLIST.INI); without it,\n"
    "                  the folder Jotlist uses (an installed copy's is ~/.local/share/jotlist)\n"
    "  --html FILE     write the task list as an HTML page\n"
    "  --rtf FILE      write it as an RTF document\n"
    "  --text FILE     write it as a text file of fixed-width columns\n"
    "  --ics FILE      write the tasks as iCalendar to-dos, for calendar and task programs\n"
    "  --csv FILE      write them as CSV (UTF-8), one row per task, for spreadsheets\n"
    "  --pdf FILE      print the task report into a PDF file (the default printer's paper;\n"
    "                  Letter or A4 by the locale when no printer is installed)\n"
    "  --report FILE   record the task report into a report file, as the preview reads it\n"
    "  --png FOLDER    draw each page of the task report into FOLDER as page-001.png, ...\n"
    "  --zoom Z        with --png: percent of 96 pixels per inch, 10 to 200 (default 100)\n"
    "  --title T       the title (default: the folder's HTMLTitle, RTFTitle, TextTitle or\n"
    "                  ReportTitle in JLIST.INI)\n"
    "  --notes         each task's note below its row (the report's default: PrintMemo in\n"
    "                  TODO.INI); --no-notes leaves them out\n"
    "  --keywords      the report prints each task's key words (default: PrintKeywoirds)\n"
    "  --checkbox      the report prints a check box before each task (default: PrintCheckbox)\n"
    "  --double        the report leaves a line after each task (default: PrintDoubleSpace)\n"
    "  --color RRGGBB  background of the HTML page (default: HTMLColor in TODO.INI)\n"
    "  --order N       0 record order, 1 date and time, 2 task, 3 done, 4 key words, 5 priority\n"
    "                  (default: Order in TODO.INI)\n"
    "  --filter EXPR   only the tasks for which the expression is true, as the filter dialog\n"
    "                  builds it, e.g. \"PRIORITY='A' .AND. .NOT. DONE\"\n"
    "Exit status: 0 written, 1 the files could not be read or the export or report not written,\n"
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

// What the report prints to: a PDF file, a report file, or PNG pictures in a folder.
enum class TReportOutput { kPdf, kReportFile, kPages };

struct TArguments {
  QString Folder;
  std::optional<TExportFormat> Format;
  std::optional<TExchangeFormat> Exchange;
  std::optional<TReportOutput> Report;
  QString Output;
  std::optional<QString> Title;
  std::optional<bool> Notes;
  std::optional<bool> Keywords;
  std::optional<bool> Checkbox;
  std::optional<bool> Double;
  std::optional<double> Zoom;
  std::optional<QString> Color;
  std::optional<int> Order;
  QString Filter;
};

const QString kGiveOneOutput =
    QStringLiteral("give one of --html, --rtf and --text (an export), --ics and --csv (the tasks for other "
                   "programs) or --pdf, --report and --png (the report)");

// The report switch an option names (--notes or --no-notes and so on), or null.
std::optional<bool>* Switch(const QString& arg, TArguments* out) {
  const QString name = arg.startsWith(QLatin1String("--no-")) ? arg.mid(5) : arg.mid(2);
  if (!arg.startsWith(QLatin1String("--"))) return nullptr;
  if (name == QLatin1String("notes")) return &out->Notes;
  if (name == QLatin1String("keywords")) return &out->Keywords;
  if (name == QLatin1String("checkbox")) return &out->Checkbox;
  if (name == QLatin1String("double")) return &out->Double;
  return nullptr;
}

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
    const bool exportOption =
        arg == QLatin1String("--html") || arg == QLatin1String("--rtf") || arg == QLatin1String("--text");
    const bool reportOption =
        arg == QLatin1String("--pdf") || arg == QLatin1String("--report") || arg == QLatin1String("--png");
    const bool exchangeOption = arg == QLatin1String("--ics") || arg == QLatin1String("--csv");
    if (exportOption || reportOption || exchangeOption) {
      if (out->Format || out->Report || out->Exchange) return kGiveOneOutput + QStringLiteral(", once");
      if (exchangeOption) {
        out->Exchange = arg == QLatin1String("--ics") ? TExchangeFormat::kICalendar : TExchangeFormat::kCsv;
      } else if (exportOption) {
        out->Format = arg == QLatin1String("--html") ? TExportFormat::kHtml
                      : arg == QLatin1String("--rtf") ? TExportFormat::kRtf
                                                      : TExportFormat::kText;
      } else {
        out->Report = arg == QLatin1String("--pdf")      ? TReportOutput::kPdf
                      : arg == QLatin1String("--report") ? TReportOutput::kReportFile
                                                         : TReportOutput::kPages;
      }
      error = value(&out->Output);
      if (error.isEmpty() && out->Output.isEmpty()) error = arg + QStringLiteral(" needs a file name");
    } else if (arg == QLatin1String("--title")) {
      error = value(&text);
      out->Title = text;
    } else if (std::optional<bool>* flag = Switch(arg, out)) {
      *flag = !arg.startsWith(QLatin1String("--no-"));
    } else if (arg == QLatin1String("--zoom")) {
      error = value(&text);
      if (error.isEmpty()) {
        bool ok = false;
        const double zoom = text.toDouble(&ok);
        if (!ok || zoom < 10 || zoom > 200) return QStringLiteral("--zoom needs a percentage from 10 to 200, not ") + text;
        out->Zoom = zoom;
      }
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
  if (!out->Format && !out->Report && !out->Exchange) return kGiveOneOutput;
  if (out->Exchange && (out->Title || out->Notes || out->Color || out->Keywords || out->Checkbox || out->Double)) {
    return QStringLiteral("--ics and --csv write every field of each task and take only --order and --filter");
  }
  if (out->Zoom && out->Report != TReportOutput::kPages) return QStringLiteral("--zoom goes with --png only");
  if (out->Format && (out->Keywords || out->Checkbox || out->Double)) {
    return QStringLiteral("--keywords, --checkbox and --double go with the report (--pdf, --report, --png) only");
  }
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

// The report engine's error boxes (no printer, a refused job) go to stderr.
void ReportErrorToStderr(const QString& message) {
  std::fprintf(stderr, "jlistreport: %s\n", message.toLocal8Bit().constData());
}

// The task report into the file or folder the arguments name, with the switches given or
// the folder's report settings.
int PrintReport(const TArguments& args, TTaskFolderWalk& source, const TPreferences& preferences,
                const TReportTexts& texts) {
  TTaskReportOptions options;
  options.Title = args.Title.value_or(texts.ReportTitle);
  options.PrintMemo = args.Notes.value_or(preferences.PrintMemo);
  options.PrintKeywords = args.Keywords.value_or(preferences.PrintKeywords);
  options.PrintCheckbox = args.Checkbox.value_or(preferences.PrintCheckbox);
  options.DoubleSpace = args.Double.value_or(preferences.PrintDoubleSpace);
  SetReportErrorBoxHandler(ReportErrorToStderr);
  TTaskReportWriter writer(source, options);
  xbase::Status written;
  switch (*args.Report) {
    case TReportOutput::kPdf:
      written = writer.WritePdf(args.Output);
      break;
    case TReportOutput::kReportFile:
      written = writer.WriteReportFile(args.Output);
      break;
    case TReportOutput::kPages: {
      QStringList pages;
      written = writer.WritePages(args.Output, args.Zoom.value_or(100), &pages);
      break;
    }
  }
  if (!written.ok()) return Complain(kFailed, QString::fromStdString(written.message()));
  return kOk;
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

  TTaskFolderWalk source;
  const xbase::Status opened = source.Open(args.Folder, args.Order.value_or(preferences.Order), args.Filter);
  if (!opened.ok()) {
    const bool badInput = opened.code() != xbase::Status::Code::kIoError && opened.code() != xbase::Status::Code::kInUse &&
                          opened.code() != xbase::Status::Code::kCorrupt;
    return Complain(badInput ? kUsage : kFailed, QString::fromStdString(opened.message()));
  }

  if (args.Report) return PrintReport(args, source, preferences, texts);
  if (args.Exchange) {
    const xbase::Status written = TTaskExchangeExport::WriteFile(source, *args.Exchange, args.Folder, args.Output);
    if (!written.ok()) return Complain(kFailed, QString::fromStdString(written.message()));
    return kOk;
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
  options.CopyNotes = args.Notes.value_or(false);
  options.ColorString = args.Color.value_or(TTaskExport::ColorString(preferences.HTMLColor));

  const xbase::Status written = TTaskExport::WriteFile(source, options, args.Output);
  if (!written.ok()) return Complain(kFailed, QString::fromStdString(written.message()));
  return kOk;
}
