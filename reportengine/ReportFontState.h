// TReportFontState: the page model's font, a part of TBaseReport. It holds the current font
// record and its setters' rules (names cut to 60 characters, rotation kept in 0..359,
// superscript and subscript excluding each other), the deferral of change notices, and the
// fonts realized for the output device: the most recently used first, at most kMaxRealized,
// with an index by cache key for a constant-time lookup. Each setter returns whether the record
// changed; the report then sends the notice.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <unordered_map>

#include "reportengine/ReportTypes.h"

class QPaintDevice;

class TReportFontState {
 public:
  static constexpr int kMaxRealized = 64;

  const TFontRecord& Record() const { return font_; }

  // ---- Setters: true when the record changed --------------------------------------------------
  // Name and size (points; ignored unless above 0); colour, pitch and all styles reset.
  bool SetFont(const QString& name, double size);
  // The whole record (name cut, rotation brought into 0..359).
  bool Restore(const TFontRecord& font);
  bool SetName(const QString& name);
  bool SetColor(TColor color);
  bool SetPitch(TFontPitch pitch);
  // Points; values not above 0 are ignored.
  bool SetSize(double points);
  // Inches.
  bool SetHeight(double inches);
  bool SetBold(bool on);
  bool SetUnderline(bool on);
  bool SetItalic(bool on);
  bool SetStrikeOut(bool on);
  bool SetSuperscript(bool on);
  bool SetSubscript(bool on);
  // Degrees, stored modulo 360.
  bool SetRotation(int degrees);
  bool SetAlign(TFontAlign align);

  // ---- Change notices -------------------------------------------------------------------------
  // Defers notices until the matching EndChange (nested calls allowed).
  void BeginChange() { ++change_depth_; }
  // Ends one level; true when a deferred notice is due now.
  bool EndChange();
  // The record changed: true when the notice goes out now, false when it waits for EndChange.
  bool NoticeDue();

  // ---- Realized fonts -------------------------------------------------------------------------
  // The current font realized for a device of `ydpi` pixels per inch at `zoom` percent,
  // measured on `metrics_device()` (asked only when the font is not in the cache).
  const TRealizedFont& Realize(double ydpi, double zoom,
                               const std::function<QPaintDevice*()>& metrics_device);
  // Destroys the realized fonts.
  void Free();
  int RealizedCount() const { return static_cast<int>(realized_.size()); }
  // Fonts realized since this state was made: the work the cache did not save.
  int64_t Created() const { return created_; }

 private:
  bool Change(const std::function<void(TFontRecord&)>& change);

  TFontRecord font_;
  int change_depth_ = 0;
  bool change_pending_ = false;
  std::list<TRealizedFont> realized_;
  std::unordered_map<std::string, std::list<TRealizedFont>::iterator> index_;
  int64_t created_ = 0;
};
