#include "download/MemoryDecoder.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace std::string_literals;

struct SettingsCase {
  const char* name;
  Bytes block;
  Bytes type, code, producer, firmware, serial;
  std::optional<int> results, logging;
};

class SettingsBlockTest : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsBlockTest, FillsTheIdentificationTexts) {
  const SettingsCase& c = GetParam();
  TInstrumentData info;
  info.SettingsBlock = "kept";
  const SettingsFigures figures = DecodeSettingsBlock(c.block, info);
  EXPECT_EQ(info.InstrumentType, c.type);
  EXPECT_EQ(info.InstrumentCode, c.code);
  EXPECT_EQ(info.Producer, c.producer);
  EXPECT_EQ(info.FirmwareVersion, c.firmware);
  EXPECT_EQ(info.SerialNumber, c.serial);
  EXPECT_EQ(info.SettingsBlock, "kept");  // the raw block is the caller's to store
  EXPECT_EQ(figures.ResultsPercent, c.results);
  EXPECT_EQ(figures.LoggingPercent, c.logging);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SettingsBlockTest,
    testing::Values(SettingsCase{"worked_example",
                                 "T\0C\0P\0F\0x\0S\0"
                                 "50\0"
                                 "20\0"s,
                                 "T", "C", "P", "F", "S", 50, 20},
                    SettingsCase{"further_bytes_follow",
                                 "QV-PRO 5\0"
                                 "5025\0Maker\0"
                                 "5.12\0\0"
                                 "24031907\0"
                                 "3\0"
                                 "21\0\x01\0\x0D\0\xFF"s,
                                 "QV-PRO 5", "5025", "Maker", "5.12", "24031907", 3, 21},
                    // A CR byte inside a text ends the field, as in the instrument's own reading.
                    SettingsCase{"cr_ends_a_field",
                                 "T\0C\0Maker\rLtd\0F\0x\0S\0"
                                 "1\0"
                                 "2\0"s,
                                 "T", "C", "Maker", "Ltd", "x", std::nullopt, 1},
                    // Fewer than eight NULs: the fields the block ends are read, the rest stay
                    // empty, and the unended tail is not taken for a text.
                    SettingsCase{"five_nuls", "T\0C\0P\0F\0x\0Sabc"s, "T", "C", "P", "F", "",
                                 std::nullopt, std::nullopt},
                    SettingsCase{"no_nul", "QV-100"s, "", "", "", "", "", std::nullopt,
                                 std::nullopt},
                    SettingsCase{"empty", ""s, "", "", "", "", "", std::nullopt, std::nullopt},
                    SettingsCase{"percent_not_decimal",
                                 "T\0C\0P\0F\0x\0S\0"
                                 "5x\0 7 \0"s,
                                 "T", "C", "P", "F", "S", std::nullopt, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsBlock, FieldsBeyondTheEighthNulAreNotTexts) {
  // After the eighth NUL the settings bytes are binary; their NULs and CRs change nothing.
  TInstrumentData info;
  DecodeSettingsBlock(
      "A\0B\0C\0D\0E\0F\0"
      "1\0"
      "2\0\r\0\rZZ"s,
      info);
  EXPECT_EQ(info.SerialNumber, "F");
  EXPECT_EQ(info.InstrumentType, "A");
}

TEST(SettingsBlock, ReadsOnlyTheGivenBytes) {
  // The eighth NUL lies beyond the length given: the block ends before it.
  const char bytes[] =
      "T\0C\0P\0F\0x\0S\0"
      "50\0"
      "20";
  TInstrumentData info;
  const SettingsFigures f =
      DecodeSettingsBlock(reinterpret_cast<const uint8_t*>(bytes), 14, info);  // up to "50"
  EXPECT_EQ(info.SerialNumber, "S");
  EXPECT_EQ(f.ResultsPercent, std::nullopt);  // "50" is not ended within the block
}

}  // namespace
}  // namespace qv
