// Crash safety of the upload program: a run killed (SIGKILL) at each point of a three-document
// run, then a run to the end, leaves every document in the clinic exactly once and marked once;
// and two copies started together never upload a document twice.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <tuple>

#include "UploaderFixture.h"

namespace pyxa::uploadtest {
namespace {

class NullReport final : public UploadReport {
 public:
  void Line(const QString&, bool) override {}
};

struct KillPoint {
  const char* step;
  int document;  // 1 to 3: which document of the run
};

class ThreeDocumentRun : public UploaderTest {
 protected:
  void SetUp() override {
    UploaderTest::SetUp();
    for (int n = 1; n <= 3; ++n) ids_[n - 1] = Queue(kDemoFirstPatientId + n, n);
  }

  // Runs the uploader in a child process; with a step, the child stops itself there (after saying
  // so over a pipe) and is killed. Answers the child's exit code, or -1 when it was killed.
  int RunChild(const char* step, qint64 documentId) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      ADD_FAILURE() << "pipe failed";
      return -2;
    }
    const pid_t child = fork();
    if (child == 0) {
      close(pipeFds[0]);
      NullReport report;
      UploadRun run(clock_, MakeConfiguredService(clock_), report);
      run.SetCheckpoint([&](const char* reached, qint64 id) {
        if (step && std::strcmp(reached, step) == 0 && id == documentId) {
          const char mark = 'S';
          if (write(pipeFds[1], &mark, 1) != 1) _exit(90);
          raise(SIGSTOP);
        }
      });
      _exit(run.Run(store_));
    }
    close(pipeFds[1]);
    char mark = 0;
    const bool stopped = read(pipeFds[0], &mark, 1) == 1;
    close(pipeFds[0]);
    int status = 0;
    if (stopped) {
      EXPECT_EQ(waitpid(child, &status, WUNTRACED), child);
      EXPECT_TRUE(WIFSTOPPED(status));
      kill(child, SIGKILL);
    }
    EXPECT_EQ(waitpid(child, &status, 0), child);
    if (WIFSIGNALED(status)) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
  }

  void ExpectEachDocumentUploadedOnce() {
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(n);
      EXPECT_EQ(Received(n), 1);
      EXPECT_EQ(IsUploaded(ids_[n - 1]), 1);
      EXPECT_EQ(UploadAudits(ids_[n - 1], kStatusSucceeded), 1);
      EXPECT_EQ(UploadAudits(ids_[n - 1], kStatusFailed), 0);
    }
    EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM received_documents")), 3);
    EXPECT_EQ(StoreCount(QStringLiteral("SELECT count(*) AS n FROM Exceptions")), 0);
  }

  qint64 ids_[3] = {};
};

class UploadKillTest : public ThreeDocumentRun, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(UploadKillTest, ARestartAfterAKillUploadsEachDocumentExactlyOnce) {
  const KillPoint point = GetParam();
  const qint64 target = ids_[point.document - 1];
  ASSERT_EQ(RunChild(point.step, target), -1) << "the child did not reach the point";

  // What the kill left: the target is in the clinic exactly when the kill came after sending it.
  const bool sent = std::strcmp(point.step, kStepBeforeUpload) != 0;
  EXPECT_EQ(Received(point.document), sent ? 1 : 0);
  EXPECT_EQ(IsUploaded(target), std::strcmp(point.step, kStepAfterMarking) == 0 ? 1 : 0);
  EXPECT_EQ(UploadAudits(target, kStatusSucceeded), IsUploaded(target));

  RecordingReport report;
  EXPECT_EQ(RunUploader(report), kUploadDone) << report.All().toStdString();
  ExpectEachDocumentUploadedOnce();
}

INSTANTIATE_TEST_SUITE_P(EveryPoint, UploadKillTest,
                         ::testing::Values(KillPoint{kStepBeforeUpload, 1}, KillPoint{kStepAfterUpload, 1},
                                           KillPoint{kStepAfterMarking, 1}, KillPoint{kStepBeforeUpload, 2},
                                           KillPoint{kStepAfterUpload, 2}, KillPoint{kStepAfterMarking, 2},
                                           KillPoint{kStepBeforeUpload, 3}, KillPoint{kStepAfterUpload, 3},
                                           KillPoint{kStepAfterMarking, 3}),
                         [](const ::testing::TestParamInfo<KillPoint>& point) {
                           std::string name = point.param.step;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name + "_" + std::to_string(point.param.document);
                         });

using UploadTogetherTest = ThreeDocumentRun;

TEST_F(UploadTogetherTest, TwoCopiesStartedTogetherUploadEachDocumentOnce) {
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t children[2] = {};
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) {
      close(go[1]);
      char byte = 0;
      if (read(go[0], &byte, 1) != 0) _exit(91);  // both wait for the pipe to close
      NullReport report;
      UploadRun run(clock_, MakeConfiguredService(clock_), report);
      _exit(run.Run(store_));
    }
  }
  close(go[0]);
  close(go[1]);  // both start now
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kUploadDone);
  }
  ExpectEachDocumentUploadedOnce();
}

}  // namespace
}  // namespace pyxa::uploadtest
