#include "Sheet.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

namespace pyxa {

Sheet::Sheet(QPainter& painter, quint64 seed) : painter_(painter), state_(seed * 0x9E3779B97F4A7C15ULL + 1) {
  painter_.setRenderHint(QPainter::Antialiasing);
  painter_.setRenderHint(QPainter::TextAntialiasing);
  SetFont(Face::Sans, 10);
}

void Sheet::SetFont(Face face, qreal points, bool bold, bool italic) {
  // Families present on every Debian desktop (fontconfig pulls DejaVu in); the style hint lets
  // fontconfig substitute when they are missing.
  QFont font;
  switch (face) {
    case Face::Sans:
      font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
      font.setStyleHint(QFont::SansSerif);
      break;
    case Face::Serif:
      font.setFamilies(
          {QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman")});
      font.setStyleHint(QFont::Serif);
      break;
    case Face::Mono:
      font.setFamilies({QStringLiteral("Nimbus Mono PS"), QStringLiteral("Liberation Mono"),
                        QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Courier New")});
      font.setStyleHint(QFont::Monospace);
      break;
  }
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setItalic(italic);
  // Outlines scaled exactly: hinting at 72 dpi would distort the letters on a 300 dpi page.
  font.setHintingPreference(QFont::PreferNoHinting);
  painter_.setFont(font);
}

void Sheet::SetColor(const QColor& color) { color_ = color; }

qreal Sheet::Text(qreal x, qreal y, const QString& text, Qt::Alignment alignment) {
  const qreal width = QFontMetricsF(painter_.font(), painter_.device()).horizontalAdvance(text);
  if (alignment & Qt::AlignRight) x -= width;
  if (alignment & Qt::AlignHCenter) x -= width / 2;
  painter_.setPen(color_);
  painter_.drawText(QPointF(x, y), text);
  return width;
}

qreal Sheet::Paragraph(qreal x, qreal top, qreal width, const QString& text) {
  QRectF used;
  painter_.setPen(color_);
  painter_.drawText(QRectF(x, top, width, kHeight), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text, &used);
  return used.bottom();
}

qreal Sheet::LineHeight() const { return QFontMetricsF(painter_.font(), painter_.device()).lineSpacing(); }

void Sheet::Rule(qreal x1, qreal y1, qreal x2, qreal y2, qreal width) {
  painter_.setPen(QPen(color_, width));
  painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Sheet::Frame(const QRectF& rect, qreal width) {
  painter_.setPen(QPen(color_, width));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(rect);
}

void Sheet::Fill(const QRectF& rect, const QColor& color) { painter_.fillRect(rect, color); }

void Sheet::Signature(qreal x, qreal y, qreal width, qreal height) {
  // Cursive loops of varying height (a prolate trochoid), a tall first letter, slanted right,
  // then a stroke back underneath: no readable letters, as most signatures.
  constexpr int kStepsPerLoop = 24;
  constexpr qreal kTurn = 6.283185307179586;
  const int loops = 5 + static_cast<int>(Random() * 4);
  const qreal advance = width * 0.85 / (loops * kTurn);  // rightward travel per radian
  QPainterPath path;
  qreal amplitude = 1;
  qreal radius = advance;
  QPointF point;
  for (int i = 0; i <= loops * kStepsPerLoop; ++i) {
    if (i % kStepsPerLoop == 0) {
      // A new letter starts on the baseline, so its size may change without a jump.
      amplitude = i == 0 ? 1.0 : 0.3 + 0.45 * Random();
      radius = advance * (1.2 + 1.6 * Random());
    }
    const qreal t = i * kTurn / kStepsPerLoop;
    const qreal rise = height * amplitude * (1 - std::cos(t)) / 2;
    point = QPointF(x + advance * t - radius * std::sin(t) + rise * 0.3, y - rise);
    if (i == 0) {
      path.moveTo(point);
    } else {
      path.lineTo(point);
    }
  }
  path.cubicTo(point + QPointF(width * 0.08, height * 0.2), QPointF(x + width * 0.5, y + height * 0.3),
               QPointF(x + width * 0.05, y + height * (0.05 + 0.1 * Random())));
  painter_.setBrush(Qt::NoBrush);
  painter_.setPen(QPen(color_, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter_.drawPath(path);
}

qreal Sheet::Random() {
  // splitmix64: the same strokes on every machine.
  quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return static_cast<qreal>(z >> 11) / static_cast<qreal>(1ULL << 53);
}

}  // namespace pyxa
