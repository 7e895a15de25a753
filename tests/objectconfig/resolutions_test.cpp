#include <cmath>
#include <limits>

#include "object_file_helpers.h"

namespace vek::test {
namespace {

class Resolutions : public ObjectFileTest {
protected:
    void Store(void (*shape)(VEK_COMMON_CONFIG_DATA&)) {
        VEK_COMMON_CONFIG_DATA common = Patterned<VEK_COMMON_CONFIG_DATA>(4);
        shape(common);
        if (!opened_) {
            CreateWithCommon(config_, common);
            opened_ = true;
        } else {
            ASSERT_EQ(config_.SetVekObjectConfig(common), S_OK);
        }
    }
    CVekObjectConfig config_;
    bool opened_ = false;
};

TEST_F(Resolutions, ValueInForceMustEqualAUsedTableEntryExactlyAndNaNNeverDoes) {
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        c.NumHorzResolutions = 2;
        c.HorzResolutions[0] = 300;
        c.HorzResolutions[1] = 600;
        c.HorzResolutions[2] = 1200;  // beyond the count
        c.CurrentHorzResolution = 300;
        c.NumVertResolutions = 1;
        c.VertResolutions[0] = std::numeric_limits<float>::quiet_NaN();
    });
    EXPECT_EQ(config_.SetCurrentVertResolution(std::numeric_limits<float>::quiet_NaN()), E_INVALIDARG)
        << "a NaN entry never matches a NaN argument";
    EXPECT_EQ(config_.SetCurrentHorzResolution(600.0f), S_OK);
    EXPECT_EQ(config_.SetCurrentHorzResolution(599.99f), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentHorzResolution(1200.0f), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentHorzResolution(std::numeric_limits<float>::quiet_NaN()), E_INVALIDARG);
    FLOAT current = 0;
    ASSERT_EQ(config_.GetCurrentHorzResolution(&current), S_OK);
    EXPECT_EQ(current, 600.0f);
}

TEST_F(Resolutions, EmptyTablesGiveEmptyArraysAndRejectEveryValue) {
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        c.NumHorzResolutions = c.NumVertResolutions = c.NumSupportedFormats = c.NumImageUnits = 0;
        c.NumCapabilities = c.NumPrinterModelsSupported = 0;
    });
    FLOATARRAY horz{99, 99, nullptr};
    ASSERT_EQ(config_.GetHorzResolutions(&horz), S_OK);
    EXPECT_EQ(horz.Count, 0u);
    EXPECT_EQ(horz.ByteSize, 0u);
    CoTaskMemFree(horz.Entries);
    EXPECT_EQ(config_.SetCurrentHorzResolution(0.0f), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentVertResolution(0.0f), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentFormat(ValidQMXFormat{0}), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentImageUnit(UOM_INCHES), E_INVALIDARG);
}

TEST_F(Resolutions, CountsLargerThanTheirTablesStopAtTheTable) {
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        c.NumHorzResolutions = c.NumVertResolutions = c.NumSupportedFormats = 0xFFFFFFFF;
        c.NumImageUnits = c.NumCapabilities = c.NumPrinterModelsSupported = 1000;
    });
    FLOATARRAY horz{}, vert{};
    QMXFormatArray formats{};
    COM_UNITOFMEASUREARRAY units{};
    PRINTER_CAPABILTY_ARRAY capabilities{};
    PRINTER_MODEL_ARRAY models{};
    ASSERT_EQ(config_.GetHorzResolutions(&horz), S_OK);
    ASSERT_EQ(config_.GetVertResolutions(&vert), S_OK);
    ASSERT_EQ(config_.GetSupportedFormats(&formats), S_OK);
    ASSERT_EQ(config_.GetImageUnits(&units), S_OK);
    ASSERT_EQ(config_.GetCapabilities(&capabilities), S_OK);
    ASSERT_EQ(config_.GetPrinterModelsSupported(&models), S_OK);
    EXPECT_EQ(horz.Count, 25u);
    EXPECT_EQ(vert.ByteSize, 100u);
    EXPECT_EQ(formats.Count, 25u);
    EXPECT_EQ(units.Count, 10u);
    EXPECT_EQ(capabilities.Count, 100u);
    EXPECT_EQ(models.Count, 63u);
    EXPECT_EQ(models.ByteSize, 63u * 1024);
    for (void* p : {static_cast<void*>(horz.Entries), static_cast<void*>(vert.Entries),
                    static_cast<void*>(formats.Entries), static_cast<void*>(units.Entries),
                    static_cast<void*>(capabilities.Entries), static_cast<void*>(models.Entries)})
        CoTaskMemFree(p);
    // A value past the table is no match, and the scan must not read there.
    EXPECT_EQ(config_.SetCurrentImageUnit(static_cast<COM_UNITOFMEASURE>(0x7F7F7F7F)), E_INVALIDARG);
}

TEST_F(Resolutions, FormatsAndUnitsInForceComeFromTheirTables) {
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        c.NumSupportedFormats = 3;
        c.SupportedFormats[0] = ValidQMXFormat{4};
        c.SupportedFormats[1] = ValidQMXFormat{9};
        c.SupportedFormats[2] = ValidQMXFormat{-2};
        c.NumImageUnits = 2;
        c.ImageUnits[0] = UOM_PIXELS;
        c.ImageUnits[1] = UOM_CENTIMETERS;
    });
    EXPECT_EQ(config_.SetCurrentFormat(ValidQMXFormat{-2}), S_OK);
    EXPECT_EQ(config_.SetCurrentFormat(ValidQMXFormat{5}), E_INVALIDARG);
    EXPECT_EQ(config_.SetCurrentImageUnit(UOM_CENTIMETERS), S_OK);
    EXPECT_EQ(config_.SetCurrentImageUnit(UOM_INCHES), E_INVALIDARG);
    CVekObjectConfig reread;
    ASSERT_EQ(reread.Open(FilePath().c_str()), S_OK);
    ValidQMXFormat format{};
    COM_UNITOFMEASURE unit{};
    ASSERT_EQ(reread.GetCurrentFormat(&format), S_OK);
    ASSERT_EQ(reread.GetCurrentImageUnit(&unit), S_OK);
    EXPECT_EQ(format, ValidQMXFormat{-2});
    EXPECT_EQ(unit, UOM_CENTIMETERS);
    QMXFormatArray formats{};
    ASSERT_EQ(reread.GetSupportedFormats(&formats), S_OK);
    ASSERT_EQ(formats.Count, 3u);
    EXPECT_EQ(formats.ByteSize, 12u);
    EXPECT_EQ(formats.Entries[1], ValidQMXFormat{9});
    CoTaskMemFree(formats.Entries);
}

void Region(VEK_COMMON_CONFIG_DATA& c, COM_UNITOFMEASURE unit) {
    c.RegionOfInterestExtents[0] = 8.0f;
    c.RegionOfInterestExtents[1] = 10.0f;
    c.CurrentImageUnit = unit;
    c.NumHorzResolutions = 2;
    c.HorzResolutions[0] = 300;
    c.HorzResolutions[1] = 150;
    c.NumVertResolutions = 3;
    c.VertResolutions[0] = 200;
    c.VertResolutions[1] = 600;
    c.VertResolutions[2] = std::numeric_limits<float>::quiet_NaN();
}

TEST_F(Resolutions, RegionOfInterestInEveryUnit) {
    FLOAT h = -1, v = -1;
    Store([](VEK_COMMON_CONFIG_DATA& c) { Region(c, UOM_INCHES); });
    ASSERT_EQ(config_.GetRegionOfInterestExtents(&h, &v), S_OK);
    EXPECT_EQ(h, 8.0f);
    EXPECT_EQ(v, 10.0f);
    Store([](VEK_COMMON_CONFIG_DATA& c) { Region(c, UOM_CENTIMETERS); });
    ASSERT_EQ(config_.GetRegionOfInterestExtents(&h, &v), S_OK);
    EXPECT_EQ(h, static_cast<float>(8.0 * static_cast<double>(2.54f)));
    EXPECT_EQ(v, static_cast<float>(10.0 * static_cast<double>(2.54f)));
    EXPECT_NEAR(h, 20.32f, 1e-4);
    EXPECT_NEAR(v, 25.4f, 1e-4);
    Store([](VEK_COMMON_CONFIG_DATA& c) { Region(c, UOM_PIXELS); });
    ASSERT_EQ(config_.GetRegionOfInterestExtents(&h, &v), S_OK);
    EXPECT_EQ(h, 2400.0f);
    EXPECT_EQ(v, 6000.0f);
    h = v = -1;
    Store([](VEK_COMMON_CONFIG_DATA& c) { Region(c, static_cast<COM_UNITOFMEASURE>(5)); });
    EXPECT_EQ(config_.GetRegionOfInterestExtents(&h, &v), E_FAIL);
    EXPECT_EQ(h, -1.0f) << "no output may be written for an unknown unit";
    EXPECT_EQ(v, -1.0f);
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        Region(c, UOM_PIXELS);
        c.HorzResolutions[0] = -300;
        c.HorzResolutions[1] = -600;
    });
    ASSERT_EQ(config_.GetRegionOfInterestExtents(&h, &v), S_OK);
    EXPECT_EQ(h, 0.0f) << "negative resolutions give a zero pixel extent";
    EXPECT_EQ(v, 6000.0f);
}

TEST_F(Resolutions, ModelNamesAreCutToTheirSlotAndZeroFilled) {
    Store([](VEK_COMMON_CONFIG_DATA& c) {
        std::memset(c.PrinterModelsSupported, 0, sizeof c.PrinterModelsSupported);
        c.NumPrinterModelsSupported = 2;
        const std::u16string first = u"Model 100";
        std::memcpy(c.PrinterModelsSupported, first.data(), first.size() * 2);
        for (int i = 0; i < 32; ++i) c.PrinterModelsSupported[32 + i] = u'a' + (i % 26);
        c.PrinterModelsSupported[64] = u'!';  // third slot, beyond the count
    });
    PRINTER_MODEL_ARRAY models{};
    ASSERT_EQ(config_.GetPrinterModelsSupported(&models), S_OK);
    ASSERT_EQ(models.Count, 2u);
    EXPECT_EQ(models.ByteSize, 2048u);
    EXPECT_EQ(std::u16string(models.Entries[0]), u"Model 100");
    EXPECT_EQ(std::u16string(models.Entries[1]).size(), 31u) << "a slot holds its terminator";
    for (int i = 9; i < 512; ++i) ASSERT_EQ(models.Entries[0][i], 0);
    for (int i = 31; i < 512; ++i) ASSERT_EQ(models.Entries[1][i], 0);
    CoTaskMemFree(models.Entries);
}

}  // namespace
}  // namespace vek::test
