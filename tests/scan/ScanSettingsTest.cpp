// The scanner's settings window: which options it offers, the values it starts from (remembered
// per device while the device still allows them), and what it sends to the scanner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/ScriptedPrompter.h"
#include "scan/FakeScanner.h"
#include "scan/ScanSettings.h"
#include "scan/ui/ScanOptionsDialog.h"
#include "shell/MemoryRegistry.h"

namespace pyxa {
namespace {

ScannerOption List(const QString& name, QVariantList allowed, QVariant value, ScannerOption::Type type) {
  ScannerOption o;
  o.name = name;
  o.type = type;
  o.constraint = ScannerOption::Constraint::List;
  o.allowed = std::move(allowed);
  o.value = std::move(value);
  o.settable = o.active = true;
  return o;
}
ScannerOption Range(const QString& name, double min, double max, double value, ScannerOption::Unit unit) {
  ScannerOption o;
  o.name = name;
  o.type = ScannerOption::Type::Fixed;
  o.unit = unit;
  o.constraint = ScannerOption::Constraint::Range;
  o.min = min, o.max = max, o.step = 1, o.value = value;
  o.settable = o.active = true;
  return o;
}

OptionList Flatbed() {
  using T = ScannerOption::Type;
  using U = ScannerOption::Unit;
  OptionList list;
  list.options << List(QStringLiteral("source"), {QStringLiteral("Flatbed"), QStringLiteral("Automatic Document Feeder")},
                       QStringLiteral("Flatbed"), T::String)
               << List(QStringLiteral("mode"), {QStringLiteral("Gray"), QStringLiteral("Color")}, QStringLiteral("Gray"),
                       T::String)
               << Range(QStringLiteral("resolution"), 50, 1200, 150, U::Dpi)
               << Range(QStringLiteral("tl-x"), 0, 215.9, 0, U::Millimetre)
               << Range(QStringLiteral("tl-y"), 0, 297, 0, U::Millimetre)
               << Range(QStringLiteral("br-x"), 0, 215.9, 215.9, U::Millimetre)
               << Range(QStringLiteral("br-y"), 0, 297, 297, U::Millimetre);
  ScannerOption brightness = Range(QStringLiteral("brightness"), -100, 100, 0, U::Percent);
  brightness.active = false;  // not offered in this mode
  list.options << brightness;
  return list;
}

TEST(ScanSettings, OffersWhatTheDeviceAllowsAndKeepsOnlyAllowedMemories) {
  const QMap<QString, QString> remembered = {{QStringLiteral("mode"), QStringLiteral("Color")},
                                             {QStringLiteral("resolution"), QStringLiteral("5000")},
                                             {QStringLiteral("page-size"), QStringLiteral("A4")}};
  const QList<ScanSettingField> fields = ScanSettingFields(Flatbed(), remembered);
  QStringList names;
  for (const ScanSettingField& field : fields) names << field.name;
  EXPECT_EQ(names, (QStringList{"source", "mode", "resolution", "page-size"}));  // no inactive brightness
  EXPECT_EQ(fields[1].value.toString(), QStringLiteral("Color"));  // remembered, still allowed
  EXPECT_EQ(fields[2].value.toDouble(), 300);  // 5000 dpi is not: letters and forms want 300
  EXPECT_EQ(fields[3].choices, (QStringList{"Letter", "A4", "Whole scan area"}));  // Legal does not fit
  const QList<OptionSetting> sent = ScanSettingsToSend(fields, Flatbed());
  QStringList order;
  for (const OptionSetting& s : sent) order << s.name + QLatin1Char('=') + s.value.toString();
  EXPECT_EQ(order, (QStringList{"source=Flatbed", "mode=Color", "resolution=300", "tl-x=0", "tl-y=0", "br-x=210",
                                "br-y=297"}));
}

TEST(ScanSettings, TheWindowSendsWhatTheUserChoseAndRemembersItForTheDevice) {
  FakeScanner scanner;
  scanner.SetOptions(QStringLiteral("test:0"), Flatbed());
  MemoryRegistry registry;
  ScriptedPrompter prompter;
  const ScanSettingsAsker ask = SettingsWindowAsker(scanner, registry, prompter, nullptr);
  const ScannerDevice device{QStringLiteral("test:0"), QStringLiteral("Noname"), QStringLiteral("tester"), {}};

  QTimer::singleShot(0, [] {
    QWidget* window = QApplication::activeModalWidget();
    ASSERT_NE(window, nullptr);
    auto* mode = window->findChild<QComboBox*>(QStringLiteral("optMode"));
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);  // Gray -> Color
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdScan")), Qt::LeftButton);
  });
  const auto first = ask(device);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->at(1).value.toString(), QStringLiteral("Color"));

  QTimer::singleShot(0, [] {  // the next batch starts from what was chosen; Cancel scans nothing
    QWidget* window = QApplication::activeModalWidget();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->findChild<QComboBox*>(QStringLiteral("optMode"))->currentText(), QStringLiteral("Color"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
  });
  EXPECT_FALSE(ask(device).has_value());

  const ScannerDevice gone{QStringLiteral("gone:1"), QStringLiteral("Old"), QStringLiteral("scanner"), {}};
  EXPECT_FALSE(ask(gone).has_value());  // options unreadable: the user is told, nothing scanned
  EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("The scanner gone:1 is not available.")});
}

}  // namespace
}  // namespace pyxa
