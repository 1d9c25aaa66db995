#include "store/IniFile.h"

#include <QFile>
#include <QStringDecoder>

#include <string>
#include <utility>
#include <vector>

#include "store/xbase/File.h"

namespace {

// One line of the file: its content and the line end that followed it ("\r\n",
// "\n", or nothing for a last line without one), so untouched lines go back as read.
struct TLine {
  QByteArray content;
  QByteArray end;
};

struct TContent {
  std::vector<TLine> lines;
  QByteArray lineEnd = "\n";  // for added lines: the file's own style
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray TrimmedBytes(QByteArrayView bytes) {
  qsizetype begin = 0, end = bytes.size();
  while (begin < end && IsBlank(bytes[begin])) ++begin;
  while (end > begin && IsBlank(bytes[end - 1])) --end;
  return bytes.sliced(begin, end - begin).toByteArray();
}

// Values written by this program are UTF-8; a file written elsewhere in a single-byte
// code page still reads (as Latin-1) instead of giving replacement characters.
QString Decode(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes);
}

TContent Parse(const QByteArray& data) {
  TContent content;
  qsizetype pos = 0;
  bool styleSeen = false;
  while (pos < data.size()) {
    qsizetype nl = data.indexOf('\n', pos);
    TLine line;
    if (nl < 0) {
      line.content = data.mid(pos);
      pos = data.size();
    } else {
      qsizetype contentEnd = nl;
      if (contentEnd > pos && data[contentEnd - 1] == '\r') --contentEnd;
      line.content = data.mid(pos, contentEnd - pos);
      line.end = data.mid(contentEnd, nl + 1 - contentEnd);
      if (!styleSeen) {
        content.lineEnd = line.end;
        styleSeen = true;
      }
      pos = nl + 1;
    }
    content.lines.push_back(std::move(line));
  }
  return content;
}

QByteArray Serialize(const TContent& content) {
  QByteArray data;
  for (const TLine& line : content.lines) data += line.content + line.end;
  return data;
}

// The section name of a "[Name]" line, or a null string for any other line.
QString SectionNameOf(const QByteArray& content) {
  const QByteArray t = TrimmedBytes(content);
  if (!t.startsWith('[')) return QString();
  qsizetype close = t.indexOf(']');
  if (close < 0) close = t.size();
  QString name = Decode(TrimmedBytes(t.mid(1, close - 1)));
  if (name.isNull()) name = QStringLiteral("");
  return name;
}

bool IsComment(const QByteArray& content) {
  const QByteArray t = TrimmedBytes(content);
  return t.startsWith(';');
}

// Where a key lives in the parsed file.
struct TPlace {
  int section = -1;      // the "[Section]" line
  int key = -1;          // the key's line
  int lastInSection = -1;  // the section's last non-blank line (new keys go after it)
};

TPlace Find(const TContent& content, const QString& section, const QString& key) {
  TPlace place;
  const int count = static_cast<int>(content.lines.size());
  for (int i = 0; i < count; ++i) {
    const QString name = SectionNameOf(content.lines[static_cast<size_t>(i)].content);
    if (!name.isNull() && name.compare(section, Qt::CaseInsensitive) == 0) {
      place.section = i;
      break;
    }
  }
  if (place.section < 0) return place;
  place.lastInSection = place.section;
  for (int i = place.section + 1; i < count; ++i) {
    const QByteArray& line = content.lines[static_cast<size_t>(i)].content;
    if (!SectionNameOf(line).isNull()) break;
    if (!TrimmedBytes(line).isEmpty()) place.lastInSection = i;
    if (place.key >= 0 || IsComment(line) || key.isNull()) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    if (Decode(TrimmedBytes(line.left(eq))).compare(key, Qt::CaseInsensitive) == 0) place.key = i;
  }
  return place;
}

// Reads the whole file. A missing file is empty; false when it exists but cannot be read.
bool Load(const QString& fileName, QByteArray& data) {
  data.clear();
  QFile file(fileName);
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) return false;
  data = file.readAll();
  return file.error() == QFileDevice::NoError;
}

bool ParseInteger(const QString& text, int& value) {
  if (text.size() > 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
    const QString digits = text.mid(2);
    if (digits.size() > 8) return false;
    bool ok = false;
    const uint hex = digits.toUInt(&ok, 16);
    if (!ok) return false;
    // Eight hex digits fill the 32 bits, as a colour or a mask is written.
    value = static_cast<int>(hex);
    return true;
  }
  if (text.isEmpty()) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const bool sign = i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'));
    if (!sign && !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) return false;
  }
  bool ok = false;
  const int parsed = text.toInt(&ok, 10);
  if (!ok) return false;
  value = parsed;
  return true;
}

}  // namespace

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName)) {}

namespace {

// The key's value as stored (blanks and one pair of quotes around it removed);
// false when the file, section or key is missing.
bool Lookup(const QString& fileName, const QString& section, const QString& key, QString& value) {
  QByteArray data;
  if (!Load(fileName, data)) return false;
  const TContent content = Parse(data);
  const TPlace place = Find(content, section, key);
  if (place.key < 0) return false;
  const QByteArray& line = content.lines[static_cast<size_t>(place.key)].content;
  QByteArray raw = TrimmedBytes(line.mid(line.indexOf('=') + 1));
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
    raw = raw.mid(1, raw.size() - 2);
  value = Decode(raw);
  return true;
}

}  // namespace

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
  QString value;
  if (!Lookup(fileName_, section, key, value)) value = defaultValue;
  if (value.size() > kMaxValueLength) value.truncate(kMaxValueLength);
  return value;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
  QString text;
  int value = defaultValue;
  if (!Lookup(fileName_, section, key, text) || !ParseInteger(text, value)) return defaultValue;
  return value;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const QString& section) const {
  QByteArray data;
  if (!Load(fileName_, data)) return false;
  return Find(Parse(data), section, QString()).section >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
  QByteArray data;
  if (!Load(fileName_, data)) return false;
  return Find(Parse(data), section, key).key >= 0;
}

QString TIniFile::WriteErrorText() const { return QStringLiteral("Unable to write to %1").arg(fileName_); }

xbase::Status TIniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
  const xbase::Status refused = xbase::Status::IoError(WriteErrorText().toStdString());
  QByteArray data;
  // A file that exists but cannot be read is not replaced: its content would be lost.
  if (!Load(fileName_, data)) return refused;

  QString flat = value;
  flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
  flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QByteArray encodedValue = flat.toUtf8();

  TContent content = Parse(data);
  const TPlace place = Find(content, section, key);
  auto endLastLine = [&content]() {
    if (!content.lines.empty() && content.lines.back().end.isEmpty()) content.lines.back().end = content.lineEnd;
  };
  if (place.key >= 0) {
    TLine& line = content.lines[static_cast<size_t>(place.key)];
    QByteArray name = line.content.left(line.content.indexOf('='));
    while (!name.isEmpty() && IsBlank(name.back())) name.chop(1);
    line.content = name + '=' + encodedValue;
  } else {
    TLine added{key.toUtf8() + '=' + encodedValue, content.lineEnd};
    if (place.section >= 0) {
      TLine& previous = content.lines[static_cast<size_t>(place.lastInSection)];
      if (previous.end.isEmpty()) previous.end = content.lineEnd;
      content.lines.insert(content.lines.begin() + place.lastInSection + 1, std::move(added));
    } else {
      endLastLine();
      content.lines.push_back(TLine{'[' + section.toUtf8() + ']', content.lineEnd});
      content.lines.push_back(std::move(added));
    }
  }

  const QByteArray updated = Serialize(content);
  if (updated == data && QFile::exists(fileName_)) return xbase::Status::Ok();

  // A scratch file beside it, synced, renamed over it, then the folder synced: a crash or
  // a power cut leaves the old file or the new one, whole, and once this returns the new
  // one stays.
  const std::string target = QFile::encodeName(fileName_).toStdString();
  const std::string scratch = target + ".tmp";
  xbase::File out;
  xbase::Status s = xbase::File::CreateTruncate(scratch, &out);
  if (!s.ok()) return refused;
  s = out.Write(0, updated.constData(), static_cast<size_t>(updated.size()));
  if (s.ok() && QFile::exists(fileName_)) {
    // The new file keeps the old one's permissions.
    const QString scratchName = QFile::decodeName(scratch.c_str());
    if (!QFile::setPermissions(scratchName, QFile::permissions(fileName_))) {
      s = xbase::Status::IoError("cannot give " + scratch + " the permissions of " + target);
    }
  }
  if (s.ok()) s = out.Sync();
  out.Close();
  if (s.ok()) s = xbase::RenameFile(scratch, target);
  if (!s.ok()) {
    (void)xbase::RemoveFile(scratch);
    return refused;
  }
  if (!xbase::SyncParentDirectory(target).ok()) return refused;
  return xbase::Status::Ok();
}

xbase::Status TIniFile::WriteInteger(const QString& section, const QString& key, int value) const {
  return WriteString(section, key, QString::number(value));
}

xbase::Status TIniFile::WriteBool(const QString& section, const QString& key, bool value) const {
  return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
