#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "scan/processing/ui/EditProcessingOption.h"
#include "scan/processing/ui/ProcessingOptionDialog.h"

namespace pyxa {
namespace {

void Click(QWidget* widget) {
  ASSERT_NE(widget, nullptr);
  QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>("buttons");
  ASSERT_NE(buttons, nullptr);
  Click(buttons->button(which));
}

// Replaces a spin box's number the way a user does: select all, type.
void TypeNumber(QSpinBox* spin, const QString& digits) {
  ASSERT_NE(spin, nullptr);
  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, digits);
}

// Runs the modal dialog EditProcessingOption opens, with user steps once it is up.
bool EditWith(ProcessingOption option, ProcessingSettings& settings, std::function<void(QDialog&)> steps) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    steps(*dialog);
    if (dialog->isVisible()) dialog->reject();  // a failed step must not leave the test waiting
  });
  return EditProcessingOption(option, settings, nullptr);
}

TEST(ProcessingOptionDialog, DeskewOkAppliesWhatTheUserSet) {
  ProcessingSettings settings;
  const bool accepted = EditWith(ProcessingOption::Deskew, settings, [](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Deskew");
    auto* angle = dialog.findChild<QSpinBox*>("maxAngle");
    EXPECT_FALSE(angle->isEnabled());  // greyed while the step is off
    Click(dialog.findChild<QCheckBox*>("enabled"));
    EXPECT_TRUE(angle->isEnabled());
    TypeNumber(angle, "9");
    Press(dialog, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(settings.deskew.enabled);
  EXPECT_EQ(settings.deskew.maxAngle, 9);
  EXPECT_FALSE(settings.despeckle.enabled);  // the other options are left alone
}

TEST(ProcessingOptionDialog, AnnotationByKeyboardAndCancelChangesNothing) {
  ProcessingSettings settings;
  settings.annotation.enabled = true;
  const ProcessingSettings before = settings;
  EXPECT_FALSE(EditWith(ProcessingOption::Annotation, settings, [](QDialog& dialog) {
    QTest::keyClicks(dialog.findChild<QLineEdit*>("text"), "never applied");
    Press(dialog, QDialogButtonBox::Cancel);
  }));
  EXPECT_EQ(WriteProcessingSection(settings), WriteProcessingSection(before));

  EXPECT_TRUE(EditWith(ProcessingOption::Annotation, settings, [](QDialog& dialog) {
    // From "Enabled" the Tab key walks the parameters in their order on screen.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* enabled = dialog.findChild<QCheckBox*>("enabled");
    enabled->setFocus();
    QTest::keyClick(enabled, Qt::Key_Tab);
    auto* text = dialog.findChild<QLineEdit*>("text");
    EXPECT_EQ(QApplication::focusWidget(), text);
    QTest::keyClicks(text, "Copy for the chart");
    QTest::keyClick(text, Qt::Key_Tab);
    auto* corner = dialog.findChild<QComboBox*>("corner");
    EXPECT_EQ(QApplication::focusWidget(), corner);
    QTest::keyClick(corner, Qt::Key_Down);  // top right -> bottom left
    TypeNumber(dialog.findChild<QSpinBox*>("fontPoints"), "14");
    Press(dialog, QDialogButtonBox::Ok);
  }));
  EXPECT_EQ(settings.annotation.text, "Copy for the chart");
  EXPECT_EQ(settings.annotation.corner, PageCorner::BottomLeft);
  EXPECT_EQ(settings.annotation.fontPoints, 14);
}

TEST(ProcessingOptionDialog, BarCodeTypesAndUnreadableOnesKept) {
  ProcessingSettings settings;
  settings.barCodes = {true, BarCodeTypeBit(2) | BarCodeTypeBit(7)};  // Code 39, and POSTNET from another reader
  ProcessingOptionDialog dialog(ProcessingOption::BarCodes, settings);
  dialog.show();
  EXPECT_FALSE(dialog.findChild<QCheckBox*>("type7")->isEnabled());
  Click(dialog.findChild<QCheckBox*>("type1"));  // Code 128 on
  Click(dialog.findChild<QCheckBox*>("type2"));  // Code 39 off
  Press(dialog, QDialogButtonBox::Ok);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Edited().barCodes.types, BarCodeTypeBit(1) | BarCodeTypeBit(7));
}

TEST(ProcessingOptionDialog, AnOptionOutsideTheListOpensNothing) {
  ProcessingSettings settings;
  EXPECT_FALSE(EditProcessingOption(static_cast<ProcessingOption>(99), settings, nullptr));
}

}  // namespace
}  // namespace pyxa
