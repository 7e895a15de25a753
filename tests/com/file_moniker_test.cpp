#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/com_object.h"
#include "registry/registry_fixture.h"
#include "support/temp_home.h"
#include "test_printer_plugin.h"

namespace {

class FileMonikerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::u16string path = vek::Utf8ToUtf16(VEK_TEST_PLUGIN_PATH);
        vek::test::CreateClassesKey(
            u"CLSID\\" + vek::GuidText(kTestPrinterClass) + u"\\InprocServer32", &path);
    }

    // A compound file stamped with clsid (none when GUID_NULL).
    std::u16string MakeFile(const std::string& name, REFCLSID clsid) {
        const std::u16string path = vek::Utf8ToUtf16((home_.path() / name).string());
        vek::ComPtr<IStorage> storage;
        EXPECT_EQ(StgCreateDocfile(path.c_str(), 0x1012, 0, storage.put()), S_OK);
        if (storage && !(clsid == GUID_NULL)) {
            EXPECT_EQ(storage->SetClass(clsid), S_OK);
        }
        return path;
    }

    HRESULT Bind(const std::u16string& path, IPersistFile** object) {
        vek::ComPtr<IMoniker> moniker;
        HRESULT hr = CreateFileMoniker(path.c_str(), moniker.put());
        if (FAILED(hr)) return hr;
        vek::ComPtr<IBindCtx> context;
        hr = CreateBindCtx(0, context.put());
        if (FAILED(hr)) return hr;
        return moniker->BindToObject(context.get(), nullptr, IID_IPersistFile,
                                     reinterpret_cast<void**>(object));
    }

    vek::test::TempHome home_;
};

TEST_F(FileMonikerTest, BindingCreatesTheStampedClassAndLoadsTheFile) {
    const std::u16string path = MakeFile("printer.cfg", kTestPrinterClass);
    CLSID clsid;
    ASSERT_EQ(GetClassFile(path.c_str(), &clsid), S_OK);
    EXPECT_TRUE(clsid == kTestPrinterClass);
    IPersistFile* object = nullptr;
    ASSERT_EQ(Bind(path, &object), S_OK);
    WCHAR* loaded = nullptr;
    ASSERT_EQ(object->GetCurFile(&loaded), S_OK);
    EXPECT_EQ(std::u16string(loaded), path);
    CoTaskMemFree(loaded);
    object->Release();
}

TEST_F(FileMonikerTest, FilesThatNameNoUsableClassCannotBeBound) {
    const std::string text = (home_.path() / "text.cfg").string();
    std::ofstream(text) << "not a compound file, just some text that is long enough to matter\n";
    const struct {
        const char* what;
        std::u16string path;
        HRESULT expected;
    } cases[] = {
        {"file without class", MakeFile("plain.cfg", GUID_NULL), MK_E_INVALIDEXTENSION},
        {"no compound file", vek::Utf8ToUtf16(text), MK_E_INVALIDEXTENSION},
        {"missing file", vek::Utf8ToUtf16((home_.path() / "none.cfg").string()),
         STG_E_FILENOTFOUND},
        {"class without server",
         MakeFile("other.cfg", {0x99999999, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}),
         REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IPersistFile* object = reinterpret_cast<IPersistFile*>(0x1);
        EXPECT_EQ(Bind(c.path, &object), c.expected);
        EXPECT_EQ(object, nullptr);
    }
    IMoniker* moniker = nullptr;
    EXPECT_EQ(CreateFileMoniker(u"", &moniker), MK_E_SYNTAX) << "an empty path";
    EXPECT_EQ(moniker, nullptr);
}

}  // namespace
