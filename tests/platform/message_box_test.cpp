#include "platform/message_box.h"
#include "support/message_box_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(MessageBox, RecorderAnswersInOrderAndKeepsEveryBox) {
    MessageBoxRecorder recorder(IDNO);
    recorder.queueAnswer(IDYES);
    EXPECT_EQ(MessageBox("Save changes to file ?", "Quovix", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBox("again", "Quovix", MB_YESNO), IDNO);
    ShowMessage(" voi vain lukea");
    const auto boxes = recorder.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "Quovix");
    EXPECT_EQ(boxes[0].flags, unsigned(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(boxes[2].text, " voi vain lukea");
    EXPECT_EQ(boxes[2].caption, "Quovix 5");
}

TEST(MessageBox, BoxFromAWorkerThreadIsAnsweredAndTheWorkerEnds) {
    MessageBoxRecorder recorder(IDYES);
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = MessageBox("Do you really want to interrupt ?", "Flash", MB_YESNO); });
    worker.join();
    EXPECT_EQ(answer.load(), IDYES);
    EXPECT_EQ(recorder.texts(), std::vector<std::string>{"Do you really want to interrupt ?"});
}

TEST(MessageBox, LatinOneTextsPassThroughWhole) {
    MessageBoxRecorder recorder;
    const std::string text = "P\xE4\xE4salasana";
    MessageBox(text, "Error opening port");
    EXPECT_EQ(recorder.texts().at(0), text);
}
