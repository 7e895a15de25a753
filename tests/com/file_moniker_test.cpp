#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/com_object.h"
#include "platform/scoped_key.h"
#include "support/temp_home.h"
#include "test_printer_plugin.h"
#include "vekconfig/text.h"

namespace {

class FileMonikerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::u16string key = u"CLSID\\" + vek::GuidText(kTestPrinterClass) + u"\\InprocServer32";
        vek::ScopedKey server;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  server.put(), nullptr),
                  ERROR_SUCCESS);
        const std::u16string path = vek::Utf8ToUtf16(VEK_TEST_PLUGIN_PATH);
        ASSERT_EQ(RegSetValueExW(server.get(), nullptr, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(path.c_str()),
                                 static_cast<DWORD>((path.size() + 1) * 2)),
                  ERROR_SUCCESS);
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

TEST_F(FileMonikerTest, FileWithoutClassCannotBeBound) {
    const std::u16string path = MakeFile("plain.cfg", GUID_NULL);
    IPersistFile* object = reinterpret_cast<IPersistFile*>(0x1);
    EXPECT_EQ(Bind(path, &object), MK_E_INVALIDEXTENSION);
    EXPECT_EQ(object, nullptr);
}

TEST_F(FileMonikerTest, FileThatIsNoCompoundFileCannotBeBound) {
    const std::string name = (home_.path() / "text.cfg").string();
    std::ofstream(name) << "not a compound file, just some text that is long enough to matter\n";
    IPersistFile* object = nullptr;
    EXPECT_EQ(Bind(vek::Utf8ToUtf16(name), &object), MK_E_INVALIDEXTENSION);
}

TEST_F(FileMonikerTest, MissingFileGivesTheStorageStatus) {
    IPersistFile* object = nullptr;
    EXPECT_EQ(Bind(vek::Utf8ToUtf16((home_.path() / "none.cfg").string()), &object),
              STG_E_FILENOTFOUND);
}

TEST_F(FileMonikerTest, ClassWithoutServerIsNotRegistered) {
    const CLSID other = {0x99999999, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    IPersistFile* object = nullptr;
    EXPECT_EQ(Bind(MakeFile("other.cfg", other), &object), REGDB_E_CLASSNOTREG);
}

TEST_F(FileMonikerTest, EmptyPathIsASyntaxError) {
    IMoniker* moniker = nullptr;
    EXPECT_EQ(CreateFileMoniker(u"", &moniker), MK_E_SYNTAX);
    EXPECT_EQ(moniker, nullptr);
}

}  // namespace
