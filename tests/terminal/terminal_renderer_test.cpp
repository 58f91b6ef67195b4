#include "terminal/terminal_renderer.h"

#include <gtest/gtest.h>

namespace {

const TerminalRenderer::View kText{kTextView, false, false};
const TerminalRenderer::View kLineStamps{kTextView, true, true};

std::string Joined(const ScreenRuns& runs) {
    std::string text;
    for (const ScreenRun& run : runs)
        text += run.text;
    return text;
}

std::string RenderChunks(TerminalRenderer& renderer, const TerminalRenderer::View& view,
                         std::initializer_list<std::string_view> chunks, std::string_view stamp = "(S)") {
    ScreenRuns runs;
    for (std::string_view chunk : chunks)
        renderer.render(view, chunk, stamp, runs);
    return Joined(runs);
}

TEST(TerminalRenderer, EveryLineEndPairBecomesOneLineBreakAlsoAcrossChunks) {
    TerminalRenderer renderer;
    EXPECT_EQ(RenderChunks(renderer, kText, {"A\r", "\nB"}), "A\r\nB");
    EXPECT_EQ(RenderChunks(renderer, kText, {"\n\rC"}), "\r\nC");
    EXPECT_EQ(RenderChunks(renderer, kText, {"D\n", "\r", "\r"}), "D\r\n\r\n");
    // The first LF pairs with the CR that ended the previous chunk.
    EXPECT_EQ(RenderChunks(renderer, kText, {"\n\nE"}), "\r\nE");
}

TEST(TerminalRenderer, TextViewBlanksControlBytesDropsBackspaceKeepsTab) {
    TerminalRenderer renderer;
    const std::string data("a\x01\x08\tb\x00", 6);
    ScreenRuns runs;
    renderer.render(kText, data, "", runs);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (ScreenRun{kNormalColour, "a \tb "}));
    EXPECT_FALSE(renderer.lastWasLineEnd());
}

TEST(TerminalRenderer, LineStartStampsPrecedeFirstCharacterOfEachLineButNotEmptyLines) {
    TerminalRenderer renderer;
    renderer.setLineStampPending(true);
    EXPECT_EQ(RenderChunks(renderer, kLineStamps, {"A\r\n\r\n", "B\r", "\n"}), "(S)A\r\n\r\n(S)B\r\n");
    EXPECT_TRUE(renderer.lineStampPending());
    // Without the time stamp option a line end sets no stamp.
    renderer.reset();
    EXPECT_EQ(RenderChunks(renderer, kText, {"A\nB"}), "A\r\nB");
}

TEST(TerminalRenderer, ChunkOfManyShortLinesRendersWholeWhateverItsGrowth) {
    TerminalRenderer renderer;
    renderer.setLineStampPending(true);
    std::string chunk;
    for (int i = 0; i < 1024; ++i)
        chunk += "x\n";
    const std::string stamp = "(24.12.2026 12:34:56)";
    const std::string text = RenderChunks(renderer, kLineStamps, {chunk}, stamp);
    EXPECT_EQ(text.size(), 1024 * (stamp.size() + 3));
    EXPECT_EQ(text.substr(text.size() - stamp.size() - 3), stamp + "x\r\n");
}

TEST(TerminalRenderer, HexViewEscapesEveryByteAndStartsALineAtEachCR) {
    TerminalRenderer renderer;
    ScreenRuns runs;
    renderer.render({kHexView, true, true}, "A\rB\xff", "(S)", runs);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (ScreenRun{kEscapeColour, "\\41\r\n\\0D\\42\\FF"}));
}

TEST(TerminalRenderer, MixedViewKeepsPrintableRunsAndEscapesTheRest) {
    TerminalRenderer renderer;
    ScreenRuns runs;
    renderer.render({kMixedView, false, false}, std::string("AB\x00\rC\x7f\x80\n", 8), "", runs);
    const ScreenRuns expected = {{kNormalColour, "AB"},
                                 {kEscapeColour, "\\00\r\n\\0D"},
                                 {kNormalColour, "C\x7f"},
                                 {kEscapeColour, "\\80\r\n\\0A"}};
    EXPECT_EQ(runs, expected);
}

} // namespace
