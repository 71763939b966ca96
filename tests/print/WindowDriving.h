// Driving the print windows as a user does: clicks where a user clicks, list entries chosen with
// the keyboard, and acting on a modal window once it is up.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

#include "platform/SaveFilePicker.h"

namespace pyxa::test {

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// A radio button on its circle, other buttons in the middle.
inline void Click(QWidget* parent, const char* name) {
  QAbstractButton* button = Child<QAbstractButton>(parent, name);
  const QPoint at = qobject_cast<QRadioButton*>(button) ? QPoint(8, button->height() / 2) : button->rect().center();
  QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

inline void ChooseEntry(QComboBox* box, const QString& text) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Home);
  for (int i = 0; i < box->count() && box->currentText() != text; ++i) QTest::keyClick(box, Qt::Key_Down);
  ASSERT_EQ(box->currentText(), text);
}

// Acts on the next modal window once it is up; the caller then does what opens it.
inline void OnNextModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

// The save dialog, answering what the test says.
class ScriptedSaver : public SaveFilePicker {
 public:
  QString answer;
  int asked = 0;
  QString SaveFile(const QString&, const QString&, const QString&) override {
    ++asked;
    return answer;
  }
};

}  // namespace pyxa::test
