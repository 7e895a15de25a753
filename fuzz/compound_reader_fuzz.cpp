// Feeds arbitrary bytes to the compound-file reader as a file, walks the
// whole tree reading every stream, then changes the file and reads it again.
// Every outcome must be a status: no crash, hang or runaway allocation.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace {

void Walk(IStorage* storage, int depth) {
    IEnumSTATSTG* elements = nullptr;
    if (depth > 64 || FAILED(storage->EnumElements(0, nullptr, 0, &elements))) return;
    STATSTG stat;
    std::vector<char> buffer(4096);
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        if (stat.type == STGTY_STORAGE) {
            IStorage* sub = nullptr;
            if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub))) {
                Walk(sub, depth + 1);
                sub->Release();
            }
        } else {
            IStream* stream = nullptr;
            if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
                ULONG read = 0;
                while (SUCCEEDED(stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read)) && read > 0) {
                }
                stream->Release();
            }
        }
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
}

bool ReadAll(const std::u16string& path) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return false;
    Walk(root, 0);
    root->Release();
    return true;
}

void Change(const std::u16string& path) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) return;
    IEnumSTATSTG* elements = nullptr;
    STATSTG stat;
    if (SUCCEEDED(root->EnumElements(0, nullptr, 0, &elements))) {
        if (elements->Next(1, &stat, nullptr) == S_OK) {
            root->DestroyElement(stat.pwcsName);
            CoTaskMemFree(stat.pwcsName);
        }
        elements->Release();
    }
    IStream* stream = nullptr;
    if (SUCCEEDED(root->CreateStream(u"fuzz", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, &stream))) {
        const std::string bytes(5000, 'z');
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        stream->Release();
    }
    root->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Memory-backed when possible: the changes are flushed to disk each time.
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/compound_reader_fuzz." + std::to_string(getpid()) + ".cfb";
    static const struct Remover {
        ~Remover() { unlink(path.c_str()); }
    } remover;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const std::u16string wide = vek::Utf8ToUtf16(path);
    if (ReadAll(wide)) {
        Change(wide);
        ReadAll(wide);
    }
    return 0;
}
