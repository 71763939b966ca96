// Reading the page in the main window on the demo clinic: the shown page's text (scripted here; the
// recogniser itself is tested on its own) proposes its patient, the clerk accepts it with one key and
// uploads, and a page naming two people or a computer without recognition data proposes nobody.
#include "FilingWorld.h"

#include "mainwindow/ui/ReadingBar.h"
#include "patients/ui/SearchFieldsBox.h"
#include "platform/Sql.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace pyxa::filing {
namespace {

// The text as a recogniser gives it: each word boxed where a line of it would stand.
PageText Scripted(const QString& text) {
  PageText page;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int line = 0; line < lines.size(); ++line) {
    int x = 40, from = 0;
    for (const QString& word : lines.at(line).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      const int at = static_cast<int>(lines.at(line).indexOf(word, from));
      from = at + static_cast<int>(word.size());
      page.words.append({word, QRect(x, 40 + line * 30, 12 * static_cast<int>(word.size()), 20), 95,
                         static_cast<int>(page.text.size()) + at});
      x += 12 * static_cast<int>(word.size()) + 12;
    }
    page.text += lines.at(line) + QLatin1Char('\n');
  }
  return page;
}

class ScriptedRecognizer final : public TextRecognizer {
 public:
  ScriptedRecognizer(QString text, bool available) : text_(std::move(text)), available_(available) {}
  bool Available(QString* why) const override {
    if (why && !available_) *why = QStringLiteral("Text recognition is off: its data is not installed.");
    return available_;
  }
  PageText Read(const QImage&, int) override { return Scripted(text_); }
  // The band holds the same scripted text; like any band, it is not the whole page.
  PageText ReadBand(const QImage&, int, const PageBand&) override {
    PageText band = Scripted(text_);
    band.complete = false;
    return band;
  }

 private:
  QString text_;
  bool available_;
};

std::function<std::unique_ptr<TextRecognizer>()> Reading(const QString& text, bool available = true) {
  return [text, available] { return std::make_unique<ScriptedRecognizer>(text, available); };
}

class PageReadingFlow : public ::testing::Test {
 protected:
  // A patient of the world's clinic as a lab report's header prints them.
  QString Header(int patient) {
    SqlConnection clinic(world.ClinicPath(), SqlConnection::Mode::ReadOnly);
    auto row = clinic.Prepare(QStringLiteral("SELECT last_name, first_name, dob FROM patients WHERE id = ?"));
    row.Bind(1, world.PatientId(patient));
    EXPECT_TRUE(row.Step());
    return QStringLiteral("Patient: %1, %2  DOB: %3\n")
        .arg(row.Text(QStringLiteral("last_name")).toUpper(), row.Text(QStringLiteral("first_name")),
             row.Text(QStringLiteral("dob")).left(10));
  }
  void ShowFile(const QString& name) {
    world.ClickButton("cmdFile");
    world.ClickFileNode(name);
  }
  ReadingBar* Bar() { return world.Window().findChild<ReadingBar*>(); }
  int Indexed() { return world.Window().IndexedDocuments() ? world.Window().IndexedDocuments()->Count() : 0; }

  FilingWorld world;
};

TEST_F(PageReadingFlow, TheClerkAcceptsThePatientReadWithOneKeyAndItIsFiledUnderThem) {
  world.ReadPagesWith(Reading(QStringLiteral("LABORATORY REPORT\n") + Header(1) + QStringLiteral("Hemoglobin 131 g/L\n")));
  ShowFile(QStringLiteral("alpha.tif"));
  QTRY_VERIFY_WITH_TIMEOUT(Bar()->cmdAccept->isVisible() && Bar()->cmdAccept->isEnabled(), 10000);
  EXPECT_TRUE(Bar()->lblReading->text().contains(QStringLiteral("Patient: ")));

  QTest::keyClick(&world.Window(), Qt::Key_F8);
  ASSERT_EQ(Indexed(), 1);
  EXPECT_EQ(world.Window().IndexedDocuments()->Item(1).PatientID, world.PatientId(1));
  world.ClickButton("cmdUpload");
  const auto stored = world.Stored();
  ASSERT_EQ(stored.size(), 1);
  EXPECT_EQ(stored.first().first, world.PatientId(1));
  EXPECT_TRUE(world.Violations().isEmpty()) << world.Violations().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PageReadingFlow, APageNamingTwoPatientsOffersBothAndChoosesNone) {
  world.ReadPagesWith(Reading(QStringLiteral("REFERRAL\n") + Header(0) + QStringLiteral("\n\n\n") + Header(2)));
  ShowFile(QStringLiteral("alpha.tif"));
  QTRY_VERIFY_WITH_TIMEOUT(Bar()->cmdFill->isVisible() && Bar()->cmdFill->menu(), 10000);
  EXPECT_FALSE(Bar()->cmdAccept->isEnabled());
  QTest::keyClick(&world.Window(), Qt::Key_F8);
  EXPECT_EQ(Indexed(), 0);
  EXPECT_TRUE(world.Prompts().all.join(QLatin1Char('\n')).contains(QStringLiteral("No patient has been read")));

  // The second person, chosen from the button's menu, goes to the search fields; nobody is chosen.
  world.ClickButton("cmdIndex");
  QTimer::singleShot(0, [] {
    QWidget* menu = QApplication::activePopupWidget();
    if (!menu) return;
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QTest::mouseClick(Bar()->cmdFill, Qt::LeftButton);
  auto* fields = world.Window().findChild<SearchFieldsBox*>();
  EXPECT_TRUE(Header(2).contains(fields->Criteria().lastName, Qt::CaseInsensitive));
  EXPECT_FALSE(fields->Criteria().lastName.isEmpty());
  EXPECT_TRUE(world.Window().findChild<QLineEdit*>(QStringLiteral("txtPatientID"))->text().isEmpty());
}

TEST_F(PageReadingFlow, WithoutRecognitionDataTheStripSaysWhyAndNothingIsProposed) {
  world.ReadPagesWith(Reading(Header(1), false));
  ShowFile(QStringLiteral("alpha.tif"));
  QTRY_VERIFY_WITH_TIMEOUT(Bar()->lblReading->text().contains(QStringLiteral("is off")), 10000);
  EXPECT_FALSE(Bar()->cmdAccept->isVisible());
}

}  // namespace
}  // namespace pyxa::filing
