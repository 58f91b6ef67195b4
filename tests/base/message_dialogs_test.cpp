#include "base/message_dialogs.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageDialogsTest, ErrorAndQuestionBoxes) {
    MessageBoxRecorder recorder(IDNO);
    ShowErrorMessage("broken");
    EXPECT_FALSE(AskYesNo("sure?", true));
    recorder.queueAnswer(IDYES);
    EXPECT_TRUE(AskYesNo("really?", false));
    const auto boxes = recorder.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "broken");
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[1].flags, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(boxes[2].flags, MB_YESNO | MB_ICONQUESTION);
}

} // namespace
