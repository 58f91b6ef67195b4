#include "firmware/tcsingleflashdlg.h"

#include "firmware_window_fixture.h"

#include <QPointer>

namespace {
using Verdict = SimulatedH8_3048::Verdict;

const std::array<uint8_t, 16> kKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                   0x10, 0x32, 0x54, 0x76, 0x10, 0x32, 0x54, 0x76};

// The adapter pulled in the middle of a load: the window shows one box, the
// result naming the port, and no box of the port before it.
TEST_F(FirmwareWindowFixture, PulledCableEndsTheLoadWithOneBoxNamingThePort) {
    main.com_list = "COM31,COM32";
    chosenFile = writeFile("modem.sff",
                           EncipherFirmwareFile("KelvoFlash" + MakeSRecordFile(MakeTestImage(4096)), kKey));
    QPointer<TCSingleFlashDlg> window = new TCSingleFlashDlg(nullptr);
    window->key_id1->setText("01234567");
    window->key_id2->setText("89abcdef");
    window->key_id3->setText("10325476");
    window->portti_id->setCurrentIndex(1);
    SimulatedH8_3048& modem = attachModem(32, true);
    modem.faults.verdict = [&modem](int frame, int) {
        if (frame == 3)
            modem.Port().Vanish();
        return Verdict::Ack;
    };
    window->LuetiedostoClick();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    ASSERT_TRUE(waitFor([&] { return !window->Loading(); }));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Port failure on COM32!"});
    window->close();
}
} // namespace
