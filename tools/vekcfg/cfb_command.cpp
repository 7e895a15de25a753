// vekcfg cfb: look into any compound file: its tree, one stream's bytes, or a
// check that every stream reads.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "json_text.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

struct Element {
    std::string path;  // UTF-8, "/"-separated
    DWORD type;
    uint64_t size;
    CLSID clsid;
};

std::string ClassText(const CLSID& clsid) {
    return clsid == GUID_NULL ? std::string() : GuidString(clsid);
}

// Control characters (as in "\x05SummaryInformation") shown as escapes.
std::string Printable(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

class StorageWalk {
public:
    // Visits every element below storage, depth first, in sibling order. The
    // visitor gets the containing storage, to open streams from.
    using Visitor = std::function<HRESULT(IStorage* parent, const WCHAR* name, const Element& element)>;

    static HRESULT Walk(IStorage* storage, const std::string& prefix, const Visitor& visit, int depth = 0) {
        // Deeper nesting than any real file has is shown as damage rather
        // than followed until the stack runs out.
        constexpr int kMaxDepth = 1000;
        if (depth > kMaxDepth) return STG_E_DOCFILECORRUPT;
        IEnumSTATSTG* elements = nullptr;
        HRESULT hr = storage->EnumElements(0, nullptr, 0, &elements);
        if (FAILED(hr)) return hr;
        STATSTG stat;
        while (SUCCEEDED(hr) && (hr = elements->Next(1, &stat, nullptr)) == S_OK) {
            Element element{prefix + vek::Utf16ToUtf8(stat.pwcsName), stat.type, stat.cbSize.QuadPart, GUID_NULL};
            if (stat.type == STGTY_STORAGE) {
                IStorage* sub = nullptr;
                hr = storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub);
                if (SUCCEEDED(hr)) {
                    STATSTG own;
                    if (SUCCEEDED(sub->Stat(&own, STATFLAG_NONAME))) element.clsid = own.clsid;
                    hr = visit(storage, stat.pwcsName, element);
                    if (SUCCEEDED(hr)) hr = Walk(sub, element.path + "/", visit, depth + 1);
                    sub->Release();
                }
            } else {
                hr = visit(storage, stat.pwcsName, element);
            }
            if (FAILED(hr)) Fail("cfb", Printable(element.path) + ": " + StorageStatusText(hr));
            CoTaskMemFree(stat.pwcsName);
        }
        elements->Release();
        return hr == S_FALSE ? S_OK : hr;
    }
};

HRESULT OpenFile(const std::string& file, IStorage** root) {
    HRESULT hr = StgOpenStorage(vek::Utf8ToUtf16(file).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                root);
    if (FAILED(hr)) Fail("cfb", "cannot open " + file + ": " + StorageStatusText(hr));
    return hr;
}

// Reads a whole stream, handing the bytes out in pieces.
HRESULT ReadStream(IStorage* parent, const WCHAR* name, const std::function<void(const char*, ULONG)>& sink) {
    IStream* stream = nullptr;
    HRESULT hr = parent->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    static std::vector<char> buffer(1 << 16);
    ULONG read = 0;
    while (SUCCEEDED(hr = stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read)) && read > 0)
        sink(buffer.data(), read);
    stream->Release();
    return hr;
}

int List(const std::string& file, bool json) {
    IStorage* root = nullptr;
    if (FAILED(OpenFile(file, &root))) return 1;
    STATSTG stat;
    root->Stat(&stat, STATFLAG_NONAME);
    std::vector<Element> elements;
    HRESULT hr = StorageWalk::Walk(root, "", [&](IStorage*, const WCHAR*, const Element& element) {
        elements.push_back(element);
        return S_OK;
    });
    root->Release();
    if (json) {
        std::printf("{\"file\": %s, \"clsid\": \"%s\", \"elements\": [", JsonString(file).c_str(),
                    ClassText(stat.clsid).c_str());
        for (size_t i = 0; i < elements.size(); ++i) {
            const Element& e = elements[i];
            std::printf("%s\n  {\"path\": %s, \"type\": \"%s\", ", i ? "," : "", JsonString(e.path).c_str(),
                        e.type == STGTY_STORAGE ? "storage" : "stream");
            if (e.type == STGTY_STORAGE)
                std::printf("\"clsid\": \"%s\"}", ClassText(e.clsid).c_str());
            else
                std::printf("\"size\": %llu}", static_cast<unsigned long long>(e.size));
        }
        std::printf("%s]}\n", elements.empty() ? "" : "\n");
    } else {
        auto storageLine = [](const std::string& path, const CLSID& clsid) {
            const std::string text = ClassText(clsid);
            std::printf("%-8s %12s  %s%s%s\n", "storage", "", path.c_str(), text.empty() ? "" : "  ", text.c_str());
        };
        storageLine("/", stat.clsid);
        for (const Element& e : elements) {
            if (e.type == STGTY_STORAGE)
                storageLine(Printable(e.path) + "/", e.clsid);
            else
                std::printf("%-8s %12llu  %s\n", "stream", static_cast<unsigned long long>(e.size),
                            Printable(e.path).c_str());
        }
    }
    return FAILED(hr) ? 1 : 0;
}

int Cat(const std::string& file, const std::string& path) {
    IStorage* root = nullptr;
    if (FAILED(OpenFile(file, &root))) return 1;
    // Walk down the storages named by the path; the last part is the stream.
    std::vector<IStorage*> held = {root};
    std::string rest = path;
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    HRESULT hr = S_OK;
    size_t slash;
    while (SUCCEEDED(hr) && (slash = rest.find('/')) != std::string::npos) {
        IStorage* sub = nullptr;
        hr = held.back()->OpenStorage(vek::Utf8ToUtf16(rest.substr(0, slash)).c_str(), nullptr,
                                      STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub);
        if (SUCCEEDED(hr)) held.push_back(sub);
        rest.erase(0, slash + 1);
    }
    if (SUCCEEDED(hr))
        hr = ReadStream(held.back(), vek::Utf8ToUtf16(rest).c_str(),
                        [](const char* bytes, ULONG count) { std::fwrite(bytes, 1, count, stdout); });
    for (auto it = held.rbegin(); it != held.rend(); ++it) (*it)->Release();
    if (FAILED(hr)) Fail("cfb", path + ": " + StorageStatusText(hr));
    return FAILED(hr) ? 1 : 0;
}

int Check(const std::string& file) {
    IStorage* root = nullptr;
    if (FAILED(OpenFile(file, &root))) return 1;
    uint64_t storages = 0, streams = 0, bytes = 0;
    HRESULT hr = StorageWalk::Walk(root, "", [&](IStorage* parent, const WCHAR* name, const Element& element) {
        if (element.type == STGTY_STORAGE) {
            ++storages;
            return S_OK;
        }
        ++streams;
        uint64_t read = 0;
        HRESULT status = ReadStream(parent, name, [&](const char*, ULONG count) { read += count; });
        if (SUCCEEDED(status) && read != element.size) status = STG_E_READFAULT;
        bytes += read;
        return status;
    });
    root->Release();
    std::printf("%llu storages, %llu streams, %llu bytes: %s\n", static_cast<unsigned long long>(storages),
                static_cast<unsigned long long>(streams), static_cast<unsigned long long>(bytes),
                FAILED(hr) ? "damaged" : "ok");
    return FAILED(hr) ? 1 : 0;
}

}  // namespace

int RunCfb(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json")
            json = true;
        else
            words.push_back(arg);
    }
    if (words.size() == 2 && words[0] == "ls") return List(words[1], json);
    if (words.size() == 3 && words[0] == "cat") return Cat(words[1], words[2]);
    if (words.size() == 2 && words[0] == "check") return Check(words[1]);
    return Usage("cfb", "expected ls FILE, cat FILE PATH or check FILE");
}

}  // namespace vekcfg
