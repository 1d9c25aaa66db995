#include "reports/TaskExport.h"

#include <QFile>
#include <QIODevice>

#include "core/AppHelpers.h"
#include "core/TaskDisplay.h"
#include "reports/DialogFontMeasure.h"
#include "reports/ExportSource.h"
#include "store/CodePage.h"

using xbase::Status;

namespace {

// Output is gathered and handed to the device in pieces of about this size.
constexpr qsizetype kChunk = 64 * 1024;

constexpr char kEol[] = "\r\n";

QByteArray Bytes(const QString& text) {
  const std::string bytes = ToCp1252(text);
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The HTML page, the RTF document and the text file of fixed-width columns, line by line.
class Writer {
 public:
  Writer(TExportSource& source, const TExportOptions& options, QIODevice& device)
      : source_(source), options_(options), device_(device) {
    out_.reserve(kChunk + 4096);
  }

  Status Run() {
    Head();
    Walk();
    if (status_.ok()) Foot();
    Flush();
    return status_;
  }

 private:
  // ---- output
  void Line(const QByteArray& text) {
    out_ += text;
    out_ += kEol;
  }
  void Line(const char* text) {
    out_ += text;
    out_ += kEol;
  }
  void Flush() {
    if (!status_.ok() || out_.isEmpty()) return;
    // A device may take part of the bytes; the rest goes again until it refuses.
    const char* data = out_.constData();
    qint64 left = out_.size();
    while (left > 0) {
      const qint64 written = device_.write(data, left);
      if (written <= 0) {
        const QString reason = device_.errorString();
        status_ = Status::IoError((reason.isEmpty() ? QStringLiteral("the write was refused") : reason).toStdString());
        break;
      }
      data += written;
      left -= written;
    }
    out_.clear();
  }

  // Text of the format: escaped for HTML and RTF, as it is for the text file.
  QByteArray Text(const QString& text) const {
    switch (options_.Format) {
      case TExportFormat::kHtml:
        return TTaskExport::EscapeHtml(Bytes(text));
      case TExportFormat::kRtf:
        return TTaskExport::EscapeRtf(Bytes(text));
      case TExportFormat::kText:
        break;
    }
    return Bytes(text);
  }

  // ---- the walk of the task list
  void Walk() {
    source_.First();
    const int count = source_.FilterRecordCount();
    int rows = 0;
    // An empty list has no row to write (the walk would otherwise write one of empty cells).
    while (!source_.AtEnd()) {
      source_.Read(&task_, options_.CopyNotes);
      Row();
      if (options_.CopyNotes) Notes();
      if (out_.size() >= kChunk) Flush();
      if (!status_.ok()) return;
      ++rows;
      source_.Next();
      if (source_.AtEnd()) break;
      if (options_.BetweenRows) options_.BetweenRows();
      if (rows == count) break;
    }
  }

  void Row() {
    const QString date = display_.ShowDate(task_.Date);
    const QString time = display_.ShowTime(task_.Time);
    const QString priority = TaskDisplay::ShowPriority(task_.Priority);
    const QString done = TaskDisplay::IsDone(task_.Done);
    switch (options_.Format) {
      case TExportFormat::kHtml:
        HtmlRow(date, time, priority, done);
        break;
      case TExportFormat::kRtf:
        RtfRow(date, time, priority, done);
        break;
      case TExportFormat::kText:
        TextRow(date, time, priority, done);
        break;
    }
  }

  void Notes() {
    if (task_.Note.isEmpty()) return;
    const QStringList lines = NoteLines(task_.Note, options_.NoteWidth, options_.Measure);
    if (lines.isEmpty()) return;
    QList<QByteArray> texts;
    texts.reserve(lines.size());
    for (const QString& line : lines) texts << Text(TrimTrailingBlanks(line));
    switch (options_.Format) {
      case TExportFormat::kHtml:
        HtmlNotes(texts);
        break;
      case TExportFormat::kRtf:
        RtfNotes(texts);
        break;
      case TExportFormat::kText:
        for (const QByteArray& text : texts) Line("   " + text);
        break;
    }
  }

  void Head() {
    const QByteArray title = Text(options_.Title);
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line(R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 3.2//EN">)");
        Line("<HTML>");
        Line("<HEAD>");
        Line("<TITLE>" + title + "</TITLE>");
        Line("</HEAD>");
        Line("<BODY BGCOLOR=#" + Bytes(options_.ColorString) + ">");
        Line(R"(<h1 ALIGN="CENTER">)" + title + "</h1>");
        Line("<hr>");
        Line("<TABLE BORDER WIDTH=100%>");
        Line("<TR>");
        Line("<TH>Task<TH>Date<TH>Time<TH>Priority<TH>Done?");
        break;
      case TExportFormat::kRtf:
        Line(R"({\rtf1\ansi\deff0\deftab720)");
        Line(R"({\fonttbl{\f0\fnil\charset0 Times New Roman;}})");
        Line(R"({\colortbl)");
        Line(R"(\red0\green0\blue0;\red0\green0\blue0;\red0\green0\blue255;)");
        Line(R"(\red0\green255\blue255;\red0\green255\blue0;\red255\green0\blue255;)");
        Line(R"(\red255\green0\blue0;\red255\green255\blue0;\red255\green255\blue255;)");
        Line(R"(\red0\green0\blue128;\red0\green128\blue128;\red0\green128\blue0;)");
        Line(R"(\red128\green0\blue128;\red128\green0\blue0;\red128\green128\blue0;)");
        Line(R"(\red0\green0\blue0;})");
        Line(R"(\margl1440\margr1440\margt1440\margb1440)");
        Line(R"({\qc\plain\f0\fs28\cf1\b)");
        Line(title);
        Line(R"(\par\plain\fs20\ql\par)");
        Line(R"({\pard\trowd\trgaph57\trleft0)");
        for (const char* edge : {"5100", "6600", "7630", "8600", "9360"}) {
          Line(QByteArray(R"(\clbrdrt\brdrs\clbrdrb\brdrs\clbrdrl\brdrs\clbrdrr\brdrs\brdrw0\brdrcf0\cellx)") + edge);
        }
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Task\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Date\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Time\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Priority\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Done\cell\row)");
        break;
      case TExportFormat::kText:
        Line(title);
        Line("");
        Line("");
        Line(TTaskExport::Column("Task", 51) + TTaskExport::Column("Date", 12) + TTaskExport::Column("Time", 8) +
             TTaskExport::Column("Priority", 9) + TTaskExport::Column("Done", 4));
        Line(QByteArray(84, '='));
        break;
    }
  }

  void Foot() {
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line("</TABLE>");
        Line("</BODY>");
        Line("</HTML>");
        break;
      case TExportFormat::kRtf:
        Line("}}}");
        break;
      case TExportFormat::kText:
        break;
    }
  }

  // ---- HTML
  static QByteArray HtmlCell(const char* open, const QByteArray& text) {
    return open + (text.isEmpty() ? QByteArray("</BR>") : text) + "</TD>";
  }
  void HtmlRow(const QString& date, const QString& time, const QString& priority, const QString& done) {
    Line("<TR>");
    Line(HtmlCell("<TD WRAP>", Text(task_.Descript)) + HtmlCell("<TD NOWRAP>", Text(date)) +
         HtmlCell("<TD NOWRAP>", Text(time)) + HtmlCell("<TD NOWRAP>", Text(priority)) +
         HtmlCell("<TD NOWRAP>", Text(done)) + "</TR>");
  }
  void HtmlNotes(const QList<QByteArray>& lines) {
    Line("<TR>");
    Line("<TD WRAP><FONT SIZE=-1><I><BLOCKQUOTE>" + lines.first() + " ");
    for (qsizetype i = 1; i < lines.size(); ++i) Line("<BR>" + lines[i] + " ");
    Line("</I><FONT SIZE=+1></BLOCKQUOTE></TD><TD NOWRAP></BR></TD><TD NOWRAP></BR></TD><TD NOWRAP></BR></TD></TR>");
  }

  // ---- RTF
  void RtfRow(const QString& date, const QString& time, const QString& priority, const QString& done) {
    static const QByteArray kCell = R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1 )";
    Line(kCell + Text(task_.Descript) + R"(\cell)");
    Line(kCell + Text(date) + R"(\cell)");
    Line(kCell + Text(time) + R"(\cell)");
    Line(kCell + Text(priority) + R"(\cell)");
    Line(kCell + Text(done) + R"(\cell\row)");
  }
  void RtfNotes(const QList<QByteArray>& lines) {
    Line(R"(\intbl \sb0\sl\sa0 \plain\f0\fs16\cf1\i\li180 )");
    Line(lines.first() + " ");
    for (qsizetype i = 1; i < lines.size(); ++i) Line(R"(\par )" + lines[i] + " ");
    Line(R"(\cell)");
    Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\li0 \cell)");
    Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1 \cell)");
    Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1 \cell\row)");
  }

  // ---- text
  void TextRow(const QString& date, const QString& time, const QString& priority, const QString& done) {
    Line(TTaskExport::Column(Text(task_.Descript), 50) + TTaskExport::Column(Text(date), 12) +
         TTaskExport::Column(Text(time), 9) + TTaskExport::Column(Text(priority), 9) +
         TTaskExport::Column(Text(done), 4));
  }

  TExportSource& source_;
  const TExportOptions& options_;
  QIODevice& device_;
  TaskDisplay display_;
  TExportTask task_;
  QByteArray out_;
  Status status_;
};

}  // namespace

QString TTaskExport::ColorString(int windowsColor) {
  const auto value = static_cast<unsigned>(windowsColor) & 0xFFFFFFu;
  // Formatted as blue, green, red, then the pairs put in red, green, blue order.
  const QString bgr = QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
  return bgr.mid(4, 2) + bgr.mid(2, 2) + bgr.mid(0, 2);
}

TExportOptions TTaskExport::OptionsFor(TExportFormat format, const TDialogFontMeasure& measure) {
  TExportOptions options;
  options.Format = format;
  options.Measure = measure.AsFunction();
  switch (format) {
    case TExportFormat::kHtml:
      options.NoteWidth = TDialogFontMeasure::kHtmlNoteWidth;
      break;
    case TExportFormat::kRtf:
      options.NoteWidth = TDialogFontMeasure::kRtfNoteWidth;
      break;
    case TExportFormat::kText:
      options.NoteWidth = measure.TextNoteWidth();
      break;
  }
  return options;
}

Status TTaskExport::Write(TExportSource& source, const TExportOptions& options, QIODevice& device) {
  return Writer(source, options, device).Run();
}

Status TTaskExport::WriteFile(TExportSource& source, const TExportOptions& options, const QString& path) {
  auto failed = [&path](const QString& reason) {
    return Status::IoError(("Unable to write to " + path + ": " + reason).toStdString());
  };
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return failed(file.errorString());
  const Status status = Write(source, options, file);
  if (!status.ok()) {
    file.close();
    return failed(QString::fromStdString(status.message()));
  }
  // Data still in the file's buffer meets a full disk here at the latest.
  if (!file.flush()) {
    const QString reason = file.errorString();
    file.close();
    return failed(reason);
  }
  file.close();
  if (file.error() != QFileDevice::NoError) return failed(file.errorString());
  return Status::Ok();
}

QByteArray TTaskExport::Column(const QByteArray& text, int width) {
  if (text.size() >= width) return text.left(width);
  return text + QByteArray(width - text.size(), ' ');
}

QByteArray TTaskExport::EscapeHtml(const QByteArray& text) {
  if (!text.contains('&') && !text.contains('<') && !text.contains('>')) return text;
  QByteArray out;
  out.reserve(text.size() + 16);
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

QByteArray TTaskExport::EscapeRtf(const QByteArray& text) {
  if (!text.contains('\\') && !text.contains('{') && !text.contains('}')) return text;
  QByteArray out;
  out.reserve(text.size() + 8);
  for (const char c : text) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    out += c;
  }
  return out;
}
