#include "scan/processing/ProcessingSettings.h"

#include <QHash>
#include <array>
#include <functional>

#include "document/BarCodes.h"

namespace pyxa {

namespace {

constexpr int kBarCodeTypeCount = 10;

using Writer = std::function<QString(const ProcessingSettings&)>;
using Reader = std::function<bool(ProcessingSettings&, const QString&)>;

struct Field {
  QString key;
  Writer write;
  Reader read;
};

bool ParseBool(const QString& text, bool& value) {
  const QString t = text.toLower();
  if (t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes")) {
    value = true;
    return true;
  }
  if (t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("no")) {
    value = false;
    return true;
  }
  return false;
}

// Each accessor is a generic lambda returning a reference into the settings, so one accessor serves
// both the writer (const) and the reader.
template <typename Get>
Field BoolField(const char* key, Get get) {
  return {QString::fromLatin1(key), [get](const ProcessingSettings& s) { return QString::number(get(s) ? 1 : 0); },
          [get](ProcessingSettings& s, const QString& text) { return ParseBool(text, get(s)); }};
}

template <typename Get>
Field IntField(const char* key, SettingRange range, Get get) {
  return {QString::fromLatin1(key), [get](const ProcessingSettings& s) { return QString::number(get(s)); },
          [get, range](ProcessingSettings& s, const QString& text) {
            bool ok = false;
            const int value = text.toInt(&ok);
            if (!ok || value < range.min || value > range.max) return false;
            get(s) = value;
            return true;
          }};
}

template <typename Get>
Field TextField(const char* key, Get get) {
  return {QString::fromLatin1(key), [get](const ProcessingSettings& s) { return get(s); },
          [get](ProcessingSettings& s, const QString& text) {
            get(s) = text;
            return true;
          }};
}

template <typename Get>
Field CornerField(const char* key, Get get) {
  return {QString::fromLatin1(key), [get](const ProcessingSettings& s) { return PageCornerName(get(s)); },
          [get](ProcessingSettings& s, const QString& text) {
            for (PageCorner c :
                 {PageCorner::TopLeft, PageCorner::TopRight, PageCorner::BottomLeft, PageCorner::BottomRight}) {
              if (text.compare(PageCornerName(c), Qt::CaseInsensitive) == 0) {
                get(s) = c;
                return true;
              }
            }
            return false;
          }};
}

QString WriteTypes(std::uint32_t types) {
  QStringList names;
  for (int code = 0; code < kBarCodeTypeCount; ++code)
    if (types & BarCodeTypeBit(code)) names << BarCodeTypeName(code);
  return names.join(QLatin1Char(','));
}

bool ReadTypes(const QString& text, std::uint32_t& types) {
  std::uint32_t read = 0;
  for (const QString& name : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const std::int32_t code = BarCodeTypeFromName(name.trimmed());
    if (code < 0) return false;
    read |= BarCodeTypeBit(code);
  }
  types = read;
  return true;
}

const std::vector<Field>& Fields() {
  static const std::vector<Field> fields = {
      BoolField(
          "AutoAnnotate", [](auto& s) -> auto& { return s.autoAnnotate.enabled; }),
      TextField(
          "AutoAnnotateText", [](auto& s) -> auto& { return s.autoAnnotate.text; }),
      IntField(
          "AutoAnnotateCounterStart", kCounterRange, [](auto& s) -> auto& { return s.autoAnnotate.counterStart; }),
      IntField(
          "AutoAnnotateCounterStep", kCounterStepRange, [](auto& s) -> auto& { return s.autoAnnotate.counterStep; }),
      CornerField(
          "AutoAnnotateCorner", [](auto& s) -> auto& { return s.autoAnnotate.corner; }),
      IntField(
          "AutoAnnotateFontSize", kFontPointsRange, [](auto& s) -> auto& { return s.autoAnnotate.fontPoints; }),
      BoolField(
          "BarCodes", [](auto& s) -> auto& { return s.barCodes.enabled; }),
      {QStringLiteral("BarCodeTypes"), [](const ProcessingSettings& s) { return WriteTypes(s.barCodes.types); },
       [](ProcessingSettings& s, const QString& text) { return ReadTypes(text, s.barCodes.types); }},
      BoolField(
          "BlackBorder", [](auto& s) -> auto& { return s.blackBorder.enabled; }),
      IntField(
          "BlackBorderMaxWidth", kBorderWidthMmRange, [](auto& s) -> auto& { return s.blackBorder.maxWidthMm; }),
      BoolField(
          "Deshade", [](auto& s) -> auto& { return s.deshade.enabled; }),
      IntField(
          "DeshadeTileSize", kDeshadeTileRange, [](auto& s) -> auto& { return s.deshade.tileSize; }),
      IntField(
          "DeshadeBackground", kDeshadeBackgroundRange, [](auto& s) -> auto& { return s.deshade.background; }),
      BoolField(
          "Deskew", [](auto& s) -> auto& { return s.deskew.enabled; }),
      IntField(
          "DeskewMaxAngle", kDeskewAngleRange, [](auto& s) -> auto& { return s.deskew.maxAngle; }),
      BoolField(
          "Despeckle", [](auto& s) -> auto& { return s.despeckle.enabled; }),
      IntField(
          "DespeckleMaxSize", kSpeckSizeRange, [](auto& s) -> auto& { return s.despeckle.maxSize; }),
      BoolField(
          "ImageFiltering", [](auto& s) -> auto& { return s.imageFiltering.enabled; }),
      {QStringLiteral("ImageFilteringMethod"),
       [](const ProcessingSettings& s) { return ThresholdMethodName(s.imageFiltering.method); },
       [](ProcessingSettings& s, const QString& text) {
         for (ThresholdMethod m : {ThresholdMethod::Sauvola, ThresholdMethod::Otsu}) {
           if (text.compare(ThresholdMethodName(m), Qt::CaseInsensitive) == 0) {
             s.imageFiltering.method = m;
             return true;
           }
         }
         return false;
       }},
      IntField(
          "ImageFilteringWindow", kFilterWindowRange, [](auto& s) -> auto& { return s.imageFiltering.windowSize; }),
      BoolField(
          "LinesRemoval", [](auto& s) -> auto& { return s.linesRemoval.enabled; }),
      BoolField(
          "LinesRemovalHorizontal", [](auto& s) -> auto& { return s.linesRemoval.horizontal; }),
      BoolField(
          "LinesRemovalVertical", [](auto& s) -> auto& { return s.linesRemoval.vertical; }),
      IntField(
          "LinesRemovalMinLength", kLineLengthMmRange, [](auto& s) -> auto& { return s.linesRemoval.minLengthMm; }),
      BoolField(
          "PatchCodes", [](auto& s) -> auto& { return s.patchCodes; }),
      BoolField(
          "AdvancedPatchCodes", [](auto& s) -> auto& { return s.advancedPatchCodes; }),
      BoolField(
          "StreakRemoval", [](auto& s) -> auto& { return s.streakRemoval.enabled; }),
      IntField(
          "StreakRemovalMaxWidth", kStreakWidthRange, [](auto& s) -> auto& { return s.streakRemoval.maxWidth; }),
      BoolField(
          "Annotation", [](auto& s) -> auto& { return s.annotation.enabled; }),
      TextField(
          "AnnotationText", [](auto& s) -> auto& { return s.annotation.text; }),
      CornerField(
          "AnnotationCorner", [](auto& s) -> auto& { return s.annotation.corner; }),
      IntField(
          "AnnotationFontSize", kFontPointsRange, [](auto& s) -> auto& { return s.annotation.fontPoints; }),
  };
  return fields;
}

}  // namespace

QString PageCornerName(PageCorner corner) {
  switch (corner) {
    case PageCorner::TopLeft:
      return QStringLiteral("TopLeft");
    case PageCorner::TopRight:
      return QStringLiteral("TopRight");
    case PageCorner::BottomLeft:
      return QStringLiteral("BottomLeft");
    case PageCorner::BottomRight:
      return QStringLiteral("BottomRight");
  }
  return QString();
}

QString ThresholdMethodName(ThresholdMethod method) {
  return method == ThresholdMethod::Otsu ? QStringLiteral("Otsu") : QStringLiteral("Sauvola");
}

SectionEntries WriteProcessingSection(const ProcessingSettings& settings) {
  SectionEntries entries;
  for (const Field& field : Fields()) entries.append({field.key, field.write(settings)});
  return entries;
}

ProcessingSettings ReadProcessingSection(const SectionEntries& entries, QStringList* problems) {
  QHash<QString, const Field*> byKey;
  for (const Field& field : Fields()) byKey.insert(field.key.toLower(), &field);
  ProcessingSettings settings;
  for (const auto& [key, value] : entries) {
    const Field* field = byKey.value(key.trimmed().toLower());
    if (!field) continue;
    // Texts keep their spaces: an annotation may want them. Everything else is read trimmed.
    const bool isText = field->key.endsWith(QLatin1String("Text"));
    if (!field->read(settings, isText ? value : value.trimmed()) && problems)
      problems->append(QStringLiteral("%1: \"%2\" cannot be read; the default is kept").arg(field->key, value));
  }
  return settings;
}

}  // namespace pyxa
