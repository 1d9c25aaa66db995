#include "store/CodePage.h"

#include "store/xbase/Codepage.h"

QString FromCp1252(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* dst = out.data();
  for (char b : bytes) *dst++ = QChar(xbase::Cp1252ToUnicode(static_cast<uint8_t>(b)));
  return out;
}

std::string ToCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      out.push_back('?');  // one '?' for a character outside the basic plane
      ++i;
      continue;
    }
    out.push_back(xbase::UnicodeToCp1252(c.unicode()));
  }
  return out;
}

QString FromCodePage(std::string_view bytes, int /*code_page*/) { return FromCp1252(bytes); }

std::string ToCodePage(const QString& text, int /*code_page*/) { return ToCp1252(text); }

QString UnstorableCharacters(const QString& text, int code_page) {
  QString found;
  for (qsizetype i = 0; i < text.size();) {
    // One character: a surrogate pair stays whole.
    const qsizetype length =
        text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    const QString character = text.mid(i, length);
    i += length;
    if (character == QLatin1String("?") || found.contains(character)) continue;
    if (ToCodePage(character, code_page) == "?") found += character;
  }
  return found;
}
