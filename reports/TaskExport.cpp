#include "reports/TaskExport.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
// into one buffer. Tasks are read as their stored bytes, which already are in the
// document's code page: they are escaped straight into the buffer, the display texts of
// dates, times and priorities are made once per stored value, and notes are wrapped on
// their bytes when the measure gives its advances.
class Writer {
 public:
  Writer(TTaskWalk& source, const TExportOptions& options, QIODevice& device)
      : source_(source),
        options_(options),
        device_(device),
        codePage_(source.CodePage()),
        html_(options.Format == TExportFormat::kHtml),
        rtf_(options.Format == TExportFormat::kRtf) {
    out_.reserve(kChunk + 4096);
    for (int b = 0; b < 256; ++b) {
      // The byte PutText writes for the character this byte stands for: itself, but for
      // the bytes the code page leaves unassigned.
      const char16_t c = xbase::ByteToUnicode(static_cast<uint8_t>(b), codePage_);
      const char byte = c < 0x80 ? static_cast<char>(c) : xbase::UnicodeToByte(c, codePage_);
      written_[static_cast<size_t>(b)] = byte;
      char escaped[8];
      const bool plain = PutByte(escaped, byte) == escaped + 1 && escaped[0] == byte;
      direct_[static_cast<size_t>(b)] = plain ? static_cast<int16_t>(static_cast<unsigned char>(byte)) : int16_t{-1};
    }
    if (options.Measure.Advance) {
      std::array<double, 256> advances{};
      for (size_t b = 0; b < advances.size(); ++b) {
        advances[b] = options.Measure.Advance(xbase::ByteToUnicode(static_cast<uint8_t>(b), codePage_));
      }
      advances_ = TByteAdvances(advances);
      wrapBytes_ = advances_.growing;
    }
    for (const bool done : {false, true}) Encode(doneTexts_[done ? 1 : 0], TaskDisplay::IsDone(done));
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

  // One byte of the document's code page at `p`, escaped for HTML and RTF, as it is for
  // the text file; returns the end of what was written.
  char* PutByte(char* p, char byte) const {
    if (html_ && (byte == '&' || byte == '<' || byte == '>')) {
      const std::string_view entity = byte == '&' ? "&amp;" : byte == '<' ? "&lt;" : "&gt;";
      return std::copy(entity.begin(), entity.end(), p);
    }
    if (rtf_ && (byte == '\\' || byte == '{' || byte == '}')) *p++ = '\\';
    if (rtf_ && static_cast<unsigned char>(byte) >= 0x80) {
      // RTF is seven-bit: a byte above 127 is written as the escape of its code.
      constexpr char kHex[] = "0123456789abcdef";
      const auto code = static_cast<unsigned char>(byte);
      *p++ = '\\';
      *p++ = '\'';
      *p++ = kHex[code >> 4];
      *p++ = kHex[code & 0x0F];
      return p;
    }
    *p++ = byte;
    return p;
  }
  // Room at the end of `out` for `n` characters escaped at their longest; the caller gives
  // back what it did not use.
  char* Room(std::string& out, size_t n) const {
    const size_t at = out.size();
    out.resize(at + (html_ ? 5 : rtf_ ? 4 : 1) * n);
    return out.data() + at;
  }
  // Text encoded in the table's code page and escaped, appended to `out`.
  void Encode(std::string& out, QStringView text) const {
    char* p = Room(out, static_cast<size_t>(text.size()));
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
      p = PutByte(p, byte);
    }
    out.resize(static_cast<size_t>(p - out.data()));
  }
  void PutText(QStringView text) { Encode(out_, text); }
  // Stored bytes, written as PutText writes the characters they stand for (most of them
  // need no escape: one look-up each).
  void PutBytes(std::string_view bytes) {
    char* p = Room(out_, bytes.size());
    for (const char b : bytes) {
      const int16_t direct = direct_[static_cast<unsigned char>(b)];
      if (direct >= 0) {
        *p++ = static_cast<char>(direct);
      } else {
        p = PutByte(p, written_[static_cast<unsigned char>(b)]);
      }
    }
    out_.resize(static_cast<size_t>(p - out_.data()));
  }
  // Left-justified in `width` bytes: padded with blanks, or cut.
  void FitColumn(size_t start, size_t width) {
    if (out_.size() - start > width) {
      out_.resize(start + width);
    } else {
      out_.append(start + width - out_.size(), ' ');
    }
  }
  void PutColumn(QStringView text, size_t width) {
    const size_t start = out_.size();
    PutText(text);
    FitColumn(start, width);
  }
  // Cells hold either a task's stored bytes or a display text already encoded and escaped.
  enum class Cell { kStored, kEncoded };
  void PutCell(std::string_view text, Cell kind) {
    if (kind == Cell::kStored) {
      PutBytes(text);
    } else {
      Put(text);
    }
  }
  void PutColumn(std::string_view text, Cell kind, size_t width) {
    const size_t start = out_.size();
    PutCell(text, kind);
    FitColumn(start, width);
  }

  // The display text of a stored value, encoded and escaped, made once per value: a list
  // holds the same few dates, times and priorities over and over.
  using Known = std::unordered_map<std::string, std::string>;
  template <class Show>
  const std::string& Shown(Known& known, const std::string& stored, Show show) {
    auto it = known.find(stored);
    if (it == known.end()) {
      std::string text;
      Encode(text, show(FromCodePage(stored, codePage_)));
      it = known.emplace(stored, std::move(text)).first;
    }
    return it->second;
  }

  // ---- the walk of the task list
  void Walk() {
    source_.First();
    const int count = source_.Count();
    int rows = 0;
    // An empty list has no row to write (the walk would otherwise write one of empty cells).
    while (!source_.AtEnd()) {
      source_.ReadBytes(task_, {.keys = false, .note = options_.CopyNotes});
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
    const std::string& date = Shown(dates_, task_.date, [this](const QString& s) { return display_.ShowDate(s); });
    const std::string& time = Shown(times_, task_.time, [this](const QString& s) { return display_.ShowTime(s); });
    const std::string& priority = Shown(priorities_, task_.priority, TaskDisplay::ShowPriority);
    const std::string& done = doneTexts_[task_.done ? 1 : 0];
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line("<TR>");
        HtmlCell("<TD WRAP>", task_.descript, Cell::kStored);
        HtmlCell("<TD NOWRAP>", date);
        HtmlCell("<TD NOWRAP>", time);
        HtmlCell("<TD NOWRAP>", priority);
        HtmlCell("<TD NOWRAP>", done);
        Line("</TR>");
        break;
      case TExportFormat::kRtf:
        RtfCell(task_.descript, "\\cell", Cell::kStored);
        RtfCell(date, "\\cell");
        RtfCell(time, "\\cell");
        RtfCell(priority, "\\cell");
        RtfCell(done, "\\cell\\row");
        break;
      case TExportFormat::kText:
        PutColumn(task_.descript, Cell::kStored, task_schema::kDescriptWidth);
        PutColumn(date, Cell::kEncoded, 12);
        PutColumn(time, Cell::kEncoded, 9);
        PutColumn(priority, Cell::kEncoded, 9);
        PutColumn(done, Cell::kEncoded, 4);
        EndLine();
        break;
    }
  }

  // The note's lines, each without its trailing blanks (leading ones stay).
  void Notes() {
    if (task_.note.empty()) return;
    if (wrapBytes_) {
      NoteLineSpans(task_.note, options_.NoteWidth, advances_, &spans_);
      NoteBlock(spans_.size(), [this](size_t i) {
        std::string_view line = std::string_view(task_.note).substr(spans_[i].start, spans_[i].end - spans_[i].start);
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        PutBytes(line);
      });
    } else {
      const QStringList lines = NoteLines(FromCodePage(task_.note, codePage_), options_.NoteWidth, options_.Measure.Width);
      NoteBlock(static_cast<size_t>(lines.size()), [this, &lines](size_t i) {
        const QString& line = lines[static_cast<qsizetype>(i)];
        qsizetype n = line.size();
        while (n > 0 && line[n - 1] == QLatin1Char(' ')) --n;
        PutText(QStringView(line).left(n));
      });
    }
  }

  // The note block of `count` lines; `putLine(i)` writes the text of line i.
  template <class PutLine>
  void NoteBlock(size_t count, PutLine putLine) {
    if (count == 0) return;
    switch (options_.Format) {
      case TExportFormat::kHtml:
        Line("<TR>");
        Put("<TD WRAP><FONT SIZE=-1><I><BLOCKQUOTE>");
        putLine(0);
        Line(" ");
        for (size_t i = 1; i < count; ++i) {
          Put("<BR>");
          putLine(i);
          Line(" ");
        }
        Line("</I><FONT SIZE=+1></BLOCKQUOTE></TD><TD NOWRAP></BR></TD><TD NOWRAP></BR></TD>"
             "<TD NOWRAP></BR></TD></TR>");
        break;
      case TExportFormat::kRtf:
        Line("\\intbl \\sb0\\sl\\sa0 \\plain\\f0\\fs16\\cf1\\i\\li180 ");
        putLine(0);
        Line(" ");
        for (size_t i = 1; i < count; ++i) {
          Put("\\par ");
          putLine(i);
          Line(" ");
        }
        Line("\\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1\\li0 \\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 \\cell");
        Line("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 \\cell\\row");
        break;
      case TExportFormat::kText:
        for (size_t i = 0; i < count; ++i) {
          Put("   ");
          putLine(i);
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
  void HtmlCell(std::string_view open, std::string_view text, Cell kind = Cell::kEncoded) {
    Put(open);
    if (text.empty()) {
      Put("</BR>");
    } else {
      PutCell(text, kind);
    }
    Put("</TD>");
  }

  void RtfCell(std::string_view text, std::string_view close, Cell kind = Cell::kEncoded) {
    Put("\\intbl \\sb40\\sl\\sa40 \\plain\\f0\\fs20\\cf1 ");
    PutCell(text, kind);
    Line(close);
  }

  TTaskWalk& source_;
  const TExportOptions& options_;
  QIODevice& device_;
  const int codePage_;
  const bool html_;
  const bool rtf_;
  std::array<char, 256> written_{};
  // The byte itself when the document writes it unescaped, else -1.
  std::array<int16_t, 256> direct_{};
  bool wrapBytes_ = false;
  TByteAdvances advances_;
  std::vector<TextSpan> spans_;
  TaskDisplay display_;
  Known dates_, times_, priorities_;
  std::array<std::string, 2> doneTexts_;
  TaskBytes task_;
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
  options.Measure = measure.AsMeasure();
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
