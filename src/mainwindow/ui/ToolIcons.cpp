#include "mainwindow/ui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pyxa {
namespace {

const QColor kInk(0x26, 0x4a, 0x7a);
const QColor kPaper(0xfd, 0xfd, 0xfd);

void Page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
  p.setBrush(kPaper);
  p.drawRect(r);
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
  const QPointF n(-d.y(), d.x());
  p.setBrush(kInk);
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF({to + d * 1.5, to - d * 4 + n * 3.5, to - d * 4 - n * 3.5}));
}

void Triangle(QPainter& p, bool right, double x) {
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  if (right) {
    p.drawPolygon(QPolygonF({QPointF(x, 6), QPointF(x + 9, 12), QPointF(x, 18)}));
  } else {
    p.drawPolygon(QPolygonF({QPointF(x + 9, 6), QPointF(x, 12), QPointF(x + 9, 18)}));
  }
}

void Draw(QPainter& p, const QString& name) {
  if (name == QStringLiteral("btnFitHeight")) {
    Page(p, QRectF(7, 2, 10, 20));
    Arrow(p, QPointF(12, 12), QPointF(12, 4));
    Arrow(p, QPointF(12, 12), QPointF(12, 20));
  } else if (name == QStringLiteral("btnFitWidth")) {
    Page(p, QRectF(2, 6, 20, 12));
    Arrow(p, QPointF(12, 12), QPointF(4, 12));
    Arrow(p, QPointF(12, 12), QPointF(20, 12));
  } else if (name == QStringLiteral("btnFitWindow")) {
    Page(p, QRectF(3, 3, 18, 18));
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(7, 7, 10, 10));
  } else if (name == QStringLiteral("btnNavFirst")) {
    p.fillRect(QRectF(5, 6, 2.5, 12), kInk);
    Triangle(p, false, 9);
  } else if (name == QStringLiteral("btnNavPrevious")) {
    Triangle(p, false, 7);
  } else if (name == QStringLiteral("btnNavNext")) {
    Triangle(p, true, 8);
  } else if (name == QStringLiteral("btnNavLast")) {
    Triangle(p, true, 7);
    p.fillRect(QRectF(17, 6, 2.5, 12), kInk);
  } else if (name == QStringLiteral("btnIndex")) {
    Page(p, QRectF(4, 2, 14, 19));
    p.setPen(QPen(kInk, 1.6));
    for (int y = 7; y <= 15; y += 4) p.drawLine(7, y, 15, y);
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(15, 13), QPointF(22, 13), QPointF(22, 22), QPointF(18.5, 19), QPointF(15, 22)}));
  } else if (name == QStringLiteral("btnPrint")) {
    Page(p, QRectF(7, 2, 10, 8));
    p.setBrush(QColor(0x90, 0x98, 0xa4));
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
    p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
    Page(p, QRectF(7, 14, 10, 8));
  } else if (name == QStringLiteral("btnSave")) {
    p.setBrush(kInk);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.fillRect(QRectF(7, 3, 10, 7), kPaper);
    p.fillRect(QRectF(6, 14, 12, 7), QColor(0xc8, 0xd4, 0xe4));
  } else if (name == QStringLiteral("btnUndo")) {
    QPainterPath path(QPointF(19, 18));
    path.cubicTo(QPointF(20, 8), QPointF(12, 6), QPointF(6, 9));
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    Arrow(p, QPointF(8, 8.5), QPointF(4, 10));
  } else if (name == QStringLiteral("btnDelete")) {
    Page(p, QRectF(4, 2, 13, 18));
    p.setPen(QPen(QColor(0xc0, 0x2b, 0x2b), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 12), QPointF(21, 21));
    p.drawLine(QPointF(21, 12), QPointF(12, 21));
  } else if (name == QStringLiteral("btnRotate")) {
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 16, 16), 100 * 16, 260 * 16);
    Arrow(p, QPointF(9, 4.6), QPointF(13.5, 4));
  } else if (name == QStringLiteral("btnScenarios")) {
    // The scanner under three sliders: its settings.
    p.setBrush(QColor(0x90, 0x98, 0xa4));
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
    p.drawRoundedRect(QRectF(2, 15, 20, 6), 2, 2);
    p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(4, 3.5 + i * 4), QPointF(20, 3.5 + i * 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    const double knobs[] = {8, 15, 11};
    for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(knobs[i], 3.5 + i * 4), 2.2, 2.2);
  } else if (name == QStringLiteral("cmdScan")) {
    p.setBrush(QColor(0x90, 0x98, 0xa4));
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.2));
    p.drawRoundedRect(QRectF(2, 11, 20, 8), 2, 2);
    Page(p, QRectF(6, 3, 12, 9));
  } else if (name == QStringLiteral("cmdFile")) {
    p.setBrush(QColor(0xe8, 0xb8, 0x4a));
    p.setPen(QPen(QColor(0x8a, 0x64, 0x14), 1.2));
    p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(9, 6), QPointF(11, 8), QPointF(22, 8), QPointF(22, 20),
                             QPointF(2, 20)}));
  } else if (name == QStringLiteral("cmdUpload") || name == QStringLiteral("cmdUploadNow")) {
    Arrow(p, QPointF(12, 20), QPointF(12, 5));
    if (name == QStringLiteral("cmdUploadNow")) {
      p.setPen(QPen(QColor(0xe0, 0x8a, 0x1e), 2));
      p.drawLine(QPointF(4, 21), QPointF(20, 21));
    }
  }
}

}  // namespace

QIcon ToolIcon(const QString& toolName) {
  QIcon icon;
  for (const int scale : {1, 2}) {
    QPixmap pixmap(24 * scale, 24 * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, toolName);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace pyxa
