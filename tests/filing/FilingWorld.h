// A clinic's desk for filing tests: the real main window (offscreen) on the demo clinic, a
// real store and the upload program's own run, with source files whose every page carries a
// code of its own (its count of black pixels, which no rotation changes). The world drives the
// window as a user does, kills a store at any of its steps (the folders put back as the kill left
// them) or an upload run (a child process, SIGKILL), restarts the program, and checks the filing
// invariant: every page is in exactly one place, stored only
// under the patient it was given to, no document without pages, none uploaded twice.
#pragma once

#include "components/SqliteDatabase.h"
#include "mainwindow/ui/frmMain.h"
#include "platform/ScriptedPrompter.h"
#include "shell/MemoryRegistry.h"

#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace pyxa::filing {

enum class Act {
  Browse, ClickFile, ClickRoot, NextPage, PreviousPage, FirstPage, LastPage, DeletePage, Rotate, Undo, Save,
  Index, Search, Provider, Category, TypeDate, Encounter, Create, Append, AppendAll, RemovePage, RemoveDocument,
  MovePage, Upload, UploadNow, ExitRestart, SaveDocuments
};

struct Action {
  Act act = Act::Browse;
  int arg = 0;            // which file, patient, list entry or tree node
  int kill = 0;           // Upload, Upload Now: 0 none; k: the store (or upload run) dies at its k-th step
  bool killUpload = false;  // Upload Now: kill the upload run rather than the store
  quint32 answers = 0;    // seeds the answers to the questions the action raises
};
QString Describe(const Action& action);
std::vector<Action> RandomSequence(std::mt19937& random, int length);

// Answers the questions from a script while it lasts, then from a seeded coin; records all it
// was asked (the sequences look at what came up since their last look, tests at all of it).
class CoinPrompter final : public Prompter {
 public:
  PromptAnswer Ask(const Prompt& prompt) override;
  std::mt19937 coin{1};
  QList<PromptAnswer> script;
  QStringList asked, all;
};

class FilingWorld {
 public:
  FilingWorld();
  ~FilingWorld();

  void Perform(const Action& action);
  // Records what the indexed documents now give to whom, and checks new stored rows against it.
  void Observe();
  // The invariant over the folders, the store and the clinic; empty when it holds.
  QStringList Violations();
  QStringList Problems() const { return problems_; }
  // What the sequence got done: documents stored and uploaded, stores and upload runs killed,
  // restarts, questions answered.
  struct Tally {
    int stored = 0, uploaded = 0, kills = 0, uploadKills = 0, restarts = 0, prompts = 0;
  };
  Tally Done();

  // User steps, for tests of single flows.
  frmMain& Window() { return *window_; }
  CoinPrompter& Prompts() { return prompter_; }
  void Restart();                        // the program ends as if killed and starts again
  // The program starts again reading its pages with the recogniser the maker makes.
  void ReadPagesWith(std::function<std::unique_ptr<TextRecognizer>()> maker);
  void ClickButton(const char* name);    // a push button of the window
  void ClickTool(const char* name);      // a toolbar tool
  void DeletePage();                     // the toolbar's Delete, remembering which page went
  void ClickFileNode(const QString& name);  // a node of the files tree by its text
  void ClickIndexedNode(int document, int page);  // page 0: the document node
  void ContextCommand(int document, int page, const char* command);  // right click, then the command
  void DropPage(int fromDocument, int page, int toDocument, int beforePage);
  void SearchPatient(int patient);       // types the last name, presses Search
  void ChooseInCombo(const char* name, const QString& text);  // by keyboard, as a user
  void TypeInto(const char* name, const QString& text);
  // Upload or Upload Now whose program dies at the step-th step of storing, then starts again.
  void ClickUploadKilled(bool now, int step);
  QString Available(const QString& name) const;
  QString StorePath() const;
  QString ClinicPath() const { return clinicPath_; }
  // The patient identifier each stored document was given, with its pages' codes.
  QList<QPair<qint64, std::vector<int>>> Stored();
  // Page codes: file number (1..) * 16 + page number.
  std::vector<int> Codes(const QString& tiffPath) const;
  std::vector<int> CodesOfBytes(const QByteArray& bytes) const;
  qint64 PatientId(int patient) const;
  static constexpr int kPatients = 3;

 private:
  void Build();
  void WriteSources();
  QTreeWidget* Tree(const char* name);
  QTreeWidgetItem* IndexedNode(int document, int page);
  void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton);

  QTemporaryDir dir_;
  QString clinicPath_;
  MemoryRegistry registry_;
  std::unique_ptr<SettingsStore> store_;
  AppSettings settings_;
  Session session_;
  CoinPrompter prompter_;
  SqliteDatabaseFactory databases_;
  ManualClock clock_;
  ManualClock clinicClock_;
  std::unique_ptr<EventLog> log_;
  std::unique_ptr<FilePicker> picker_;
  std::unique_ptr<LoginPrompt> login_;
  std::unique_ptr<PatientChooser> patients_;
  std::unique_ptr<EncounterChooser> encounters_;
  std::unique_ptr<UploadProcess> uploader_;
  std::function<void(const char*)> storingCheckpoint_;
  std::function<std::unique_ptr<TextRecognizer>()> recognizer_;
  std::unique_ptr<frmMain> window_;

  QVector<qint64> patientIds_;
  QStringList patientNames_;
  QSet<int> universe_;
  // What the unstored documents hold: (source, page number) -> code, seen when first held, and
  // code -> the patient it is given to.
  QMap<QPair<QString, int>, int> numbering_;
  QMap<int, qint64> givenTo_;
  qint64 lastStoredSeen_ = 0;
  Tally tally_;
  // The pages of the file on screen as the viewer has them (its deletes not saved yet), and the
  // pages the user deleted there: those may leave every place, on purpose.
  QString screenFile_;
  std::vector<int> screenCodes_;
  QSet<int> deletedOnScreen_;
  // Encounters a killed program left locked: nobody is left to release them.
  QSet<qint64> orphaned_;
  QSet<qint64> LockedEncounters();
  void CheckEncountersAfterExit();
  QStringList problems_;
};

// Runs a sequence in a fresh world: the violations found, each with the step after which it
// showed; empty when the sequence ran clean.
QStringList RunSequence(const std::vector<Action>& actions, FilingWorld::Tally* tally = nullptr);
// The shortest list of the actions that still fails (actions left out one by one).
std::vector<Action> Shrink(std::vector<Action> actions);

}  // namespace pyxa::filing
