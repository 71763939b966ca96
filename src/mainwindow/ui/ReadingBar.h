// The strip above the page view that says what was read on the shown page and what it proposes,
// with the clerk's two answers: accept (choose the patient, fill the document's fields and create
// the document) or only fill the patient search with what the page says.
#pragma once

#include <QFrame>
#include <QStringList>

class QLabel;
class QPushButton;

namespace pyxa {

class ReadingBar : public QFrame {
  Q_OBJECT

 public:
  explicit ReadingBar(QWidget* parent = nullptr);

  // Shows the lines; canAccept: a patient was proposed. people: the persons a page names when it
  // names several, offered one by one for the search and never chosen.
  void ShowReading(const QString& lines, bool canAccept, const QStringList& people);
  // A plain line: reading under way, or why it is off. Nothing to answer.
  void ShowNote(const QString& line);

  QLabel* lblReading;
  QPushButton* cmdAccept;  // "Accept Reading"
  QPushButton* cmdFill;    // "Fill Search", with a menu of persons when the page names several

 Q_SIGNALS:
  void AcceptClicked();
  void FillClicked(int person);  // -1: the one person the page names
};

}  // namespace pyxa
