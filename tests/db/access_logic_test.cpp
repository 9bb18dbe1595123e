#include <gtest/gtest.h>

#include <QStringList>

#include "ado/error.h"
#include "ado/factory.h"
#include "db/access.h"
#include "db/odbc_provider.h"
#include "support/fake_window.h"
#include "support/message_recorder.h"
#include "support/test_factory.h"

namespace {

std::u16string connectionStringFor(std::u16string path, std::u16string password = u"") {
  testsupport::FakeBoxes boxes;
  boxes.path = std::move(path);
  boxes.pass = std::move(password);
  return Access::AccessConnectionString(boxes);
}

TEST(AccessConnectionString, JetForMdbWithPasswordKeyLast) {
  EXPECT_EQ(
      connectionStringFor(u"C:\\db\\a.mdb"),
      u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\a.mdb;JET OLEDB:Database Password=");
}

TEST(AccessConnectionString, AccdbTestLooksAtLastFiveCharactersOnly) {
  const std::u16string ace = u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
  const std::u16string jet = u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
  EXPECT_TRUE(connectionStringFor(u"/x/Y.ACCDB").starts_with(ace));
  EXPECT_TRUE(connectionStringFor(u"/x/yaccdb").starts_with(ace));
  EXPECT_TRUE(connectionStringFor(u"/x/y.accdb ").starts_with(jet));
  EXPECT_TRUE(connectionStringFor(u"ccdb").starts_with(jet));
  EXPECT_TRUE(connectionStringFor(u"").starts_with(jet));
}

TEST(AccessConnectionString, PasswordAsTyped) {
  EXPECT_EQ(
      connectionStringFor(u"a.accdb", u" p'w;d "),
      u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=a.accdb;JET OLEDB:Database Password= p'w;d ");
}

TEST(GetAccessTables, MissingFileGivesNoList) {
  testsupport::FakeBoxes boxes;
  boxes.path = u"/no/such/file.mdb";
  EXPECT_FALSE(Access::GetAccessTables(boxes.path, boxes).has_value());
  boxes.path = u"";
  EXPECT_FALSE(Access::GetAccessTables(boxes.path, boxes).has_value());
}

TEST(ValueText, OneFormPerType) {
  EXPECT_EQ(Access::ValueText(ado::Value::null()), u"");
  EXPECT_EQ(Access::ValueText(ado::Text(u"x'y")), u"x'y");
  EXPECT_EQ(Access::ValueText(std::int32_t{-42}), u"-42");
  EXPECT_EQ(Access::ValueText(true), u"True");
  EXPECT_EQ(Access::ValueText(ado::Bytes(3)), u"<binary data, 3 bytes>");
  ado::Guid g;
  for (int i = 0; i < 16; ++i) g.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(Access::ValueText(g), u"{03020100-0504-0706-0809-0A0B0C0D0E0F}");
}

// The start-up window as the probe sees it: its component and its boxes.
struct ProbedWindow {
  explicit ProbedWindow(Main::MessageAnswer answer = Main::MessageAnswer::Ok) : boxes(answer) {
    window.factory = &factory;
    window.reports = &boxes;
  }
  testsupport::TestFactory factory;
  testsupport::MessageRecorder boxes;
  testsupport::FakeBoxes window;
};

TEST(CheckAccessProvider, TrueAndSilentWhenObjectCanBeCreated) {
  ProbedWindow probed;
  testsupport::MessageRecorder& boxes = probed.boxes;
  int opened = 0;
  EXPECT_TRUE(ODBCProvider::CheckAccessProvider(probed.window, [&](const QString&) { ++opened; }));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(opened, 0);
}

TEST(CheckAccessProvider, MissingProviderExplainedAndPagesOpenedOnYes) {
  ProbedWindow probed(Main::MessageAnswer::Yes);
  testsupport::MessageRecorder& boxes = probed.boxes;
  probed.factory.creationFailure =
      ado::Error(ado::ErrorKind::Program, "The PROVIDER CANNOT BE FOUND here");
  QStringList pages;
  EXPECT_FALSE(
      ODBCProvider::CheckAccessProvider(probed.window, [&](const QString& url) { pages << url; }));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.startsWith(
      "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\nYou are"));
  EXPECT_EQ(boxes.boxes[0].buttons, Main::MessageButtons::YesNo);
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[0].endsWith("/en-us/download/details.aspx?id=13255"));
  EXPECT_TRUE(pages[1].endsWith("/en-us/download/details.aspx?id=54920"));
}

TEST(CheckAccessProvider, NoOpensNothingAndOtherErrorsShowNothing) {
  ProbedWindow probed(Main::MessageAnswer::No);
  testsupport::MessageRecorder& boxes = probed.boxes;
  int opened = 0;
  probed.factory.creationFailure = ado::Error::providerNotFound();
  EXPECT_FALSE(ODBCProvider::CheckAccessProvider(probed.window, [&](const QString&) { ++opened; }));
  EXPECT_EQ(boxes.boxes.size(), 1u);
  probed.factory.creationFailure = ado::Error::cannotCreateObject();
  EXPECT_FALSE(ODBCProvider::CheckAccessProvider(probed.window, [&](const QString&) { ++opened; }));
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(opened, 0);
}

}  // namespace
