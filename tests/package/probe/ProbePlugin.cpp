// A Qt generic plugin that the installed-program test loads into the real program, unchanged, through
// Qt's own plugin variables (QT_PLUGIN_PATH, QT_QPA_GENERIC_PLUGINS=pyxaprobe). It writes each window
// that appears to the file PYXA_PROBE_LOG names, answers message boxes (Yes where offered), logs in as
// PYXA_PROBE_LOGIN ("user:password") or closes the login window, and exits from the main window.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVariant>
#include <QWidget>

namespace {

constexpr char kSeen[] = "pyxaProbeSeen";

class Probe final : public QObject {
 public:
  Probe() {
    log_.setFileName(qEnvironmentVariable("PYXA_PROBE_LOG"));
    log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    login_ = qEnvironmentVariable("PYXA_PROBE_LOGIN");
    qApp->installEventFilter(this);
    Write(QStringLiteral("started ") + QApplication::applicationDirPath());
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(object);
    if (event->type() == QEvent::Show && widget && widget->isWindow() && !widget->property(kSeen).toBool()) {
      widget->setProperty(kSeen, true);
      const QPointer<QWidget> window(widget);
      QTimer::singleShot(0, this, [this, window] {
        if (window) Shown(window);
      });
    }
    return false;
  }

 private:
  void Write(const QString& line) {
    log_.write(line.toUtf8() + '\n');
    log_.flush();
  }

  void Shown(QWidget* window) {
    Write(QStringLiteral("shown ") + window->objectName());
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
      Write(QStringLiteral("message ") + box->text());
      QAbstractButton* answer = box->button(QMessageBox::Yes);
      if (!answer) answer = box->defaultButton();
      if (!answer) answer = box->escapeButton();
      if (answer) answer->click();
    } else if (window->objectName() == QStringLiteral("frmLogin")) {
      auto* user = window->findChild<QLineEdit*>(QStringLiteral("txtLogin"));
      auto* password = window->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
      auto* ok = window->findChild<QAbstractButton*>(QStringLiteral("cmdLogin"));
      Write(QStringLiteral("login user=") + (user ? user->text() : QStringLiteral("<no field>")));
      const qsizetype colon = login_.indexOf(QLatin1Char(':'));
      if (user && password && ok && colon > 0) {
        user->setText(login_.left(colon));
        password->setText(login_.mid(colon + 1));
        login_.clear();  // once: a second login window after a failure is closed
        ok->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->reject();
      }
    } else if (window->objectName() == QStringLiteral("frmMain")) {
      window->close();  // the program asks first; the answer above is Yes
    }
  }

  QFile log_;
  QString login_;
};

class ProbePlugin final : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")

 public:
  QObject* create(const QString& name, const QString&) override {
    return name.compare(QStringLiteral("pyxaprobe"), Qt::CaseInsensitive) == 0 ? new Probe : nullptr;
  }
};

}  // namespace

#include "ProbePlugin.moc"
