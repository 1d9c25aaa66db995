#include "core/DateTimeFormat.h"

#include <utility>

namespace {

// The date part of a value that has only a time.
const QDate kZeroDate(1899, 12, 30);

bool IsAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
bool IsAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsAsciiLetter(char16_t c) { return IsAsciiLower(c) || IsAsciiUpper(c); }
bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
char16_t AsciiUpper(char16_t c) { return IsAsciiLower(c) ? static_cast<char16_t>(c - 32) : c; }

// Letter case changes limited to A-Z, so literal text in other scripts is left alone
// and positions stay the same.
QString AsciiUpper(const QString& text) {
  QString out = text;
  for (QChar& c : out) c = QChar(AsciiUpper(c.unicode()));
  return out;
}
QString AsciiLower(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (IsAsciiUpper(c.unicode())) c = QChar(static_cast<char16_t>(c.unicode() + 32));
  return out;
}

bool StartsWithNoCase(const QString& text, int pos, QLatin1StringView what) {
  return QStringView(text).mid(pos).startsWith(what, Qt::CaseInsensitive);
}

QDate& TodayOverride() {
  static QDate date;
  return date;
}

// ---- formatting ----

class TFormatter {
 public:
  TFormatter(const TFormatSettings& settings, const QDate& date, const QTime& time)
      : settings_(settings), date_(date.isValid() ? date : kZeroDate), time_(time.isValid() ? time : QTime(0, 0)) {}

  void Append(const QString& format);
  QString Take() { return std::move(out_); }

 private:
  void AppendNumber(int value, int digits) { out_ += QString::number(value).rightJustified(digits, QLatin1Char('0')); }
  int DayIndex() const { return date_.dayOfWeek() % 7; }  // 0 = Sunday

  const TFormatSettings& settings_;
  QDate date_;
  QTime time_;
  QString out_;
  int level_ = 0;
};

void TFormatter::Append(const QString& format) {
  // A named format may name another (ddddd inside the long date format) but
  // no deeper, so formats that name themselves end.
  if (level_ >= 2) return;
  ++level_;
  char16_t lastToken = u' ';
  bool use12HourClock = false;
  const int n = static_cast<int>(format.size());
  int i = 0;
  while (i < n) {
    const QChar starter = format[i++];
    char16_t token = AsciiUpper(starter.unicode());
    if (IsAsciiUpper(token)) {
      if (token == u'M' && lastToken == u'H') token = u'N';
      lastToken = token;
    }
    auto count = [&]() {
      int c = 1;
      while (i < n && format[i] == starter) {
        ++i;
        ++c;
      }
      return c;
    };
    switch (token) {
      case u'Y': {
        const int c = count();
        if (c <= 2)
          AppendNumber(((date_.year() % 100) + 100) % 100, 2);
        else
          AppendNumber(date_.year(), 4);
        break;
      }
      case u'M': {
        const int c = count();
        if (c <= 2)
          AppendNumber(date_.month(), c);
        else if (c == 3)
          out_ += settings_.ShortMonthNames[static_cast<size_t>(date_.month() - 1)];
        else
          out_ += settings_.LongMonthNames[static_cast<size_t>(date_.month() - 1)];
        break;
      }
      case u'D': {
        const int c = count();
        if (c <= 2)
          AppendNumber(date_.day(), c);
        else if (c == 3)
          out_ += settings_.ShortDayNames[static_cast<size_t>(DayIndex())];
        else if (c == 4)
          out_ += settings_.LongDayNames[static_cast<size_t>(DayIndex())];
        else if (c == 5)
          Append(settings_.ShortDateFormat);
        else
          Append(settings_.LongDateFormat);
        break;
      }
      case u'H': {
        const int c = count();
        // The 12-hour clock applies when an am/pm marker comes before the next hour.
        bool betweenQuotes = false;
        for (int p = i; p < n; ++p) {
          const char16_t ch = format[p].unicode();
          if ((ch == u'a' || ch == u'A') && !betweenQuotes) {
            if (StartsWithNoCase(format, p, QLatin1StringView("am/pm")) ||
                StartsWithNoCase(format, p, QLatin1StringView("a/p")) ||
                StartsWithNoCase(format, p, QLatin1StringView("ampm")))
              use12HourClock = true;
            break;
          }
          if (ch == u'h' || ch == u'H') break;
          if (ch == u'\'' || ch == u'"') betweenQuotes = !betweenQuotes;
        }
        int hour = time_.hour();
        if (use12HourClock) {
          if (hour == 0)
            hour = 12;
          else if (hour > 12)
            hour -= 12;
        }
        AppendNumber(hour, c > 2 ? 2 : c);
        break;
      }
      case u'N': {
        const int c = count();
        AppendNumber(time_.minute(), c > 2 ? 2 : c);
        break;
      }
      case u'S': {
        const int c = count();
        AppendNumber(time_.second(), c > 2 ? 2 : c);
        break;
      }
      case u'Z': {
        const int c = count();
        AppendNumber(time_.msec(), c > 3 ? 3 : c);
        break;
      }
      case u'T': {
        const int c = count();
        Append(c == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat);
        break;
      }
      case u'C': {
        count();
        Append(settings_.ShortDateFormat);
        if (time_.hour() != 0 || time_.minute() != 0 || time_.second() != 0) {
          out_ += QLatin1Char(' ');
          Append(settings_.LongTimeFormat);
        }
        break;
      }
      case u'A': {
        const int p = i - 1;
        const bool pm = time_.hour() >= 12;
        if (StartsWithNoCase(format, p, QLatin1StringView("am/pm"))) {
          out_ += format.mid(pm ? p + 3 : p, 2);
          i += 4;
          use12HourClock = true;
        } else if (StartsWithNoCase(format, p, QLatin1StringView("a/p"))) {
          out_ += format.mid(pm ? p + 2 : p, 1);
          i += 2;
          use12HourClock = true;
        } else if (StartsWithNoCase(format, p, QLatin1StringView("ampm"))) {
          out_ += pm ? settings_.TimePMString : settings_.TimeAMString;
          i += 3;
          use12HourClock = true;
        } else {
          out_ += starter;
        }
        break;
      }
      case u'/':
        if (!settings_.DateSeparator.isNull()) out_ += settings_.DateSeparator;
        break;
      case u':':
        if (!settings_.TimeSeparator.isNull()) out_ += settings_.TimeSeparator;
        break;
      case u'\'':
      case u'"': {
        const int start = i;
        while (i < n && format[i] != starter) ++i;
        out_ += format.mid(start, i - start);
        if (i < n) ++i;  // the closing quote
        break;
      }
      default:
        out_ += starter;
        break;
    }
  }
  --level_;
}

// ---- parsing ----

class TScanner {
 public:
  explicit TScanner(const QString& text) : s_(text) {}

  int Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= Size(); }

  void Blanks() {
    while (pos_ < Size() && s_[pos_] == QLatin1Char(' ')) ++pos_;
  }

  // Digits after optional blanks; stops once the value reaches four digits.
  bool Number(int& value, int& length) {
    Blanks();
    int i = pos_;
    int v = 0;
    while (i < Size() && IsAsciiDigit(s_[i].unicode()) && v < 1000) {
      v = v * 10 + (s_[i].unicode() - u'0');
      ++i;
    }
    if (i == pos_) return false;
    length = i - pos_;
    pos_ = i;
    value = v;
    return true;
  }

  // The character after optional blanks. A blank separator is met by the blanks.
  bool Char(QChar c) {
    const int before = pos_;
    Blanks();
    if (c == QLatin1Char(' ')) return pos_ > before;
    if (pos_ < Size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // The symbol in any letter case, after optional blanks.
  bool Symbol(const QString& symbol) {
    if (symbol.isEmpty()) return false;
    Blanks();
    if (QStringView(s_).mid(pos_, symbol.size()).compare(symbol, Qt::CaseInsensitive) == 0) {
      pos_ += static_cast<int>(symbol.size());
      return true;
    }
    return false;
  }

 private:
  int Size() const { return static_cast<int>(s_.size()); }
  const QString& s_;
  int pos_ = 0;
};

enum class TDateOrder { kMDY, kDMY, kYMD };

TDateOrder DateOrderOf(const QString& shortDateFormat) {
  for (const QChar ch : shortDateFormat) {
    switch (AsciiUpper(ch.unicode())) {
      case u'E':
      case u'Y':
        return TDateOrder::kYMD;
      case u'M':
        return TDateOrder::kMDY;
      case u'D':
        return TDateOrder::kDMY;
      default:
        break;
    }
  }
  return TDateOrder::kMDY;
}

bool EncodeDate(int year, int month, int day, QDate& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (day > QDate(year, month, 1).daysInMonth()) return false;
  date = QDate(year, month, day);
  return true;
}

// The text that the short date format shows after its last day, month or year
// letter, blanks trimmed ("9.01.2024 г." in some locales), so a date reads back
// as it is shown.
QString TrailingText(const TFormatSettings& settings) {
  const QString& format = settings.ShortDateFormat;
  int after = -1;
  QChar quote;
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      continue;
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      continue;
    }
    const char16_t u = AsciiUpper(c.unicode());
    if (u == u'D' || u == u'M' || u == u'Y') after = i + 1;
  }
  if (after < 0 || after >= format.size()) return QString();
  QString text = FormatDateTime(format.mid(after), kZeroDate, QTime(0, 0), settings).trimmed();
  if (text.size() == 1 && text[0] == settings.DateSeparator) return QString();
  return text;
}

bool ScanDate(TScanner& scan, QDate& date, const TFormatSettings& settings) {
  const TDateOrder order = DateOrderOf(settings.ShortDateFormat);
  int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
  if (!(scan.Number(n1, l1) && scan.Char(settings.DateSeparator) && scan.Number(n2, l2))) return false;
  int year = 0, month = 0, day = 0;
  const QDate today = Today();
  if (scan.Char(settings.DateSeparator)) {
    if (!scan.Number(n3, l3)) return false;
    int yearLength = 0;
    switch (order) {
      case TDateOrder::kMDY:
        year = n3, yearLength = l3, month = n1, day = n2;
        break;
      case TDateOrder::kDMY:
        year = n3, yearLength = l3, month = n2, day = n1;
        break;
      case TDateOrder::kYMD:
        year = n1, yearLength = l1, month = n2, day = n3;
        break;
    }
    if (yearLength <= 2) {
      const int window = settings.TwoDigitYearCenturyWindow;
      const int centuryBase = today.year() - window;
      year += centuryBase / 100 * 100;
      if (window > 0 && year < centuryBase) year += 100;
    }
  } else {
    year = today.year();
    if (order == TDateOrder::kDMY)
      day = n1, month = n2;
    else
      month = n1, day = n2;
  }
  scan.Char(settings.DateSeparator);  // a trailing separator is allowed
  scan.Symbol(TrailingText(settings));   // and the text the short date format shows after the date
  scan.Blanks();
  return EncodeDate(year, month, day, date);
}

bool ScanTime(TScanner& scan, QTime& time, const TFormatSettings& settings) {
  int baseHour = -1;
  auto designator = [&]() {
    if (scan.Symbol(settings.TimeAMString) || scan.Symbol(QStringLiteral("AM")))
      baseHour = 0;
    else if (scan.Symbol(settings.TimePMString) || scan.Symbol(QStringLiteral("PM")))
      baseHour = 12;
  };
  designator();
  if (baseHour >= 0) scan.Blanks();
  int hour = 0, minute = 0, second = 0, msec = 0, length = 0;
  if (!scan.Number(hour, length)) return false;
  if (scan.Char(settings.TimeSeparator)) {
    if (!scan.Number(minute, length)) return false;
    if (scan.Char(settings.TimeSeparator)) {
      if (!scan.Number(second, length)) return false;
      if (scan.Char(settings.DecimalSeparator) && !scan.Number(msec, length)) return false;
    }
  }
  if (baseHour < 0) designator();
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  scan.Blanks();
  if (hour > 23 || minute > 59 || second > 59 || msec > 999) return false;
  time = QTime(hour, minute, second, msec);
  return true;
}

// ---- locale patterns ----

// Literal text in our letters: quoted when it holds letters or quote characters.
void AppendLiteral(QString& out, const QString& literal) {
  if (literal.isEmpty()) return;
  bool needsQuotes = false;
  for (const QChar c : literal)
    if (IsAsciiLetter(c.unicode()) || c == QLatin1Char('"') || c == QLatin1Char('\'')) needsQuotes = true;
  if (!needsQuotes) {
    out += literal;
    return;
  }
  if (!literal.contains(QLatin1Char('"'))) {
    out += QLatin1Char('"') + literal + QLatin1Char('"');
  } else if (!literal.contains(QLatin1Char('\''))) {
    out += QLatin1Char('\'') + literal + QLatin1Char('\'');
  } else {
    for (const QChar c : literal)
      out += c == QLatin1Char('"') ? QStringLiteral("'\"'") : QStringLiteral("\"") + c + QLatin1Char('"');
  }
}

// The first separator character after a run of one of the given letters, outside quotes.
QChar SeparatorAfter(const QString& pattern, QLatin1StringView letters, QChar fallback) {
  bool inQuotes = false;
  bool afterLetter = false;
  QChar blank;
  for (const QChar c : pattern) {
    if (c == QLatin1Char('\'')) {
      inQuotes = !inQuotes;
      continue;
    }
    if (inQuotes) continue;
    if (IsAsciiLetter(c.unicode())) {
      if (afterLetter && !blank.isNull()) return blank;
      afterLetter = letters.contains(c);
      continue;
    }
    if (!afterLetter) continue;
    if (c == QLatin1Char(' ')) {
      blank = c;
      continue;
    }
    return c;
  }
  return fallback;
}

// Our short and long time formats built the classic way from the locale's short time
// pattern: hour with or without a leading zero, ":mm", ":ss" for the long one, and the
// AM/PM designator in front or behind when the locale uses the 12-hour clock.
std::pair<QString, QString> TimeFormatsFrom(const QString& pattern) {
  QString hour = QStringLiteral("h");
  int hourPos = -1, markerPos = -1;
  bool inQuotes = false;
  for (int i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('\'')) {
      inQuotes = !inQuotes;
      continue;
    }
    if (inQuotes) continue;
    if ((c == QLatin1Char('h') || c == QLatin1Char('H')) && hourPos < 0) {
      hourPos = i;
      if (i + 1 < pattern.size() && pattern[i + 1] == c) hour = QStringLiteral("hh");
    }
    if ((c == QLatin1Char('a') || c == QLatin1Char('A')) && markerPos < 0) markerPos = i;
  }
  QString prefix, postfix;
  if (markerPos >= 0) {
    if (hourPos >= 0 && markerPos < hourPos)
      prefix = QStringLiteral("AMPM ");
    else
      postfix = QStringLiteral(" AMPM");
  }
  return {prefix + hour + QStringLiteral(":mm") + postfix, prefix + hour + QStringLiteral(":mm:ss") + postfix};
}

struct TState {
  TFormatSettings current;
  TDateFormatSet user;
};

TDateFormatSet UserSetFrom(const TFormatSettings& s) {
  return {WidenShortDateFormat(s.ShortDateFormat, s.DateSeparator), s.DateSeparator, s.TimeSeparator,
          s.TimeAMString, s.TimePMString};
}

void Apply(TFormatSettings& s, const TDateFormatSet& set) {
  s.ShortDateFormat = set.ShortDateFormat;
  s.DateSeparator = set.DateSeparator;
  s.TimeSeparator = set.TimeSeparator;
  s.TimeAMString = set.TimeAMString;
  s.TimePMString = set.TimePMString;
}

TState& State() {
  static TState state = [] {
    TState s;
    s.current = TFormatSettings::FromLocale(QLocale::system());
    s.user = UserSetFrom(s.current);
    Apply(s.current, WorkingDateFormats());
    return s;
  }();
  return state;
}

}  // namespace

TFormatSettings::TFormatSettings()
    : ShortMonthNames{QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
                      QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
                      QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")},
      LongMonthNames{QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
                     QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
                     QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
                     QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")},
      ShortDayNames{QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                    QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")},
      LongDayNames{QStringLiteral("Sunday"),   QStringLiteral("Monday"), QStringLiteral("Tuesday"),
                   QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
                   QStringLiteral("Saturday")} {}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale) {
  TFormatSettings s;
  const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
  s.ShortDateFormat = QtPatternToFormat(shortDate);
  s.LongDateFormat = QtPatternToFormat(locale.dateFormat(QLocale::LongFormat));
  s.DateSeparator = SeparatorAfter(shortDate, QLatin1StringView("dMy"), QLatin1Char('/'));
  s.TimeSeparator = SeparatorAfter(shortTime, QLatin1StringView("hHms"), QLatin1Char(':'));
  const QString decimal = locale.decimalPoint();
  if (!decimal.isEmpty()) s.DecimalSeparator = decimal.front();
  const auto [shortFormat, longFormat] = TimeFormatsFrom(shortTime);
  s.ShortTimeFormat = shortFormat;
  s.LongTimeFormat = longFormat;
  if (!locale.amText().isEmpty()) s.TimeAMString = locale.amText();
  if (!locale.pmText().isEmpty()) s.TimePMString = locale.pmText();
  for (int m = 1; m <= 12; ++m) {
    s.ShortMonthNames[static_cast<size_t>(m - 1)] = locale.monthName(m, QLocale::ShortFormat);
    s.LongMonthNames[static_cast<size_t>(m - 1)] = locale.monthName(m, QLocale::LongFormat);
  }
  for (int d = 1; d <= 7; ++d) {  // Qt counts Monday = 1 ... Sunday = 7
    s.ShortDayNames[static_cast<size_t>(d % 7)] = locale.dayName(d, QLocale::ShortFormat);
    s.LongDayNames[static_cast<size_t>(d % 7)] = locale.dayName(d, QLocale::LongFormat);
  }
  return s;
}

TFormatSettings& FormatSettings() { return State().current; }

TDateFormatSet WorkingDateFormats() {
  return {QStringLiteral("mm/dd/yyyy"), QLatin1Char('/'), QLatin1Char(':'), QStringLiteral("AM"),
          QStringLiteral("PM")};
}

TDateFormatSet& UserDateFormats() { return State().user; }

void CaptureUserDateFormats(const QLocale& locale) {
  TState& state = State();
  state.current = TFormatSettings::FromLocale(locale);
  state.user = UserSetFrom(state.current);
  ApplyDateFormatSet(WorkingDateFormats());
}

void ApplyDateFormatSet(const TDateFormatSet& set) { Apply(FormatSettings(), set); }

TDateFormatSet CurrentDateFormatSet() {
  const TFormatSettings& s = FormatSettings();
  return {s.ShortDateFormat, s.DateSeparator, s.TimeSeparator, s.TimeAMString, s.TimePMString};
}

QString QtPatternToFormat(const QString& qtPattern) {
  QString out;
  QString literal;
  const int n = static_cast<int>(qtPattern.size());
  int i = 0;
  auto put = [&](const QString& token) {
    AppendLiteral(out, literal);
    literal.clear();
    out += token;
  };
  while (i < n) {
    const QChar c = qtPattern[i];
    if (c == QLatin1Char('\'')) {
      // Quoted text; two quotes stand for one, inside or outside quotes.
      if (i + 1 < n && qtPattern[i + 1] == QLatin1Char('\'')) {
        literal += QLatin1Char('\'');
        i += 2;
        continue;
      }
      ++i;
      while (i < n) {
        if (qtPattern[i] == QLatin1Char('\'')) {
          if (i + 1 < n && qtPattern[i + 1] == QLatin1Char('\'')) {
            literal += QLatin1Char('\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal += qtPattern[i++];
      }
      continue;
    }
    int run = 1;
    while (i + run < n && qtPattern[i + run] == c) ++run;
    const int capped = run > 4 ? 4 : run;
    switch (c.unicode()) {
      case u'd':
        put(QString(capped, QLatin1Char('d')));
        break;
      case u'M':
        put(QString(capped, QLatin1Char('M')));
        break;
      case u'y':
        put(run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"));
        break;
      case u'h':
      case u'H':
        put(QString(run >= 2 ? 2 : 1, QLatin1Char('h')));
        break;
      case u'm':
        put(QString(run >= 2 ? 2 : 1, QLatin1Char('n')));
        break;
      case u's':
        put(QString(run >= 2 ? 2 : 1, QLatin1Char('s')));
        break;
      case u'z':
        put(run >= 2 ? QStringLiteral("zzz") : QStringLiteral("z"));
        break;
      case u'a':
      case u'A':
        // "AP", "ap", "A", "a" (and mixed case): the locale's designator.
        put(QStringLiteral("ampm"));
        run = (i + 1 < n && (qtPattern[i + 1] == QLatin1Char('p') || qtPattern[i + 1] == QLatin1Char('P'))) ? 2 : 1;
        break;
      case u't':
        break;  // time zone: not shown
      default:
        literal += QString(run, c);
        break;
    }
    i += run;
  }
  AppendLiteral(out, literal);
  // A dropped time zone may leave blanks at the end.
  while (out.endsWith(QLatin1Char(' '))) out.chop(1);
  return out;
}

QString WidenShortDateFormat(const QString& format, QChar dateSeparator) {
  const QString upper = AsciiUpper(format);
  if (upper.contains(QLatin1StringView("YYYY"))) return format;
  QString widened = format;
  qsizetype at = -1;
  if ((at = upper.indexOf(QLatin1StringView("YYY"))) >= 0)
    widened.insert(at, QLatin1StringView("Y"));
  else if ((at = upper.indexOf(QLatin1StringView("YY"))) >= 0)
    widened.insert(at, QLatin1StringView("YY"));
  else if ((at = upper.indexOf(QLatin1Char('Y'))) >= 0)
    widened.insert(at, QLatin1StringView("YYY"));
  else {
    if (!dateSeparator.isNull()) widened += dateSeparator;
    widened += QLatin1StringView("YYYY");
  }
  return AsciiLower(widened);
}

QString ReduceShortDateFormat(const QString& format) {
  QString out;
  int days = 0, months = 0;
  for (const QChar c : format) {
    const char16_t u = AsciiUpper(c.unicode());
    if (u == u'D') {
      if (days++ < 2) out += c;
    } else if (u == u'M') {
      if (months++ < 2) out += c;
    } else {
      out += c;
    }
  }
  return out;
}

QString FormatDateTime(const QString& format, const QDate& date, const QTime& time,
                       const TFormatSettings& settings) {
  TFormatter formatter(settings, date, time);
  formatter.Append(format.isEmpty() ? QStringLiteral("c") : format);
  return formatter.Take();
}

QString FormatDateTime(const QString& format, const QDateTime& value, const TFormatSettings& settings) {
  return FormatDateTime(format, value.date(), value.time(), settings);
}

QString FormatDateTime(const QString& format, const QDate& date, const TFormatSettings& settings) {
  return FormatDateTime(format, date, QTime(0, 0), settings);
}

QString FormatDateTime(const QString& format, const QTime& time, const TFormatSettings& settings) {
  return FormatDateTime(format, kZeroDate, time, settings);
}

QDate Today() {
  const QDate& fixed = TodayOverride();
  return fixed.isValid() ? fixed : QDate::currentDate();
}

void SetTodayForTests(const QDate& date) { TodayOverride() = date; }

bool TryStrToDate(const QString& text, QDate& date, const TFormatSettings& settings) {
  TScanner scan(text);
  QDate value;
  if (!ScanDate(scan, value, settings) || !scan.AtEnd()) return false;
  date = value;
  return true;
}

bool TryStrToTime(const QString& text, QTime& time, const TFormatSettings& settings) {
  TScanner scan(text);
  QTime value;
  if (!ScanTime(scan, value, settings) || !scan.AtEnd()) return false;
  time = value;
  return true;
}

bool TryStrToDateTime(const QString& text, QDateTime& value, const TFormatSettings& settings) {
  TScanner scan(text);
  QDate date;
  QTime time(0, 0);
  if (ScanDate(scan, date, settings) && (scan.AtEnd() || (ScanTime(scan, time, settings) && scan.AtEnd()))) {
    value = QDateTime(date, time);
    return true;
  }
  if (!TryStrToTime(text, time, settings)) return false;
  value = QDateTime(kZeroDate, time);
  return true;
}

QDate StrToDate(const QString& text, const TFormatSettings& settings) {
  QDate date;
  return TryStrToDate(text, date, settings) ? date : QDate();
}

QTime StrToTime(const QString& text, const TFormatSettings& settings) {
  QTime time;
  return TryStrToTime(text, time, settings) ? time : QTime();
}

QDateTime StrToDateTime(const QString& text, const TFormatSettings& settings) {
  QDateTime value;
  return TryStrToDateTime(text, value, settings) ? value : QDateTime();
}
