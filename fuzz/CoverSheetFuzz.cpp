// libFuzzer target for the cover sheet reader. An input whose first byte is even is the text of a
// code: ReadCoverRecord must not crash, and a record it reads must come back the same from its own
// encoding. An odd first byte makes a small page instead (the next bytes pick its size, resolution
// and format, and whether a real cover sheet drawn small, maybe crooked, lies under the bytes),
// which FindSheet must look at without a crash, a hang or runaway memory. Any broken round trip aborts. Built with
// PYXA_FUZZ_SEEDS it is instead a small program that writes the seed files.
#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "coversheets/CoverRecord.h"
#include "coversheets/CoverSheetDrawing.h"
#include "coversheets/SheetFinder.h"

namespace {

const pyxa::CoverRecord kRecords[] = {
    {pyxa::CoverRecord::Kind::Cover, 4021, 3, 17, 6, QStringLiteral("O'BRIEN, Siobhan"), QDate(1957, 3, 14)},
    {pyxa::CoverRecord::Kind::Cover, 77, 0, -1, -1, QStringLiteral("NGUYỄN;X=1, Zoë%")},
    {pyxa::CoverRecord::Kind::Cover, 9007199254740993, -1, 2, -1, QStringLiteral("DOE, J"), QDate(2001, 12, 31)},
    {pyxa::CoverRecord::Kind::Separator, 0, -1, -1, -1},
};

}  // namespace

#ifndef PYXA_FUZZ_SEEDS

namespace {

void Fail(const char* what, const QString& text) {
  std::fprintf(stderr, "cover_sheet_fuzz: %s: %s\n", what, text.toUtf8().constData());
  std::abort();
}

// The checksum the record's code ends on, so that changed fields still reach the field reader
// instead of stopping at the checksum almost every time.
QString WithChecksum(const QString& body) {
  const QByteArray bytes = body.toUtf8();
  return body + QStringLiteral(";X=") +
         QStringLiteral("%1").arg(qChecksum(QByteArrayView(bytes), Qt::ChecksumIso3309), 4, 16, QLatin1Char('0'));
}

void ExpectRoundTrip(const QString& text) {
  const pyxa::CoverReading reading = pyxa::ReadCoverRecord(text);
  if (reading.status != pyxa::CoverReading::Status::Read) return;
  const QString again = pyxa::EncodeCoverRecord(reading.record);
  const pyxa::CoverReading back = pyxa::ReadCoverRecord(again);
  if (back.status != pyxa::CoverReading::Status::Read) Fail("a record read does not read from its own code", text);
  if (!(back.record == reading.record)) Fail("a record read comes back changed from its own code", text);
  if (pyxa::EncodeCoverRecord(back.record) != again) Fail("a record's code changes when read and written again", text);
}

void ReadText(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  ExpectRoundTrip(text);
  const qsizetype mark = text.lastIndexOf(QStringLiteral(";X="));
  ExpectRoundTrip(WithChecksum(mark >= 0 ? text.left(mark) : text));
}

// Reads the header bytes of a page input one after the other; 0 once they run out.
struct Bytes {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  int Next() { return at < size ? data[at++] : 0; }
};

QImage InFormat(const QImage& grey, int format) {
  switch (format % 5) {
    case 1: return grey.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    case 2: return grey.convertToFormat(QImage::Format_MonoLSB, Qt::ThresholdDither);
    case 3: {
      // A scanner's bilevel page whose colour table has black first.
      QImage mono = grey.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
      mono.invertPixels();
      mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
      return mono;
    }
    case 4: return grey.convertToFormat(QImage::Format_RGB32);
    default: return grey;
  }
}

void FindOnPage(const uint8_t* data, size_t size) {
  Bytes header{data, size};
  const int flags = header.Next();
  const int widthByte = header.Next(), heightByte = header.Next();
  const int dpiXByte = header.Next(), dpiYByte = header.Next();
  const int format = header.Next();
  const int sheetByte = header.Next();
  const int offset = header.Next() | (header.Next() << 8);
  const uint8_t* pixels = data + header.at;
  const size_t count = size - header.at;

  // A resolution of 50 to 400 dpi; now and then 0 (unknown), the same as across, or one that only a
  // damaged file has.
  const auto resolution = [](int byte) {
    constexpr int kOdd[] = {1, 7, 1200, 100'000, 2'147'483'647};
    return byte <= 250 ? 50 + (byte - 1) * 350 / 249 : kOdd[byte - 251];
  };
  const int dpiX = dpiXByte == 0 ? 0 : resolution(dpiXByte);
  const int dpiY = dpiYByte == 0 ? dpiX : resolution(dpiYByte);

  QImage grey;
  if (flags & 2) {
    // A real sheet, drawn at 30 to 93 dpi (up to 790 x 1023 pixels), its pixels then mixed with the
    // bytes from a chosen place on.
    const pyxa::CoverRecord& record = kRecords[size_t(sheetByte >> 6) % std::size(kRecords)];
    const int dpi = 30 + (sheetByte & 63);
    grey = pyxa::DrawCoverSheet(record, {record.name, QStringLiteral("1957-03-14")}, dpi);
    const size_t area = size_t(grey.width()) * size_t(grey.height());
    const size_t start = size_t(offset) * area / 65536;
    for (size_t i = 0; i < count && start + i < area; ++i) {
      const size_t at = start + i;
      uchar& pixel = grey.scanLine(int(at / size_t(grey.width())))[at % size_t(grey.width())];
      pixel = (flags & 4) ? uchar(pixel ^ pixels[i]) : pixels[i];
    }
    if (flags & 8) {
      // Fed crooked: turned up to 45 degrees either way and sheared, on white paper.
      QImage crooked(grey.size(), QImage::Format_Grayscale8);
      crooked.fill(255);
      QPainter painter(&crooked);
      painter.setRenderHint(QPainter::SmoothPixmapTransform, (flags & 0x40) != 0);
      painter.translate(grey.width() / 2.0, grey.height() / 2.0);
      painter.rotate((widthByte - 128) * 45.0 / 128);
      painter.shear((heightByte - 128) / 256.0, 0);
      painter.translate(-grey.width() / 2.0, -grey.height() / 2.0);
      painter.drawImage(0, 0, grey);
      painter.end();
      grey = crooked;
    }
  } else {
    // Up to 511 x 511 pixels: the bytes row after row, or repeated (down the page in bars, or over
    // and over) where they run out.
    const int width = 1 + ((widthByte | ((flags & 0x10) << 4)) & 511);
    const int height = 1 + ((heightByte | ((flags & 0x20) << 3)) & 511);
    grey = QImage(width, height, QImage::Format_Grayscale8);
    grey.fill(255);
    const int fill = (flags >> 2) & 3;
    for (int y = 0; y < height; ++y) {
      uchar* line = grey.scanLine(y);
      for (int x = 0; x < width; ++x) {
        const size_t at = size_t(y) * size_t(width) + size_t(x);
        if (at < count) line[x] = pixels[at];
        else if (count > 0 && fill == 1) line[x] = pixels[size_t(x) % count];
        else if (count > 0 && fill == 2) line[x] = pixels[at % count];
      }
    }
  }
  const QImage page = InFormat(grey, format);
  const pyxa::SheetFinding finding = pyxa::FindSheet(page, dpiX, dpiY);
  // What a sheet found says holds together: a cover or separator read from a code of ours.
  if ((finding.kind == pyxa::SheetFinding::Kind::Cover) != (finding.record.kind == pyxa::CoverRecord::Kind::Cover &&
                                                            finding.record.patientId > 0))
    Fail("a finding's record does not match its kind", finding.problem);
  if ((finding.kind == pyxa::SheetFinding::Kind::Unreadable) == finding.problem.isEmpty())
    Fail("an unreadable sheet without a reason, or a reason without one", finding.problem);
}

}  // namespace

// Fontconfig keeps a few blocks of its first font lookup for good without a pointer to them: not
// ours, and not a leak per page.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The sheets are drawn with Qt's fonts, which need the application object (offscreen: no display).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0) ReadText(data + 1, size - 1);
  else FindOnPage(data + 1, size - 1);
  return 0;
}

#else

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  int n = 0;
  const auto write = [&folder, &n](const QByteArray& bytes) {
    QFile file(folder.filePath(QStringLiteral("cover-%1").arg(++n)));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
  };
  bool ok = true;
  // The codes' text, after an even byte.
  for (const pyxa::CoverRecord& record : kRecords) ok = write(" " + pyxa::EncodeCoverRecord(record).toUtf8()) && ok;
  ok = write(" PYXA-COVER 1;P=12;N=A%20B;B=19991231;D=0;X=0000") && ok;
  ok = write(" https://example.org/menu") && ok;
  // Pages, after an odd byte: a sheet of each record at 40 to 90 dpi, whole (its bytes written past
  // its end) or with a few bytes changed in the middle; a page of bars; a page of noise.
  for (int r = 0; r < int(std::size(kRecords)); ++r) {
    for (const int dpi : {40, 60, 90}) {
      QByteArray page("\x01\x02\x00\x00\x00\x00\x00\x00\xff\xff", 10);
      // The page's resolution as drawn (50 dpi at the least), so that it is looked at full size.
      page[4] = char(1 + std::max(dpi - 50, 0) * 249 / 350);
      page[6] = char(r % 2);  // greyscale or bilevel
      page[7] = char((r << 6) | (dpi - 30));
      ok = write(page + "\x00") && ok;
      page[1] = '\x06';  // XOR the bytes into the sheet
      page[8] = '\x00';
      page[9] = '\x70';
      ok = write(page + QByteArray(48, '\x81')) && ok;
    }
  }
  // Sheets fed crooked: turned 7 and 20 degrees, a little sheared.
  for (int r = 0; r < int(std::size(kRecords)); ++r)
    for (const char turn : {'\x94', '\xb9'})
      ok = write(QByteArray("\x01\x4a") + turn + QByteArray("\x8a\x1e\x00\x00", 4) + char((r << 6) | 60) +
                 QByteArray("\xff\xff", 2)) && ok;
  // A sheet with a resolution only a damaged file has: 1200 by 1 dpi.
  ok = write(QByteArray("\x01\x02\x00\x00\xfd\xfb\x01\x1e\xff\xff", 10)) && ok;
  QByteArray bars("\x01\x04\x80\x40\x40\x40\x01\x00\x00\x00", 10);
  for (int i = 0; i < 128; ++i) bars += char((i / 3) % 2 ? 0 : 255);
  ok = write(bars) && ok;
  QByteArray noise("\x01\x00\x3f\x3f\x90\x00\x00\x00\x00\x00", 10);
  for (int i = 0; i < 4096; ++i) noise += char((i * 2654435761u) >> 13);
  ok = write(noise) && ok;
  return ok ? 0 : 1;
}

#endif
