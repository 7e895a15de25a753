#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include "platform/scoped_key.h"
#include "support/temp_home.h"
#include "test_printer_plugin.h"
#include "vekconfig/component_categories.h"
#include "vekconfig/text.h"

namespace {

void RegisterServer(REFCLSID clsid, const std::string& path) {
    const std::u16string key = u"CLSID\\" + vek::GuidText(clsid) + u"\\InprocServer32";
    vek::ScopedKey server;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              server.put(), nullptr),
              ERROR_SUCCESS);
    if (path.empty()) return;
    const std::u16string text = vek::Utf8ToUtf16(path);
    ASSERT_EQ(RegSetValueExW(server.get(), nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
}

long PluginObjectsAlive() {
    void* plugin = dlopen(VEK_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (plugin == nullptr) return -1;
    auto alive = reinterpret_cast<long (*)()>(dlsym(plugin, "TestPrinterObjectsAlive"));
    const long count = alive != nullptr ? alive() : -1;
    dlclose(plugin);
    return count;
}

class ClassActivation : public ::testing::Test {
protected:
    vek::test::TempHome home_;
};

TEST_F(ClassActivation, RegisteredServerCreatesAnObjectOfItsClass) {
    RegisterServer(kTestPrinterClass, VEK_TEST_PLUGIN_PATH);
    IPersistFile* object = nullptr;
    ASSERT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(object->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == kTestPrinterClass);
    EXPECT_EQ(PluginObjectsAlive(), 1);
    object->Release();
    EXPECT_EQ(PluginObjectsAlive(), 0);
}

TEST_F(ClassActivation, UnregisteredClassIsNotRegistered) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ClassActivation, ServerKeyWithoutDefaultValueIsNotRegistered) {
    RegisterServer(kTestPrinterClass, "");
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
}

TEST_F(ClassActivation, MissingSharedObjectIsDllNotFound) {
    RegisterServer(kTestPrinterClass, (home_.path() / "missing.so").string());
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              CO_E_DLLNOTFOUND);
}

TEST_F(ClassActivation, SharedObjectWithoutEntryPointIsErrorInDll) {
    RegisterServer(kTestPrinterClass, VEK_TEST_NO_ENTRY_MODULE_PATH);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              CO_E_ERRORINDLL);
}

TEST_F(ClassActivation, ServerThatDoesNotKnowTheClassSaysSo) {
    constexpr CLSID kOther = {0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 6, 6, 7, 7}};
    RegisterServer(kOther, VEK_TEST_PLUGIN_PATH);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kOther, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ClassActivation, OnlyInProcessServersAreLoaded) {
    RegisterServer(kTestPrinterClass, VEK_TEST_PLUGIN_PATH);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestPrinterClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               &object),
              REGDB_E_CLASSNOTREG);
}

TEST_F(ClassActivation, BuiltInClassesRefuseAggregation) {
    IUnknown* outer = reinterpret_cast<IUnknown*>(0x10);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, outer, CLSCTX_ALL, IID_IUnknown,
                               &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL, IID_IStream,
                               &object),
              E_NOINTERFACE);
}

}  // namespace
