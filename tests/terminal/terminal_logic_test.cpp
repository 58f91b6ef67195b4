#include "terminal/colour_counter.h"
#include "terminal/line_error_counters.h"
#include "terminal/programming_mode.h"
#include "terminal/terminal_keys.h"
#include "terminal/terminal_settings.h"

#include <Qt>
#include <gtest/gtest.h>

namespace {

TEST(ColourCounter, FirstFiveCharactersAfterAPauseAreHighlightedEvenInPieces) {
    ColourCounter counter;
    EXPECT_EQ(counter.highlight(11, 10000, false), 5u);
    EXPECT_EQ(counter.highlight(4, 10050, false), 0u); // same burst
    // After a pause: two characters, then nine more 20 ms later.
    EXPECT_EQ(counter.highlight(2, 20000, false), 2u);
    EXPECT_EQ(counter.highlight(9, 20020, false), 3u);
    EXPECT_EQ(counter.highlight(9, 20040, false), 0u);
    // A highlight cut short by a pause starts over.
    EXPECT_EQ(counter.highlight(1, 30000, false), 1u);
    EXPECT_EQ(counter.highlight(8, 30500, false), 5u);
    // Collected replies are never highlighted.
    EXPECT_EQ(counter.highlight(8, 40000, true), 0u);
}

TEST(TerminalSettings, RtsHoldCoversEveryBaudOrdinal) {
    EXPECT_EQ(RtsHoldMs(0), 220);
    EXPECT_EQ(RtsHoldMs(5), 6); // 9600
    EXPECT_EQ(RtsHoldMs(9), 1);
    for (int ordinal = 10; ordinal <= 14; ++ordinal)
        EXPECT_EQ(RtsHoldMs(ordinal), 1) << ordinal;
}

TEST(TerminalSettings, CaptionNamesPortLineHandshakeAndOptions) {
    LineSettings line;
    TerminalOptions options;
    EXPECT_EQ(TerminalCaption(line, options), "COM1: 9600 None  8 1 | None");

    line = LineSettings{.portNumber = 9,
                        .baudRate = 7,
                        .dataBits = 3,
                        .parity = 2,
                        .stopBits = LineSettings::kStopTwo,
                        .rtsMode = LineSettings::kRtsDisable,
                        .flowControl = LineSettings::kFlowXonXoff};
    options.localEcho = options.crLf = options.mirror = true;
    options.name = "modem1";
    EXPECT_EQ(TerminalCaption(line, options),
              "COM10: 38400 Even  7 2 | Software | Echo | CR -> CR/LF | Mirror | Name: modem1");

    options = {};
    line.rtsMode = LineSettings::kRtsHandshake;
    EXPECT_EQ(TerminalCaption(line, options), "COM10: 38400 Even  7 2 | Hardware");
    options.fiveQv = true;
    EXPECT_EQ(TerminalCaption(line, options), "COM10: 38400 Even  7 2 | 5QV/6QV");

    // The transmit window's caption keeps apart ports whose first five
    // characters are the same.
    for (const auto& [terminal, transmit] :
         {std::pair{"COM7: 9600 None  8 1 | None", "Transmit window COM7:"},
          std::pair{"COM12: 9600 None  8 1 | None", "Transmit window COM12"},
          std::pair{"COM123: 9600 None  8 1 | None", "Transmit window COM123:"},
          std::pair{"COM12: Programming mode x", "Transmit window COM12"}})
        EXPECT_EQ(TransmitWindowCaption(terminal), transmit);
}

ProgrammableSettings FieldTerminal() {
    ProgrammableSettings settings;
    settings.line = {.portNumber = 2,
                     .baudRate = 7,
                     .dataBits = 3,
                     .parity = 2,
                     .stopBits = LineSettings::kStopOne,
                     .rtsMode = LineSettings::kRtsDisable,
                     .flowControl = LineSettings::kFlowXonXoff};
    settings.options.viewType = kHexView;
    settings.options.timeStamp = true;
    settings.options.mirror = true;
    settings.chunkStampPending = true;
    settings.packetIntervalMs = 3000;
    return settings;
}

TEST(ProgrammingMode, SwitchesToProgrammingSettingsAndBackExactly) {
    ProgrammingMode mode;
    ProgrammableSettings settings = FieldTerminal();
    mode.enter(settings);
    EXPECT_TRUE(mode.active());
    const LineSettings programming{.portNumber = 2, .baudRate = 5};
    EXPECT_EQ(settings.line, programming);
    EXPECT_TRUE(settings.options.localEcho);
    EXPECT_TRUE(settings.options.crLf);
    EXPECT_FALSE(settings.options.mirror);
    EXPECT_EQ(settings.options.viewType, kTextView);
    EXPECT_TRUE(settings.options.timeStamp); // stamps are not programming settings
    EXPECT_EQ(settings.packetIntervalMs, 0);
    EXPECT_FALSE(settings.chunkStampPending);

    mode.leave(settings);
    EXPECT_FALSE(mode.active());
    const ProgrammableSettings original = FieldTerminal();
    EXPECT_EQ(settings.line, original.line);
    EXPECT_FALSE(settings.options.localEcho);
    EXPECT_FALSE(settings.options.crLf);
    EXPECT_TRUE(settings.options.mirror);
    EXPECT_EQ(settings.options.viewType, kHexView);
    EXPECT_EQ(settings.packetIntervalMs, 3000);
    EXPECT_TRUE(settings.chunkStampPending);
}

TEST(ProgrammingMode, FiveQvHandshakeComesBack) {
    ProgrammingMode mode;
    ProgrammableSettings settings;
    settings.options.fiveQv = true;
    mode.enter(settings);
    EXPECT_FALSE(settings.options.fiveQv);
    mode.leave(settings);
    EXPECT_TRUE(settings.options.fiveQv);
    EXPECT_EQ(settings.line.rtsMode, LineSettings::kRtsDisable);
    EXPECT_EQ(settings.line.flowControl, LineSettings::kFlowNone);
}

TEST(LineErrorCounters, CountsEachReportedErrorKind) {
    LineErrorCounters counters;
    EXPECT_FALSE(counters.any());
    counters.count(LineErrorCounters::kParity | LineErrorCounters::kFraming);
    counters.count(LineErrorCounters::kFraming | 0x0400);
    EXPECT_TRUE(counters.any());
    EXPECT_EQ(counters.text(), "Elog: P = 1, O = 0, F = 2");
    counters.clear();
    EXPECT_EQ(counters.text(), "Elog: P = 0, O = 0, F = 0");
}

TEST(TerminalKeys, FunctionKeysSendScriptsAndSelectSets) {
    using A = TerminalKeyAction;
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F3, true, false, false), (A{A::kSendScript, 3}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F12, true, true, false), (A{A::kSelectSet, 12}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_0, false, false, true), (A{A::kSelectSet, 10}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_1, false, false, true), (A{A::kSelectSet, 1}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_Equal, false, false, true), (A{A::kSelectSet, 11}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_BracketLeft, false, false, true), (A{A::kSelectSet, 12}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F1, false, false, true), (A{A::kSelectSet, 1}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F12, false, false, true), (A{A::kSelectSet, 12}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F5, true, false, true), (A{A::kConsumed, 0}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_1, true, false, true), (A{A::kConsumed, 0}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_C, false, false, true), (A{A::kConsumed, 0}));
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_F3, false, false, false), A{});
    EXPECT_EQ(ClassifyTerminalKey(Qt::Key_A, true, false, false), A{});
}

} // namespace
