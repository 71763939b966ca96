// What a page scenario asks of the production scanner's processing chain: for each option, whether it
// runs and its parameters, and the text form in which the scenario keeps them (the key/value pairs of
// one INI section). Every step is off until the scenario turns it on.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>

namespace pyxa {

enum class PageCorner { TopLeft, TopRight, BottomLeft, BottomRight };
enum class ThresholdMethod { Sauvola, Otsu };

// The values a setting may take; the section reader refuses others and the dialogs offer only these.
struct SettingRange {
  int min;
  int max;
};
inline constexpr SettingRange kCounterRange{-999999999, 999999999};
inline constexpr SettingRange kCounterStepRange{-1000000, 1000000};
inline constexpr SettingRange kFontPointsRange{4, 72};
inline constexpr SettingRange kBorderWidthMmRange{1, 100};
inline constexpr SettingRange kDeshadeTileRange{8, 512};
inline constexpr SettingRange kDeshadeBackgroundRange{128, 255};
inline constexpr SettingRange kDeskewAngleRange{1, 20};
inline constexpr SettingRange kSpeckSizeRange{1, 20};
inline constexpr SettingRange kFilterWindowRange{3, 255};
inline constexpr SettingRange kLineLengthMmRange{5, 500};
inline constexpr SettingRange kStreakWidthRange{1, 20};

// The symbology codes of document/BarCodes.h as bits: bit n stands for code n.
inline constexpr std::uint32_t BarCodeTypeBit(int code) { return std::uint32_t{1} << code; }

struct AutoAnnotateSettings {
  bool enabled = false;
  QString text = QStringLiteral("Scanned {counter}");  // {counter} becomes the page's count
  int counterStart = 1;                                // the first page of a batch
  int counterStep = 1;
  PageCorner corner = PageCorner::BottomRight;
  int fontPoints = 10;
};

struct AnnotationSettings {
  bool enabled = false;
  QString text;
  PageCorner corner = PageCorner::TopRight;
  int fontPoints = 10;
};

struct BarCodeSettings {
  bool enabled = false;
  // Codabar, Code 128, Code 39, Code 93, EAN, Interleaved 2 of 5, UPC A and UPC E.
  std::uint32_t types = 0b1100111111;
};

struct BlackBorderSettings {
  bool enabled = false;
  int maxWidthMm = 15;  // black deeper inside the page than this is content, not border
};

struct DeshadeSettings {
  bool enabled = false;
  int tileSize = 64;     // pixels of the tiles the background is measured on
  int background = 230;  // the grey the background is brought to
};

struct DeskewSettings {
  bool enabled = false;
  int maxAngle = 5;  // degrees either way the skew is looked for
};

struct DespeckleSettings {
  bool enabled = false;
  int maxSize = 2;  // specks up to this many pixels wide and high go
};

struct ImageFilteringSettings {
  bool enabled = false;
  ThresholdMethod method = ThresholdMethod::Sauvola;
  int windowSize = 31;  // pixels of the neighbourhood each pixel's threshold comes from
};

struct LinesRemovalSettings {
  bool enabled = false;
  bool horizontal = true;
  bool vertical = true;
  int minLengthMm = 25;  // shorter strokes are taken for text
};

struct StreakRemovalSettings {
  bool enabled = false;
  int maxWidth = 4;  // pixels; wider vertical strokes are taken for content
};

struct ProcessingSettings {
  AutoAnnotateSettings autoAnnotate;
  BarCodeSettings barCodes;
  BlackBorderSettings blackBorder;
  DeshadeSettings deshade;
  DeskewSettings deskew;
  DespeckleSettings despeckle;
  ImageFilteringSettings imageFiltering;
  LinesRemovalSettings linesRemoval;
  bool patchCodes = false;
  bool advancedPatchCodes = false;
  StreakRemovalSettings streakRemoval;
  AnnotationSettings annotation;
};

using SectionEntries = QList<std::pair<QString, QString>>;

// Every setting as "Key=value" pairs with readable keys ("Deskew=1", "DeskewMaxAngle=5").
SectionEntries WriteProcessingSection(const ProcessingSettings& settings);

// Reads what can be read. Keys are matched without regard to case; keys this version does not know are
// ignored, so a newer program's section still reads. A value that cannot be read keeps the default and
// adds a line naming the key and the value to problems (when given). Booleans are 1/0, true/false or
// yes/no.
ProcessingSettings ReadProcessingSection(const SectionEntries& entries, QStringList* problems);

// The names of corners and threshold methods, as written in the section and shown in the dialogs.
QString PageCornerName(PageCorner corner);
QString ThresholdMethodName(ThresholdMethod method);

}  // namespace pyxa
