// Drawing helpers for one sheet of demo paper, in points (1/72 inch) on US letter (612 x 792), so
// the same drawing lands on a scanned page image and on a PDF page.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QtGlobal>

namespace pyxa {

enum class Face { Sans, Serif, Mono };

class Sheet {
 public:
  static constexpr qreal kWidth = 612;
  static constexpr qreal kHeight = 792;

  // seed makes the hand-drawn parts (signatures) differ between sheets yet repeat between runs.
  Sheet(QPainter& painter, quint64 seed);

  QPainter& Painter() { return painter_; }
  void SetFont(Face face, qreal points, bool bold = false, bool italic = false);
  void SetColor(const QColor& color);
  // Text with its baseline at y; x is the left edge, or the right edge or centre by alignment.
  // Returns the text's width.
  qreal Text(qreal x, qreal y, const QString& text, Qt::Alignment alignment = Qt::AlignLeft);
  // A word-wrapped paragraph whose first line's top is at top; returns the y just below it.
  qreal Paragraph(qreal x, qreal top, qreal width, const QString& text);
  qreal LineHeight() const;
  void Rule(qreal x1, qreal y1, qreal x2, qreal y2, qreal width = 0.6);
  void Frame(const QRectF& rect, qreal width = 0.6);
  void Fill(const QRectF& rect, const QColor& color);
  // A hurried handwritten signature inside the box whose lower left corner is (x, y).
  void Signature(qreal x, qreal y, qreal width, qreal height);
  // A uniform number in [0, 1): deterministic for the seed.
  qreal Random();

 private:
  QPainter& painter_;
  QColor color_ = Qt::black;
  quint64 state_;
};

}  // namespace pyxa
