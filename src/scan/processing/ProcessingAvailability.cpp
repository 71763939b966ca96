#include "scan/processing/ProcessingAvailability.h"

#include <leptonica/allheaders.h>

#include <QRegularExpression>

namespace pyxa {

namespace {

bool LeptonicaUsable() {
  char* version = getLeptonicaVersion();  // "leptonica-1.82.0"
  if (!version) return false;
  const QString text = QString::fromLatin1(version);
  lept_free(version);
  const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("(\\d+)\\.(\\d+)")).match(text);
  if (!match.hasMatch()) return false;
  const int major = match.captured(1).toInt(), minor = match.captured(2).toInt();
  return major > 1 || (major == 1 && minor >= 74);
}

bool Refuse(QString* why, const QString& text) {
  if (why) *why = text;
  return false;
}

}  // namespace

ProcessingLibraries InstalledProcessingLibraries() {
  ProcessingLibraries libraries;
  libraries.imaging = LeptonicaUsable();
  libraries.barCodes = true;  // linked in; a build without ZXing does not link
  return libraries;
}

bool ProcessingOptionAvailable(ProcessingOption option, const SourceTraits& source, QString* why,
                               const ProcessingLibraries& libraries) {
  const QString label = ProcessingOptionLabel(option);
  switch (option) {
    case ProcessingOption::Annotation:
    case ProcessingOption::AutoAnnotate:
      return true;
    case ProcessingOption::BarCodes:
      if (!libraries.barCodes)
        return Refuse(why, QStringLiteral("%1 needs the bar code reader, which is not installed").arg(label));
      return true;
    case ProcessingOption::Deshade:
    case ProcessingOption::ImageFiltering:
      if (!source.grey && !source.colour)
        return Refuse(why, QStringLiteral("%1 needs a scanner source that scans in grey or colour").arg(label));
      [[fallthrough]];
    case ProcessingOption::BlackBorder:
    case ProcessingOption::Deskew:
    case ProcessingOption::Despeckle:
    case ProcessingOption::LinesRemoval:
    case ProcessingOption::PatchCodes:
    case ProcessingOption::AdvancedPatchCodes:
    case ProcessingOption::StreakRemoval:
      if (!libraries.imaging)
        return Refuse(why, QStringLiteral("%1 needs the imaging library (Leptonica 1.74 or later)").arg(label));
      return true;
  }
  return Refuse(why, QStringLiteral("Not Recognized"));
}

}  // namespace pyxa
