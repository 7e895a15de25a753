// Object configuration streams from outside: the input is cut into streams
// (one byte choosing the name, two bytes of length, then the bytes), written
// into a real compound file, opened with CVekObjectConfig and read through
// every getter and the list edits. Nothing may crash, overrun or leak.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace {

const WCHAR* const kNames[] = {
    VEK_COMMON_STREAM,          VEK_PHYSICAL_PRINTER_STREAM, VEK_LOGICAL_PRINTER_STREAM,
    VEK_PF_LOGICAL_PRINTER_STREAM, VEK_LOGICAL_PRINTER_5300_STREAM, VEK_MEDIA_STREAM,
    VEK_JOB_ATTRIBUTES_STREAM,  VEK_PAGE_ATTRIBUTES_STREAM,  VEK_IMAGE_ATTRIBUTES_STREAM,
    VEK_CONNECTIONS_STREAM,     u"OTHER_STREAM",
};

const std::u16string& FilePath() {
    static const std::u16string path = [] {
        std::string dir = "/tmp/vekfuzz-XXXXXX";
        if (mkdtemp(dir.data()) == nullptr) std::abort();
        setenv("VEK_HOME", dir.c_str(), 1);
        return vek::Utf8ToUtf16(dir + "/object.cfg");
    }();
    return path;
}

void WriteFile(const uint8_t* data, size_t size) {
    IStorage* storage = nullptr;
    if (StgCreateDocfile(FilePath().c_str(), 0x1012, 0, &storage) != S_OK) std::abort();
    while (size >= 3) {
        const WCHAR* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
        size_t length = data[1] | (size_t{data[2]} << 8);
        // Lengths scale up so that multi-entry lists appear.
        if (data[0] & 0x80) length *= 8;
        data += 3;
        size -= 3;
        const size_t take = length < size ? length : size;
        IStream* stream = nullptr;
        if (storage->CreateStream(name, 0x1012, 0, 0, &stream) == S_OK) {
            // Repeat the bytes to reach the length asked for.
            for (size_t done = 0; done < length && take != 0; done += take)
                stream->Write(data, static_cast<ULONG>(length - done < take ? length - done : take), nullptr);
            stream->Release();
        }
        data += take;
        size -= take;
    }
    storage->Release();
}

void ReadEverything(CVekObjectConfig& config) {
    DWORD a = 0, b = 0;
    BOOL flag = 0;
    FLOAT f1 = 0, f2 = 0;
    VEK_OVERSPRAY_TYPE overspray{};
    WCHAR* text = nullptr;
    WCHAR model[512];
    config.GetDebugLevel(&a, &b);
    config.GetEventLoggingLevel(&a, &b);
    config.GetBufferSizes(&a, &b);
    config.GetPageLimit(&a, &b);
    config.GetSpoolingOn(&flag);
    config.GetPageOversprayDimensions(&f1, &f2, &overspray);
    config.GetRegionOfInterestExtents(&f1, &f2);
    config.GetPrinterModel(model);
    for (auto getter : {&CVekObjectConfig::GetUserDescription, &CVekObjectConfig::GetLocation,
                        &CVekObjectConfig::GetDefaultColorProfile}) {
        if ((config.*getter)(&text) == S_OK) SysFreeString(text);
    }
    VEK_DEVICE_ADDRESS kind{};
    if (config.GetDeviceAddress(&text, &kind) == S_OK) SysFreeString(text);
    FLOATARRAY floats{};
    if (config.GetHorzResolutions(&floats) == S_OK) CoTaskMemFree(floats.Entries);
    if (config.GetVertResolutions(&floats) == S_OK) CoTaskMemFree(floats.Entries);
    QMXFormatArray formats{};
    if (config.GetSupportedFormats(&formats) == S_OK) CoTaskMemFree(formats.Entries);
    COM_UNITOFMEASUREARRAY units{};
    if (config.GetImageUnits(&units) == S_OK) CoTaskMemFree(units.Entries);
    PRINTER_CAPABILTY_ARRAY capabilities{};
    if (config.GetCapabilities(&capabilities) == S_OK) CoTaskMemFree(capabilities.Entries);
    PRINTER_MODEL_ARRAY models{};
    if (config.GetPrinterModelsSupported(&models) == S_OK) CoTaskMemFree(models.Entries);
    VEK_LP_PP_CONNECTIONS* connections = nullptr;
    DWORD count = 0;
    if (config.GetLpPpConnections(&connections, &count) == S_OK) {
        if (count != 0) config.DeleteLpPpConnection(connections[0].PPObjectID);
        std::free(connections);
    }
    CONFIG_PRINTER_MEDIA_DATA* media = nullptr;
    if (config.GetAllVekSpecificMedia(count, &media) == S_OK) {
        if (count != 0) config.DeleteVekSpecificMedia(media[count - 1].MediaID);
        CoTaskMemFree(media);
    }
    config.SetCurrentHorzResolution(300.0f);
    config.SetLocation(u"fuzz");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFile(data, size);
    CVekObjectConfig config;
    if (config.Open(FilePath().c_str()) == S_OK) {
        ReadEverything(config);
        CVekObjectConfig copy(config);
        ReadEverything(copy);
    }
    return 0;
}
