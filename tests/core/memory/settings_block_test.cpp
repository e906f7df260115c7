#include "memory/SettingsBlock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

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
  // A buffer of exactly the block's length, so that a read past its end is one a sanitizer
  // build reports.
  const auto bytes = std::make_unique<uint8_t[]>(c.block.size());
  std::memcpy(bytes.get(), c.block.data(), c.block.size());
  TInstrumentData info;
  info.SettingsBlock = "kept";
  info.SerialNumber = "old";
  const SettingsFigures figures = DecodeSettingsBlock(bytes.get(), c.block.size(), info);
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
                    // After the eighth NUL the settings bytes are binary; their NULs and CRs
                    // change nothing.
                    SettingsCase{"binary_after_the_eighth_nul",
                                 "A\0B\0C\0D\0E\0F\0"
                                 "1\0"
                                 "2\0\r\0\rZZ"s,
                                 "A", "B", "C", "D", "F", 1, 2},
                    // A CR byte inside a text ends the field, as in the instrument's own reading.
                    SettingsCase{"cr_ends_a_field",
                                 "T\0C\0Maker\rLtd\0F\0x\0S\0"
                                 "1\0"
                                 "2\0"s,
                                 "T", "C", "Maker", "Ltd", "x", std::nullopt, 1},
                    // A results file hands over a copy whose NULs are all CR.
                    SettingsCase{"crs_for_nuls", "T\rC\rP\rF\rx\rS\r50\r20\rZ\r\r"s, "T", "C", "P",
                                 "F", "S", 50, 20},
                    // A block that ends inside a text: the text holds what the block has of
                    // it, the fields after it stay empty.
                    SettingsCase{"unended_serial_number", "T\0C\0P\0F\0x\0Sabc"s, "T", "C", "P",
                                 "F", "Sabc", std::nullopt, std::nullopt},
                    SettingsCase{"unended_last_percent",
                                 "T\0C\0P\0F\0x\0S\0"
                                 "50\0"
                                 "2"s,
                                 "T", "C", "P", "F", "S", 50, 2},
                    SettingsCase{"no_nul", "QV-100"s, "QV-100", "", "", "", "", std::nullopt,
                                 std::nullopt},
                    SettingsCase{"empty", ""s, "", "", "", "", "", std::nullopt, std::nullopt},
                    SettingsCase{"percent_not_decimal",
                                 "T\0C\0P\0F\0x\0S\0"
                                 "5x\0 7 \0"s,
                                 "T", "C", "P", "F", "S", std::nullopt, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsBlock, ReadsOnlyTheGivenBytes) {
  // The block ends inside field 6: the bytes after it in memory are not part of the block.
  const char bytes[] =
      "T\0C\0P\0F\0x\0S\0"
      "50\0"
      "20";
  TInstrumentData info;
  const SettingsFigures f =
      DecodeSettingsBlock(reinterpret_cast<const uint8_t*>(bytes), 13, info);  // up to "5"
  EXPECT_EQ(info.SerialNumber, "S");
  EXPECT_EQ(f.ResultsPercent, 5);
  EXPECT_EQ(f.LoggingPercent, std::nullopt);
}

}  // namespace
}  // namespace qv
