// The database password reaches caseloom-cli without showing on its command
// line: from a file, from standard input, from the environment, or typed at
// a prompt that does not echo. A wrong one is refused as before.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <csignal>

#include "cli_run.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using clitest::q;
using clitest::runCli;

class CliPassword : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    engine::NewTable table{
        u"Secrets", {testsupport::textColumn(u"Name")}, {}, {{engine::Text(u"x")}}};
    db_ = q(testsupport::makeDatabase(dir_.path() / GetParam(), {table}, u"s3cr\u00e9t pass"));
  }
  QString file(const QByteArray& contents) {
    const QString path = q(dir_.path() / "password.txt");
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(contents);
    return path;
  }
  static void expectTables(const clitest::CliResult& result) {
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    EXPECT_EQ(result.output, "[\"Secrets\"]\n");
  }
  static void expectRefused(const clitest::CliResult& result) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.errors.contains("Not a valid password.")) << result.errors.toStdString();
    EXPECT_TRUE(result.output.isEmpty());
  }

  testsupport::TempDir dir_;
  QString db_;
};

const QByteArray kPassword = QString("s3cr\u00e9t pass").toUtf8();

TEST_P(CliPassword, FromAFileItsFirstLine) {
  expectTables(runCli({"tables", db_, "--json", "--password-file", file(kPassword)}));
  expectTables(
      runCli({"tables", db_, "--json", "--password-file=" + file(kPassword + "\r\nmore\n")}));
  expectRefused(runCli({"tables", db_, "--json", "--password-file", file("wrong\n")}));
  const auto missing = runCli({"tables", db_, "--password-file", q(dir_.path() / "none.txt")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.errors.contains("cannot read the password file"))
      << missing.errors.toStdString();
}

TEST_P(CliPassword, FromStandardInputItsFirstLine) {
  expectTables(runCli({"tables", db_, "--json", "--password-stdin"}, kPassword + "\n"));
  expectTables(runCli({"tables", db_, "--json", "--password-stdin"}, kPassword));
  expectRefused(runCli({"tables", db_, "--json", "--password-stdin"}, "wrong\n" + kPassword));
  EXPECT_EQ(runCli({"tables", db_, "--password-stdin"}, "").exitCode, 1);
}

TEST_P(CliPassword, FromTheEnvironmentAndTheOldOption) {
  QProcessEnvironment env;
  env.insert("CASELOOM_PASSWORD", QString::fromUtf8(kPassword));
  expectTables(runCli({"tables", db_, "--json"}, {}, env));
  expectTables(runCli({"tables", db_, "--json", "--password", QString::fromUtf8(kPassword)}));
  expectRefused(runCli({"tables", db_, "--json", "--password", "wrong"}, {}, env));
  env.insert("CASELOOM_PASSWORD", "wrong");
  expectRefused(runCli({"tables", db_, "--json"}, {}, env));
  // An option wins over the environment.
  expectTables(runCli({"tables", db_, "--json", "--password-stdin"}, kPassword, env));
}

TEST_P(CliPassword, NoneGivenAndNoTerminalIsAWrongPassword) {
  expectRefused(runCli({"tables", db_, "--json"}));
}

TEST_P(CliPassword, OneWayOnly) {
  const auto both = runCli({"tables", db_, "--password", "a", "--password-stdin"}, "b\n");
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_TRUE(both.errors.contains("one way only")) << both.errors.toStdString();
}

TEST_P(CliPassword, HelpSaysWhyNotToUseTheOption) {
  const auto help = runCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.output.contains("process list")) << help.output.toStdString();
  for (const char* word : {"--password-file", "--password-stdin", "CASELOOM_PASSWORD", "--dry-run",
                           "--undo-file", "undo DB UNDOFILE", "Exit status"})
    EXPECT_TRUE(help.output.contains(word)) << word;
}

#ifdef _WIN32
// The prompt on the Windows console is typed by a person: a test has no
// pseudo-terminal to drive it with there.
constexpr const char* kNoTerminal = "no pseudo-terminal on Windows to type the password into";
TEST_P(CliPassword, AskedAtTheTerminalWithoutEcho) { GTEST_SKIP() << kNoTerminal; }
TEST_P(CliPassword, WrongAnswerAtTheTerminalIsRefused) { GTEST_SKIP() << kNoTerminal; }
TEST_P(CliPassword, InterruptedPromptGivesTheEchoBack) { GTEST_SKIP() << kNoTerminal; }
TEST(CliPasswordPrompt, NotAskedForAFileWithoutPassword) { GTEST_SKIP() << kNoTerminal; }
#else
// caseloom-cli on a terminal of its own (a pseudo-terminal), driven as a
// person types.
class Terminal {
 public:
  explicit Terminal(const QStringList& arguments) {
    std::vector<std::string> args = {CASELOOM_CLI};
    for (const QString& a : arguments) args.push_back(a.toStdString());
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::unsetenv("CASELOOM_PASSWORD");
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0) ::kill(pid_, SIGKILL), wait();
    if (master_ >= 0) ::close(master_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads until `wanted` appeared (true) or the program ended or 20 s passed.
  bool readUntil(const std::string& wanted) {
    for (int waited = 0; seen.find(wanted) == std::string::npos && waited < 200; ++waited) {
      pollfd fd{master_, POLLIN, 0};
      if (::poll(&fd, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;  // the program ended
      seen.append(buffer, static_cast<std::size_t>(n));
    }
    return seen.find(wanted) != std::string::npos;
  }
  void type(const std::string& text) {
    ASSERT_EQ(::write(master_, text.data(), text.size()), ssize_t(text.size()));
  }
  bool echoOn() const {
    termios settings{};
    return ::tcgetattr(master_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
  }
  // The exit status; -signal when a signal ended the program.
  int wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  std::string seen;

 private:
  int master_ = -1;
  pid_t pid_ = -1;
};

TEST_P(CliPassword, AskedAtTheTerminalWithoutEcho) {
  Terminal terminal({"tables", db_, "--json"});
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.readUntil("Password for " + db_.toStdString() + ": ")) << terminal.seen;
  EXPECT_FALSE(terminal.echoOn());
  terminal.type(kPassword.toStdString() + "\n");
  terminal.readUntil("[\"Secrets\"]");
  terminal.readUntil("never there");  // to the end
  EXPECT_EQ(terminal.wait(), 0) << terminal.seen;
  EXPECT_NE(terminal.seen.find("[\"Secrets\"]"), std::string::npos) << terminal.seen;
  EXPECT_EQ(terminal.seen.find("pass"), std::string::npos) << "the password was shown";
}

TEST_P(CliPassword, WrongAnswerAtTheTerminalIsRefused) {
  Terminal terminal({"tables", db_, "--json"});
  ASSERT_TRUE(terminal.readUntil("Password for "));
  terminal.type("wrong\n");
  terminal.readUntil("never there");
  EXPECT_EQ(terminal.wait(), 1);
  EXPECT_NE(terminal.seen.find("Not a valid password."), std::string::npos) << terminal.seen;
}

TEST_P(CliPassword, InterruptedPromptGivesTheEchoBack) {
  Terminal terminal({"tables", db_, "--json"});
  ASSERT_TRUE(terminal.readUntil("Password for "));
  terminal.type("\x03");  // Ctrl-C
  EXPECT_EQ(terminal.wait(), -SIGINT);
  EXPECT_TRUE(terminal.echoOn());
}

#endif

INSTANTIATE_TEST_SUITE_P(Files, CliPassword, ::testing::Values("secret.mdb", "secret.accdb"),
                         [](const auto& info) {
                           return std::string(info.param).substr(7) == "mdb" ? "Mdb" : "Accdb";
                         });

#ifndef _WIN32
TEST(CliPasswordPrompt, NotAskedForAFileWithoutPassword) {
  testsupport::TempDir dir;
  engine::NewTable table{u"Open", {testsupport::textColumn(u"Name")}, {}, {{engine::Text(u"x")}}};
  const QString db = q(testsupport::makeDatabase(dir.path() / "open.mdb", {table}));
  Terminal terminal({"tables", db, "--json"});
  terminal.readUntil("never there");
  EXPECT_EQ(terminal.wait(), 0);
  EXPECT_EQ(terminal.seen.find("Password"), std::string::npos) << terminal.seen;
}
#endif

}  // namespace
