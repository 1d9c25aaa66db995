#include "reports/TaskExport.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/TaskDisplay.h"
#include "reports/DialogFontMeasure.h"
#include "store/TaskSchema.h"
#include "store/TaskWalk.h"
#include "store/xbase/Codepage.h"

using xbase::Status;

namespace {

// Output is gathered and handed to the device in pieces of about this size.
constexpr size_t kChunk = 64 * 1024;

// The RTF font character set of a Windows code page.
int RtfCharset(int codePage) {
  switch (codePage) {
    case 1250: return 238;
    case 1251: return 204;
    case 1253: return 161;
    case 1254: return 162;
    case 1257: return 186;
    default: return 0;
  }
}

// The HTML page, the RTF document and the text file of fixed-width columns, line by line,
// into one buffer: text is encoded and escaped straight into it, and the display texts of
// dates and times are made once per stored value.
class Writer {
 public:
  Writer(TTaskWalk& source, const TExportOptions& options, QIODevice& device)
      : source_(source), options_(options), device_(device), codePage_(source.CodePage()) {
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
  void Put(std::string_view bytes) { out_.append(bytes); }
  void EndLine() { out_.append("\r\n"); }
  void Line(std::string_view bytes) {
    Put(bytes);
    EndLine();
  }
  void Flush() {
    if (!status_.ok() || out_.empty()) return;
    // A device may take part of the bytes; the rest goes again until it refuses.
    const char* data = out_.data();
    auto left = static_cast<qint64>(out_.size());
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

  // Text in the table's code page, escaped for HTML and RTF, as it is for the text file.
  void PutText(QStringView text) {
    // Room for the longest escape of every character, given back afterwards.
    const size_t at = out_.size();
    const size_t most = options_.Format == TExportFormat::kHtml ? 5 : options_.Format == TExportFormat::kRtf ? 4 : 1;
    out_.resize(at + most * static_cast<size_t>(text.size()));
    char* p = out_.data() + at;
    const bool html = options_.Format == TExportFormat::kHtml;
    const bool rtf = options_.Format == TExportFormat::kRtf;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const char16_t c = text[i].unicode();
      char byte;
      if (c < 0x80) {
        byte = static_cast<char>(c);
      } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        byte = '?';  // one "?" for a character outside the basic plane
        ++i;
      } else {
        byte = xbase::UnicodeToByte(c, codePage_);
      }
      if (html && (byte == '&' || byte == '<' || byte == '>')) {
        const std::string_view entity = byte == '&' ? "&amp;" : byte == '<' ? "&lt;" : "&gt;";
        p = std::copy(entity.begin(), entity.end(), p);
        continue;
      }
      if (rtf && (byte == '\\' || byte == '{' || byte == '}')) *p++ = '\\';
      if (rtf && static_cast<unsigned char>(byte) >= 0x80) {
        // RTF is seven-bit: a byte above 127 is written as the escape of its code.
        constexpr char kHex[] = "0123456789abcdef";
        const auto code = static_cast<unsigned char>(byte);
        *p++ = '\\';
        *p++ = '\'';
        *p++ = kHex[code >> 4];
        *p++ = kHex[code & 0x0F];
        continue;
      }
      *p++ = byte;
    }
    out_.resize(static_cast<size_t>(p - out_.data()));
  }
  // Text left-justified in `width` bytes: padded with blanks, or cut.
  void PutColumn(QStringView text, size_t width) {
    const size_t start = out_.size();
    PutText(text);
    if (out_.size() - start > width) {
      out_.resize(start + width);
    } else {
      out_.append(start + width - out_.size(), ' ');
    }
  }

  // ---- the walk of the task list
  void Walk() {
    source_.First();
    const int count = source_.Count();
    int rows = 0;
    // An empty list has no row to write (the walk would otherwise write one of empty cells).
    while (!source_.AtEnd()) {
      source_.Read(task_, {.keys = false, .note = options_.CopyNotes});
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
    const QString date = display_.Show(task_, TaskDisplay::Calculated::kShowDate);
    const QString time = display_.Show(task_, TaskDisplay::Calculated::kShowTime);
    const QString priority = display_.Show(task_, TaskDisplay::Calculated::kShowPriority);
    const QString done = display_.Show(task_, TaskDisplay::Calculated::kIsDone);
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line("<TR>");
        HtmlCell("<TD WRAP>", task_.descript);
        HtmlCell("<TD NOWRAP>", date);
        HtmlCell("<TD NOWRAP>", time);
        HtmlCell("<TD NOWRAP>", priority);
        HtmlCell("<TD NOWRAP>", done);
        Line("</TR>");
        break;
      case TExportFormat::kRtf:
        RtfCell(task_.descript, "\\cell");
        RtfCell(date, "\\cell");
        RtfCell(time, "\\cell");
        RtfCell(priority, "\\cell");
        RtfCell(done, "\\cell\\row");
        break;
      case TExportFormat::kText:
        PutColumn(task_.descript, task_schema::kDescriptWidth);
        PutColumn(date, 12);
        PutColumn(time, 9);
        PutColumn(priority, 9);
        PutColumn(done, 4);
        EndLine();
        break;
    }
  }

  void Notes() {
    if (task_.note.isEmpty()) return;
    const QStringList lines = NoteLines(task_.note, options_.NoteWidth, options_.Measure);
    if (lines.isEmpty()) return;
    auto note = [](const QString& line) {
      // Trailing blanks off; leading ones stay.
      qsizetype n = line.size();
      while (n > 0 && line[n - 1] == QLatin1Char(' ')) --n;
      return QStringView(line).left(n);
    };
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line("<TR>");
        Put("<TD WRAP><FONT SIZE=-1><I><BLOCKQUOTE>");
        PutText(note(lines.first()));
        Line(" ");
        for (qsizetype i = 1; i < lines.size(); ++i) {
          Put("<BR>");
          PutText(note(lines[i]));
          Line(" ");
        }
        Line("</I><FONT SIZE=+1></BLOCKQUOTE></TD><TD NOWRAP></BR></TD><TD NOWRAP></BR></TD>"
             "<TD NOWRAP></BR></TD></TR>");
        break;
      case TExportFormat::kRtf:
        Line("\\intbl \\sb0\\sl\\sa0 \\plain\\f0\\fs16\\cf1\\i\\li180 ");
        PutText(note(lines.first()));
        Line(" ");
        for (qsizetype i = 1; i < lines.size(); ++i) {
          Put("\\par ");
          PutText(note(lines[i]));
          Line(" ");
        }
        Line("\\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1\\li0 \\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 \\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 \\cell\\row");
        break;
      case TExportFormat::kText:
        for (const QString& line : lines) {
          Put("   ");
          PutText(note(line));
          EndLine();
        }
        break;
    }
  }

  void Head() {
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line(R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 3.2//EN">)");
        Line("<HTML>");
        Line("<HEAD>");
        // The page names its code page: readers that guess another one (UTF-8 as often as
        // not) would lose every letter above ASCII.
        Line(R"(<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-)" +
             std::to_string(codePage_) + R"(">)");
        Put("<TITLE>");
        PutText(options_.Title);
        Line("</TITLE>");
        Line("</HEAD>");
        Put("<BODY BGCOLOR=#");
        PutText(options_.ColorString);
        Line(">");
        Put(R"(<h1 ALIGN="CENTER">)");
        PutText(options_.Title);
        Line("</h1>");
        Line("<hr>");
        Line("<TABLE BORDER WIDTH=100%>");
        Line("<TR>");
        Line("<TH>Task<TH>Date<TH>Time<TH>Priority<TH>Done?");
        break;
      case TExportFormat::kRtf:
        if (codePage_ == xbase::kDefaultCodePage) {
          Line(R"({\rtf1\ansi\deff0\deftab720)");
          Line(R"({\fonttbl{\f0\fnil\charset0 Times New Roman;}})");
        } else {
          // The document's code page and the font's character set name the table's code page.
          Line(R"({\rtf1\ansi\ansicpg)" + std::to_string(codePage_) + R"(\deff0\deftab720)");
          Line(R"({\fonttbl{\f0\fnil\fcharset)" + std::to_string(RtfCharset(codePage_)) + R"( Times New Roman;}})");
        }
        Line(R"({\colortbl)");
        Line(R"(\red0\green0\blue0;\red0\green0\blue0;\red0\green0\blue255;)");
        Line(R"(\red0\green255\blue255;\red0\green255\blue0;\red255\green0\blue255;)");
        Line(R"(\red255\green0\blue0;\red255\green255\blue0;\red255\green255\blue255;)");
        Line(R"(\red0\green0\blue128;\red0\green128\blue128;\red0\green128\blue0;)");
        Line(R"(\red128\green0\blue128;\red128\green0\blue0;\red128\green128\blue0;)");
        Line(R"(\red0\green0\blue0;})");
        Line(R"(\margl1440\margr1440\margt1440\margb1440)");
        Line(R"({\qc\plain\f0\fs28\cf1\b)");
        PutText(options_.Title);
        EndLine();
        Line(R"(\par\plain\fs20\ql\par)");
        Line(R"({\pard\trowd\trgaph57\trleft0)");
        for (const char* edge : {"5100", "6600", "7630", "8600", "9360"}) {
          Put(R"(\clbrdrt\brdrs\clbrdrb\brdrs\clbrdrl\brdrs\clbrdrr\brdrs\brdrw0\brdrcf0\cellx)");
          Line(edge);
        }
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Task\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Date\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Time\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Priority\cell)");
        Line(R"(\intbl \sb40\sl\sa40 \plain\f0\fs20\cf1\b Done\cell\row)");
        break;
      case TExportFormat::kText:
        PutText(options_.Title);
        EndLine();
        EndLine();
        EndLine();
        PutColumn(u"Task", 51);
        PutColumn(u"Date", 12);
        PutColumn(u"Time", 8);
        PutColumn(u"Priority", 9);
        PutColumn(u"Done", 4);
        EndLine();
        Line(std::string(84, '='));
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

  // An HTML cell: "</BR>" stands for an empty text.
  void HtmlCell(std::string_view open, const QString& text) {
    Put(open);
    if (text.isEmpty()) {
      Put("</BR>");
    } else {
      PutText(text);
    }
    Put("</TD>");
  }

  void RtfCell(const QString& text, std::string_view close) {
    Put("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 ");
    PutText(text);
    Line(close);
  }

  TTaskWalk& source_;
  const TExportOptions& options_;
  QIODevice& device_;
  const int codePage_;
  TaskDisplay display_;
  TaskRecord task_;
  std::string out_;
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

Status TTaskExport::Write(TTaskWalk& source, const TExportOptions& options, QIODevice& device) {
  return Writer(source, options, device).Run();
}

Status TTaskExport::WriteFile(TTaskWalk& source, const TExportOptions& options, const QString& path) {
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
