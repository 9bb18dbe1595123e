// The case change run end to end, on databases made by the engine's writer.
#include "run/change_case_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ado/error.h"
#include "ado/factory.h"
#include "db/access.h"
#include "support/fake_window.h"
#include "support/fixtures.h"
#include "support/message_recorder.h"
#include "support/shared_dir.h"
#include "support/test_factory.h"

namespace {

using engine::NewColumn;
using T = NewColumn::Type;
using testsupport::FakeWindow;

// Each pause serves events once and the clock jumps past it, so the waits
// record exactly the pauses asked for.
class CountingClock final : public Run::PauseEnvironment {
 public:
  double secondsSinceMidnight() override { return now_; }
  void serveEvents(double seconds) override {
    pauses.push_back(seconds);
    now_ += 100;
  }
  std::vector<double> pauses;

 private:
  double now_ = 1000;
};

class ChangeCaseRun : public testing::Test {
 protected:
  void makeDatabase(std::vector<engine::NewTable> tables) {
    boxes_.path = testsupport::makeDatabase(dir_.path() / "run.mdb", std::move(tables)).u16string();
    Access::AddTablesToAccessListbox(boxes_,
                                     [this]() -> Access::ChangeCaseLists& { return window_; });
    window_.boxes = &boxes_;
    boxes_.factory = &factory_;
    boxes_.reports = &reports_;
    window_.pointerHistory.clear();
    ASSERT_TRUE(reports_.boxes.empty());
  }

  // Selects the named fields only, makes the first of them the current one.
  void selectFields(std::initializer_list<std::u16string> names) {
    for (int i = 0; i < window_.fields.count(); ++i) window_.fields.setSelected(i, false);
    bool first = true;
    for (const auto& name : names)
      for (int i = 0; i < window_.fields.count(); ++i)
        if (window_.fields.text(i) == name) {
          if (first) window_.fields.click(i);
          window_.fields.setSelected(i, true);
          first = false;
        }
  }

  void run(std::u16string caseText) {
    window_.caseText = std::move(caseText);
    options_.pauseEnvironment = &clock_;
    testsupport::StartChanging(window_, boxes_, options_);
  }

  std::vector<std::u16string> column(const std::u16string& table, const std::u16string& field) {
    FakeWindow w;
    w.tables.add(table);
    w.fields.add(field);
    Access::ListView2_Click(w, boxes_);
    return w.preview.texts();
  }

  testsupport::TempDir dir_;
  testsupport::TestFactory factory_;
  testsupport::FakeBoxes boxes_;
  FakeWindow window_;
  testsupport::MessageRecorder reports_;
  CountingClock clock_;
  Run::RunOptions options_;
};

engine::NewTable cities() {
  return {u"Orders",
          {testsupport::textColumn(u"City"), testsupport::column(u"Qty", T::Long),
           testsupport::column(u"Note", T::Memo)},
          {},
          {{ado::Text(u"o'hare"), std::int32_t{1}, ado::Text(u"fIRST nOTE. second")},
           {ado::Text(u"NEW york"), std::int32_t{2}, ado::Value::null()},
           {ado::Value::null(), std::int32_t{3}, ado::Text(u"")},
           {ado::Text(u""), std::int32_t{4}, ado::Text(u"2021-08-31")},
           {ado::Text(u"42"), std::int32_t{5}, ado::Text(u"3.5")},
           {ado::Text(u"san\tJOSÉ"), std::int32_t{6}, ado::Text(u"x")}}};
}

TEST_F(ChangeCaseRun, EachConversionRewritesQualifyingValues) {
  makeDatabase({cities()});
  selectFields({u"City"});
  run(u"Proper Case");
  EXPECT_TRUE(reports_.boxes.empty()) << reports_.boxes[0].text.toStdString();
  EXPECT_EQ(column(u"Orders", u"City"),
            (std::vector<std::u16string>{u"O'hare", u"New York", u"", u"", u"42", u"San\tJosé"}));
  run(u"UPPER CASE");
  EXPECT_EQ(column(u"Orders", u"City")[0], u"O'HARE");
  run(u"lower case");
  EXPECT_EQ(column(u"Orders", u"City")[1], u"new york");
  run(u"Sentence case");
  EXPECT_EQ(column(u"Orders", u"City")[5], u"San\tjosé");
  // The preview was rebuilt from the database at the end of each run.
  EXPECT_EQ(window_.preview.texts(), column(u"Orders", u"City"));
}

TEST_F(ChangeCaseRun, NameCaseKeepsTheExceptionsAsWritten) {
  makeDatabase({{u"People",
                 {testsupport::textColumn(u"Name")},
                 {},
                 {{ado::Text(u"MCDONALD-O'BRIEN VAN DER BERG III")},
                  {ado::Text(u"john smith phd")},
                  {ado::Text(u"42")}}}});
  selectFields({u"Name"});
  options_.nameExceptions = Case::NameExceptions({u"PhD"});
  run(u"Name Case");
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(column(u"People", u"Name"),
            (std::vector<std::u16string>{u"McDonald-O'Brien van der Berg III", u"John Smith PhD",
                                         u"42"}));
}

TEST_F(ChangeCaseRun, NumbersDatesNullsAndEmptyTextsStayAsTheyAre) {
  makeDatabase({cities()});
  selectFields({u"Note", u"Qty"});
  run(u"UPPER CASE");
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(
      column(u"Orders", u"Note"),
      (std::vector<std::u16string>{u"FIRST NOTE. SECOND", u"", u"", u"2021-08-31", u"3.5", u"X"}));
  EXPECT_EQ(column(u"Orders", u"Qty"),
            (std::vector<std::u16string>{u"1", u"2", u"3", u"4", u"5", u"6"}));
}

TEST_F(ChangeCaseRun, FieldsInListOrderEachWithItsOwnClimb) {
  engine::NewTable t = cities();
  makeDatabase({t, {u"Empty", {testsupport::textColumn(u"E")}, {}, {}}});
  window_.tables.click(1);  // Orders, after Empty
  Access::ListView1_Click(window_, boxes_);
  selectFields({u"Note", u"City"});
  run(u"lower case");
  const std::vector<double> climb = {100.0 / 6, 200.0 / 6, 300.0 / 6, 400.0 / 6, 500.0 / 6, 100};
  std::vector<double> expected = climb;
  expected.insert(expected.end(), climb.begin(), climb.end());
  expected.push_back(0);
  ASSERT_EQ(window_.progress.size(), expected.size())
      << (reports_.boxes.empty() ? "" : reports_.boxes[0].text.toStdString());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(window_.progress[i], expected[i], 1e-9);
  EXPECT_EQ(window_.progressCaption, u"Progress Bar");
  EXPECT_EQ(column(u"Orders", u"City")[0], u"o'hare");
  EXPECT_EQ(column(u"Orders", u"Note")[0], u"first note. second");
  // The pointer was the hourglass during the run and is back to normal.
  EXPECT_EQ(window_.pointerStyle, Access::kPointerDefault);
  EXPECT_NE(std::find(window_.pointerHistory.begin(), window_.pointerHistory.end(),
                      Access::kPointerHourglass),
            window_.pointerHistory.end());
}

TEST_F(ChangeCaseRun, FieldWithoutRecordsLeavesTheBarAlone) {
  makeDatabase({{u"Empty", {testsupport::textColumn(u"E")}, {}, {}}});
  selectFields({u"E"});
  run(u"UPPER CASE");
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(window_.progress, (std::vector<double>{0}));
  EXPECT_EQ(clock_.pauses, (std::vector<double>{0.4}));
}

TEST_F(ChangeCaseRun, EmptyFieldListAsksForAFieldAndChangesNothing) {
  makeDatabase({{u"Empty", {testsupport::textColumn(u"E")}, {}, {}}});
  window_.fields.clear();
  run(u"UPPER CASE");
  ASSERT_EQ(reports_.boxes.size(), 1u);
  EXPECT_EQ(reports_.boxes[0].text, "Please select a field.");
  EXPECT_EQ(reports_.boxes[0].icon, Main::MessageIcon::None);
  EXPECT_TRUE(window_.pointerHistory.empty());
  EXPECT_EQ(window_.previewRefreshes, 0);
}

TEST_F(ChangeCaseRun, NoSelectedFieldChangesNothingButRefreshesThePreview) {
  makeDatabase({cities()});
  selectFields({});
  run(u"UPPER CASE");
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(column(u"Orders", u"City")[0], u"o'hare");
  EXPECT_EQ(window_.previewRefreshes, 1);
  EXPECT_EQ(clock_.pauses, (std::vector<double>{0.4}));
}

TEST_F(ChangeCaseRun, FailingUpdatesAreReportedWithTheirLabelAndTheRunGoesOn) {
  makeDatabase({cities()});
  selectFields({u"City"});
  factory_.refuses = [](const ado::Text& statement) {
    return statement.find(u"york") != ado::Text::npos;
  };
  const std::pair<std::u16string, int> modes[] = {{u"Name Case", 218},
                                                  {u"UPPER CASE", 144},
                                                  {u"lower case", 156},
                                                  {u"Proper Case", 168},
                                                  {u"Sentence case", 180}};
  for (const auto& [mode, label] : modes) {
    reports_.boxes.clear();
    run(mode);
    ASSERT_EQ(reports_.boxes.size(), 1u);
    EXPECT_TRUE(reports_.boxes[0].text.contains(
        QStringLiteral("in Casewick2021/08/31.Form2.PushButton4_Click at line %1").arg(label)));
    EXPECT_EQ(column(u"Orders", u"City")[1], u"NEW york");  // left as it was
  }
  EXPECT_EQ(column(u"Orders", u"City")[0], u"O'hare");  // the others were written
}

TEST_F(ChangeCaseRun, PausesAfterEveryFiveThousandRecordsAndAtTheEnd) {
  engine::NewTable big{u"Big", {testsupport::textColumn(u"Name")}, {}, {}};
  for (int i = 0; i < 10001; ++i) big.rows.push_back({ado::Text(u"name")});
  makeDatabase({big});
  selectFields({u"Name"});
  run(u"UPPER CASE");
  EXPECT_TRUE(reports_.boxes.empty());
  EXPECT_EQ(clock_.pauses, (std::vector<double>{1, 1, 1, 0.4}));
  EXPECT_EQ(window_.progress.size(), 10002u);
  EXPECT_EQ(column(u"Big", u"Name")[99], u"NAME");
}

TEST_F(ChangeCaseRun, ValuesOfAnyLengthAreConverted) {
  std::u16string memo;
  while (memo.size() < 40000) memo += u"word ";
  makeDatabase({{u"Long", {testsupport::column(u"Text", T::Memo)}, {}, {{ado::Text(memo)}}}});
  selectFields({u"Text"});
  run(u"Proper Case");
  EXPECT_TRUE(reports_.boxes.empty());
  const auto values = column(u"Long", u"Text");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].size(), memo.size());
  EXPECT_EQ(values[0].substr(0, 10), u"Word Word ");
}

// A file its owner marked read-only is not written, whoever runs the program:
// the first qualifying record is reported, the run ends there and the file
// keeps its bytes.
TEST_F(ChangeCaseRun, FileMarkedReadOnlyEndsTheRunAfterOneReport) {
  makeDatabase({cities()});
  selectFields({u"City"});
  const std::filesystem::path path(boxes_.path);
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> before{std::istreambuf_iterator<char>(in), {}};
  in.close();
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  selectFields({u"City", u"Note"});
  window_.caseText = u"UPPER CASE";
  options_.pauseEnvironment = &clock_;
  const Run::RunSummary summary = testsupport::StartChanging(window_, boxes_, options_);
  ASSERT_EQ(reports_.boxes.size(), 1u);
  EXPECT_TRUE(reports_.boxes[0].text.contains("Cannot update. Database or object is read-only."))
      << reports_.boxes[0].text.toStdString();
  EXPECT_TRUE(reports_.boxes[0].text.contains("at line 144"));
  ASSERT_TRUE(summary.endedBy.has_value());
  EXPECT_EQ(summary.endedBy->engineKind(), engine::ErrorKind::ReadOnly);
  EXPECT_EQ(summary.fieldsLeft, 1) << "Note is not begun";
  EXPECT_EQ(summary.recordsLeft, 5);
  EXPECT_EQ(window_.progress.back(), 0);
  EXPECT_EQ(window_.progressCaption, u"Progress Bar");
  EXPECT_EQ(window_.previewRefreshes, 1);
  std::ifstream again(path, std::ios::binary);
  EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(again), {}), before);
  EXPECT_FALSE(std::filesystem::exists(path.parent_path() / "run.ldb"));
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
