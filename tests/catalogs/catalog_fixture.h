// Helpers of the catalog tests: records filled with recognisable bytes, the
// catalog files of a fresh VEK_HOME, and a look into them through the
// compound-file API.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "support/run_tool.h"
#include "support/temp_home.h"
#include "vekconfig/vekconfig.h"
#include "vekconfig/settings.h"

namespace vek::test {

template <class Record>
std::vector<BYTE> BytesOf(const Record& record) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&record);
    return std::vector<BYTE>(bytes, bytes + sizeof(Record));
}

// Copies text into a fixed buffer, zero-filling the rest.
template <size_t N>
void SetText(WCHAR (&buffer)[N], const std::u16string& text) {
    std::memset(buffer, 0, sizeof buffer);
    text.copy(buffer, N);
}

inline DONOR_CHARACTERISTICS Donor(uint32_t id, const std::u16string& text = u"donor") {
    DONOR_CHARACTERISTICS donor = {};
    donor.DonorID = id;
    donor.Value1 = 11;
    SetText(donor.Text, text);
    donor.Value2 = 22;
    donor.Real1 = 1.5f;
    donor.Real2 = -2.25f;
    donor.Value3 = 33;
    return donor;
}

inline PRINTER_DONOR_CHARACTERISTICS PrinterDonor(const std::u16string& model, const std::u16string& text) {
    PRINTER_DONOR_CHARACTERISTICS record = {};
    SetText(record.PrinterModel, model);
    SetText(record.PrinterText, text);
    return record;
}

inline MEDIA_CHARACTERISTICS Medium(uint32_t id, const std::u16string& text = u"medium") {
    MEDIA_CHARACTERISTICS medium = {};
    medium.MediaID = id;
    SetText(medium.Text, text);
    medium.Value1 = 1;
    medium.Value2 = 2;
    medium.Value3 = 3;
    medium.Value4 = 4;
    medium.Real1 = 0.5f;
    medium.Real2 = 8.75f;
    return medium;
}

inline PRINTER_MEDIA_CHARACTERISTICS PrinterMedium(const std::u16string& model, const std::u16string& text3) {
    PRINTER_MEDIA_CHARACTERISTICS record = {};
    SetText(record.PrinterModel, model);
    record.PrinterReal1 = 3.25f;
    record.PrinterReal2 = -1.0f;
    SetText(record.PrinterText1, u"one");
    SetText(record.PrinterText2, u"two");
    SetText(record.PrinterText3, text3);
    SetText(record.PrinterText4, u"four");
    record.PrinterValue1 = 41;
    record.PrinterValue2 = 42;
    return record;
}

// A fresh VEK_HOME and the paths of its two catalog files.
class CatalogTest : public ::testing::Test {
protected:
    std::u16string CatalogPath(const std::u16string& name) {
        WCHAR root[MAX_PATH + 1] = {};
        EXPECT_EQ(GetConfigLocation(root, nullptr), S_OK);
        return std::u16string(root) + name;
    }
    std::u16string DonorPath() { return CatalogPath(u"VekDonor.cfg"); }
    std::u16string MediaPath() { return CatalogPath(u"VekMedia.cfg"); }
    std::filesystem::path FilePath(const std::u16string& path) { return Utf16ToUtf8(path); }

    std::string ReadFileBytes(const std::u16string& path) { return Slurp(FilePath(path)); }

    // Every element below the root as "a/b/c" -> stream bytes (storages map
    // to "<storage>").
    std::map<std::string, std::string> Tree(const std::u16string& path) {
        std::map<std::string, std::string> tree;
        ComPtr<IStorage> root;
        EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                 root.put()),
                  S_OK);
        if (root) Walk(root.get(), "", tree);
        return tree;
    }

    TempHome home_;

private:
    void Walk(IStorage* storage, const std::string& prefix, std::map<std::string, std::string>& tree) {
        ComPtr<IEnumSTATSTG> elements;
        ASSERT_EQ(storage->EnumElements(0, nullptr, 0, elements.put()), S_OK);
        STATSTG element = {};
        while (elements->Next(1, &element, nullptr) == S_OK) {
            const std::string name = prefix + Utf16ToUtf8(element.pwcsName);
            if (element.type == STGTY_STORAGE) {
                tree[name] = "<storage>";
                ComPtr<IStorage> child;
                EXPECT_EQ(storage->OpenStorage(element.pwcsName, nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                               nullptr, 0, child.put()),
                          S_OK);
                if (child) Walk(child.get(), name + "/", tree);
            } else {
                ComPtr<IStream> stream;
                EXPECT_EQ(storage->OpenStream(element.pwcsName, nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                              stream.put()),
                          S_OK);
                std::string bytes(element.cbSize.QuadPart, '\0');
                ULONG read = 0;
                if (stream) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
                tree[name] = bytes;
            }
            CoTaskMemFree(element.pwcsName);
        }
    }
};

inline std::string AsString(const std::vector<BYTE>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The donor catalog's calls with records passed by value.
inline HRESULT Set(CVekDonorConfig& catalog, const DONOR_CHARACTERISTICS& donor) {
    return catalog.SetDonorCharacteristics(&donor);
}
inline HRESULT Set(CVekDonorConfig& catalog, uint32_t id, const PRINTER_DONOR_CHARACTERISTICS& printer) {
    return catalog.SetPrinterDonorCharacteristics(id, &printer);
}
inline HRESULT FindPrinter(CVekDonorConfig& catalog, uint32_t id, const WCHAR* model) {
    PRINTER_DONOR_CHARACTERISTICS record;
    return catalog.GetPrinterDonorCharacteristics(id, model, &record);
}

// Every printer-model record of a donor, in the catalog's order.
inline std::vector<PRINTER_DONOR_CHARACTERISTICS> PrinterRecordsOf(CVekDonorConfig& catalog, uint32_t id) {
    uint32_t count = 0;
    PRINTER_DONOR_CHARACTERISTICS* records = nullptr;
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(id, count, &records), S_OK);
    std::vector<PRINTER_DONOR_CHARACTERISTICS> list(records, records + count);
    CoTaskMemFree(records);
    return list;
}

// The ids an open donor catalog lists, in its order.
inline std::vector<uint32_t> ListedIds(CVekDonorConfig& catalog) {
    VEK_DONOR_ARRAY donors = {};
    EXPECT_EQ(catalog.GetDonor(&donors), S_OK);
    EXPECT_EQ(donors.ByteSize, donors.Count * sizeof(DONOR_ARRAY_ENTRY));
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < donors.Count; ++i) ids.push_back(donors.Donors[i].DonorID);
    CoTaskMemFree(donors.Donors);
    return ids;
}

}  // namespace vek::test
