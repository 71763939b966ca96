#include "FilingWorld.h"

#include "UploadRun.h"
#include "common/TestTiff.h"
#include "components/LocalClinicTestFixture.h"
#include "document/ImageDocument.h"
#include "mainwindow/PathText.h"
#include "patients/PatientSearch.h"
#include "platform/EventLog.h"

#include <signal.h>
#include <optional>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace pyxa::filing {
namespace {

// The source files of every world: name and page count; file n's page p carries code n*16+p.
struct SourceFile {
  const char* name;
  int pages;
};
constexpr SourceFile kSources[] = {{"alpha.tif", 4}, {"SCAN.TIF", 3}, {"gamma.tif", 2}};

bool WriteCodedTiff(const QString& path, int fileNumber, int pages) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) return false;
  const uint32_t width = 64, height = 48;
  for (int page = 1; page <= pages; ++page) {
    testing::SetBilevelPageTags(tiff, width, height);
    // As many black pixels as the code: a count no rotation changes.
    int black = fileNumber * 16 + page;
    std::vector<unsigned char> row(width / 8);
    for (uint32_t y = 0; y < height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (uint32_t x = 0; x < width && black > 0; x += 2, --black)
        row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
      TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return true;
}

// A one-page PDF whose code is written in a comment: a PDF is filed whole, as one page.
bool WriteCodedPdf(const QString& path, int code) {
  QByteArray pdf = "%PDF-1.4\n%code=" + QByteArray::number(code) + "\n";
  const QByteArray objects[] = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
  QList<int> offsets;
  for (int i = 0; i < 3; ++i) {
    offsets << static_cast<int>(pdf.size());
    pdf += QByteArray::number(i + 1) + " 0 obj " + objects[i] + " endobj\n";
  }
  const int xref = static_cast<int>(pdf.size());
  pdf += "xref\n0 4\n0000000000 65535 f \n";
  for (int offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer << /Size 4 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size();
}

int PdfCode(const QByteArray& bytes) {
  const int at = bytes.indexOf("%code=");
  return at < 0 ? -1 : bytes.mid(at + 6, bytes.indexOf('\n', at) - at - 6).toInt();
}

bool IsPdf(const QString& path) { return FileExtension(path) == QStringLiteral("PDF"); }

class NullReport final : public UploadReport {
 public:
  void Line(const QString&, bool) override {}
};

struct NoLogin final : LoginPrompt {
  bool ShowLogin() override { return true; }
};

struct NoFiles final : FilePicker {
  QStringList OpenFiles(const QString&, const QString&) override { return {}; }
};

// Picks the match whose last name was typed: the patients chosen have names of their own.
struct FirstMatch final : PatientChooser {
  std::optional<ChosenPatient> Choose(const SearchCriteria&, const PatientResults& results) override {
    return PatientFromRow(results, 0, false);
  }
};

// Takes the first unsigned encounter, or agrees to a new one.
struct FirstEncounter final : EncounterChooser {
  std::optional<ChosenEncounter> Choose(const EncounterRows& rows, const QString&, const QVector<VisitType>&) override {
    if (rows.Count() == 0) return std::nullopt;
    return ChosenEncounter{rows.Field(0, QStringLiteral("lID")), QDate(2026, 12, 1),
                           rows.Field(0, QStringLiteral("nVisitType"))};
  }
  bool ConfirmNew(const QString&) override { return true; }
};

// The upload program's own run in a child process, waited for; killed (SIGKILL) at its
// killAt-th step when asked.
struct ForkedUploadRun final : UploadProcess {
  ForkedUploadRun(const Clock& clock, QString store) : clock_(clock), store_(std::move(store)) {}
  QString Path() const override { return QStringLiteral("UploadDocuments"); }
  bool Exists() const override { return true; }
  bool IsRunning() const override { return false; }
  bool Start() override {
    if (disabled) return true;
    const pid_t child = fork();
    if (child == 0) {
      NullReport report;
      UploadRun run(clock_, MakeConfiguredService(clock_), report);
      int passed = 0;
      const int stopAt = killAt;
      run.SetCheckpoint([&](const char*, qint64) {
        if (stopAt > 0 && ++passed == stopAt) raise(SIGKILL);
      });
      run.SetBusyTimeout(5000);
      _exit(run.Run(store_));
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++kills;
    return child > 0;
  }
  const Clock& clock_;
  QString store_;
  int killAt = 0;
  bool disabled = false;
  int kills = 0;
};

}  // namespace

QString Describe(const Action& action) {
  static const char* names[] = {"Browse",   "ClickFile", "ClickRoot", "NextPage",  "PreviousPage", "FirstPage",
                                "LastPage", "DeletePage", "Rotate",   "Undo",      "Save",         "Index",
                                "Search",   "Provider",  "Category",  "TypeDate",  "Encounter",    "Create",
                                "Append",   "AppendAll", "RemovePage", "RemoveDocument", "MovePage", "Upload",
                                "UploadNow", "ExitRestart", "SaveDocuments"};
  QString text = QString::fromLatin1(names[static_cast<int>(action.act)]) + QStringLiteral("(%1").arg(action.arg);
  if (action.kill) text += action.killUpload ? QStringLiteral(", upload run killed at step %1").arg(action.kill)
                                             : QStringLiteral(", store killed at step %1").arg(action.kill);
  return text + QStringLiteral(", answers %1)").arg(action.answers);
}

std::vector<Action> RandomSequence(std::mt19937& random, int length) {
  // Weights: enough browsing, indexing and creating that most sequences store something.
  static const std::pair<Act, int> kWeights[] = {
      {Act::Browse, 3},    {Act::ClickFile, 6},  {Act::ClickRoot, 1},     {Act::NextPage, 3},  {Act::PreviousPage, 1},
      {Act::FirstPage, 1}, {Act::LastPage, 1},   {Act::DeletePage, 2},    {Act::Rotate, 2},    {Act::Undo, 1},
      {Act::Save, 2},      {Act::Index, 5},      {Act::Search, 5},        {Act::Provider, 2},  {Act::Category, 3},
      {Act::TypeDate, 1},  {Act::Encounter, 1},  {Act::Create, 6},        {Act::Append, 5},    {Act::AppendAll, 2},
      {Act::RemovePage, 2}, {Act::RemoveDocument, 1}, {Act::MovePage, 2}, {Act::Upload, 3},    {Act::UploadNow, 2},
      {Act::ExitRestart, 1}, {Act::SaveDocuments, 2}};
  int total = 0;
  for (const auto& [act, weight] : kWeights) total += weight;
  // Most steps follow a clerk's usual road, so that most sequences store and upload; the rest
  // are drawn at random and land anywhere on it.
  static const Act kRoad[] = {Act::Browse, Act::ClickFile, Act::Index,  Act::Search,    Act::Category,
                              Act::Create, Act::Append,    Act::Search, Act::Create,    Act::AppendAll,
                              Act::Upload, Act::Browse,    Act::ClickFile, Act::Index,  Act::Search,
                              Act::Create, Act::Append,    Act::UploadNow};
  std::size_t road = 0;
  std::vector<Action> actions;
  for (int i = 0; i < length; ++i) {
    Action action;
    if (random() % 10 < 6) {
      action.act = kRoad[road++ % std::size(kRoad)];
    } else {
      int pick = std::uniform_int_distribution<int>(0, total - 1)(random);
      for (const auto& [act, weight] : kWeights) {
        if (pick < weight) {
          action.act = act;
          break;
        }
        pick -= weight;
      }
    }
    action.arg = std::uniform_int_distribution<int>(0, 11)(random);
    action.answers = static_cast<quint32>(random());
    if ((action.act == Act::Upload || action.act == Act::UploadNow) && random() % 5 < 2) {
      // A store passes three steps a document, an upload run three: most kills land inside.
      action.kill = std::uniform_int_distribution<int>(1, 6)(random);
      action.killUpload = action.act == Act::UploadNow && random() % 2 == 0;
    }
    actions.push_back(action);
  }
  return actions;
}

PromptAnswer CoinPrompter::Ask(const Prompt& prompt) {
  asked << prompt.text;
  all << prompt.text;
  if (!script.isEmpty() && prompt.buttons != PromptButtons::Ok) return script.takeFirst();
  if (prompt.text.startsWith(QStringLiteral("You are Exiting"))) return PromptAnswer::Yes;
  switch (prompt.buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
      return coin() % 10 < 6 ? PromptAnswer::Yes : PromptAnswer::No;
    case PromptButtons::OkCancel:
      return coin() % 2 ? PromptAnswer::Ok : PromptAnswer::Cancel;
    case PromptButtons::Ok:
      break;
  }
  return PromptAnswer::Ok;
}

FilingWorld::FilingWorld()
    : clock_(QDateTime(QDate(2026, 12, 7), QTime(10, 0))), clinicClock_(clinictest::kDemoDay) {
  const QString folder = dir_.path() + QLatin1Char('/');
  settings_.AvailableFolder = folder + QStringLiteral("Available Files/");
  settings_.UploadsFolder = folder + QStringLiteral("Uploads/");
  QDir().mkpath(settings_.AvailableFolder);
  QDir().mkpath(settings_.UploadsFolder);
  clinicPath_ = folder + QStringLiteral("clinic.sqlite");
  QFile::copy(clinictest::DemoTemplate(), clinicPath_);
  QFile::setPermissions(clinicPath_, QFile::ReadOwner | QFile::WriteOwner);
  const QString url = ClinicUrlForPath(clinicPath_);
  settings_.WebServiceURL = url;
  auto clinic = std::make_unique<LocalClinic>(url, clinicClock_);
  clinic->Connect(QStringLiteral("demo"), QStringLiteral("demo"), url);
  session_.Replace(std::move(clinic));
  session_.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), url);
  {
    // Patients whose last names no other name begins with: typing the name finds just them.
    SqlConnection connection(clinicPath_, SqlConnection::Mode::ReadOnly);
    auto rows = connection.Prepare(QStringLiteral(
        "SELECT id, last_name FROM patients p WHERE last_name GLOB '[A-Z][a-z]*' AND last_name NOT GLOB '*[^A-Za-z]*'"
        " AND NOT EXISTS (SELECT 1 FROM patients q WHERE q.id <> p.id AND q.last_key LIKE p.last_key || '%')"
        " ORDER BY id LIMIT 3"));
    while (rows.Step()) {
      patientIds_ << rows.Int(QStringLiteral("id"));
      patientNames_ << rows.Text(QStringLiteral("last_name"));
    }
  }
  store_ = std::make_unique<SettingsStore>(registry_, QString(), QString());
  log_ = std::make_unique<EventLog>();
  picker_ = std::make_unique<NoFiles>();
  login_ = std::make_unique<NoLogin>();
  patients_ = std::make_unique<FirstMatch>();
  encounters_ = std::make_unique<FirstEncounter>();
  uploader_ = std::make_unique<ForkedUploadRun>(clinicClock_, StorePath());
  WriteSources();
  Build();
}

FilingWorld::~FilingWorld() = default;

QString FilingWorld::Available(const QString& name) const { return settings_.AvailableFolder + name; }
QString FilingWorld::StorePath() const { return settings_.UploadsFolder + QStringLiteral("documents.mdb"); }
qint64 FilingWorld::PatientId(int patient) const { return patientIds_.value(patient); }

void FilingWorld::WriteSources() {
  int number = 1;
  for (const SourceFile& source : kSources) {
    WriteCodedTiff(Available(QString::fromLatin1(source.name)), number, source.pages);
    for (int page = 1; page <= source.pages; ++page) universe_.insert(number * 16 + page);
    ++number;
  }
  WriteCodedPdf(Available(QStringLiteral("delta.pdf")), number * 16 + 1);
  universe_.insert(number * 16 + 1);
}

void FilingWorld::Build() {
  MainWindowServices services{settings_, *store_, session_, prompter_, *login_, databases_, *picker_, uploader_.get(),
                              nullptr, patients_.get(), &clock_, encounters_.get(), log_.get(), &storingCheckpoint_};
  services.recognizer = recognizer_;
  window_ = std::make_unique<frmMain>(services);
  window_->resize(1920, 1080);
  window_->show();
  window_->Form_Load();
  QCoreApplication::processEvents();
}

void FilingWorld::ReadPagesWith(std::function<std::unique_ptr<TextRecognizer>()> maker) {
  recognizer_ = std::move(maker);
  window_.reset();
  Build();
}

void FilingWorld::Restart() {
  ++tally_.restarts;
  window_.reset();
  Build();
  Observe();
}

QTreeWidget* FilingWorld::Tree(const char* name) { return window_->findChild<QTreeWidget*>(QString::fromLatin1(name)); }

void FilingWorld::ClickItem(QTreeWidget* tree, QTreeWidgetItem* item, Qt::MouseButton button) {
  if (!tree || !item || !tree->isVisible()) return;
  tree->scrollToItem(item);
  QTest::mouseClick(tree->viewport(), button, {}, tree->visualItemRect(item).center());
}

void FilingWorld::ClickButton(const char* name) {
  auto* button = window_->findChild<QPushButton*>(QString::fromLatin1(name));
  if (button && button->isVisible()) QTest::mouseClick(button, Qt::LeftButton);
}

void FilingWorld::ClickTool(const char* name) {
  QAction* action = window_->findChild<QAction*>(QString::fromLatin1(name));
  if (!action) return;
  for (QObject* shown : action->associatedObjects()) {
    if (auto* button = qobject_cast<QToolButton*>(shown); button && button->isVisible()) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  }
}

void FilingWorld::DeletePage() {
  PageViewer& viewer = window_->Viewer();
  if (viewer.CurrentFileName() != screenFile_ || !viewer.HasUnsavedChanges()) {
    screenFile_ = viewer.CurrentFileName();
    screenCodes_ = screenFile_.isEmpty() ? std::vector<int>() : Codes(screenFile_);
  }
  const int page = viewer.CurrentPage(), count = viewer.PageCount();
  ClickTool("btnDelete");
  if (viewer.PageCount() == count - 1 && page >= 1 && page <= static_cast<int>(screenCodes_.size())) {
    deletedOnScreen_.insert(screenCodes_[static_cast<std::size_t>(page - 1)]);
    screenCodes_.erase(screenCodes_.begin() + page - 1);
  }
}

void FilingWorld::ClickFileNode(const QString& name) {
  QTreeWidget* tree = Tree("sstFiles");
  const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  if (!found.isEmpty()) ClickItem(tree, found.first());
}

QTreeWidgetItem* FilingWorld::IndexedNode(int document, int page) {
  QTreeWidget* tree = Tree("sstDocuments");
  if (!tree || tree->topLevelItemCount() == 0) return nullptr;
  QTreeWidgetItem* root = tree->topLevelItem(0);
  if (document < 1 || document > root->childCount()) return nullptr;
  QTreeWidgetItem* node = root->child(document - 1);
  if (page == 0) return node;
  return page <= node->childCount() ? node->child(page - 1) : nullptr;
}

void FilingWorld::ClickIndexedNode(int document, int page) { ClickItem(Tree("sstDocuments"), IndexedNode(document, page)); }

void FilingWorld::ContextCommand(int document, int page, const char* command) {
  QTreeWidget* tree = Tree("sstDocuments");
  QTreeWidgetItem* node = IndexedNode(document, page);
  if (!node || !tree->isVisible()) return;
  tree->scrollToItem(node);
  const QPoint at = tree->visualItemRect(node).center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
  QApplication::sendEvent(tree->viewport(), &event);
  QAction* action = window_->findChild<QAction*>(QString::fromLatin1(command));
  for (QMenu* menu : window_->findChildren<QMenu*>()) {
    if (!menu->isVisible() || !menu->actions().contains(action)) continue;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    return;
  }
  // The menu did not open on this node: the user closes whatever opened.
  for (QMenu* menu : window_->findChildren<QMenu*>())
    if (menu->isVisible()) menu->close();
}

void FilingWorld::DropPage(int fromDocument, int page, int toDocument, int beforePage) {
  QTreeWidget* tree = Tree("sstDocuments");
  QTreeWidgetItem* dragged = IndexedNode(fromDocument, page);
  QTreeWidgetItem* target = IndexedNode(toDocument, beforePage);
  if (!dragged || !target || !tree->isVisible()) return;
  ClickItem(tree, dragged);
  dragged = IndexedNode(fromDocument, page);  // a click may rebuild the tree
  target = IndexedNode(toDocument, beforePage);
  if (!dragged || !target) return;
  std::unique_ptr<QMimeData> data(tree->model()->mimeData({tree->indexFromItem(dragged)}));
  if (!data) return;
  tree->scrollToItem(target);
  const QPoint at = tree->visualItemRect(target).center();
  QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &move);
  QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &drop);
}

void FilingWorld::TypeInto(const char* name, const QString& text) {
  auto* edit = window_->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!edit || !edit->isVisible() || !edit->isEnabled()) return;
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

void FilingWorld::SearchPatient(int patient) {
  ClickButton("cmdClear");
  TypeInto("txtLastName", patientNames_.value(patient));
  ClickButton("cmdSearch");
}

void FilingWorld::ChooseInCombo(const char* name, const QString& text) {
  auto* box = window_->findChild<QComboBox*>(QString::fromLatin1(name));
  if (!box || !box->isVisible() || !box->isEnabled()) return;
  const int index = box->findText(text);
  if (index < 0) return;
  box->setFocus();
  // The keyboard user's way: Home, then Down until the entry.
  QTest::keyClick(box, Qt::Key_Home);
  while (box->currentIndex() < index) QTest::keyClick(box, Qt::Key_Down);
}

namespace {

// The files of the working folders, by path, as they are now.
QMap<QString, QByteArray> Snapshot(const QStringList& folders) {
  QMap<QString, QByteArray> files;
  for (const QString& folder : folders) {
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
      QFile file(folder + name);
      if (file.open(QIODevice::ReadOnly)) files[folder + name] = file.readAll();
    }
  }
  return files;
}

// Puts the folders back as they were: files written in place, so that open handles see them.
void Restore(const QStringList& folders, const QMap<QString, QByteArray>& files) {
  for (const QString& folder : folders)
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
      if (!files.contains(folder + name)) QFile::remove(folder + name);
  for (auto it = files.begin(); it != files.end(); ++it) {
    QFile file(it.key());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(it.value());
  }
}

}  // namespace

void FilingWorld::ClickUploadKilled(bool now, int step) {
  // The disk as a kill at the step leaves it: each step is passed between two writes that have
  // reached the disk (files closed, transactions committed), so what is there then is exactly
  // what a kill there leaves. The program runs on and is then put back to that moment.
  const QStringList folders{settings_.AvailableFolder, settings_.UploadsFolder};
  std::optional<QMap<QString, QByteArray>> killedAt;
  int passed = 0;
  storingCheckpoint_ = [&](const char*) {
    if (++passed == step) killedAt = Snapshot(folders);
  };
  auto& uploader = static_cast<ForkedUploadRun&>(*uploader_);
  uploader.disabled = true;  // a program killed while storing never starts the upload run
  ClickButton(now ? "cmdUploadNow" : "cmdUpload");
  uploader.disabled = false;
  storingCheckpoint_ = nullptr;
  window_.reset();
  if (killedAt) {
    Restore(folders, *killedAt);
    ++tally_.kills;
  }
  orphaned_ += LockedEncounters();
  Restart();
}

std::vector<int> FilingWorld::Codes(const QString& tiffPath) const {
  if (IsPdf(tiffPath)) {
    QFile file(tiffPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return {PdfCode(file.readAll())};
  }
  std::vector<int> codes;
  ImageDocument document;
  if (!document.Load(tiffPath).Ok()) return codes;
  for (int page = 1; page <= document.PageCount(); ++page) {
    if (!document.SetCurrentPage(page).Ok()) {
      codes.push_back(-1);
      continue;
    }
    const QImage image = document.CurrentImage().convertToFormat(QImage::Format_Grayscale8);
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
      const uchar* line = image.constScanLine(y);
      for (int x = 0; x < image.width(); ++x) black += line[x] < 128 ? 1 : 0;
    }
    codes.push_back(black);
  }
  return codes;
}

std::vector<int> FilingWorld::CodesOfBytes(const QByteArray& bytes) const {
  if (bytes.startsWith("%PDF")) return {PdfCode(bytes)};
  const QString path = dir_.path() + QStringLiteral("/check.tif");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  file.close();
  return Codes(path);
}

void FilingWorld::Perform(const Action& action) {
  prompter_.coin.seed(action.answers);
  auto& uploader = static_cast<ForkedUploadRun&>(*uploader_);
  switch (action.act) {
    case Act::Browse:
      ClickButton("cmdFile");
      break;
    case Act::ClickFile: {
      QTreeWidget* tree = Tree("sstFiles");
      QList<QTreeWidgetItem*> files;
      for (int i = 0; i < tree->topLevelItemCount(); ++i)
        for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j) files << tree->topLevelItem(i)->child(j);
      if (!files.isEmpty()) ClickItem(tree, files.at(action.arg % files.size()));
      break;
    }
    case Act::ClickRoot:
      ClickFileNode(QStringLiteral("Available Files"));
      break;
    case Act::NextPage:
      ClickTool("btnNavNext");
      break;
    case Act::PreviousPage:
      ClickTool("btnNavPrevious");
      break;
    case Act::FirstPage:
      ClickTool("btnNavFirst");
      break;
    case Act::LastPage:
      ClickTool("btnNavLast");
      break;
    case Act::DeletePage:
      DeletePage();
      break;
    case Act::Rotate:
      ClickTool("btnRotate");
      break;
    case Act::Undo:
      ClickTool("btnUndo");
      break;
    case Act::Save:
      ClickTool("btnSave");
      break;
    case Act::Index:
      ClickButton("cmdIndex");
      break;
    case Act::Search:
      SearchPatient(action.arg % kPatients);
      break;
    case Act::Provider:
    case Act::Category: {
      auto* box = window_->findChild<QComboBox*>(action.act == Act::Provider ? QStringLiteral("cboPhysician")
                                                                             : QStringLiteral("cboCategory"));
      if (box && box->count() > 0)
        ChooseInCombo(action.act == Act::Provider ? "cboPhysician" : "cboCategory",
                      box->itemText(action.arg % box->count()));
      break;
    }
    case Act::TypeDate:
      TypeInto("txtDate1", QStringLiteral("01"));
      TypeInto("txtDate2", QStringLiteral("12"));
      TypeInto("txtDate3", QStringLiteral("2026"));
      break;
    case Act::Encounter:
      ClickButton("cmdEncounters");
      break;
    case Act::Create:
      ClickButton("cmdNew");
      break;
    case Act::Append:
      ClickButton("cmdNext");
      break;
    case Act::AppendAll:
      ClickButton("cmdAppendAll");
      break;
    case Act::RemovePage:
    case Act::RemoveDocument:
    case Act::MovePage: {
      QTreeWidgetItem* root = IndexedNode(1, 0) ? IndexedNode(1, 0)->parent() : nullptr;
      if (!root || root->childCount() == 0) break;
      const int document = action.arg % root->childCount() + 1;
      const int pages = root->child(document - 1)->childCount();
      if (action.act == Act::RemoveDocument) {
        ContextCommand(document, 0, "popRemoveDoc");
      } else if (pages > 0 && action.act == Act::RemovePage) {
        ContextCommand(document, action.arg % pages + 1, "popRemoveNode");
      } else if (pages > 0) {
        const int target = (action.arg / 2) % root->childCount() + 1;
        const int targetPages = root->child(target - 1)->childCount();
        DropPage(document, action.arg % pages + 1, target, targetPages > 0 ? (action.arg / 3) % (targetPages + 1) : 0);
      }
      break;
    }
    case Act::Upload:
    case Act::UploadNow:
      if (action.kill && !action.killUpload) {
        ClickUploadKilled(action.act == Act::UploadNow, action.kill);
      } else {
        uploader.killAt = action.killUpload ? action.kill : 0;
        ClickButton(action.act == Act::Upload ? "cmdUpload" : "cmdUploadNow");
        uploader.killAt = 0;
      }
      break;
    case Act::SaveDocuments:
      if (window_->findChild<QMenu*>(QStringLiteral("mnuActions"))->menuAction()->isEnabled()) {
        if (QAction* item = window_->findChild<QAction*>(QStringLiteral("mnuActionsSave")); item->isEnabled())
          item->trigger();
      }
      break;
    case Act::ExitRestart:
      ClickButton("cmdExit");
      if (!window_->isVisible()) {
        CheckEncountersAfterExit();
        Restart();
      }
      break;
  }
  QCoreApplication::processEvents();
  Observe();
}

void FilingWorld::Observe() {
  // Rows stored since the last look: each page must be one a document held for that patient.
  try {
    if (QFile::exists(StorePath())) {
      SqlConnection connection(StorePath(), SqlConnection::Mode::ReadOnly);
      auto rows = connection.Prepare(QStringLiteral(
          "SELECT DocumentID, PatientID, FileData FROM Documents WHERE DocumentID > ? ORDER BY DocumentID"));
      rows.Bind(1, lastStoredSeen_);
      while (rows.Step()) {
        const qint64 id = rows.Int(QStringLiteral("DocumentID"));
        const qint64 patient = rows.Int(QStringLiteral("PatientID"));
        for (int code : CodesOfBytes(rows.Blob(QStringLiteral("FileData")))) {
          if (!givenTo_.contains(code)) {
            problems_ << QStringLiteral("page %1 was stored in document %2 (patient %3) though no document held it")
                             .arg(code).arg(id).arg(patient);
          } else if (givenTo_.value(code) != patient) {
            problems_ << QStringLiteral("page %1 was given to patient %2 but stored in document %3 of patient %4")
                             .arg(code).arg(givenTo_.value(code)).arg(id).arg(patient);
          }
        }
        lastStoredSeen_ = id;
        ++tally_.stored;
      }
    }
  } catch (const SqlError& error) {
    problems_ << QStringLiteral("the store could not be read: ") + QString::fromLocal8Bit(error.what());
  }
  // What the indexed documents hold now, numbered as the source was when they took the page.
  QMap<QPair<QString, int>, int> numbering;
  QMap<int, qint64> given;
  QMap<QString, std::vector<int>> fileCodes;
  if (const auto& indexed = window_->IndexedDocuments()) {
    for (const Document& document : *indexed) {
      if (!document.FileData.isEmpty()) continue;
      for (const Page& page : document.Pages) {
        const QPair<QString, int> key{document.SourceFile, page.PageNumber};
        int code = numbering_.value(key, 0);
        if (code == 0) {
          if (!fileCodes.contains(document.SourceFile)) fileCodes[document.SourceFile] = Codes(document.SourceFile);
          const std::vector<int>& codes = fileCodes[document.SourceFile];
          if (IsPdf(document.SourceFile) && !codes.empty()) {
            code = codes.front();  // the whole file, whichever of its pages was on screen
          } else if (page.PageNumber < 1 || page.PageNumber > static_cast<int>(codes.size())) {
            problems_ << QStringLiteral("an indexed document of patient %1 holds page %2, which '%3' does not have")
                             .arg(document.PatientID).arg(page.PageNumber).arg(document.SourceFile);
            continue;
          } else {
            code = codes[static_cast<std::size_t>(page.PageNumber - 1)];
          }
        }
        numbering[key] = code;
        if (given.contains(code))
          problems_ << QStringLiteral("page %1 is held by two indexed documents").arg(code);
        given[code] = document.PatientID;
      }
    }
  }
  numbering_ = numbering;
  givenTo_ = given;
  for (const QString& text : prompter_.asked)
    if (text.startsWith(QStringLiteral("An error has occurred")))
      problems_ << QStringLiteral("a handler failed: ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
  tally_.prompts += static_cast<int>(prompter_.asked.size());
  prompter_.asked.clear();
}

QSet<qint64> FilingWorld::LockedEncounters() {
  QSet<qint64> locked;
  SqlConnection clinic(clinicPath_, SqlConnection::Mode::ReadOnly);
  auto rows = clinic.Prepare(QStringLiteral(
      "SELECT e.id AS id FROM encounters e JOIN users u ON u.id = e.locked_by WHERE u.login = 'demo'"));
  while (rows.Step()) locked.insert(rows.Int(QStringLiteral("id")));
  return locked;
}

void FilingWorld::CheckEncountersAfterExit() {
  // Every encounter still locked is one a stored note needs, or one the user was told of.
  QSet<qint64> needed;
  if (QFile::exists(StorePath())) {
    SqlConnection connection(StorePath(), SqlConnection::Mode::ReadOnly);
    auto rows = connection.Prepare(QStringLiteral("SELECT DISTINCT EncounterID FROM Documents"));
    while (rows.Step()) needed.insert(rows.Int(QStringLiteral("EncounterID")));
  }
  for (qint64 encounter : LockedEncounters()) {
    if (needed.contains(encounter) || orphaned_.contains(encounter)) continue;
    bool told = false;
    for (const QString& text : prompter_.asked)
      told = told || text.contains(QStringLiteral("encounter %1").arg(encounter));
    if (!told) problems_ << QStringLiteral("encounter %1 stays locked after exit; no stored note uses it").arg(encounter);
  }
}

QList<QPair<qint64, std::vector<int>>> FilingWorld::Stored() {
  QList<QPair<qint64, std::vector<int>>> stored;
  if (!QFile::exists(StorePath())) return stored;
  SqlConnection connection(StorePath(), SqlConnection::Mode::ReadOnly);
  auto rows = connection.Prepare(QStringLiteral("SELECT PatientID, FileData FROM Documents ORDER BY DocumentID"));
  while (rows.Step())
    stored.append({rows.Int(QStringLiteral("PatientID")), CodesOfBytes(rows.Blob(QStringLiteral("FileData")))});
  return stored;
}

FilingWorld::Tally FilingWorld::Done() {
  tally_.uploadKills = static_cast<ForkedUploadRun&>(*uploader_).kills;
  try {
    SqlConnection clinic(clinicPath_, SqlConnection::Mode::ReadOnly);
    auto count = clinic.Prepare(QStringLiteral("SELECT count(*) AS n FROM received_documents"));
    if (count.Step()) tally_.uploaded = static_cast<int>(count.Int(QStringLiteral("n")));
  } catch (const SqlError&) {
  }
  return tally_;
}

QStringList FilingWorld::Violations() {
  QStringList found = problems_;
  QMap<int, QStringList> places;
  for (const QString& name : QDir(settings_.AvailableFolder).entryList(QDir::Files)) {
    if (FileExtension(name) != QStringLiteral("TIF") && !IsPdf(name)) continue;
    for (int code : Codes(Available(name))) places[code] << QStringLiteral("'%1'").arg(name);
  }
  QMap<QString, qint64> patientOfKey;
  try {
    if (QFile::exists(StorePath())) {
      SqlConnection connection(StorePath(), SqlConnection::Mode::ReadOnly);
      auto rows = connection.Prepare(QStringLiteral("SELECT DocumentID, PatientID, UploadKey, FileData FROM Documents"));
      while (rows.Step()) {
        const qint64 id = rows.Int(QStringLiteral("DocumentID"));
        const std::vector<int> codes = CodesOfBytes(rows.Blob(QStringLiteral("FileData")));
        if (codes.empty()) found << QStringLiteral("stored document %1 has no pages").arg(id);
        for (int code : codes) places[code] << QStringLiteral("document %1").arg(id);
        patientOfKey[rows.Text(QStringLiteral("UploadKey"))] = rows.Int(QStringLiteral("PatientID"));
      }
    }
    SqlConnection clinic(clinicPath_, SqlConnection::Mode::ReadOnly);
    auto received = clinic.Prepare(QStringLiteral("SELECT upload_key, patient_id, file_data FROM received_documents"));
    QMap<int, int> uploaded;
    while (received.Step()) {
      const QString key = received.Text(QStringLiteral("upload_key"));
      if (!patientOfKey.contains(key) || patientOfKey.value(key) != received.Int(QStringLiteral("patient_id")))
        found << QStringLiteral("the clinic received %1, which no stored document of that patient is").arg(key);
      for (int code : CodesOfBytes(received.Blob(QStringLiteral("file_data"))))
        if (++uploaded[code] > 1) found << QStringLiteral("page %1 was uploaded twice").arg(code);
    }
  } catch (const SqlError& error) {
    found << QStringLiteral("a store could not be read: ") + QString::fromLocal8Bit(error.what());
  }
  for (int code : universe_) {
    const QStringList at = places.value(code);
    if (at.isEmpty() && deletedOnScreen_.contains(code)) continue;  // the user deleted it
    if (at.size() != 1)
      found << QStringLiteral("page %1 is in %2 places: %3").arg(code).arg(at.size()).arg(at.join(QStringLiteral(", ")));
  }
  for (auto it = places.begin(); it != places.end(); ++it)
    if (!universe_.contains(it.key())) found << QStringLiteral("an unknown page %1 in %2").arg(it.key()).arg(it.value().join(QStringLiteral(", ")));
  return found;
}

QStringList RunSequence(const std::vector<Action>& actions, FilingWorld::Tally* tally) {
  FilingWorld world;
  QStringList found;
  for (std::size_t i = 0; i < actions.size(); ++i) {
    world.Perform(actions[i]);
    const bool killed = actions[i].kill != 0;
    if (killed || i + 1 == actions.size() || !world.Problems().isEmpty()) {
      for (const QString& violation : world.Violations())
        found << QStringLiteral("after step %1 (%2): %3").arg(i + 1).arg(Describe(actions[i]), violation);
      if (!found.isEmpty()) break;
    }
  }
  if (tally) *tally = world.Done();
  return found;
}

std::vector<Action> Shrink(std::vector<Action> actions) {
  bool shorter = true;
  while (shorter) {
    shorter = false;
    for (std::size_t i = 0; i < actions.size(); ++i) {
      std::vector<Action> without = actions;
      without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
      if (!RunSequence(without).isEmpty()) {
        actions = std::move(without);
        shorter = true;
        break;
      }
    }
  }
  return actions;
}

}  // namespace pyxa::filing
