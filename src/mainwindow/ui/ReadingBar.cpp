#include "mainwindow/ui/ReadingBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace pyxa {

ReadingBar::ReadingBar(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("fraReading"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  QPalette shade = palette();
  shade.setColor(QPalette::Window, QColor(0xff, 0xf8, 0xd8));
  shade.setColor(QPalette::WindowText, QColor(0x30, 0x30, 0x30));
  setPalette(shade);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 4, 8, 4);
  lblReading = new QLabel(this);
  lblReading->setObjectName(QStringLiteral("lblReading"));
  lblReading->setWordWrap(true);
  lblReading->setTextFormat(Qt::PlainText);
  lblReading->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cmdAccept = new QPushButton(QStringLiteral("Accept Reading (F8)"), this);
  cmdAccept->setObjectName(QStringLiteral("cmdAcceptReading"));
  cmdAccept->setToolTip(QStringLiteral("Choose the patient read on the page, fill in the category, type, sender and "
                                       "date read, and create the document"));
  cmdFill = new QPushButton(QStringLiteral("Fill Search"), this);
  cmdFill->setObjectName(QStringLiteral("cmdFillFromReading"));
  cmdFill->setToolTip(QStringLiteral("Put what the page says of the patient in the search fields"));
  row->addWidget(lblReading, 1);
  row->addWidget(cmdAccept);
  row->addWidget(cmdFill);
  connect(cmdAccept, &QPushButton::clicked, this, &ReadingBar::AcceptClicked);
  connect(cmdFill, &QPushButton::clicked, this, [this] {
    if (!cmdFill->menu()) Q_EMIT FillClicked(-1);
  });
  hide();
}

void ReadingBar::ShowReading(const QString& lines, bool canAccept, const QStringList& people) {
  lblReading->setText(lines);
  cmdAccept->setVisible(true);
  cmdAccept->setEnabled(canAccept);
  cmdFill->setVisible(true);
  QMenu* old = cmdFill->menu();
  cmdFill->setMenu(nullptr);
  if (old) old->deleteLater();
  if (people.size() > 1) {
    // Each person separately: the clerk says which one this document belongs to.
    auto* menu = new QMenu(cmdFill);
    for (int i = 0; i < people.size(); ++i)
      connect(menu->addAction(people.at(i)), &QAction::triggered, this, [this, i] { Q_EMIT FillClicked(i); });
    cmdFill->setMenu(menu);
  }
  show();
}

void ReadingBar::ShowNote(const QString& line) {
  lblReading->setText(line);
  cmdAccept->setVisible(false);
  cmdFill->setVisible(false);
  show();
}

}  // namespace pyxa
