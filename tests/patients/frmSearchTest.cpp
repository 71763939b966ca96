#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "PatientTestSupport.h"
#include "patients/ui/SearchFieldsBox.h"
#include "patients/ui/SearchResultsChooser.h"
#include "patients/ui/frmSearch.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ErrorTexts.h"

namespace pyxa {
namespace {

using testing::CountingLogin;
using testing::PatientRow;
using testing::SignedInSession;

PatientResults Results(const ValuesTable& rows) {
  PatientResults results;
  results.names = testing::FakeServiceLog{}.patientNames;
  results.values = rows;
  return results;
}

ValueRows ThreePatients() {
  return {PatientRow(30, QStringLiteral("Cho"), QStringLiteral("Ann"), QStringLiteral("1980-02-01 00:00:00"),
                     QStringLiteral("111"), QStringLiteral("C30"), QStringLiteral("416"), QStringLiteral("555"),
                     QStringLiteral("0001")),
          PatientRow(10, QStringLiteral("Abe"), QStringLiteral("Bo"), QStringLiteral("1970-12-05 00:00:00"),
                     QStringLiteral("222"), QStringLiteral("C10"), {}, QStringLiteral("555"), QStringLiteral("0002")),
          PatientRow(20, QStringLiteral("Baz"), QStringLiteral("Cy"), QString(), QStringLiteral("333"),
                     QStringLiteral("C20"), QStringLiteral("905"))};
}

class frmSearchTest : public ::testing::Test {
 protected:
  frmSearchTest() : window(fixture.session, prompter, login) {}

  QTreeWidget* List() const { return window.findChild<QTreeWidget*>(QStringLiteral("lvResults")); }
  QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(QString::fromLatin1(name)); }
  QLineEdit* Field(const char* name) const { return window.findChild<QLineEdit*>(QString::fromLatin1(name)); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int i = 0; i < List()->topLevelItemCount(); ++i) texts << List()->topLevelItem(i)->text(column);
    return texts;
  }
  void Show() {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  SignedInSession fixture;
  ScriptedPrompter prompter;
  CountingLogin login;
  frmSearch window;
};

TEST_F(frmSearchTest, LoadListsEveryRowInServiceOrder) {
  SearchCriteria criteria;
  criteria.lastName = QStringLiteral("A");
  criteria.hcn = QStringLiteral("99");
  window.Load(criteria, Results(ThreePatients()));

  EXPECT_EQ(window.windowTitle(), QStringLiteral("Search Results"));
  EXPECT_EQ(fixture.log.calls, QStringList{QStringLiteral("GetUsersCountry(17)")});
  EXPECT_EQ(Field("txtLastName")->text(), QStringLiteral("A"));
  EXPECT_EQ(Field("txtHCN")->text(), QStringLiteral("99"));
  EXPECT_EQ(Column(0), (QStringList{QStringLiteral("Cho"), QStringLiteral("Abe"), QStringLiteral("Baz")}));
  EXPECT_EQ(Column(2), (QStringList{QStringLiteral("01/02/1980"), QStringLiteral("05/12/1970"), QString()}));
  EXPECT_EQ(Column(3), (QStringList{QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("333")}));
  EXPECT_EQ(Column(5),
            (QStringList{QStringLiteral("(416) 555-0001"), QStringLiteral("555-0002"), QStringLiteral("(905) ")}));
  EXPECT_EQ(List()->topLevelItem(1)->data(0, frmSearch::kKeyRole).toString(), QStringLiteral("K10"));
  EXPECT_EQ(List()->currentItem(), List()->topLevelItem(0)) << "the first row is ready for Enter";
  EXPECT_FALSE(List()->rootIsDecorated());
  EXPECT_FALSE(List()->isColumnHidden(3));
  EXPECT_EQ(prompter.Count(), 0);

  // Enter in the list chooses the row the user moved to, even when nothing is selected.
  QTest::keyClick(List(), Qt::Key_Down);
  QTest::keyClick(List(), Qt::Key_Space, Qt::ControlModifier);
  ASSERT_EQ(List()->currentItem(), List()->topLevelItem(1));
  ASSERT_TRUE(List()->selectedItems().isEmpty());
  QTest::keyClick(List(), Qt::Key_Return);
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->patientId, QStringLiteral("10"));
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(frmSearchTest, CountryTwoHidesTheHealthCardAndReadsMonthFirst) {
  fixture.log.country = QStringLiteral("2");
  window.Load({}, Results(ThreePatients()));
  EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("Label4"))->isHidden());
  EXPECT_TRUE(Field("txtHCN")->isHidden());
  EXPECT_TRUE(List()->isColumnHidden(3));
  EXPECT_EQ(Column(3), (QStringList{QString(), QString(), QString()}));
  EXPECT_EQ(Column(2)[1], QStringLiteral("12/05/1970"));

  List()->setCurrentItem(List()->topLevelItem(1));
  Button("cmdOK")->click();
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->fields.dob1, QStringLiteral("12"));
  EXPECT_EQ(window.Chosen()->fields.dob2, QStringLiteral("5"));
}

TEST_F(frmSearchTest, SortingByAColumnStillChoosesThePatientShown) {
  window.Load({}, Results(ThreePatients()));
  Show();
  QHeaderView* header = List()->header();
  const QPoint lastName(header->sectionViewportPosition(0) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, lastName);
  ASSERT_EQ(Column(0), (QStringList{QStringLiteral("Abe"), QStringLiteral("Baz"), QStringLiteral("Cho")}));

  List()->setCurrentItem(List()->topLevelItem(1));
  Button("cmdOK")->click();
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->patientId, QStringLiteral("20"));
  EXPECT_EQ(window.Chosen()->fields.lastName, QStringLiteral("Baz"));
  EXPECT_EQ(window.Chosen()->fields.areaCode, QStringLiteral("905"));
}

TEST_F(frmSearchTest, DatesSortByDateAndDoubleClickChooses) {
  window.Load({}, Results(ThreePatients()));
  Show();
  List()->sortItems(2, Qt::DescendingOrder);
  ASSERT_EQ(Column(0), (QStringList{QStringLiteral("Cho"), QStringLiteral("Abe"), QStringLiteral("Baz")}))
      << "1980 before 1970 before no date";

  QTreeWidgetItem* abe = List()->topLevelItem(1);
  const QPoint centre = List()->visualItemRect(abe).center();
  // A real double click: press and release, then the second press arrives as a double click.
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, centre);
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->patientId, QStringLiteral("10"));
  EXPECT_EQ(window.Chosen()->fields.dob1, QStringLiteral("5"));
  EXPECT_EQ(window.Chosen()->fields.dob2, QStringLiteral("12"));
  EXPECT_EQ(window.Chosen()->fields.dob3, QStringLiteral("1970"));
  EXPECT_EQ(window.Chosen()->fields.hcn, QStringLiteral("222"));
}

TEST_F(frmSearchTest, CancelChoosesNobody) {
  window.Load({}, Results(ThreePatients()));
  Button("cmdCancel")->click();
  EXPECT_FALSE(window.Chosen().has_value());
  EXPECT_EQ(window.result(), QDialog::Rejected);
}

TEST_F(frmSearchTest, TheWindowsOwnSearchRefillsOrEmptiesTheList) {
  window.Load({}, Results(ThreePatients()));
  fixture.log.calls.clear();

  Button("cmdClear")->click();
  EXPECT_EQ(window.Fields()->Criteria(), SearchCriteria{});
  Button("cmdSearch")->click();
  EXPECT_TRUE(fixture.log.calls.isEmpty());
  EXPECT_EQ(prompter.Count(), 0) << "no message for empty criteria here";
  EXPECT_EQ(List()->topLevelItemCount(), 3);

  fixture.log.patients = ValueRows{PatientRow(40, QStringLiteral("Day"), QStringLiteral("Di"), {})};
  Field("txtLastName")->setText(QStringLiteral("Day"));
  Field("txtDOB1")->setText(QStringLiteral("31"));
  Field("txtDOB2")->setText(QStringLiteral("12"));
  Field("txtDOB3")->setText(QStringLiteral("1970"));
  QTest::keyClick(Field("txtLastName"), Qt::Key_Return);
  EXPECT_EQ(fixture.log.calls, QStringList{QStringLiteral("FindPatient(,Day,,,,,,12/31/1970)")});
  EXPECT_EQ(Column(0), QStringList{QStringLiteral("Day")});
  EXPECT_FALSE(window.Chosen().has_value()) << "Enter in a field searches, it does not choose";

  fixture.log.patients.reset();
  Button("cmdSearch")->click();
  EXPECT_EQ(List()->topLevelItemCount(), 0);
  Button("cmdOK")->click();
  EXPECT_FALSE(window.Chosen().has_value());
}

TEST_F(frmSearchTest, AFailedSearchKeepsTheListAndTellsTheUser) {
  window.Load({}, Results(ThreePatients()));
  fixture.log.failures = {QStringLiteral("Object reference not set")};
  Field("txtLastName")->setText(QStringLiteral("Day"));
  Button("cmdSearch")->click();

  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_EQ(prompter.LastPrompt().text, GenericErrorMessage(-2147467259, QStringLiteral("Object reference not set")));
  EXPECT_EQ(prompter.LastPrompt().icon, PromptIcon::Critical);
  EXPECT_EQ(List()->topLevelItemCount(), 3);

  // The rows still belong to the results they came from.
  List()->setCurrentItem(List()->topLevelItem(2));
  Button("cmdOK")->click();
  ASSERT_TRUE(window.Chosen().has_value());
  EXPECT_EQ(window.Chosen()->patientId, QStringLiteral("20"));
}

TEST_F(frmSearchTest, EnteringTheLastNamePutsTheCursorAtItsEnd) {
  window.Load({}, Results(ThreePatients()));
  Show();
  Field("txtLastName")->setText(QStringLiteral("Smith"));
  Field("txtLastName")->setCursorPosition(0);
  Field("txtLastName")->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(Field("txtLastName")->cursorPosition(), 5);
  EXPECT_FALSE(Field("txtLastName")->hasSelectedText());
}

// The modal window the chooser opened; closing every other way would leave exec() waiting.
frmSearch* OpenWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<frmSearch*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

TEST(SearchResultsChooserTest, ShowsTheMatchesModallyWithoutTheDateOfBirth) {
  SignedInSession fixture;
  ScriptedPrompter prompter;
  CountingLogin login;
  SearchResultsChooser chooser(fixture.session, prompter, login);

  SearchCriteria criteria;
  criteria.lastName = QStringLiteral("Lee");
  criteria.phone1 = QStringLiteral("555");
  criteria.dob1 = QStringLiteral("31");
  criteria.dob2 = QStringLiteral("12");
  criteria.dob3 = QStringLiteral("1970");

  SearchCriteria seen;
  QTimer::singleShot(0, [&seen] {
    frmSearch* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    seen = window->Fields()->Criteria();
    auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lvResults"));
    list->setCurrentItem(list->topLevelItem(1));
    window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  const auto chosen = chooser.Choose(criteria, Results(ThreePatients()));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->patientId, QStringLiteral("10"));
  EXPECT_EQ(seen.lastName, QStringLiteral("Lee"));
  EXPECT_EQ(seen.phone1, QStringLiteral("555"));
  EXPECT_TRUE((seen.dob1 + seen.dob2 + seen.dob3).isEmpty());

  QTimer::singleShot(0, [] {
    frmSearch* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    window->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  });
  EXPECT_FALSE(chooser.Choose(criteria, Results(ThreePatients())).has_value());
}

}  // namespace
}  // namespace pyxa
