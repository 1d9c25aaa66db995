#include "store/CodePage.h"

#include <QLocale>

#include "store/xbase/Codepage.h"

QString FromCp1252(std::string_view bytes) { return FromCodePage(bytes, 1252); }

std::string ToCp1252(const QString& text) { return ToCodePage(text, 1252); }

QString FromCodePage(std::string_view bytes, int code_page) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* dst = out.data();
  for (char b : bytes) *dst++ = QChar(xbase::ByteToUnicode(static_cast<uint8_t>(b), code_page));
  return out;
}

std::string ToCodePage(const QString& text, int code_page) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      out.push_back('?');  // one '?' for a character outside the basic plane
      ++i;
      continue;
    }
    out.push_back(xbase::UnicodeToByte(c.unicode(), code_page));
  }
  return out;
}

int CodePageForLocale(const QLocale& locale) {
  switch (locale.language()) {
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
    case QLocale::Bosnian:
      return locale.script() == QLocale::CyrillicScript ? 1251 : 1250;
    case QLocale::Serbian:
      // Serbian is written in both alphabets; its locales say which.
      return locale.script() == QLocale::LatinScript ? 1250 : 1251;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Tatar:
    case QLocale::Mongolian:
    case QLocale::Bashkir:
    case QLocale::Tajik:
      return 1251;
    case QLocale::Greek:
      return 1253;
    case QLocale::Turkish:
      return 1254;
    case QLocale::Azerbaijani:
    case QLocale::Uzbek:
      return locale.script() == QLocale::CyrillicScript ? 1251 : 1254;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
      return 1257;
    default:
      return kDefaultCodePage;
  }
}

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
