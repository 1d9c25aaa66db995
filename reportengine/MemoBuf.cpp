#include "reportengine/MemoBuf.h"

#include <QRegularExpression>

#include <algorithm>

#include "reportengine/BaseReport.h"
#include "reportengine/ReportError.h"

void TMemoBuf::SetText(const QString& text) {
  text_ = text;
  lines_.clear();
  next_line_ = 0;
  wrapped_ = false;
}

void TMemoBuf::Wrap(TBaseReport& report) {
  if (PrintEnd <= PrintStart) throw EReportError(report_messages::kMemoBufRange);
  const double width = PrintEnd - PrintStart;
  // Lines stay as wrapped once printing has begun; before that a new font or column
  // wraps them again.
  if (wrapped_ && (next_line_ > 0 || (wrapped_font_ == report.Font() && wrapped_width_ == width))) {
    return;
  }
  lines_.clear();
  wrapped_ = true;
  wrapped_font_ = report.Font();
  wrapped_width_ = width;
  next_line_ = 0;
  if (text_.isEmpty()) return;
  const auto fits = [&report, width](const QString& text) {
    return report.TextWidth(text) <= width;
  };
  const QStringList paragraphs = text_.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  for (const QString& paragraph : paragraphs) {
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      if (!line.isEmpty()) {
        const QString candidate = line + QLatin1Char(' ') + word;
        if (fits(candidate)) {
          line = candidate;
          continue;
        }
        lines_.push_back({line, false});
      }
      // The word starts a line; one wider than the column is cut where it reaches the
      // edge (a letter at least per line).
      QString rest = word;
      while (!fits(rest) && rest.size() > 1) {
        qsizetype fit = 1;
        while (fit + 1 < rest.size() && fits(rest.left(fit + 1))) ++fit;
        lines_.push_back({rest.left(fit), false});
        rest = rest.mid(fit);
      }
      line = rest;
    }
    lines_.push_back({line, true});
  }
  // A text ending in a line break has no empty last line.
  if (lines_.size() > 1 && lines_.back().text.isEmpty()) lines_.pop_back();
}

int TMemoBuf::LineCount(TBaseReport& report) {
  Wrap(report);
  return static_cast<int>(lines_.size());
}

int TMemoBuf::PrintLines(TBaseReport& report, int max_lines) {
  Wrap(report);
  const int limit = max_lines > 0 ? max_lines : std::max(1, report.LinesLeft());
  int printed = 0;
  while (printed < limit && next_line_ < lines_.size()) {
    const TLine& line = lines_[next_line_++];
    switch (Justify) {
      case pjCenter: report.PrintCenter(line.text, (PrintStart + PrintEnd) / 2); break;
      case pjRight: report.PrintRight(line.text, PrintEnd); break;
      case pjBlock:
        if (line.last_of_paragraph) {
          report.PrintLeft(line.text, PrintStart);
        } else {
          report.PrintBlock(line.text, PrintStart, PrintEnd - PrintStart);
        }
        break;
      case pjLeft:
      case pjNone: report.PrintLeft(line.text, PrintStart); break;
    }
    report.NewLine();
    ++printed;
  }
  return printed;
}
