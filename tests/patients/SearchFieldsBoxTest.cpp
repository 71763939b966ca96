#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "patients/ui/SearchFieldsBox.h"

namespace pyxa {
namespace {

class SearchFieldsBoxTest : public ::testing::Test {
 protected:
  void Show(SearchFieldsBox& box) {
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
  }
  static void Type(QLineEdit* field, const QString& keys) {
    field->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(field, keys);
  }
};

TEST_F(SearchFieldsBoxTest, DigitFieldsIgnoreLettersTypedOrPasted) {
  SearchFieldsBox box(true);
  Show(box);
  for (const char* name : {"txtDOB3", "txtPhone2"}) {
    QLineEdit* field = box.Field(QString::fromLatin1(name));
    ASSERT_NE(field, nullptr) << name;
    Type(field, QStringLiteral("1a9x"));
    EXPECT_EQ(field->text(), QStringLiteral("19")) << name;
    field->insert(QStringLiteral("b7-"));  // what a paste does
    EXPECT_EQ(field->text(), QStringLiteral("197")) << name;
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), QStringLiteral("19")) << name;
  }
  QLineEdit* name = box.Field(QStringLiteral("txtLastName"));
  Type(name, QStringLiteral("O'Neil 2"));
  EXPECT_EQ(name->text(), QStringLiteral("O'Neil 2")) << "free-text fields take any key";
}

TEST_F(SearchFieldsBoxTest, DateAndPhonePartsHandOnTheFocus) {
  SearchFieldsBox box(true);
  Show(box);
  Type(box.Field(QStringLiteral("txtDOB1")), QStringLiteral("3"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB1")));
  QTest::keyClicks(box.Field(QStringLiteral("txtDOB1")), QStringLiteral("1"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB2")));
  // The Tab a typist presses after a full part confirms the move instead of skipping a box.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB2")));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB3")));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1970"));
  EXPECT_EQ(box.Criteria().dob1 + box.Criteria().dob2 + box.Criteria().dob3, QStringLiteral("31121970"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtAreaCode"))) << "a later Tab moves on";

  Type(box.Field(QStringLiteral("txtAreaCode")), QStringLiteral("416"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtPhone1")));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("555"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtPhone2")));

  // A programmatic fill never moves the focus.
  box.Field(QStringLiteral("txtDOB1"))->setFocus();
  box.Field(QStringLiteral("txtDOB1"))->setText(QStringLiteral("12"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB1")));
}

TEST_F(SearchFieldsBoxTest, PhonePartsStayWithoutAdvance) {
  SearchFieldsBox box(false);
  Show(box);
  Type(box.Field(QStringLiteral("txtAreaCode")), QStringLiteral("4165"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtAreaCode")));
  EXPECT_EQ(box.Field(QStringLiteral("txtAreaCode"))->text(), QStringLiteral("416"));
  Type(box.Field(QStringLiteral("txtDOB2")), QStringLiteral("07"));
  EXPECT_EQ(QApplication::focusWidget(), box.Field(QStringLiteral("txtDOB3"))) << "dates advance in both windows";
}

TEST_F(SearchFieldsBoxTest, EnterSearchesAndCriteriaChangesAreSignalled) {
  SearchFieldsBox box(true);
  Show(box);
  QSignalSpy search(&box, &SearchFieldsBox::searchRequested);
  QSignalSpy changed(&box, &SearchFieldsBox::criteriaChanged);

  for (const char* name : {"txtLastName", "txtHCN", "txtDOB2", "txtPhone2"}) {
    QLineEdit* field = box.Field(QString::fromLatin1(name));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
  }
  EXPECT_EQ(search.count(), 4);

  Type(box.Field(QStringLiteral("txtDOB1")), QStringLiteral("1"));
  EXPECT_EQ(changed.count(), 0) << "the date of birth does not drop the chosen patient";
  Type(box.Field(QStringLiteral("txtChart")), QStringLiteral("9"));
  EXPECT_EQ(changed.count(), 1);
  box.Field(QStringLiteral("txtPhone1"))->setText(QStringLiteral("555"));
  EXPECT_EQ(changed.count(), 2) << "a change the program makes counts too";
}

TEST_F(SearchFieldsBoxTest, CriteriaRoundTripAndCountryTwo) {
  SearchFieldsBox box(false);
  SearchCriteria criteria;
  criteria.lastName = QStringLiteral("Zoë");
  criteria.firstName = QStringLiteral("Ann");
  criteria.chart = QStringLiteral("C1");
  criteria.hcn = QStringLiteral("123");
  criteria.dob1 = QStringLiteral("5");
  criteria.dob2 = QStringLiteral("12");
  criteria.dob3 = QStringLiteral("1970");
  criteria.areaCode = QStringLiteral("416");
  criteria.phone1 = QStringLiteral("555");
  criteria.phone2 = QStringLiteral("1234");
  box.SetCriteria(criteria);
  EXPECT_EQ(box.Criteria(), criteria);
  box.Clear();
  EXPECT_EQ(box.Criteria(), SearchCriteria{});

  EXPECT_EQ(box.DobHint()->text(), QStringLiteral("dd/mm/yyyy"));
  box.SetCountry2(true);
  EXPECT_TRUE(box.HcnLabel()->isHidden());
  EXPECT_TRUE(box.Field(QStringLiteral("txtHCN"))->isHidden());
  EXPECT_EQ(box.DobHint()->text(), QStringLiteral("mm/dd/yyyy"));
  box.SetCountry2(false);
  EXPECT_FALSE(box.HcnLabel()->isHidden());
  EXPECT_EQ(box.HcnLabel()->objectName(), QStringLiteral("Label4"));
}

}  // namespace
}  // namespace pyxa
