// A 12-lead ECG printout photographed on a desk with a phone, as staff send them in: pink grid
// paper seen slightly in perspective, uneven light, the tracing and its measurement block.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>
#include <cmath>

#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

// The printout in millimetres: US letter, landscape.
constexpr qreal kPaperWidth = 279.4;
constexpr qreal kPaperHeight = 215.9;
constexpr qreal kMmPerSecond = 25;
constexpr qreal kMmPerMillivolt = 10;
constexpr qreal kBeatSeconds = 60.0 / 74;

// The P, Q, R, S and T waves of one lead in millivolts; a heartbeat is their sum of bell curves.
struct Lead {
  const char* name;
  qreal p, q, r, s, t;
};

const Lead kLeads[12] = {{"I", 0.10, -0.05, 0.65, -0.10, 0.22},   {"II", 0.15, -0.08, 1.10, -0.20, 0.30},
                         {"III", 0.05, -0.05, 0.50, -0.20, 0.10}, {"aVR", -0.12, 0.05, -0.85, 0.10, -0.25},
                         {"aVL", 0.05, -0.04, 0.30, -0.10, 0.10}, {"aVF", 0.10, -0.05, 0.80, -0.20, 0.20},
                         {"V1", 0.08, 0.00, 0.25, -1.00, -0.10},  {"V2", 0.10, 0.00, 0.60, -1.20, 0.40},
                         {"V3", 0.10, -0.02, 0.90, -0.80, 0.45},  {"V4", 0.10, -0.05, 1.40, -0.40, 0.45},
                         {"V5", 0.10, -0.08, 1.30, -0.20, 0.35},  {"V6", 0.10, -0.08, 1.00, -0.10, 0.30}};

qreal Bell(qreal t, qreal centre, qreal width) {
  const qreal d = (t - centre) / width;
  return std::exp(-0.5 * d * d);
}

qreal Millivolts(const Lead& lead, qreal seconds) {
  const qreal t = std::fmod(seconds + 0.3, kBeatSeconds) - 0.3;  // R wave at 0 of each beat
  const qreal wander = 0.03 * std::sin(seconds * 1.7) + 0.008 * std::sin(seconds * 53);
  return lead.p * Bell(t, -0.16, 0.025) + lead.q * Bell(t, -0.028, 0.008) + lead.r * Bell(t, 0, 0.011) +
         lead.s * Bell(t, 0.026, 0.011) + lead.t * Bell(t, 0.27, 0.045) + wander;
}

void Trace(QPainter& painter, const Lead& lead, qreal x, qreal baseline, qreal startSeconds, qreal seconds) {
  QPainterPath path;
  for (int i = 0; i <= static_cast<int>(seconds * 250); ++i) {
    const qreal t = i / 250.0;
    const QPointF point(x + t * kMmPerSecond, baseline - kMmPerMillivolt * Millivolts(lead, startSeconds + t));
    if (i == 0) {
      path.moveTo(point);
    } else {
      path.lineTo(point);
    }
  }
  painter.drawPath(path);
}

void Calibration(QPainter& painter, qreal x, qreal baseline) {
  const QPointF pulse[] = {{x, baseline},          {x + 1, baseline}, {x + 1, baseline - 10},
                           {x + 6, baseline - 10}, {x + 6, baseline}, {x + 7, baseline}};
  painter.drawPolyline(pulse, 6);
}

void Grid(QPainter& painter) {
  painter.fillRect(QRectF(0, 0, kPaperWidth, kPaperHeight), QColor(255, 244, 242));
  const QPen minor(QColor(246, 196, 196), 0.12);
  const QPen major(QColor(232, 128, 128), 0.28);
  for (int mm = 0; mm <= static_cast<int>(kPaperWidth); ++mm) {
    painter.setPen(mm % 5 == 0 ? major : minor);
    painter.drawLine(QPointF(mm, 32), QPointF(mm, kPaperHeight - 8));
  }
  for (int mm = 32; mm <= static_cast<int>(kPaperHeight) - 8; ++mm) {
    painter.setPen(mm % 5 == 2 ? major : minor);
    painter.drawLine(QPointF(0, mm), QPointF(kPaperWidth, mm));
  }
}

void Header(QPainter& painter, const PaperCast& cast, const QDateTime& recorded) {
  const PaperPatient& p = cast.ecgPatient;
  painter.setPen(Qt::black);
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(4);
  font.setBold(true);
  font.setHintingPreference(QFont::PreferNoHinting);
  painter.setFont(font);
  painter.drawText(QPointF(10, 12), ListName(p));
  font.setBold(false);
  font.setPixelSize(3);
  painter.setFont(font);
  painter.drawText(
      QPointF(10, 18),
      QStringLiteral("ID: %1   DOB: %2 (%3 yr)").arg(p.chart, BirthDate(p)).arg(AgeOn(p, recorded.date())));
  painter.drawText(QPointF(10, 23), QStringLiteral("HCN: %1").arg(HealthCard(p)));
  painter.drawText(QPointF(10, 28), QStringLiteral("Referred by: %1").arg(DoctorName(cast.cardiologist)));
  painter.drawText(QPointF(95, 12), Stamp(recorded));
  painter.drawText(QPointF(95, 18), QStringLiteral("Vent. rate     74 BPM"));
  painter.drawText(QPointF(95, 23), QStringLiteral("PR interval   164 ms   QRS duration 92 ms"));
  painter.drawText(QPointF(95, 28), QStringLiteral("QT/QTc   384/426 ms   P-R-T axes 52 38 41"));
  font.setBold(true);
  font.setPixelSize(4);
  painter.setFont(font);
  painter.drawText(QPointF(185, 12), QStringLiteral("Sinus rhythm"));
  painter.drawText(QPointF(185, 18), QStringLiteral("Normal ECG"));
  font.setBold(false);
  font.setPixelSize(3);
  painter.setFont(font);
  painter.drawText(QPointF(185, 25), QStringLiteral("Unconfirmed report: physician review required"));
  painter.drawText(QPointF(10, kPaperHeight - 3), QStringLiteral("25 mm/s   10 mm/mV   0.05-150 Hz   60 Hz filter"));
}

void Tracing(QPainter& painter) {
  painter.setPen(QPen(QColor(20, 20, 24), 0.32, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(3);
  font.setHintingPreference(QFont::PreferNoHinting);
  painter.setFont(font);
  const qreal left = 14;
  const qreal segment = 2.5 * kMmPerSecond;
  for (int row = 0; row < 3; ++row) {
    const qreal baseline = 57 + row * 40;
    Calibration(painter, left - 9, baseline);
    for (int column = 0; column < 4; ++column) {
      const Lead& lead = kLeads[column * 3 + row];
      const qreal x = left + column * segment;
      Trace(painter, lead, x, baseline, column * 2.5, 2.5);
      painter.drawText(QPointF(x + 1.5, baseline - 12), QString::fromLatin1(lead.name));
      if (column > 0) painter.drawLine(QPointF(x, baseline - 4), QPointF(x, baseline + 4));
    }
  }
  const qreal rhythm = 182;
  Calibration(painter, left - 9, rhythm);
  Trace(painter, kLeads[1], left, rhythm, 0, 10);
  painter.drawText(QPointF(left + 1.5, rhythm - 12), QStringLiteral("II"));
}

}  // namespace

QImage EcgPhoto(const PaperCast& cast, const QDateTime& taken) {
  constexpr int kWidth = 2000;
  constexpr int kHeight = 1500;
  QImage photo(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&photo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  // The desk.
  QLinearGradient desk(0, 0, kWidth, kHeight);
  desk.setColorAt(0, QColor(122, 98, 74));
  desk.setColorAt(1, QColor(78, 60, 44));
  painter.fillRect(photo.rect(), desk);

  // The sheet, held a little askew and seen a little from below.
  const QPolygonF corners({{150, 150}, {1870, 110}, {1915, 1390}, {110, 1418}});
  const QPolygonF sheet({{0, 0}, {kPaperWidth, 0}, {kPaperWidth, kPaperHeight}, {0, kPaperHeight}});
  QTransform paper;
  QTransform::quadToQuad(sheet, corners, paper);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 70));
  painter.drawPolygon(corners.translated(14, 18));
  painter.setTransform(paper);
  Grid(painter);
  Header(painter, cast, taken.addSecs(-2 * 3600 - 17 * 60));
  Tracing(painter);

  // Light from the window at the top left, fading across the page.
  painter.resetTransform();
  QRadialGradient light(QPointF(300, 200), 2300);
  light.setColorAt(0, QColor(255, 255, 255, 36));
  light.setColorAt(0.6, QColor(0, 0, 0, 0));
  light.setColorAt(1, QColor(0, 0, 0, 70));
  painter.fillRect(photo.rect(), light);
  painter.end();
  photo.setDotsPerMeterX(static_cast<int>(std::lround(72 / 0.0254)));
  photo.setDotsPerMeterY(static_cast<int>(std::lround(72 / 0.0254)));
  return photo;
}

}  // namespace pyxa
