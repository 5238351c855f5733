#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/error_report.h"
#include "platform/globals.h"
#include "support/message_box_answerer.h"

namespace {

std::string Report(SetupError code) {
  char text[256];
  FormatErrorReport(g_instance, code, text, sizeof text);
  return text;
}

const char kTail[] = "\nPlease contact Veltrop Software. Installation will end";

TEST(ErrorReport, PutsTheCodesTextAboveTheFixedSentence) {
  EXPECT_EQ(Report(SETUP_ERR_NO_MEMORY), std::string("Out of memory.") + kTail);
  EXPECT_EQ(Report(SETUP_ERR_BAD_LIST), std::string("There is an error in the installation list.") + kTail);
  EXPECT_EQ(Report(SETUP_ERR_NO_SETUPDAT),
            std::string("The Installation Information file, Setup.dat, is missing.") + kTail);
  EXPECT_EQ(Report(SETUP_ERR_MISSING_FILE),
            std::string("A necessary file is missing from the installation set. Installation will end.") + kTail);
}

TEST(ErrorReport, ACodeWithoutTextShowsItsNumber) {
  EXPECT_EQ(Report(5), std::string("Error 5") + kTail);
  EXPECT_EQ(Report(-7), std::string("Error -7") + kTail);
}

TEST(ErrorReport, NeverOverrunsASmallBuffer) {
  char small[20];
  std::memset(small, '#', sizeof small);
  FormatErrorReport(g_instance, SETUP_ERR_NO_SETUPDAT, small, 16);
  EXPECT_EQ(std::string(small), "The Installatio");
  EXPECT_EQ(small[16], '#');
}

TEST(ErrorReport, ShowsATaskModalBoxCaptionedSetupWithoutIcon) {
  testsupport::MessageBoxAnswerer answerer;
  ShowErrorReport(g_instance, SETUP_ERR_REG_QUERY);
  auto boxes = answerer.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup");
  EXPECT_EQ(boxes[0].text, std::string("Failed to query a value in the registry.") + kTail);
  EXPECT_EQ(boxes[0].buttonIds, std::vector<int>{IDOK});
  EXPECT_FALSE(boxes[0].hasIcon);
}

TEST(ShowStringMessage, ShowsTheStringWithTheGivenStyle) {
  testsupport::MessageBoxAnswerer answerer;
  ShowStringMessage(nullptr, 54, MB_ICONEXCLAMATION);
  ShowStringMessage(nullptr, 59999, MB_OK);  // no such string
  auto boxes = answerer.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Uninstall was cancelled");
  EXPECT_EQ(boxes[0].caption, "Setup");
  EXPECT_TRUE(boxes[0].hasIcon);
  EXPECT_EQ(boxes[1].text, "Out of memory");
}

}  // namespace
