#include <gtest/gtest.h>

#include <dlfcn.h>

#include <optional>
#include <string>

#include "registry/registry_fixture.h"
#include "support/temp_home.h"
#include "test_printer_plugin.h"
#include "vekconfig/component_categories.h"

namespace {

// Registers path as the in-process server of clsid; no path leaves the
// server key without its default value.
void RegisterServer(REFCLSID clsid, const std::optional<std::string>& path) {
    const std::u16string key = u"CLSID\\" + vek::GuidText(clsid) + u"\\InprocServer32";
    const std::u16string text = vek::Utf8ToUtf16(path.value_or(""));
    vek::test::CreateClassesKey(key, path ? &text : nullptr);
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

TEST_F(ClassActivation, EachWayAServerCannotBeReachedHasItsOwnStatusAndNoObject) {
    constexpr CLSID kOther = {0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 6, 6, 7, 7}};
    const std::string missing = (home_.path() / "missing.so").string();
    const struct {
        const char* what;
        CLSID clsid;
        std::optional<std::string> server;  // none: not registered at all
        bool emptyKey;                      // the server key without a default value
        DWORD context;
        HRESULT expected;
    } cases[] = {
        {"unregistered class", kTestPrinterClass, std::nullopt, false, CLSCTX_ALL,
         REGDB_E_CLASSNOTREG},
        {"server key without default value", kTestPrinterClass, std::nullopt, true, CLSCTX_ALL,
         REGDB_E_CLASSNOTREG},
        {"missing shared object", kTestPrinterClass, missing, false, CLSCTX_ALL, CO_E_DLLNOTFOUND},
        {"no entry point", kTestPrinterClass, VEK_TEST_NO_ENTRY_MODULE_PATH, false, CLSCTX_ALL,
         CO_E_ERRORINDLL},
        {"server that does not know the class", kOther, VEK_TEST_PLUGIN_PATH, false, CLSCTX_ALL,
         CLASS_E_CLASSNOTAVAILABLE},
        {"only in-process servers are loaded", kTestPrinterClass, VEK_TEST_PLUGIN_PATH, false,
         CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vek::test::TempHome fresh;
        if (c.server || c.emptyKey) RegisterServer(c.clsid, c.server);
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_IUnknown, &object), c.expected);
        EXPECT_EQ(object, nullptr);
    }
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
