#include "platform/ui/AutoAdvance.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace pyxa {
namespace {

// Watches the box the focus moved to: the first key pressed there, if it is a plain Tab, is
// taken as the typist's own "next box" and swallowed; any other key, a click or leaving the
// box ends the watch.
class ArrivalWatch : public QObject {
 public:
  static constexpr const char* kName = "autoAdvanceArrival";
  explicit ArrivalWatch(QLineEdit* box) : QObject(box) {
    setObjectName(QString::fromLatin1(kName));
    box->installEventFilter(this);
  }
  void Arm() { armed_ = true; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!armed_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::KeyPress: {
        armed_ = false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) return true;
        break;
      }
      case QEvent::FocusOut:
      case QEvent::MouseButtonPress:
        armed_ = false;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool armed_ = false;
};

ArrivalWatch* WatchOf(QLineEdit* box) {
  // Found by name: the class has no meta-object of its own for a typed search.
  if (auto* watch = box->findChild<QObject*>(QString::fromLatin1(ArrivalWatch::kName), Qt::FindDirectChildrenOnly))
    return static_cast<ArrivalWatch*>(watch);
  return new ArrivalWatch(box);
}

}  // namespace

void AdvanceAfter(QLineEdit* from, int length, QLineEdit* to) {
  ArrivalWatch* watch = WatchOf(to);
  // Only a typed (or pasted) change moves on, never one the program makes.
  QObject::connect(from, &QLineEdit::textEdited, to, [from, length, to, watch](const QString& text) {
    if (text.size() < length || !from->hasFocus()) return;
    to->setFocus(Qt::TabFocusReason);
    to->selectAll();
    watch->Arm();
  });
}

}  // namespace pyxa
