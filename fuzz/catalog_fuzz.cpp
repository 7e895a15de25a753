// Catalog files from outside: whatever the bytes, opening a donor or media
// catalog on them and listing it must end with a status, never a crash, a
// hang or memory trouble.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "vekconfig/vekconfig.h"

namespace {

// A VEK_HOME of this process with both catalog files' paths.
struct Home {
    std::filesystem::path donors;
    std::filesystem::path media;

    Home() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekfuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        setenv("VEK_HOME", pattern.c_str(), 1);
        WCHAR root[MAX_PATH + 1] = {};
        if (FAILED(GetConfigLocation(root, nullptr))) std::abort();
        const std::filesystem::path config = vek::Utf16ToUtf8(root);
        donors = config / "VekDonor.cfg";
        media = config / "VekMedia.cfg";
    }
};

void WriteFile(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Home home;
    WriteFile(home.donors, data, size);
    WriteFile(home.media, data, size);

    CVekDonorConfig donors;
    if (SUCCEEDED(donors.Open())) {
        VEK_DONOR_ARRAY list = {};
        if (SUCCEEDED(donors.GetDonor(&list)) && list.Count > 0) {
            const DONOR_ARRAY_ENTRY& first = list.Donors[0];
            uint32_t count = 0;
            PRINTER_DONOR_CHARACTERISTICS* printers = nullptr;
            donors.GetPrinterDonorCharacteristics(first.DonorID, count, &printers);
            if (count > 0) {
                VEK_DONOR_ARRAY potential = {};
                WCHAR model[VEK_CATALOG_TEXT_UNITS + 1] = {};
                std::copy(printers[0].PrinterModel, printers[0].PrinterModel + VEK_CATALOG_TEXT_UNITS, model);
                donors.GetPotentialDonor(model, &potential);
                CoTaskMemFree(potential.Donors);
            }
            CoTaskMemFree(printers);
        }
        CoTaskMemFree(list.Donors);
    }

    CVekMediaConfig media;
    if (SUCCEEDED(media.Open())) {
        VEK_MEDIA_ARRAY list = {};
        if (SUCCEEDED(media.GetMedia(&list))) CoTaskMemFree(list.Media);
        VEK_MEDIA_ARRAY potential = {};
        if (SUCCEEDED(media.GetPotentialMedia(u"P-200", &potential))) CoTaskMemFree(potential.Media);
        // A change on what was read must not trouble the file either.
        MEDIA_CHARACTERISTICS medium = {};
        media.SetMediaCharacteristics(&medium);
    }
    return 0;
}
