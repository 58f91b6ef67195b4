#include "components/tcrc16ccitt.h"

#include <QVariant>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const std::string kCheckText = "123456789";

TEST(TCRC16CCITTTest, PresetsGiveTheCatalogueCheckValues) {
    TCRC16CCITT crc;
    EXPECT_EQ(crc.Preset(), pKELVO);
    EXPECT_EQ(crc.CountCRC(kCheckText), "906E");
    EXPECT_EQ(crc.CountCRC("abc"), "9E25");
    EXPECT_EQ(crc.CountCRC(""), "0000");

    crc.vSetPreset(pCCITT);
    EXPECT_EQ(crc.CountCRC(kCheckText), "29B1");
    EXPECT_EQ(crc.CountCRC(""), "FFFF");
    crc.vSetPreset(pCRC16);
    EXPECT_EQ(crc.CountCRC(kCheckText), "2189");
    EXPECT_EQ(crc.strGetPoly(), "8005");
    crc.vSetPreset(pRADIO_MODEM);
    EXPECT_EQ(crc.CountCRC(kCheckText), "6F91");
    crc.vSetPreset(static_cast<TdPreset>(9));
    EXPECT_EQ(crc.CountCRC(kCheckText), "906E");
}

TEST(TCRC16CCITTTest, ThePolynomialIsShownButNeverUsed) {
    TCRC16CCITT crc;
    crc.vSetPoly("8005");
    EXPECT_EQ(crc.CountCRC(kCheckText), "906E");
    EXPECT_EQ(TCRC16CCITT::CountCRC(kCheckText, 0xFFFF, 0x1234, true, true, 0xFFFF), "906E");
    EXPECT_EQ(TCRC16CCITT::strCountCRC(kCheckText, 0, 0, true, true, 0), "2189");
}

TEST(TCRC16CCITTTest, ParameterTextsKeepTheirLastFourDigitsAndRefuseOthers) {
    TCRC16CCITT crc;
    crc.vSetInitialValue("12FFFF");
    EXPECT_EQ(crc.strGetInitialValue(), "FFFF");
    crc.vSetInitialValue("0");
    EXPECT_EQ(crc.strGetInitialValue(), "0000");
    crc.vSetFinalXor("\\ab");
    EXPECT_EQ(crc.strGetFinalXor(), "00AB") << "backslashes are dropped, letter case ignored";
    EXPECT_THROW(crc.vSetInitialValue("12G4"), std::runtime_error);
    EXPECT_EQ(crc.strGetInitialValue(), "0000") << "a refused text changes nothing";
    EXPECT_EQ(crc.Preset(), pKELVO) << "parameters never change the preset";

    EXPECT_TRUE(crc.setProperty("InitialValue", QString("FFFF")));
    EXPECT_EQ(crc.property("InitialValue").toString(), "FFFF");
}

} // namespace
