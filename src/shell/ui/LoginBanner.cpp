#include "shell/ui/LoginBanner.h"

#include <QLinearGradient>
#include <QPainter>

namespace pyxa {

QPixmap LoginBanner() {
  QPixmap picture(440, 120);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 440, 120);
  sky.setColorAt(0, QColor(0x1d, 0x4e, 0x89));
  sky.setColorAt(1, QColor(0x2f, 0x8f, 0x9d));
  painter.fillRect(picture.rect(), sky);

  // A stylised page with a folded corner: the program turns paper into records.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 235));
  const QPolygon page({QPoint(28, 22), QPoint(70, 22), QPoint(84, 36), QPoint(84, 98), QPoint(28, 98)});
  painter.drawPolygon(page);
  painter.setBrush(QColor(0xb8, 0xd4, 0xe8));
  painter.drawPolygon(QPolygon({QPoint(70, 22), QPoint(84, 36), QPoint(70, 36)}));
  painter.setPen(QPen(QColor(0x1d, 0x4e, 0x89), 3));
  for (int y = 48; y <= 86; y += 10) painter.drawLine(36, y, y == 86 ? 58 : 76, y);

  painter.setPen(Qt::white);
  QFont title = painter.font();
  title.setPointSize(24);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QRect(104, 20, 330, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pyxadesk"));
  QFont subtitle = painter.font();
  subtitle.setPointSize(10);
  subtitle.setBold(false);
  painter.setFont(subtitle);
  painter.drawText(QRect(106, 66, 330, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("Corvantis Pyxa: scan, index and upload patient documents"));
  return picture;
}

}  // namespace pyxa
