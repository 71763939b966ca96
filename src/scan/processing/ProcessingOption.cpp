#include "scan/processing/ProcessingOption.h"

namespace pyxa {

QString ProcessingOptionLabel(ProcessingOption option) {
  switch (option) {
    case ProcessingOption::AutoAnnotate:
      return QStringLiteral("Auto Annotate and Endorsing");
    case ProcessingOption::BarCodes:
      return QStringLiteral("Bar Codes");
    case ProcessingOption::BlackBorder:
      return QStringLiteral("Black Border");
    case ProcessingOption::Deshade:
      return QStringLiteral("Deshade");
    case ProcessingOption::Deskew:
      return QStringLiteral("Deskew");
    case ProcessingOption::Despeckle:
      return QStringLiteral("Despeckle");
    case ProcessingOption::ImageFiltering:
      return QStringLiteral("Image Filtering");
    case ProcessingOption::LinesRemoval:
      return QStringLiteral("Lines Removal");
    case ProcessingOption::PatchCodes:
      return QStringLiteral("Patch Codes");
    case ProcessingOption::AdvancedPatchCodes:
      return QStringLiteral("Advanced Patch Codes");
    case ProcessingOption::StreakRemoval:
      return QStringLiteral("Streak Removal");
    case ProcessingOption::Annotation:
      return QStringLiteral("Annotation");
  }
  return QStringLiteral("Not Recognized");
}

}  // namespace pyxa
