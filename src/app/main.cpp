// The composition root: builds the real layers (settings hives, service, prompter, process
// runner, instance lock) and hands them to start-up and the main window.
#include <QApplication>
#include <QIcon>
#include <QDir>
#include <memory>

#include "platform/ui/QtSaveFilePicker.h"
#include "print/CupsPrinterPort.h"
#include "audit/ui/frmAuditLog.h"
#include "audit/ui/frmReconciliation.h"
#include "components/ServiceFactory.h"
#include "components/SqliteDatabase.h"
#include "mainwindow/ui/AuditWindows.h"
#include "mainwindow/ui/BatchScanning.h"
#include "mainwindow/ui/QtFilePicker.h"
#include "mainwindow/ui/frmMain.h"
#include "reading/TextRecognizer.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/InstalledRegistry.h"
#include "platform/QtProcessRunner.h"
#include "platform/ui/MessageBoxPrompter.h"
#include "document/Document.h"
#include "scan/ProductionScanner.h"
#include "scan/SaneScanner.h"
#include "scan/ScenarioImageControl.h"
#include "scan/ScenarioProcessing.h"
#include "scan/ScannerChoice.h"
#include "scan/ui/ProductionScanning.h"
#include "scan/ui/ScanOptionsDialog.h"
#include "scan/ui/frmViewer.h"
#include "shell/LoginController.h"
#include "shell/Startup.h"
#include "shell/ui/ClinicWait.h"
#include "shell/ui/LoginWindow.h"

namespace {

using namespace pyxa;

// The service URL is known only once the settings are loaded; each login asks for it anew.
class ConfiguredServiceFactory final : public ClinicalServiceFactory {
 public:
  ConfiguredServiceFactory(const AppSettings& settings, const Clock& clock, CallWaiter& waiter)
      : settings_(settings), clock_(clock), waiter_(waiter) {}
  std::unique_ptr<ClinicalService> Create() override {
    return ServiceFactory(settings_.WebServiceURL, clock_, ServiceOptionsFor(settings_, &waiter_)).Create();
  }

 private:
  const AppSettings& settings_;
  const Clock& clock_;
  CallWaiter& waiter_;
};

// Scanning through SANE with the scanning window; the scanner chosen stays chosen for the run.
class SaneBatchScanning final : public BatchScanning {
 public:
  SaneBatchScanning(ScannerSource& source, Registry& registry, Prompter& prompter, const Clock& clock,
                    const AppSettings& settings)
      : source_(source), registry_(registry), prompter_(prompter), clock_(clock), settings_(settings) {}
  QString ScanBatch(QWidget* parent) override {
    frmViewer viewer(source_, chosen_, SettingsWindowAsker(source_, registry_, prompter_, parent), prompter_, clock_,
                     settings_.AvailableFolder, parent);
    return viewer.Scan();
  }

 private:
  ScannerSource& source_;
  Registry& registry_;
  Prompter& prompter_;
  const Clock& clock_;
  const AppSettings& settings_;
  ChosenScanner chosen_;
};

// The production scanner kind: the current document scans through the production scan control.
class ProductionBatchScanning final : public BatchScanning {
 public:
  explicit ProductionBatchScanning(ProductionScanning& scanning) : scanning_(scanning) {}
  QString ScanBatch(QWidget* parent) override { return scanning_.ScanBatch(parent); }
  void Prepare(const Panels& panels) override { scanning_.Prepare(panels); }
  bool HasScenarios() const override { return true; }
  void EditScenarios(QWidget* parent) override { scanning_.UpdateScenario(parent); }
  void SelectSource(QWidget* parent) override { scanning_.SelectScanner(parent); }

 private:
  ProductionScanning& scanning_;
};

// The reconciliation window's previews and removals go to the main window.
class MainWindowReconciliationHost final : public ReconciliationHost {
 public:
  explicit MainWindowReconciliationHost(frmMain& window) : window_(window) {}
  bool ShowStoredFile(const QString& path) override { return window_.ShowStoredFile(path); }
  void ClearViewer() override { window_.ClearStoredFile(); }
  void StoredDocumentRemoved(std::int64_t documentId) override { window_.StoredDocumentRemoved(documentId); }
  void PrintShownFile(QWidget* parent, const QString& title) override { window_.PrintShownFile(parent, title); }

 private:
  frmMain& window_;
};

// The audit windows, each shown until the user closes it.
class AuditWindowsHost final : public AuditWindows {
 public:
  AuditWindowsHost(const AppSettings& settings, Session& session, DatabaseFactory& databases, Prompter& prompter,
                   const Clock& clock)
      : settings_(settings), session_(session), databases_(databases), prompter_(prompter), clock_(clock) {}
  void OpenAuditLog(const AuditWindowContext& context) override {
    QtSaveFilePicker saver(context.parent);
    frmAuditLog window(session_, prompter_, saver, context.storePath, context.categoryName, context.usDates,
                       context.parent);
    window.exec();
  }
  void OpenReconciliation(const AuditWindowContext& context) override {
    auto* main = qobject_cast<frmMain*>(context.parent);
    if (!main) return;
    QtSaveFilePicker saver(context.parent);
    DesktopShellOpener opener;
    MainWindowReconciliationHost host(*main);
    frmReconciliation window(
        ReconciliationServices{settings_, session_, databases_, prompter_, saver, opener, clock_, host, {}},
        context.parent);
    window.exec();
  }

 private:
  const AppSettings& settings_;
  Session& session_;
  DatabaseFactory& databases_;
  Prompter& prompter_;
  const Clock& clock_;
};

class MainWindowHost final : public MainWindowOpener {
 public:
  explicit MainWindowHost(MainWindowServices services, LoginWindow& login) : services_(services), login_(login) {}
  void OpenMainWindow() override {
    window_ = std::make_unique<frmMain>(services_);
    login_.SetParentWindow(window_.get());
    if (auto* picker = dynamic_cast<QtFilePicker*>(&services_.files)) picker->SetParent(window_.get());
    window_->Form_Load();
    // Maximised before it is first mapped, so that the window manager never shows it restored first.
    window_->showMaximized();
  }

 private:
  MainWindowServices services_;
  LoginWindow& login_;
  std::unique_ptr<frmMain> window_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pyxadesk"));
  QApplication::setOrganizationName(QStringLiteral("Corvantis"));
  QApplication::setApplicationVersion(QStringLiteral("2.5.2"));
  // The desktop finds the menu entry and the icon of the windows by these; the portable layout has no
  // installed icon and keeps the window system's own.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.corvantis.Pyxadesk"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.corvantis.Pyxadesk")));

  const AppPaths paths(AppPaths::RunningExecutableFolder());
  const std::unique_ptr<Registry> settingsRegistry = OpenSettingsRegistry(paths);
  Registry& registry = *settingsRegistry;
  SettingsStore store(registry, paths.ProgramFolder(), paths.DataFolder());
  AppSettings settings;
  MessageBoxPrompter prompter(nullptr);
  QtProcessRunner runner;
  LockFileInstance instance(paths.RuntimeFolder());
  SystemClock clock;
  ClinicWait clinicWait;
  ConfiguredServiceFactory factory(settings, clock, clinicWait);
  Session session;
  LoginController loginController(factory, session, settings, prompter);
  LoginWindow login(loginController, settings);
  SqliteDatabaseFactory databases;
  QtFilePicker files;
  SaneScanner scanner(QDir(paths.ProgramFolder()).filePath(QStringLiteral("pyxa-scan-helper")));
  SaneBatchScanning scanning(scanner, registry, prompter, clock, settings);
  // The production kind's current document lives as long as the program.
  ScenarioProcessing pageProcessing;
  ProductionScanner productionControl(scanner, &pageProcessing, QStringLiteral("File Import"));
  ScenarioImageControl scenarioControl;
  cDocument currentDocument(QString(), clock);  // its folder is the settings' once they are loaded
  // Its scenario files are the user's to edit: the installed program's own folder is read-only.
  QDir().mkpath(paths.ScenarioFolder());
  currentDocument.SetProgramFolder(QDir(paths.ScenarioFolder()).absolutePath() + QLatin1Char('/'));
  currentDocument.SetRegistry(&registry);
  currentDocument.SetScanCtrl(&productionControl);
  currentDocument.SetImageCtrl(&scenarioControl);
  ProductionScanning production(productionControl, scanner, currentDocument, settings.Scanner,
                                settings.AvailableFolder, prompter);
  ProductionBatchScanning productionScanning(production);
  MainWindowServices services{settings, store, session, prompter, login, databases, files};
  services.scanning = &scanning;
  services.productionScanning = &productionScanning;
  AuditWindowsHost audit(settings, session, databases, prompter, clock);
  services.audit = &audit;
  // The URL test asks about an insecure address before it makes its object.
  services.makeService = [&](const QString& url) {
    ServiceOptions options = ServiceOptionsFor(settings, &clinicWait);
    options.acceptedInsecureUrl = url;
    return ServiceFactory(url, clock, options).Create();
  };
  services.clinicWait = &clinicWait;
  // The system's recognition data; the strip above the page says so when it is not installed.
  services.recognizer = [] { return MakeTesseractRecognizer(); };
  CupsPrinterPort printers;
  QtSaveFilePicker printFiles(nullptr);
  services.printers = &printers;
  services.saveFiles = &printFiles;
  services.printFolder = paths.RuntimeFolder();  // private to the user, and gone at logout
  MainWindowHost mainWindow(services, login);

  Startup startup(store, settings, prompter, runner, instance, login, mainWindow, paths.ProgramFolder());
  if (!startup.Main()) return 0;
  return QApplication::exec();
}
