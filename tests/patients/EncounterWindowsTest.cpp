#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "patients/ui/EncounterWindows.h"
#include "patients/ui/frmEncounterNew.h"
#include "patients/ui/frmEncounters.h"

namespace pyxa {
namespace {

EncounterRows ThreeEncounters() {
  EncounterRows rows;
  rows.names = {QStringLiteral("lID"),        QStringLiteral("dCurrentDate"), QStringLiteral("szLast"),
                QStringLiteral("szFirst"),    QStringLiteral("szICD"),        QStringLiteral("szICDDescription"),
                QStringLiteral("szComments"), QStringLiteral("nVisitType")};
  // Dates in month-first text, so that the text order and the date order differ.
  rows.values = ValueRows{
      {501, QStringLiteral("12/5/2026 10:30:00"), QStringLiteral("Cho"), QStringLiteral("Ann"), QStringLiteral("J10"),
       QStringLiteral("Influenza"), QStringLiteral("follow-up"), 7},
      {502, QStringLiteral("2/1/2026"), QStringLiteral("Cho"), QStringLiteral("Ann"), QVariant(), QVariant(),
       QVariant(), QVariant()},
      {503, QStringLiteral("2026-11-20 00:00:00"), QStringLiteral("Cho"), QStringLiteral("Ann"), QStringLiteral("R51"),
       QStringLiteral("Headache"), QString(), 99},
  };
  return rows;
}

const QVector<VisitType> kVisitTypes{{QStringLiteral("3"), QStringLiteral("Consult")},
                                     {QStringLiteral("7"), QStringLiteral("Follow Up")}};

class frmEncountersTest : public ::testing::Test {
 protected:
  QTreeWidget* List() const { return window.findChild<QTreeWidget*>(QStringLiteral("lvEncounters")); }
  QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(QString::fromLatin1(name)); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int i = 0; i < List()->topLevelItemCount(); ++i) texts << List()->topLevelItem(i)->text(column);
    return texts;
  }
  void Show() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  frmEncounters window;
};

TEST_F(frmEncountersTest, ListsRowsWithNullFieldsAndVisitTypeNames) {
  window.Load(ThreeEncounters(), QString(), kVisitTypes);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Encounters"));
  QTreeWidget* list = List();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 8);
  EXPECT_EQ(list->headerItem()->text(6), QStringLiteral("Visit Type"));
  EXPECT_EQ(list->headerItem()->text(7), QStringLiteral("Visit Type"));
  EXPECT_TRUE(list->isColumnHidden(frmEncounters::kVisitTypeId));
  EXPECT_FALSE(list->isColumnHidden(frmEncounters::kVisitTypeName));

  // Service order; dates keep the service's text without the time.
  EXPECT_EQ(Column(frmEncounters::kDate),
            (QStringList{QStringLiteral("12/5/2026"), QStringLiteral("2/1/2026"), QStringLiteral("2026-11-20")}));
  EXPECT_EQ(Column(frmEncounters::kIcd), (QStringList{QStringLiteral("J10"), QString(), QStringLiteral("R51")}));
  EXPECT_EQ(Column(frmEncounters::kDescription),
            (QStringList{QStringLiteral("Influenza"), QString(), QStringLiteral("Headache")}));
  EXPECT_EQ(Column(frmEncounters::kVisitTypeId), (QStringList{QStringLiteral("7"), QString(), QStringLiteral("99")}));
  // Known identifier gets its name; none or unknown stays empty.
  EXPECT_EQ(Column(frmEncounters::kVisitTypeName), (QStringList{QStringLiteral("Follow Up"), QString(), QString()}));
  EXPECT_EQ(list->topLevelItem(1)->data(0, frmEncounters::kKeyRole).toString(), QStringLiteral("K502"));
  // No current encounter: the first row is selected.
  EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
  EXPECT_TRUE(list->topLevelItem(0)->isSelected());
}

TEST_F(frmEncountersTest, CurrentEncounterIsPreselectedAndEnterChoosesIt) {
  window.Load(ThreeEncounters(), QStringLiteral("503"), kVisitTypes);
  Show();
  ASSERT_EQ(List()->selectedItems().size(), 1);
  EXPECT_EQ(List()->selectedItems().first()->text(frmEncounters::kLastName), QStringLiteral("Cho"));
  EXPECT_EQ(List()->selectedItems().first(), List()->topLevelItem(2));

  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_Return);
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Chosen()->encounterId, QStringLiteral("503"));
  EXPECT_EQ(window.Chosen()->date, QDate(2026, 11, 20));
  EXPECT_EQ(window.Chosen()->visitTypeId, QStringLiteral("99"));
}

TEST_F(frmEncountersTest, SortedByHeaderOkPicksTheRowShown) {
  window.Load(ThreeEncounters(), QStringLiteral("none"), kVisitTypes);
  Show();
  QHeaderView* header = List()->header();
  const int x = header->sectionViewportPosition(frmEncounters::kDate) + header->sectionSize(frmEncounters::kDate) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  // By date, not by text: February, November, December.
  ASSERT_EQ(Column(frmEncounters::kDate),
            (QStringList{QStringLiteral("2/1/2026"), QStringLiteral("2026-11-20"), QStringLiteral("12/5/2026")}));

  List()->setCurrentItem(List()->topLevelItem(0));
  QTest::mouseClick(Button("cmdOK"), Qt::LeftButton);
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->encounterId, QStringLiteral("502"));
  EXPECT_EQ(window.Chosen()->date, QDate(2026, 2, 1));
  EXPECT_TRUE(window.Chosen()->visitTypeId.isEmpty());
}

TEST_F(frmEncountersTest, DoubleClickChoosesTheRow) {
  window.Load(ThreeEncounters(), QString(), kVisitTypes);
  Show();
  QTreeWidgetItem* item = List()->topLevelItem(1);
  const QPoint centre = List()->visualItemRect(item).center();
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, centre);
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->encounterId, QStringLiteral("502"));
}

TEST_F(frmEncountersTest, CancelAndOkWithoutRowsChooseNothing) {
  window.Load(ThreeEncounters(), QString(), kVisitTypes);
  Show();
  QTest::mouseClick(Button("cmdCancel"), Qt::LeftButton);
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_FALSE(window.Chosen().has_value());

  window.Load(EncounterRows{}, QStringLiteral("501"), kVisitTypes);
  Show();
  EXPECT_EQ(List()->topLevelItemCount(), 0);
  QTest::mouseClick(Button("cmdOK"), Qt::LeftButton);
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_FALSE(window.Chosen().has_value());
}

// Acts inside the next modal window once its event loop runs.
void InModal(const std::function<void(QWidget*)>& act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

void Click(QWidget* window, const char* button) {
  auto* target = window->findChild<QPushButton*>(QString::fromLatin1(button));
  ASSERT_NE(target, nullptr);
  QTest::mouseClick(target, Qt::LeftButton);
}

TEST(EncounterWindowsTest, ChooseRunsTheEncountersWindowModally) {
  EncounterWindows windows;
  InModal([](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), QStringLiteral("frmEncounters"));
    Click(modal, "cmdOK");
  });
  const auto chosen = windows.Choose(ThreeEncounters(), QStringLiteral("501"), kVisitTypes);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->encounterId, QStringLiteral("501"));
  EXPECT_EQ(chosen->date, QDate(2026, 12, 5));
  EXPECT_EQ(chosen->visitTypeId, QStringLiteral("7"));

  InModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_FALSE(windows.Choose(ThreeEncounters(), QStringLiteral("501"), kVisitTypes).has_value());
}

TEST(EncounterWindowsTest, ConfirmNewShowsTheDateAndReportsTheAnswer) {
  frmEncounterNew window(QStringLiteral("12/5/2026"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("New Encounter"));
  auto* panel = window.findChild<QLabel*>(QStringLiteral("SSPanel2"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(),
            QStringLiteral("The patient has no unsigned Encounter. Create new Encounter\n as of 12/5/2026 ?"));
  EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isDefault());

  EncounterWindows windows;
  InModal([](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), QStringLiteral("frmEncounterNew"));
    QTest::keyClick(modal, Qt::Key_Return);  // OK is the default button
  });
  EXPECT_TRUE(windows.ConfirmNew(QStringLiteral("5/12/2026")));
  InModal([](QWidget* modal) { Click(modal, "cmdCancel"); });
  EXPECT_FALSE(windows.ConfirmNew(QStringLiteral("5/12/2026")));
}

}  // namespace
}  // namespace pyxa
