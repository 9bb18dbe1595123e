// The catalogue, field list and preview procedures on databases made by the
// engine's writer.
#include <gtest/gtest.h>

#include "ado/error.h"
#include "db/access.h"
#include "support/fake_window.h"
#include "support/fixtures.h"
#include "support/message_recorder.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using testsupport::FakeWindow;

class AccessProcedures : public testing::Test {
 protected:
  void SetUp() override {
    using T = NewColumn::Type;
    engine::NewTable people{
        u"People in Town",
        {testsupport::textColumn(u"Full Name"), testsupport::column(u"Age", T::Long),
         testsupport::column(u"Notes", T::Memo)},
        {},
        {}};
    for (int i = 0; i < 150; ++i)
      people.rows.push_back({ado::Text(u"person " + std::u16string(1, char16_t(u'a' + i % 26))),
                             std::int32_t{i}, i % 3 == 0 ? ado::Value::null() : ado::Text(u"")});
    people.rows[1][0] = ado::Value::null();
    people.rows[2][0] = ado::Text();
    engine::NewTable zeta{u"zeta", {testsupport::textColumn(u"Z")}, {}, {{ado::Text(u"z")}}};
    engine::NewTable alpha{u"Alpha", {testsupport::textColumn(u"A")}, {}, {}};
    path_ = testsupport::makeDatabase(dir_.path() / "town.mdb", {people, zeta, alpha});
    boxes_.path = path_.u16string();
    boxes_.reports = &reports_;
  }

  void fill() {
    Access::AddTablesToAccessListbox(boxes_,
                                     [this]() -> Access::ChangeCaseLists& { return window_; });
  }

  testsupport::TempDir dir_;
  std::filesystem::path path_;
  testsupport::FakeBoxes boxes_;
  FakeWindow window_;
  testsupport::MessageRecorder reports_;
};

TEST_F(AccessProcedures, TablesInCatalogueOrderFirstTablesFieldsAndPreview) {
  fill();
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(window_.tables.texts(),
            (std::vector<std::u16string>{u"Alpha", u"People in Town", u"zeta"}));
  EXPECT_EQ(window_.fields.texts(), (std::vector<std::u16string>{u"A"}));
  EXPECT_TRUE(window_.preview.texts().empty());  // Alpha has no records
  EXPECT_EQ(window_.pointerStyle, Access::kPointerDefault);
}

TEST_F(AccessProcedures, PreviewShowsExactlyTheFirstHundredWithNullsAsEmpty) {
  fill();
  window_.tables.click(1);
  Access::ListView1_Click(window_, boxes_);
  EXPECT_EQ(window_.fields.texts(), (std::vector<std::u16string>{u"Full Name", u"Age", u"Notes"}));
  ASSERT_EQ(window_.preview.count(), 100);
  EXPECT_EQ(window_.preview.text(0), u"person a");
  EXPECT_EQ(window_.preview.text(1), u"");
  EXPECT_EQ(window_.preview.text(2), u"");
  window_.fields.click(1);
  Access::ListView2_Click(window_, boxes_);
  ASSERT_EQ(window_.preview.count(), 100);
  EXPECT_EQ(window_.preview.text(99), u"99");
}

TEST_F(AccessProcedures, SecondFillRebuildsEveryList) {
  fill();
  window_.tables.click(1);
  Access::ListView1_Click(window_, boxes_);
  testsupport::TempDir other;
  boxes_.path = testsupport::makeDatabase(
                    other.path() / "b.mdb",
                    {{u"Only", {testsupport::textColumn(u"X")}, {}, {{ado::Text(u"x")}}}})
                    .u16string();
  fill();
  EXPECT_EQ(window_.tables.texts(), (std::vector<std::u16string>{u"Only"}));
  EXPECT_EQ(window_.fields.texts(), (std::vector<std::u16string>{u"X"}));
  EXPECT_EQ(window_.preview.texts(), (std::vector<std::u16string>{u"x"}));
}

TEST_F(AccessProcedures, EmptyCatalogueEmptiesListsAndReportsTheFieldStep) {
  fill();
  boxes_.path = testsupport::makeDatabase(dir_.path() / "empty.mdb", {}).u16string();
  auto tables = Access::GetAccessTables(boxes_.path, boxes_);
  ASSERT_TRUE(tables.has_value());
  EXPECT_TRUE(tables->empty());
  fill();
  EXPECT_EQ(window_.tables.count(), 0);
  EXPECT_EQ(window_.fields.count(), 0);
  EXPECT_EQ(window_.preview.count(), 0);
  ASSERT_EQ(reports_.boxes.size(), 1u);
  EXPECT_TRUE(reports_.boxes[0].text.contains(
      "in Casewick2021/08/31.Access.AddTablesToAccessListbox at line 120"));
}

// The same for an .mdb password and an encrypted .accdb's.
TEST_F(AccessProcedures, WrongPasswordReportsOpeningAndFieldStep) {
  for (const char* name : {"locked.mdb", "locked.accdb"}) {
    SCOPED_TRACE(name);
    boxes_.path =
        testsupport::makeDatabase(dir_.path() / name,
                                  {{u"T", {testsupport::textColumn(u"X")}, {}, {}}}, u"Secret")
            .u16string();
    boxes_.pass = u"secret";
    reports_.boxes.clear();
    EXPECT_THROW(Access::GetAccessTables(boxes_.path, boxes_), ado::Error);
    fill();
    ASSERT_EQ(reports_.boxes.size(), 2u);
    EXPECT_TRUE(reports_.boxes[0].text.startsWith("Not a valid password.\r\n"));
    EXPECT_TRUE(reports_.boxes[0].text.contains("at line 102"));
    EXPECT_TRUE(reports_.boxes[1].text.contains("at line 120"));
    boxes_.pass = u"Secret";
    reports_.boxes.clear();
    fill();
    EXPECT_TRUE(reports_.boxes.empty());
    EXPECT_EQ(window_.tables.texts(), (std::vector<std::u16string>{u"T"}));
  }
}

TEST_F(AccessProcedures, MissingFileGivesNoListAndOpensNothing) {
  boxes_.path = (dir_.path() / "gone.mdb").u16string();
  fill();
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(window_.tables.count(), 0);
}

TEST(AccessOnCorpus, FieldsAndPreviewAgreeWithExpectedFiles) {
  SKIP_WITHOUT_CORPUS();
  testsupport::MessageRecorder reports;
  testsupport::FakeBoxes boxes;
  boxes.reports = &reports;
  boxes.path = (*testsupport::corpusDir() / "mdbreader-real-ASampleDatabase.accdb").u16string();
  FakeWindow window;
  Access::AddTablesToAccessListbox(boxes, [&]() -> Access::ChangeCaseLists& { return window; });
  EXPECT_TRUE(reports.boxes.empty());
  EXPECT_EQ(window.tables.texts(), (std::vector<std::u16string>{u"Asset Items"}));
  EXPECT_EQ(window.fields.count(), 13);
  EXPECT_EQ(window.preview.count(), 65);
}

}  // namespace
