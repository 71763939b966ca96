// The "Cover Sheets for a List" window on the demo clinic, driven as a clerk does: patients
// searched and added, a clinic list imported, and the sheets printed as one job and read back.
#include "coversheets/ui/frmCoverSheetList.h"

#include "components/LocalClinicTestFixture.h"
#include "coversheets/PatientSheet.h"
#include "coversheets/SheetFinder.h"
#include "platform/ScriptedPrompter.h"
#include "platform/Sql.h"
#include "print/FakePrinterPort.h"
#include "print/PrintedSheets.h"
#include "print/WindowDriving.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace pyxa {
namespace {

struct NoLogin final : LoginPrompt {
  bool ShowLogin() override { return false; }
};

struct ScriptedFiles final : FilePicker {
  QStringList OpenFiles(const QString&, const QString& filter) override {
    filters << filter;
    return answer;
  }
  QStringList answer;
  QStringList filters;
};

class CoverSheetListWindow : public clinictest::ClinicTest {
 protected:
  void SetUp() override {
    ClinicTest::SetUp();
    // A second patient with patient 1002's chart: a list naming that chart cannot say whose it is.
    SqlConnection(path_).Execute(QStringLiteral(
        "INSERT INTO patients (id, last_name, first_name, last_key, first_key, dob, chart)"
        " SELECT 9001, 'Twin', 'Tom', 'twin', 'tom', '1980-01-01', chart FROM patients WHERE id = 1002"));
    session.Replace(Login());
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), url_);
    port.printers = {test::OfficePrinter()};
    port.defaultPrinter = QStringLiteral("Office");
    window = std::make_unique<frmCoverSheetList>(
        CoverSheetListServices{session, prompter, login, files, {state, port, prompter, saver, folder_.path()}});
    window->show();
  }
  QString Chart(qint64 id) {
    SqlConnection connection(path_);
    auto query = connection.Prepare(QStringLiteral("SELECT chart FROM patients WHERE id = ?"));
    query.Bind(1, id);
    return query.Step() ? query.Text(QStringLiteral("chart")) : QString();
  }
  template <typename T>
  T* Find(const char* name) {
    return test::Child<T>(window.get(), name);
  }
  void Search(const char* field, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(field);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  QTreeWidgetItem* ResultWithChart(const QString& chart) {
    const auto found = Find<QTreeWidget>("lvResults")->findItems(chart, Qt::MatchExactly, 3);
    return found.size() == 1 ? found.first() : nullptr;
  }

  Session session;
  ScriptedPrompter prompter;
  NoLogin login;
  ScriptedFiles files;
  PrintState state;
  test::FakePrinterPort port;
  test::ScriptedSaver saver;
  std::unique_ptr<frmCoverSheetList> window;
};

TEST_F(CoverSheetListWindow, PrintsOneSheetForEachListedPatientAsOneJobInTheListsOrder) {
  auto* print = Find<QPushButton>("cmdPrint");
  EXPECT_FALSE(print->isEnabled());  // nothing to print yet

  // A search by name, the match clicked and added.
  Search("txtLastName", QStringLiteral("O'Brien"));
  QTreeWidget* results = Find<QTreeWidget>("lvResults");
  QTreeWidgetItem* first = ResultWithChart(Chart(1001));
  ASSERT_NE(first, nullptr);
  QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->visualItemRect(first).center());
  test::Click(window.get(), "cmdAdd");
  // A search by chart: Enter on the match adds it.
  QTest::keyClick(Find<QLineEdit>("txtLastName"), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Find<QLineEdit>("txtLastName"), Qt::Key_Delete);
  Search("txtChart", Chart(1003));
  ASSERT_EQ(results->topLevelItemCount(), 1);
  QTest::keyClick(results, Qt::Key_Return);
  EXPECT_TRUE(print->isEnabled());

  // A clinic list: a chart no one has, one two patients share, and one of a listed patient.
  const QString listPath = folder_.filePath(QStringLiteral("clinic.csv"));
  QFile list(listPath);
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write(QStringLiteral("Chart,Name\n%1,Somebody\n99999999,Nobody\n\"%2\",Twins\n%3\n")
                 .arg(Chart(1005), Chart(1002), Chart(1001))
                 .toUtf8());
  list.close();
  files.answer = {listPath};
  test::Click(window.get(), "cmdImport");
  ASSERT_EQ(prompter.Count(), 1);
  const QString told = prompter.LastPrompt().text;
  EXPECT_TRUE(told.contains(QStringLiteral("Line 3, chart 99999999: no patient has this chart number"))) << told.toStdString();
  EXPECT_TRUE(told.contains(QStringLiteral("Line 4, chart %1: 2 patients").arg(Chart(1002)))) << told.toStdString();
  EXPECT_TRUE(told.contains(QStringLiteral("Line 5, chart %1: already in the list").arg(Chart(1001))));

  // The imported patient moved up one place: the sheets follow the list's order.
  QTreeWidget* chosen = Find<QTreeWidget>("lvList");
  ASSERT_EQ(chosen->topLevelItemCount(), 3);
  QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {}, chosen->visualItemRect(chosen->topLevelItem(2)).center());
  test::Click(window.get(), "cmdUp");
  const std::vector<qint64> expected = {1001, 1005, 1003};
  test::OnNextModal([](QWidget* dialog) { test::Click(dialog, "cmdOK"); });
  test::Click(window.get(), "cmdPrint");
  ASSERT_EQ(port.jobs.size(), 1u) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(port.jobs[0].title, QStringLiteral("Cover sheets"));
  const std::unique_ptr<Poppler::Document> pdf = test::ReadPdf(port.jobs[0].pdf);
  ASSERT_TRUE(pdf);
  ASSERT_EQ(pdf->numPages(), 3);
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE(page);
    const QImage sheet = pdf->page(page)->renderToImage(150, 150).convertToFormat(QImage::Format_Grayscale8);
    const SheetFinding found = FindSheet(sheet, 150, 150);
    ASSERT_EQ(found.kind, SheetFinding::Kind::Cover);
    const ChosenPatient& listed = window->List().Patients()[static_cast<size_t>(page)];
    EXPECT_EQ(found.record.patientId, expected[static_cast<size_t>(page)]);
    EXPECT_EQ(found.record.name, SheetPatientName(listed.fields.lastName, listed.fields.firstName));
    EXPECT_EQ(found.record.categoryId, -1);  // a list's sheets name only the patient
  }
}

}  // namespace
}  // namespace pyxa
