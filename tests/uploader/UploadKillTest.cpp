// Crash safety of the upload program: a run killed (SIGKILL) at each point of a three-document
// run, then a run to the end, leaves every document in the clinic exactly once and marked once;
// and two copies started together never upload a document twice.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "UploaderFixture.h"

namespace pyxa::uploadtest {
namespace {

class ThreeDocumentRun : public UploaderTest {
 protected:
  void SetUp() override {
    UploaderTest::SetUp();
    for (int n = 1; n <= 3; ++n) ids_[n - 1] = Queue(kDemoFirstPatientId + n, n);
  }

  // Starts a run in a child process, which exits with the run's code; with a gate (a pipe), the
  // run waits for the pipe to close.
  pid_t StartChild(const UploadCheckpoint& checkpoint = {}, const int* gate = nullptr) {
    const pid_t child = fork();
    if (child == 0) {
      char byte = 0;
      if (gate && (close(gate[1]) != 0 || read(gate[0], &byte, 1) != 0)) _exit(91);
      _exit(RunUploader(checkpoint, SqlConnection::kDefaultBusyMs));
    }
    return child;
  }

  // Runs the uploader in a child that stops itself at the step of the document (after saying so
  // over a pipe) and is killed there. Answers the child's exit code, or -1 when it was killed.
  int RunChildKilledAt(const char* step, qint64 documentId) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      ADD_FAILURE() << "pipe failed";
      return -2;
    }
    const pid_t child = StartChild([&](const char* reached, qint64 id) {
      if (std::strcmp(reached, step) == 0 && id == documentId) {
        const char mark = 'S';
        if (write(pipeFds[1], &mark, 1) != 1) _exit(90);
        raise(SIGSTOP);
      }
    });
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
    EXPECT_EQ(StoreRows(QStringLiteral("Exceptions")), 0);
  }

  qint64 ids_[3] = {};
};

// The step to kill at, and which document of the run (1 to 3).
class UploadKillTest : public ThreeDocumentRun, public ::testing::WithParamInterface<std::tuple<const char*, int>> {};

TEST_P(UploadKillTest, ARestartAfterAKillUploadsEachDocumentExactlyOnce) {
  const auto [step, document] = GetParam();
  const qint64 target = ids_[document - 1];
  ASSERT_EQ(RunChildKilledAt(step, target), -1) << "the child did not reach the point";

  // What the kill left: the target is in the clinic exactly when the kill came after sending it.
  EXPECT_EQ(Received(document), std::strcmp(step, kStepBeforeUpload) != 0 ? 1 : 0);
  EXPECT_EQ(IsUploaded(target), std::strcmp(step, kStepAfterMarking) == 0 ? 1 : 0);
  EXPECT_EQ(UploadAudits(target, kStatusSucceeded), IsUploaded(target));

  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  ExpectEachDocumentUploadedOnce();
}

INSTANTIATE_TEST_SUITE_P(EveryPoint, UploadKillTest,
                         ::testing::Combine(::testing::Values(kStepBeforeUpload, kStepAfterUpload, kStepAfterMarking),
                                            ::testing::Range(1, 4)),
                         [](const auto& point) {
                           std::string name = std::get<0>(point.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name + "_" + std::to_string(std::get<1>(point.param));
                         });

using UploadTogetherTest = ThreeDocumentRun;

TEST_F(UploadTogetherTest, TwoCopiesStartedTogetherUploadEachDocumentOnce) {
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t children[] = {StartChild({}, go), StartChild({}, go)};
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
