#include "reportengine/CupsPrinters.h"

#include <QFile>
#include <QSize>
#include <QSizeF>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cmath>
#include <memory>

// The PPD interface is the one that names a queue's sizes as its driver does.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// The CUPS destinations, freed with the object.
class CupsDests {
 public:
  CupsDests() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
  ~CupsDests() { cupsFreeDests(count_, dests_); }
  CupsDests(const CupsDests&) = delete;
  CupsDests& operator=(const CupsDests&) = delete;

  int Count() const { return count_; }
  const cups_dest_t& At(int i) const { return dests_[i]; }
  // `device` is "name" or "name/instance".
  cups_dest_t* Find(const QString& device) const {
    const qsizetype slash = device.indexOf(QLatin1Char('/'));
    const QByteArray name = device.left(slash).toUtf8();
    const QByteArray instance = slash >= 0 ? device.mid(slash + 1).toUtf8() : QByteArray();
    return cupsGetDest(name.constData(), slash >= 0 ? instance.constData() : nullptr, count_, dests_);
  }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

QString DeviceId(const cups_dest_t& dest) {
  QString id = QString::fromUtf8(dest.name);
  if (dest.instance) id += QLatin1Char('/') + QString::fromUtf8(dest.instance);
  return id;
}

QString Option(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value ? QString::fromUtf8(value) : QString();
}

// Calls `use` with the supported values of one attribute of a CUPS printer.
template <typename Use>
void WithSupported(const QString& device, const char* attribute, Use use) {
  const CupsDests dests;
  cups_dest_t* dest = dests.Find(device);
  if (!dest) return;
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  if (!info) return;
  ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, attribute);
  if (attr) use(attr);
  cupsFreeDestInfo(info);
}

// A queue's PPD with its defaults and the queue's options marked; the downloaded copy goes
// with the object.
class Ppd {
 public:
  explicit Ppd(const QString& device) {
    const CupsDests dests;
    cups_dest_t* dest = dests.Find(device);
    if (!dest) return;
    const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, dest->name);
    if (!file) return;
    file_ = QFile::decodeName(file);
    ppd_ = ppdOpenFile(file);
    if (!ppd_) return;
    ppdMarkDefaults(ppd_);
    cupsMarkOptions(ppd_, dest->num_options, dest->options);
    ppdLocalize(ppd_);
  }
  ~Ppd() {
    if (ppd_) ppdClose(ppd_);
    if (!file_.isEmpty()) QFile::remove(file_);
  }
  Ppd(const Ppd&) = delete;
  Ppd& operator=(const Ppd&) = delete;

  ppd_file_t* get() const { return ppd_; }

 private:
  QString file_;
  ppd_file_t* ppd_ = nullptr;
};

// The standard size a PPD key names (a turned or transverse sheet is the same sheet).
QPageSize::PageSizeId IdOfKey(QString key) {
  if (key.endsWith(QLatin1String("Rotated"))) key.chop(7);
  else if (key.endsWith(QLatin1String(".Transverse"))) key.chop(11);
  for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
    const auto size_id = static_cast<QPageSize::PageSizeId>(id);
    if (size_id != QPageSize::Custom && QPageSize::key(size_id) == key) return size_id;
  }
  return QPageSize::Custom;
}

// A PPD size as a page size: the standard size its key or its size names, under the PPD's
// name for it; otherwise a custom size of that name.
QPageSize PageSizeOf(const QString& key, const QSize& points, const QString& name) {
  QPageSize::PageSizeId id = IdOfKey(key);
  if (id == QPageSize::Custom) id = QPageSize::id(points, QPageSize::FuzzyMatch);
  if (id == QPageSize::Custom) return QPageSize(QSizeF(points), QPageSize::Point, name, QPageSize::ExactMatch);
  return QPageSize(QPageSize::definitionSize(id), QPageSize::definitionUnits(id), name, QPageSize::ExactMatch);
}

std::optional<TPrinterPageSize> PpdSize(ppd_file_t* ppd, const char* choice, const char* text) {
  const ppd_size_t* size = ppdPageSize(ppd, choice);
  if (!size) return std::nullopt;
  const QSize points(static_cast<int>(std::lround(size->width)), static_cast<int>(std::lround(size->length)));
  if (points.isEmpty()) return std::nullopt;
  const QPageSize page = PageSizeOf(QString::fromUtf8(size->name), points, QString::fromUtf8(text));
  if (!page.isValid()) return std::nullopt;
  return TPrinterPageSize{page, QMarginsF(size->left, size->length - size->top, size->width - size->right,
                                          size->bottom)};
}

std::vector<TPrinterPageSize> PpdSizes(ppd_file_t* ppd) {
  std::vector<TPrinterPageSize> sizes;
  ppd_option_t* option = ppdFindOption(ppd, "PageSize");
  if (!option) return sizes;
  for (int i = 0; i < option->num_choices; ++i) {
    if (auto size = PpdSize(ppd, option->choices[i].choice, option->choices[i].text)) sizes.push_back(*size);
  }
  return sizes;
}

TDeviceMode::TDuplex DuplexOf(const char* choice) {
  const QLatin1String c(choice);
  if (c == QLatin1String("DuplexTumble")) return TDeviceMode::dxShortSide;
  if (c == QLatin1String("DuplexNoTumble")) return TDeviceMode::dxLongSide;
  return TDeviceMode::dxNone;
}

bool KnownDuplex(const char* choice) {
  const QLatin1String c(choice);
  return c == QLatin1String("None") || c == QLatin1String("DuplexTumble") || c == QLatin1String("DuplexNoTumble");
}

QList<TDeviceMode::TDuplex> PpdDuplexModes(ppd_file_t* ppd) {
  QList<TDeviceMode::TDuplex> modes;
  if (ppd_option_t* option = ppdFindOption(ppd, "Duplex")) {
    for (int i = 0; i < option->num_choices; ++i) {
      if (KnownDuplex(option->choices[i].choice)) modes.append(DuplexOf(option->choices[i].choice));
    }
  }
  if (modes.isEmpty()) {
    if (ppd_option_t* option = ppdFindOption(ppd, "DefaultDuplex")) {
      if (option->num_choices > 0 && KnownDuplex(option->choices[0].choice))
        modes.append(DuplexOf(option->choices[0].choice));
    }
  }
  if (!modes.contains(TDeviceMode::dxNone)) modes.append(TDeviceMode::dxNone);
  return modes;
}

}  // namespace

std::vector<TREDeviceItem> TCupsPrinters::List() {
  std::vector<TREDeviceItem> items;
  const CupsDests dests;
  for (int i = 0; i < dests.Count(); ++i) {
    const cups_dest_t& dest = dests.At(i);
    const QString device = DeviceId(dest);
    QString port = Option(dest, "printer-location");
    if (port.isEmpty()) port = Option(dest, "device-uri");
    if (port.isEmpty()) port = device;
    items.emplace_back(device, Option(dest, "printer-make-and-model"), port);
  }
  return items;
}

QString TCupsPrinters::DefaultDevice() {
  const CupsDests dests;
  for (int i = 0; i < dests.Count(); ++i) {
    if (dests.At(i).is_default) return DeviceId(dests.At(i));
  }
  return QString();
}

QStringList TCupsPrinters::Bins(const QString& device) {
  QStringList bins;
  WithSupported(device, "media-source", [&bins](ipp_attribute_t* attr) {
    for (int i = 0; i < ippGetCount(attr); ++i) {
      if (const char* name = ippGetString(attr, i, nullptr)) bins << QString::fromUtf8(name);
    }
  });
  return bins;
}

int TCupsPrinters::MaxCopies(const QString& device) {
  int max = 0;
  WithSupported(device, CUPS_COPIES, [&max](ipp_attribute_t* attr) {
    if (ippGetValueTag(attr) == IPP_TAG_RANGE) {
      int upper = 0;
      ippGetRange(attr, 0, &upper);
      max = upper;
    } else if (ippGetValueTag(attr) == IPP_TAG_INTEGER) {
      max = ippGetInteger(attr, 0);
    }
  });
  return max;
}

std::optional<TDeviceMode> TCupsPrinters::DeviceMode(const QString& device) {
  const Ppd ppd(device);
  if (!ppd.get()) return std::nullopt;
  TDeviceMode mode;
  mode.PrinterName = device;
  mode.PageSizes = PpdSizes(ppd.get());
  const float* custom = ppd.get()->custom_margins;
  mode.CustomMargins = QMarginsF(custom[0], custom[3], custom[2], custom[1]);
  mode.DuplexModes = PpdDuplexModes(ppd.get());
  if (const ppd_choice_t* marked = ppdFindMarkedChoice(ppd.get(), "Duplex")) mode.Duplex = DuplexOf(marked->choice);
  mode.SupportsMultipleCopies = true;
  // The printer's own sheet for the starting size (A4 by name, else by size).
  const QPageSize start = mode.Layout.pageSize();
  mode.SetPageSize(mode.Supported(start) ? start : QPageSize(start.size(QPageSize::Point), QPageSize::Point));
  return mode;
}

QList<QPageSize> TCupsPrinters::PageSizes(const QString& device, QPageSize* default_size) {
  QList<QPageSize> sizes;
  if (default_size) *default_size = QPageSize();
  const Ppd ppd(device);
  if (!ppd.get()) return sizes;
  for (const TPrinterPageSize& size : PpdSizes(ppd.get())) sizes.append(size.Size);
  if (default_size) {
    if (const ppd_choice_t* marked = ppdFindMarkedChoice(ppd.get(), "PageSize")) {
      if (auto size = PpdSize(ppd.get(), marked->choice, marked->text)) *default_size = size->Size;
    }
  }
  return sizes;
}
