// TIniFile: one settings file of the INI kind ("[Section]" lines, each followed by
// "Key=Value" lines), read and written one key per call.
//
// Section and key names compare without regard to case. Every write rewrites the
// whole file through a temporary file in the same folder and a rename, so a crash
// leaves either the old or the new file, never half of one; every line the write
// does not touch (comments, blank lines, other sections, unknown keys, their
// spelling and line ends) is kept byte for byte. A missing file reads as empty and
// is created by the first write.
#pragma once

#include "store/xbase/Status.h"

#include <QString>

class TIniFile {
 public:
  // Values read are cut to this many characters (the classic 1024-character buffer).
  static constexpr int kMaxValueLength = 1023;

  explicit TIniFile(QString fileName);

  const QString& FileName() const { return fileName_; }

  // The value of the key with blanks around it removed (and one pair of matching
  // quotes around it), or defaultValue when the file, section or key is missing.
  QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;

  // A decimal integer, or hexadecimal when the value starts "0x" or "0X" and is longer
  // than that prefix (up to eight hex digits; "0xFFFFFFFF" is -1). A missing value, or
  // one that does not convert completely, gives defaultValue.
  int ReadInteger(const QString& section, const QString& key, int defaultValue) const;

  // An integer read as above; any non-zero value is true.
  bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

  // True when the section exists / the key exists in it.
  bool SectionExists(const QString& section) const;
  bool ValueExists(const QString& section, const QString& key) const;

  // Sets the key (adding it, and its section, at the end when missing). Line breaks
  // in the value become blanks, so a value can never add lines. When the file already
  // holds exactly this content nothing is written. A refused write gives an IoError
  // whose message is "Unable to write to <path>" and leaves the file as it was.
  [[nodiscard]] xbase::Status WriteString(const QString& section, const QString& key, const QString& value) const;
  // Written in decimal.
  [[nodiscard]] xbase::Status WriteInteger(const QString& section, const QString& key, int value) const;
  // Written as "1" or "0".
  [[nodiscard]] xbase::Status WriteBool(const QString& section, const QString& key, bool value) const;

  // The user's message for a refused write of this file.
  QString WriteErrorText() const;

 private:
  QString fileName_;
};
