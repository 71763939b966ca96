#include <gtest/gtest.h>

#include "scan/processing/ProcessingAvailability.h"
#include "scan/processing/ProcessingOption.h"
#include "scan/processing/ProcessingSettings.h"

namespace pyxa {
namespace {

TEST(ProcessingOption, LabelsInButtonOrder) {
  const QStringList expected = {"Auto Annotate and Endorsing",
                                "Bar Codes",
                                "Black Border",
                                "Deshade",
                                "Deskew",
                                "Despeckle",
                                "Image Filtering",
                                "Lines Removal",
                                "Patch Codes",
                                "Advanced Patch Codes",
                                "Streak Removal",
                                "Annotation"};
  QStringList labels;
  for (ProcessingOption option : kProcessingOptions) labels << ProcessingOptionLabel(option);
  EXPECT_EQ(labels, expected);
  for (int outside : {-1, 12, 1000})
    EXPECT_EQ(ProcessingOptionLabel(static_cast<ProcessingOption>(outside)), "Not Recognized") << outside;
}

QString Value(const SectionEntries& entries, const QString& key) {
  for (const auto& [k, v] : entries)
    if (k == key) return v;
  return "<missing>";
}

TEST(ProcessingSettings, WritesReadableKeysAndReadsThemBack) {
  ProcessingSettings settings;
  settings.deskew = {true, 7};
  settings.barCodes = {true, BarCodeTypeBit(2) | BarCodeTypeBit(1)};
  settings.imageFiltering = {true, ThresholdMethod::Otsu, 63};
  settings.linesRemoval = {true, false, true, 40};
  settings.advancedPatchCodes = true;
  settings.annotation = {true, QStringLiteral("  Copy, not original "), PageCorner::BottomLeft, 14};
  settings.autoAnnotate = {true, QStringLiteral("Clinic {counter}"), 100, 5, PageCorner::TopLeft, 8};
  const SectionEntries entries = WriteProcessingSection(settings);
  EXPECT_EQ(Value(entries, "Deskew"), "1");
  EXPECT_EQ(Value(entries, "DeskewMaxAngle"), "7");
  EXPECT_EQ(Value(entries, "Despeckle"), "0");
  EXPECT_EQ(Value(entries, "BarCodeTypes"), "Code 128,Code 39");
  EXPECT_EQ(Value(entries, "ImageFilteringMethod"), "Otsu");
  EXPECT_EQ(Value(entries, "AnnotationCorner"), "BottomLeft");

  QStringList problems;
  const ProcessingSettings back = ReadProcessingSection(entries, &problems);
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
  EXPECT_EQ(WriteProcessingSection(back), entries);
  EXPECT_EQ(back.annotation.text, settings.annotation.text);  // spaces of a text are kept
}

struct BadEntry {
  const char* key;
  const char* value;
};

class ForgivingRead : public ::testing::TestWithParam<BadEntry> {};

// A damaged value keeps its default, names itself, and spoils nothing else.
TEST_P(ForgivingRead, KeepsTheDefaultAndSaysSo) {
  const BadEntry& bad = GetParam();
  QStringList problems;
  const ProcessingSettings read =
      ReadProcessingSection({{"Deskew", "yes"}, {bad.key, bad.value}, {"DespeckleMaxSize", "3"}}, &problems);
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems[0].contains(bad.key)) << problems[0].toStdString();
  EXPECT_TRUE(problems[0].contains(bad.value)) << problems[0].toStdString();
  EXPECT_TRUE(read.deskew.enabled);
  EXPECT_EQ(read.despeckle.maxSize, 3);
  SectionEntries written = WriteProcessingSection(read);
  const SectionEntries defaults = WriteProcessingSection(ProcessingSettings{});
  EXPECT_EQ(Value(written, bad.key), Value(defaults, bad.key));
}

INSTANTIATE_TEST_SUITE_P(Values, ForgivingRead,
                         ::testing::Values(BadEntry{"Despeckle", "maybe"}, BadEntry{"DeskewMaxAngle", "five"},
                                           BadEntry{"DeskewMaxAngle", "90"}, BadEntry{"DeshadeBackground", "-4"},
                                           BadEntry{"BarCodeTypes", "Code 39,QR Code"},
                                           BadEntry{"AnnotationCorner", "Middle"},
                                           BadEntry{"ImageFilteringMethod", "Magic"},
                                           BadEntry{"AutoAnnotateCounterStep", "1e99"}));

TEST(ProcessingSettings, ReadsForeignSpellingsAndIgnoresUnknownKeys) {
  QStringList problems;
  const ProcessingSettings read = ReadProcessingSection({{"deskew", " TRUE "},
                                                         {"Despeckle", "No"},
                                                         {"BlackBorder", "1"},
                                                         {"BarCodeTypes", "UPC A, EAN"},
                                                         {"SomeFutureStep", "1"},
                                                         {"SomeFutureStepLevel", "high"}},
                                                        &problems);
  EXPECT_TRUE(problems.isEmpty());
  EXPECT_TRUE(read.deskew.enabled);
  EXPECT_FALSE(read.despeckle.enabled);
  EXPECT_TRUE(read.blackBorder.enabled);
  EXPECT_EQ(read.barCodes.types, BarCodeTypeBit(8) | BarCodeTypeBit(4));
}

struct AvailabilityCase {
  ProcessingOption option;
  SourceTraits source;
  ProcessingLibraries libraries;
  bool available;
};

TEST(ProcessingAvailability, FollowsTheSourceAndTheLibraries) {
  const SourceTraits bilevelOnly{true, false, false}, grey{true, true, false};
  const ProcessingLibraries all{true, true}, noImaging{false, true}, noReader{true, false};
  const AvailabilityCase cases[] = {
      {ProcessingOption::Deshade, bilevelOnly, all, false},
      {ProcessingOption::Deshade, grey, all, true},
      {ProcessingOption::ImageFiltering, bilevelOnly, all, false},
      {ProcessingOption::ImageFiltering, grey, noImaging, false},
      {ProcessingOption::Deskew, bilevelOnly, all, true},
      {ProcessingOption::Deskew, bilevelOnly, noImaging, false},
      {ProcessingOption::BarCodes, bilevelOnly, noReader, false},
      {ProcessingOption::BarCodes, bilevelOnly, noImaging, true},
      {ProcessingOption::Annotation, bilevelOnly, ProcessingLibraries{false, false}, true},
      {static_cast<ProcessingOption>(40), grey, all, false},
  };
  for (const AvailabilityCase& c : cases) {
    QString why;
    EXPECT_EQ(ProcessingOptionAvailable(c.option, c.source, &why, c.libraries), c.available)
        << ProcessingOptionLabel(c.option).toStdString();
    EXPECT_EQ(why.isEmpty(), c.available) << why.toStdString();
  }
  EXPECT_TRUE(InstalledProcessingLibraries().imaging);
}

}  // namespace
}  // namespace pyxa
