// The twelve page-processing options of the production scanner, in the order their buttons show them,
// and the label each button carries.
#pragma once

#include <QString>
#include <array>

namespace pyxa {

enum class ProcessingOption {
  AutoAnnotate = 0,  // "Auto Annotate and Endorsing": a counted text printed on each page
  BarCodes,
  BlackBorder,
  Deshade,
  Deskew,
  Despeckle,
  ImageFiltering,
  LinesRemoval,
  PatchCodes,
  AdvancedPatchCodes,
  StreakRemoval,
  Annotation,
};

inline constexpr std::array<ProcessingOption, 12> kProcessingOptions = {
    ProcessingOption::AutoAnnotate,   ProcessingOption::BarCodes,
    ProcessingOption::BlackBorder,    ProcessingOption::Deshade,
    ProcessingOption::Deskew,         ProcessingOption::Despeckle,
    ProcessingOption::ImageFiltering, ProcessingOption::LinesRemoval,
    ProcessingOption::PatchCodes,     ProcessingOption::AdvancedPatchCodes,
    ProcessingOption::StreakRemoval,  ProcessingOption::Annotation};

// The button label of an option; "Not Recognized" for any value outside the enum.
QString ProcessingOptionLabel(ProcessingOption option);

}  // namespace pyxa
