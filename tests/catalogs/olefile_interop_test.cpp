// A catalog we write, read by an independent compound-file reader
// (python3-olefile): the same storage tree and the same stream bytes.
#include <cstdlib>
#include <sstream>

#include "catalog_fixture.h"

namespace vek::test {
namespace {

// Prints "path <storage>" or "path <hex of the stream>" for every element.
constexpr const char* kLister = R"(import sys, olefile
ole = olefile.OleFileIO(sys.argv[1])
for entry in ole.listdir(streams=True, storages=True):
    storage = ole.get_type(entry) == olefile.STGTY_STORAGE
    print('/'.join(entry), '<storage>' if storage else ole.openstream(entry).read().hex())
)";

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

// path -> "<storage>" or the hex of the stream, as olefile sees the file.
std::map<std::string, std::string> OlefileTree(const std::filesystem::path& script, const std::filesystem::path& file) {
    const auto out = script.parent_path() / "olefile.out";
    const std::string command = "/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' >'" + out.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << Slurp(out);
    std::map<std::string, std::string> tree;
    std::istringstream lines(Slurp(out));
    for (std::string path, content; lines >> path >> content;) tree[path] = content;
    return tree;
}

TEST_F(CatalogTest, CatalogsWeWriteAreReadByOlefileWithTheSameTreeAndBytes) {
    const auto script = home_ / "list_ole.py";
    std::ofstream(script) << kLister;

    CVekMediaConfig media;
    ASSERT_EQ(media.Create(), S_OK);
    auto medium = Medium(4294967295u, u"Glossy");
    std::memset(medium.Reserved, 0x11, sizeof medium.Reserved);
    auto printer = PrinterMedium(u"P-200", std::u16string(VEK_CATALOG_TEXT3_UNITS, u'x'));
    printer.AlignmentFill[0] = 0xEE;
    const auto second = PrinterMedium(std::u16string(31, u'N'), u"n");
    const auto zero = Medium(0);
    ASSERT_EQ(media.SetMediaCharacteristics(&medium), S_OK);
    ASSERT_EQ(media.SetPrinterMediaCharacteristics(4294967295u, &printer), S_OK);
    ASSERT_EQ(media.SetPrinterMediaCharacteristics(4294967295u, &second), S_OK);
    ASSERT_EQ(media.SetMediaCharacteristics(&zero), S_OK);
    ASSERT_EQ(media.SetPrinterMediaCharacteristics(2147483648u, &printer), S_OK);

    const std::map<std::string, std::string> expectedMedia = {
        {"-1", "<storage>"},
        {"-1/MEDIA_CHARACTERISTICS_V1", Hex(AsString(BytesOf(medium)))},
        {"-1/PRINTER_MEDIA", "<storage>"},
        {"-1/PRINTER_MEDIA/P-200", Hex(AsString(BytesOf(printer)))},
        {"-1/PRINTER_MEDIA/" + std::string(31, 'N'), Hex(AsString(BytesOf(second)))},
        {"0", "<storage>"},
        {"0/MEDIA_CHARACTERISTICS_V1", Hex(AsString(BytesOf(zero)))},
        {"-2147483648", "<storage>"},
        {"-2147483648/PRINTER_MEDIA", "<storage>"},
        {"-2147483648/PRINTER_MEDIA/P-200", Hex(AsString(BytesOf(printer)))},
    };
    EXPECT_EQ(OlefileTree(script, FilePath(MediaPath())), expectedMedia);

    CVekDonorConfig donors;
    ASSERT_EQ(donors.Create(), S_OK);
    const auto donor = Donor(17, u"Ribbon");
    const auto printerDonor = PrinterDonor(u"P-200", u"black");
    ASSERT_EQ(donors.SetDonorCharacteristics(&donor), S_OK);
    ASSERT_EQ(donors.SetPrinterDonorCharacteristics(17, &printerDonor), S_OK);
    const std::map<std::string, std::string> expectedDonors = {
        {"17", "<storage>"},
        {"17/DONOR_CHARACTERISTICS_V1", Hex(AsString(BytesOf(donor)))},
        {"17/PRINTER_DONOR", "<storage>"},
        {"17/PRINTER_DONOR/P-200", Hex(AsString(BytesOf(printerDonor)))},
    };
    EXPECT_EQ(OlefileTree(script, FilePath(DonorPath())), expectedDonors);
}

}  // namespace
}  // namespace vek::test
