// Cover and separator sheets: their record, the sheet drawn and found again as a scanner would
// deliver it, and the documents a batch of sheets and pages proposes.
#include "coversheets/BatchProposals.h"
#include "coversheets/BatchSplit.h"
#include "coversheets/CoverRecord.h"
#include "coversheets/CoverSheetDrawing.h"
#include "coversheets/SheetFinder.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QPainter>
#include <gtest/gtest.h>
#include <utility>

#include "scan/processing/TestPages.h"
#include "shell/FakeService.h"

namespace pyxa {
namespace {

const CoverRecord kFull{CoverRecord::Kind::Cover, 4021, 3, 17, 6, QStringLiteral("O'BRIEN, Siobhan"), QDate(1957, 3, 14)};
const CoverRecord kSeparator{CoverRecord::Kind::Separator, 0, -1, -1, -1};

TEST(CoverRecord, ReadsBackWhatItWroteAndTellsOtherCodesFromDamagedOnes) {
  // A category's identifier may be 0; -1 is "not chosen".
  // A name with the record's own separators and letters beyond ASCII; no date of birth.
  const CoverRecord odd{CoverRecord::Kind::Cover, 77, 0, -1, -1, QStringLiteral("NGUYỄN;X=1, Zoë%")};
  for (const CoverRecord& record : {kFull, odd, kSeparator}) {
    const CoverReading reading = ReadCoverRecord(EncodeCoverRecord(record));
    EXPECT_EQ(reading.status, CoverReading::Status::Read) << EncodeCoverRecord(record).toStdString();
    EXPECT_EQ(reading.record, record);
  }
  QString misread = EncodeCoverRecord(kFull);
  misread.replace(QStringLiteral("P=4021"), QStringLiteral("P=4027"));  // one digit read wrong
  const struct {
    QString text;
    CoverReading::Status status;
  } cases[] = {
      {misread, CoverReading::Status::Damaged},
      {QStringLiteral("PYXA-COVER 1;P=4021"), CoverReading::Status::Damaged},  // no checksum
      {EncodeCoverRecord({CoverRecord::Kind::Cover, 4021}), CoverReading::Status::Damaged},  // no name
      {QStringLiteral("PYXA-COVER 2;P=5;X=") + QStringLiteral("0000"), CoverReading::Status::Damaged},
      {QStringLiteral("https://example.org/menu"), CoverReading::Status::NotOurs},
      {QString(), CoverReading::Status::NotOurs},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadCoverRecord(c.text).status, c.status) << c.text.toStdString();
}

// A record's text with the checksum it ends on, made here as the code does, so that only the
// fields decide.
QString Checked(const QString& body) {
  const QByteArray bytes = body.toUtf8();
  return body + QStringLiteral(";X=") +
         QStringLiteral("%1").arg(qChecksum(QByteArrayView(bytes), Qt::ChecksumIso3309), 4, 16, QLatin1Char('0'));
}

TEST(CoverRecord, ASeparatorWithFieldsIsDamaged) {
  // A separator's record keeps no fields: read as a separator, a category here would be lost
  // when the record is written again.
  EXPECT_EQ(ReadCoverRecord(Checked(QStringLiteral("PYXA-SEP 1"))).status, CoverReading::Status::Read);
  for (const char* fields : {";C=3", ";P=0", ";P=12", ";T=1;D=2"}) {
    const QString text = Checked(QStringLiteral("PYXA-SEP 1") + QLatin1String(fields));
    EXPECT_EQ(ReadCoverRecord(text).status, CoverReading::Status::Damaged) << text.toStdString();
  }
}

QImage Scanned(const QImage& sheet) { return test::Bilevel(sheet.convertToFormat(QImage::Format_Grayscale8)); }

TEST(SheetFinder, FindsTheSheetAsScannedAt300And200DpiAndUpsideDown) {
  const CoverSheetText text{QStringLiteral("O'BRIEN, Siobhan"), QStringLiteral("1957-03-14"), QStringLiteral("NW4021"),
                            QStringLiteral("Lab Report"), QStringLiteral("Hematology"), QStringLiteral("Okafor, Adaeze")};
  for (int dpi : {300, 200}) {
    SCOPED_TRACE(dpi);
    const QImage sheet = Scanned(DrawCoverSheet(kFull, text, dpi));
    SheetFinding found = FindSheet(sheet, dpi, dpi);
    EXPECT_EQ(found.kind, SheetFinding::Kind::Cover);
    EXPECT_EQ(found.record, kFull);
    EXPECT_FALSE(found.fullRead);  // the reduced look was enough
    found = FindSheet(sheet.transformed(QTransform().rotate(180)), dpi, dpi);
    EXPECT_EQ(found.record, kFull);
    EXPECT_EQ(FindSheet(Scanned(DrawCoverSheet(kSeparator, {}, dpi)), dpi, dpi).kind, SheetFinding::Kind::Separator);
  }
  // A patch T sheet separates too.
  EXPECT_EQ(FindSheet(test::PatchSheet(PatchCode::PatchT, 200), 200, 200).kind, SheetFinding::Kind::Separator);
}

TEST(SheetFinder, OtherCodesAndDamagedSheetsAreOrdinaryPages) {
  QImage page = test::BlankPage(200);
  test::DrawText(page, 200);
  EXPECT_EQ(FindSheet(page, 200, 200).kind, SheetFinding::Kind::Page);

  // Another program's QR code: an ordinary page, nothing to tell.
  {
    const ZXing::BitMatrix matrix =
        ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode).setMargin(0).encode(std::wstring(L"INV-2291-A"), 0, 0);
    QPainter painter(&page);
    for (int y = 0; y < matrix.height(); ++y)
      for (int x = 0; x < matrix.width(); ++x)
        if (matrix.get(x, y)) painter.fillRect(1200 + x * 8, 1500 + y * 8, 8, 8, Qt::black);
  }
  EXPECT_EQ(FindSheet(page, 200, 200).kind, SheetFinding::Kind::Page);

  // Our sheet with the middle of its code torn away: the clerk is told, the page stays a page.
  QImage torn = DrawCoverSheet(kFull, {QStringLiteral("O'BRIEN, Siobhan")}, 200);
  {
    QPainter painter(&torn);
    // The code is 1.75 in. square from 1.75 in. down: its three corner marks stay, its body goes.
    painter.fillRect(QRect(torn.width() / 2 - 95, 350 + 80, 190, 270), Qt::white);
  }
  const SheetFinding damaged = FindSheet(Scanned(torn), 200, 200);
  EXPECT_EQ(damaged.kind, SheetFinding::Kind::Unreadable);
  EXPECT_FALSE(damaged.problem.isEmpty());
}

TEST(SheetFinder, AResolutionNoScannerGivesIsTakenAsUnknown) {
  // A damaged file's resolution: evened out, 600 by 1 dpi stretched the page to over 2 billion
  // pixels and crashed Qt's scaling.
  const QImage sheet = Scanned(DrawCoverSheet(kFull, {QStringLiteral("O'BRIEN, Siobhan")}, 200));
  const std::pair<int, int> odd[] = {{600, 1}, {1, 600}, {200, 1}, {200, 1'000'000}, {2'000'000'000, 2'000'000'000}};
  for (const auto& [x, y] : odd) {
    SCOPED_TRACE(::testing::Message() << x << " x " << y);
    const SheetFinding found = FindSheet(sheet, x, y);
    EXPECT_EQ(found.kind, SheetFinding::Kind::Cover);
    EXPECT_EQ(found.record, kFull);
  }
  // A huge one overflowed the reduced page's resolution, which the patch search then used.
  EXPECT_EQ(FindSheet(test::BlankPage(200), 2'000'000'000, 2'000'000'000).kind, SheetFinding::Kind::Page);
  // A fax's uneven resolution is still evened out.
  const QImage fax = sheet.scaled(sheet.width(), sheet.height() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  EXPECT_EQ(FindSheet(fax, 200, 100).record, kFull);
}

SheetFinding Sheet(CoverRecord record) {
  SheetFinding finding;
  finding.kind = record.kind == CoverRecord::Kind::Cover ? SheetFinding::Kind::Cover : SheetFinding::Kind::Separator;
  finding.record = record;
  return finding;
}
const SheetFinding kPage{};
SheetFinding Unreadable() {
  SheetFinding finding;
  finding.kind = SheetFinding::Kind::Unreadable;
  return finding;
}

TEST(BatchSplit, PagesBetweenSheetsFormTheDocuments) {
  const CoverRecord a{CoverRecord::Kind::Cover, 1, -1, -1, -1}, b{CoverRecord::Kind::Cover, 2, 3, -1, -1};
  // Sheet, 3 pages, sheet, 2 pages, separator, 1 page.
  BatchSplit split = SplitBatch({Sheet(a), kPage, kPage, kPage, Sheet(b), kPage, kPage, Sheet(kSeparator), kPage});
  EXPECT_EQ(split.documents, (std::vector<ProposedDocument>{{{2, 3, 4}, a, 1}, {{6, 7}, b, 5}, {{9}, std::nullopt, 8}}));
  EXPECT_EQ(split.sheetPages, (std::vector<int>{1, 5, 8}));

  // Pages before the first sheet, two covers in a row, an unreadable sheet, a sheet as the last page.
  split = SplitBatch({kPage, Sheet(a), Sheet(b), kPage, Unreadable(), Sheet(a)});
  EXPECT_EQ(split.documents, (std::vector<ProposedDocument>{{{1}, std::nullopt, 0}, {{4, 5}, b, 3}}));
  EXPECT_EQ(split.emptyCovers, (std::vector<int>{2, 6}));
  EXPECT_EQ(split.unreadablePages, (std::vector<int>{5}));
  EXPECT_TRUE(SplitBatch({Sheet(kSeparator)}).documents.empty());
}

// The patients proposed: the clinic's own, asked once for each sheet, and a sheet that does not match
// it, names someone it no longer knows or could not be asked about is flagged, never trusted.
TEST(BatchProposals, EachCoverIsCheckedWithTheClinicAndOnlyAMatchIsTrusted) {
  const CoverRecord sheet{CoverRecord::Kind::Cover, 1001, -1, -1, -1, QStringLiteral("O'BRIEN, Siobhan"), QDate(1970, 12, 31)};
  const QVariantList row{1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QStringLiteral("1970-12-31 00:00:00")};
  struct Case {
    const char* name;
    QVariantList found;       // the row the name search answers, if any
    bool knownById;           // the number lookup answers a row
    QString failure;          // the service fails
    Proposal::Patient state;
    QString warning;
  } cases[] = {
      {"matches", row, true, {}, Proposal::Patient::Matched, {}},
      {"other birth date", {1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QStringLiteral("1971-01-02")},
       true, {}, Proposal::Patient::Flagged, QStringLiteral("date of birth 1970-12-31, but the clinic has 1971-01-02")},
      {"number of someone else", {}, true, {}, Proposal::Patient::Flagged, QStringLiteral("it names O'BRIEN, Siobhan, but")},
      {"unknown", {}, false, {}, Proposal::Patient::Flagged, QStringLiteral("no longer knows its patient 1001")},
      {"service fails", row, true, QStringLiteral("Server error"), Proposal::Patient::Flagged,
       QStringLiteral("could not be asked about its patient: Server error")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::FakeServiceLog log;
    if (!c.found.isEmpty()) log.patients = ValueRows{c.found};
    if (c.knownById) log.patientRows.insert(1001, {1001, QStringLiteral("Doe"), QStringLiteral("Jane")});
    if (!c.failure.isEmpty()) log.failures = {c.failure};
    Session session;
    session.Replace(std::make_unique<testing::FakeService>(log));
    BatchReading reading;
    reading.file = QStringLiteral("/batch.tif");
    // Two sheets for the same patient, one page each, and a separator's page.
    reading.findings = {Sheet(sheet), kPage, Sheet(sheet), kPage, Sheet(kSeparator), kPage};
    BatchProposals proposals;
    proposals.Propose(reading, [&](const CoverRecord& record) { return CheckSheetPatient(session, record, false); });
    ASSERT_EQ(proposals.Count(), 3);
    EXPECT_EQ(proposals.Item(0).state, c.state);
    EXPECT_EQ(proposals.Item(1).state, c.state);
    EXPECT_TRUE(proposals.Item(0).warning.contains(c.warning)) << proposals.Item(0).warning.toStdString();
    EXPECT_EQ(proposals.Item(2).state, Proposal::Patient::None);
    EXPECT_EQ(proposals.ServiceFailure().has_value(), !c.failure.isEmpty());
    EXPECT_EQ(log.calls.filter(QStringLiteral("FindPatient")).size(), 1);  // once for both sheets
    EXPECT_EQ(proposals.Item(0).patient.patientId, c.state == Proposal::Patient::Matched ? QStringLiteral("1001") : QString());
  }

  // A batch without sheets proposes nothing; sheets that could not be read or have no pages are told.
  BatchReading plain;
  plain.findings = {kPage, Unreadable(), kPage};
  BatchProposals none;
  none.Propose(plain, {});
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(none.Notices().size(), 1);
  plain.findings = {Sheet(kSeparator), kPage, Sheet(kSeparator)};
  none.Propose(plain, {});
  ASSERT_EQ(none.Count(), 1);
  // Its sheet leaves with the document unless sheets are kept.
  Document document;
  TakeProposalPages(document, none.Item(0), false);
  EXPECT_EQ(document.SheetPages, QVector<std::int32_t>{1});
  TakeProposalPages(document, none.Item(0), true);
  EXPECT_TRUE(document.SheetPages.isEmpty());
  EXPECT_EQ(document.Pages.Count(), 1);
}

}  // namespace
}  // namespace pyxa
