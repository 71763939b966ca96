// The main window: menus, the exit command, the keep-alive timer, and the start-up and
// shutdown work of the session (reference lists, geometry, settings).
#pragma once

#include "mainwindow/ReferenceLists.h"
#include "platform/Prompter.h"
#include "shell/AppSettings.h"
#include "shell/KeepAlive.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"
#include "shell/Settings.h"

#include <QMainWindow>
#include <QTimer>

class QAction;
class QMenu;
class QPushButton;

namespace pyxa {

struct MainWindowServices {
  AppSettings& settings;
  SettingsStore& store;
  Session& session;
  Prompter& prompter;
  LoginPrompt& login;
};

class frmMain : public QMainWindow, private KeepAliveTimer {
  Q_OBJECT

 public:
  explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
  ~frmMain() override;

  // The start-up work that follows construction: geometry, reference lists, country.
  void Form_Load();
  // The exit command: asks, then closes the window (which saves the settings).
  void cmdExit_Click();
  // One keep-alive tick of LiveTimer.
  void LiveTimer_Timer();

  const ReferenceLists& References() const { return references_; }
  QTimer& LiveTimer() { return liveTimer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void CreateCentralArea();
  QAction* AddAction(QMenu* menu, const QString& name, const QString& caption);
  void Form_Unload();
  void mnuAbout_Click();
  // KeepAliveTimer
  void Stop() override { liveTimer_.stop(); }
  void Start() override { liveTimer_.start(); }

  MainWindowServices services_;
  ReferenceLists references_;
  KeepAlive keepAlive_;
  QTimer liveTimer_;
  QPushButton* cmdExit_ = nullptr;
  bool exitConfirmed_ = false;
  bool unloaded_ = false;
};

}  // namespace pyxa
