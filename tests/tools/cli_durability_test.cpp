// caseloom-cli convert as a user meets it: signals in the middle of a run,
// two runs started together. On the real disk, with real processes.
#include <gtest/gtest.h>

#include <csignal>
#ifndef _WIN32
#include <signal.h>
#endif

#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/database.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/writer_lock.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path makeNames(const fs::path& path, int rows) {
  engine::NewTable table{u"Names", {testsupport::textColumn(u"Name", 50)}, {}, {}};
  for (int i = 0; i < rows; ++i)
    table.rows.push_back({engine::Text(u"name number " + engine::fromUtf8(std::to_string(i)))});
  return testsupport::makeDatabase(path, {table});
}

// How many names are upper case now.
long upperNames(const fs::path& path) {
  auto db = engine::Database::open(path.string());
  auto scan = db->scan(db->table(u"Names"));
  engine::Row row;
  long upper = 0;
  while (scan->next(row)) upper += row.values[0].text().starts_with(u"NAME NUMBER");
  return upper;
}

void startConvert(QProcess& process, const fs::path& path, bool pauses) {
  QStringList arguments = {
      "convert", QString::fromStdString(path.string()), "Names", "Name", "--case", "upper"};
  if (pauses) arguments << "--pauses";
  process.start(CASELOOM_CLI, arguments);
  ASSERT_TRUE(process.waitForStarted(10000));
}

long convertedIn(const QString& stderrText) {
  const auto match = QRegularExpression("(\\d+) records converted").match(stderrText);
  return match.hasMatch() ? match.captured(1).toLong() : -1;
}

// Waits until the run holds the writer's lock (its lock file is there).
bool waitForLockFile(const fs::path& path) {
  const fs::path lockFile = engine::lockFilePathFor(path.string(), false);
  for (int i = 0; i < 1000 && !fs::exists(lockFile); ++i) std::this_thread::sleep_for(10ms);
  return fs::exists(lockFile);
}

#ifdef _WIN32
// Windows has no kill(): Ctrl+C and Ctrl+Break reach a process only through
// a console it shares with the sender, which a test run under Wine lacks.
#define SKIP_WITHOUT_SIGNALS() \
  GTEST_SKIP() << "console stop events need a shared console: not sent from a test on Windows"
void sendSignal(const QProcess&, int) {}
#else
#define SKIP_WITHOUT_SIGNALS() static_cast<void>(0)
void sendSignal(const QProcess& process, int signal) {
  ::kill(static_cast<pid_t>(process.processId()), signal);
}
#endif

TEST(CliSignals, FirstSignalSavesReleasesAndTellsHowFarTheRunGot) {
  SKIP_WITHOUT_SIGNALS();
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
    testsupport::TempDir dir;
    const fs::path path = makeNames(dir.path() / "signals.mdb", 12000);
    QProcess process;
    startConvert(process, path, true);  // the pause after the first record gives time
    ASSERT_TRUE(waitForLockFile(path));
    sendSignal(process, signal);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + signal);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.contains(QRegularExpression("records converted, \\d+ left")))
        << err.toStdString();
    EXPECT_FALSE(fs::exists(engine::lockFilePathFor(path.string(), false)));
    EXPECT_FALSE(fs::exists(engine::journalPathFor(path.string())));
    const long converted = convertedIn(err);
    EXPECT_GT(converted, 0);
    EXPECT_LT(converted, 12000);
    EXPECT_EQ(upperNames(path), converted);
  }
}

TEST(CliSignals, SecondSignalEndsAtOnceAndTheJournalCoversIt) {
  SKIP_WITHOUT_SIGNALS();
  testsupport::TempDir dir;
  const fs::path path = makeNames(dir.path() / "twice.mdb", 12000);
  QProcess process;
  startConvert(process, path, true);
  ASSERT_TRUE(waitForLockFile(path));
  sendSignal(process, SIGINT);
  sendSignal(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(60000));
  // Ended by the signal or, when the first was handled in time, stopped.
  if (process.exitStatus() == QProcess::NormalExit) {
    EXPECT_EQ(process.exitCode(), 130);
  }
  // Whatever the file holds is whole, and the next run finishes the work.
  QProcess again;
  startConvert(again, path, false);
  ASSERT_TRUE(again.waitForFinished(120000));
  EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
  EXPECT_EQ(upperNames(path), 12000);
}

// A signal at any moment, from the opening to the report: the process ends
// by itself with one sentence, or (before its handler is in place) by the
// signal; either way it leaves no lock entry and no journal.
TEST(CliSignals, ASignalAtAnyMomentLeavesNoLockAndNoJournal) {
  SKIP_WITHOUT_SIGNALS();
  testsupport::TempDir dir;
  const fs::path path = makeNames(dir.path() / "any.mdb", 30000);
  int stoppedCleanly = 0;
  for (const auto delay : {0ms, 5ms, 20ms, 60ms, 150ms, 400ms, 1000ms}) {
    SCOPED_TRACE(std::to_string(delay.count()) + " ms");
    QProcess process;
    startConvert(process, path, false);
    std::this_thread::sleep_for(delay);
    sendSignal(process, SIGTERM);
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() != 0) {
      EXPECT_EQ(process.exitCode(), 143) << err.toStdString();
      EXPECT_EQ(err.count("SIGTERM"), 1) << err.toStdString();
      ++stoppedCleanly;
    }
    EXPECT_FALSE(fs::exists(engine::lockFilePathFor(path.string(), false)));
    EXPECT_FALSE(fs::exists(engine::journalPathFor(path.string())));
  }
  EXPECT_GE(stoppedCleanly, 3);
}

// Access open on another computer: the first UPDATE is refused, and that one
// failure ends the run, where it used to be repeated for every record.
TEST(CliFileFailures, AnotherComputersLockEndsTheRunAfterOneFailure) {
  testsupport::TempDir dir;
  const fs::path path = makeNames(dir.path() / "taken.mdb", 2000);
  const fs::path lockFile = engine::lockFilePathFor(path.string(), false);
  {
    std::string entry(64, '\0');
    entry.replace(0, 8, "OLD-NAME");
    entry.replace(32, 5, "Admin");
    std::ofstream(lockFile, std::ios::binary) << entry;
  }
  QProcess process;
  startConvert(process, path, false);
  ASSERT_TRUE(process.waitForFinished(60000));
  const QString err = QString::fromUtf8(process.readAllStandardError());
  const QString out = QString::fromUtf8(process.readAllStandardOutput());
  EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
  EXPECT_EQ(err.count("OLD-NAME"), 1) << err.toStdString();
  EXPECT_TRUE(err.contains("nothing more was written; 0 records converted")) << err.toStdString();
  EXPECT_TRUE(out.contains("Names.Name: 0 of 2000 records changed")) << out.toStdString();
  EXPECT_TRUE(out.contains("1 not written (file in use)")) << out.toStdString();
  EXPECT_TRUE(out.contains("1999 not reached")) << out.toStdString();
  EXPECT_EQ(upperNames(path), 0);
}

TEST(CliTwoRuns, TwoRunsStartedTogetherBothComplete) {
  testsupport::TempDir dir;
  const fs::path path = makeNames(dir.path() / "two.mdb", 3000);
  QProcess first, second;
  startConvert(first, path, false);
  startConvert(second, path, false);
  ASSERT_TRUE(first.waitForFinished(120000));
  ASSERT_TRUE(second.waitForFinished(120000));
  for (QProcess* process : {&first, &second}) {
    const std::string err = process->readAllStandardError().toStdString();
    EXPECT_EQ(process->exitCode(), 0) << err;
    EXPECT_EQ(err.find("already in use"), std::string::npos) << err;
  }
  EXPECT_EQ(upperNames(path), 3000);
  EXPECT_FALSE(fs::exists(engine::lockFilePathFor(path.string(), false)));
}

}  // namespace
