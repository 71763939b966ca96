// The long run of the filing sequences, for a developer to start by hand:
//   build/bench/filing_soak [sequences] [first seed] [length]
// Prints each failing seed with its shortest failing steps, and the count run clean.
#include "filing/FilingWorld.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int sequences = argc > 1 ? std::atoi(argv[1]) : 2000;
  const quint32 first = argc > 2 ? static_cast<quint32>(std::atol(argv[2])) : 1000;
  const int length = argc > 3 ? std::atoi(argv[3]) : 30;
  int clean = 0, failed = 0;
  pyxa::filing::FilingWorld::Tally all;
  for (int n = 0; n < sequences; ++n) {
    const quint32 seed = first + static_cast<quint32>(n);
    std::mt19937 random(seed);
    const auto actions = pyxa::filing::RandomSequence(random, length);
    pyxa::filing::FilingWorld::Tally tally;
    const QStringList found = pyxa::filing::RunSequence(actions, &tally);
    all.stored += tally.stored;
    all.uploaded += tally.uploaded;
    all.kills += tally.kills;
    all.uploadKills += tally.uploadKills;
    all.restarts += tally.restarts;
    all.prompts += tally.prompts;
    if (found.isEmpty()) {
      ++clean;
    } else {
      ++failed;
      std::printf("seed %u:\n  %s\n  shortest failing steps:\n", seed, qPrintable(found.join(QStringLiteral("\n  "))));
      for (const auto& action : pyxa::filing::Shrink(actions))
        std::printf("    %s\n", qPrintable(pyxa::filing::Describe(action)));
    }
    if ((n + 1) % 100 == 0) std::printf("%d sequences: %d clean, %d failed\n", n + 1, clean, failed);
    std::fflush(stdout);
  }
  std::printf("%d sequences of %d steps: %d clean, %d failed; %d documents stored, %d uploaded, %d stores and %d upload "
              "runs killed, %d restarts, %d questions answered\n",
              sequences, length, clean, failed, all.stored, all.uploaded, all.kills, all.uploadKills, all.restarts,
              all.prompts);
  return failed == 0 ? 0 : 1;
}
