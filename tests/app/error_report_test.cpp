#include "app/main/error_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ado/error.h"
#include "app/main/trap.h"
#include "support/message_recorder.h"

namespace {

const char* const kLocation = "in Casewick2021/08/31.Form1.PushButton1_Click ";

TEST(ErrorReport, TextIsDescriptionLocationLabelAndRequest) {
  EXPECT_EQ(
      Main::ApplicationErrorText("Not a valid password.",
                                 "in Casewick2021/08/31.Form1.PushButton2_Click ", 100),
      QStringLiteral("Not a valid password.\r\nin Casewick2021/08/31.Form1.PushButton2_Click at "
                     "line 100\r\rPlease email screenshot of this message to ") +
          Main::kSupportAddress);
}

TEST(ErrorReport, EmptyDescriptionStillStartsWithLineBreak) {
  EXPECT_TRUE(Main::ApplicationErrorText("", kLocation, 108).startsWith("\r\nin Casewick"));
}

TEST(ErrorReport, ShownAsWarningBoxWithOneButton) {
  testsupport::MessageRecorder boxes;
  Main::ShowApplicationError(boxes, "boom", kLocation, 104);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].title, "Application Error");
  EXPECT_EQ(boxes.boxes[0].icon, Main::MessageIcon::Warning);
  EXPECT_EQ(boxes.boxes[0].buttons, Main::MessageButtons::Ok);
  EXPECT_EQ(boxes.boxes[0].text, Main::ApplicationErrorText("boom", kLocation, 104));
}

TEST(Trap, CarriesOnAfterEachFailureWithItsOwnLabel) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  std::vector<int> ran;
  trap(100, [&] { ran.push_back(100); });
  trap(102, [&] { throw ado::Error::notValidPassword(); });
  trap(104, [&] { ran.push_back(104); });
  trap(106, [&] { throw std::runtime_error("second failure"); });
  trap(108, [&] { ran.push_back(108); });

  EXPECT_EQ(ran, (std::vector<int>{100, 104, 108}));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text,
            Main::ApplicationErrorText("Not a valid password.", kLocation, 102));
  EXPECT_EQ(boxes.boxes[1].text, Main::ApplicationErrorText("second failure", kLocation, 106));
  EXPECT_EQ(trap.reports(), 2);
}

TEST(Trap, FailingConditionEntersThenPart) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  bool thenPartRan = false;
  if (trap.when(110, []() -> bool { throw std::runtime_error("cannot test"); })) thenPartRan = true;
  EXPECT_TRUE(thenPartRan);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.contains("at line 110"));
}

TEST(Trap, ConditionsThatHoldOrNotAreNotReported) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  EXPECT_TRUE(trap.when(100, [] { return true; }));
  EXPECT_FALSE(trap.when(102, [] { return false; }));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(Trap, FailedAssignmentKeepsEarlierValue) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  int value = 1;
  trap(100, [&] { value = []() -> int { throw std::runtime_error("x"); }(); });
  EXPECT_EQ(value, 1);
}

TEST(Trap, UnknownExceptionsStillReported) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  trap(100, [] { throw 42; });
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.startsWith("Unknown error\r\n"));
}

// Running out of memory ends the procedure rather than failing every
// statement after it, slowly, one report each.
TEST(Trap, OutOfMemoryIsNotCarriedPast) {
  testsupport::MessageRecorder boxes;
  Main::Trap trap(kLocation, boxes);
  EXPECT_THROW(trap(100, [] { throw std::bad_alloc(); }), std::bad_alloc);
  EXPECT_THROW(static_cast<void>(trap.when(102, []() -> bool { throw std::bad_alloc(); })),
               std::bad_alloc);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
