// Configuration files of physical and logical printers made with the real
// object configuration, for the object-registry tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vekconfig/config_files.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/text.h"

namespace vek::test {

struct PhysicalPrinterFields {
    std::u16string description = u"Printer";
    std::u16string address = u"1-0-4-0";
    VEK_DEVICE_ADDRESS kind = VEK_ADDRESS_SCSI;
    std::vector<std::u16string> models;
};

// A GUID numbered n in a family, so tests can make many distinct ones.
inline GUID TestGuid(uint32_t family, uint32_t n) {
    return {family, static_cast<uint16_t>(n >> 16), static_cast<uint16_t>(n), {1, 2, 3, 4, 5, 6, 7, 8}};
}

// A zeroed common record of the given object, type, class and description.
inline std::unique_ptr<VEK_COMMON_CONFIG_DATA> NewCommon(REFGUID objectID, COM_VEK_OBJECT_TYPE type,
                                                          REFCLSID clsid,
                                                          const std::u16string& description) {
    auto common = std::make_unique<VEK_COMMON_CONFIG_DATA>();
    std::memset(common.get(), 0, sizeof(*common));
    common->ObjectID = objectID;
    common->ObjectType = type;
    common->ClassID = clsid;
    WideCopy(common->UserDescription, VEK_TEXT_CHARS, description.c_str());
    return common;
}

// Creates the file of a physical printer of class clsid with its common and
// physical-printer records and the class stamped on it.
inline void MakePhysicalPrinter(REFGUID objectID, REFCLSID clsid, const PhysicalPrinterFields& fields) {
    CVekObjectConfig config;
    ASSERT_EQ(config.Create(objectID), S_OK);
    auto common = NewCommon(objectID, VEK_PHYSICAL_PRINTER_OBJECT, clsid, fields.description);
    common->NumPrinterModelsSupported = static_cast<DWORD>(fields.models.size());
    for (size_t i = 0; i < fields.models.size(); ++i)
        WideCopy(common->PrinterModelsSupported + i * VEK_MODEL_SLOT_CHARS, VEK_MODEL_SLOT_CHARS,
                 fields.models[i].c_str());
    ASSERT_EQ(config.SetVekObjectConfig(*common), S_OK);
    VEK_PHYSICAL_PRINTER_CONFIG_DATA printer;
    std::memset(&printer, 0, sizeof(printer));
    WideCopy(printer.DeviceAddress, VEK_TEXT_CHARS, fields.address.c_str());
    printer.DeviceAddressKind = fields.kind;
    ASSERT_EQ(config.SetPhysicalPrinterConfig(printer), S_OK);
    ASSERT_EQ(config.AssociateClassID(clsid), S_OK);
}

// Creates the file of a logical printer of the given model listing the
// physical printers.
inline void MakeLogicalPrinter(REFGUID objectID, const std::u16string& model,
                               const std::vector<GUID>& connected,
                               REFCLSID clsid = CLSID_VekLogicalPrinter) {
    CVekObjectConfig config;
    ASSERT_EQ(config.Create(objectID), S_OK);
    auto common = NewCommon(objectID, VEK_LOGICAL_PRINTER_OBJECT, clsid, u"Queue");
    WideCopy(common->PrinterModel, VEK_TEXT_CHARS, model.c_str());
    ASSERT_EQ(config.SetVekObjectConfig(*common), S_OK);
    for (const GUID& pp : connected) {
        VEK_LP_PP_CONNECTIONS connection;
        std::memset(&connection, 0, sizeof(connection));
        connection.PPObjectID = pp;
        ASSERT_EQ(config.AddLpPpConnection(connection), S_OK);
    }
}

// The physical printers a logical printer lists, in list order.
inline std::vector<GUID> ConnectionsOf(REFGUID lpObjectID) {
    CVekObjectConfig config;
    std::vector<GUID> ids;
    EXPECT_EQ(config.Open(lpObjectID), S_OK);
    VEK_LP_PP_CONNECTIONS* list = nullptr;
    DWORD count = 0;
    EXPECT_EQ(config.GetLpPpConnections(&list, &count), S_OK);
    for (DWORD i = 0; i < count; ++i) ids.push_back(list[i].PPObjectID);
    std::free(list);
    return ids;
}

inline std::filesystem::path ConfigFileOf(REFGUID objectID) {
    WCHAR path[MAX_PATH] = {};
    EXPECT_EQ(ComposeConfigFilePathname(objectID, path), S_OK);
    return std::filesystem::path(Utf16ToUtf8(path));
}

}  // namespace vek::test
