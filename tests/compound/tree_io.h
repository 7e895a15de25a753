// Test helpers: write a described tree of storages and streams through the
// public API, and read any compound file back into a flat listing.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/scoped_key.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace vek::test {

// One element of a planned file: a stream with bytes, or a storage.
struct Node {
    std::string name;  // UTF-8
    bool storage = false;
    std::string bytes;
    std::vector<Node> children;
    GUID clsid = GUID_NULL;
};

inline Node Stream(std::string name, std::string bytes) { return Node{std::move(name), false, std::move(bytes), {}, GUID_NULL}; }
inline Node Storage(std::string name, std::vector<Node> children, GUID clsid = GUID_NULL) {
    return Node{std::move(name), true, {}, std::move(children), clsid};
}

// Deterministic, position-dependent bytes so that misplaced sectors show.
inline std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

inline std::u16string W(const std::string& utf8) { return Utf8ToUtf16(utf8); }

inline HRESULT WriteChildren(IStorage* storage, const std::vector<Node>& children) {
    for (const Node& node : children) {
        const std::u16string name = W(node.name);
        if (node.storage) {
            IStorage* sub = nullptr;
            HRESULT hr = storage->CreateStorage(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &sub);
            if (FAILED(hr)) return hr;
            if (!(node.clsid == GUID_NULL)) sub->SetClass(node.clsid);
            hr = WriteChildren(sub, node.children);
            sub->Release();
            if (FAILED(hr)) return hr;
        } else {
            IStream* stream = nullptr;
            HRESULT hr = storage->CreateStream(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE,
                                               0, 0, &stream);
            if (FAILED(hr)) return hr;
            ULONG written = 0;
            hr = stream->Write(node.bytes.data(), static_cast<ULONG>(node.bytes.size()), &written);
            stream->Release();
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

// Opens path in mode, read-write unless told otherwise.
inline HRESULT OpenFile(const std::string& path, IStorage** root, DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE) {
    return StgOpenStorage(W(path).c_str(), nullptr, mode, nullptr, 0, root);
}

// Creates path with the given root class and children.
inline HRESULT WriteTree(const std::string& path, const std::vector<Node>& children, GUID rootClsid = GUID_NULL) {
    IStorage* root = nullptr;
    HRESULT hr = StgCreateDocfile(W(path).c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &root);
    if (FAILED(hr)) return hr;
    if (!(rootClsid == GUID_NULL)) root->SetClass(rootClsid);
    hr = WriteChildren(root, children);
    root->Release();
    return hr;
}

// A flat listing: "path/" for storages (with their class when not null),
// "path" => bytes for streams.
using Listing = std::map<std::string, std::string>;

// A class ID as text, "" for the null class.
inline std::string ClassText(const GUID& guid) {
    return guid == GUID_NULL ? "" : Utf16ToUtf8(GuidText(guid));
}

// The bytes of the stream name of storage.
inline HRESULT ReadStream(IStorage* storage, const WCHAR* name, std::string* bytes) {
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    STATSTG stat;
    stream->Stat(&stat, STATFLAG_NONAME);
    bytes->assign(stat.cbSize.QuadPart, '\0');
    ULONG read = 0;
    hr = stream->Read(bytes->data(), static_cast<ULONG>(bytes->size()), &read);
    stream->Release();
    return FAILED(hr) ? hr : read == bytes->size() ? S_OK : STG_E_READFAULT;
}

// The bytes of one stream of storage; empty when it cannot be read.
inline std::string ReadOne(IStorage* storage, const std::string& name) {
    std::string bytes;
    return ReadStream(storage, W(name).c_str(), &bytes) == S_OK ? bytes : std::string();
}

inline HRESULT ReadStorage(IStorage* storage, const std::string& prefix, Listing* listing) {
    IEnumSTATSTG* elements = nullptr;
    HRESULT hr = storage->EnumElements(0, nullptr, 0, &elements);
    if (FAILED(hr)) return hr;
    STATSTG stat;
    while ((hr = elements->Next(1, &stat, nullptr)) == S_OK) {
        const std::string path = prefix + Utf16ToUtf8(stat.pwcsName);
        if (stat.type == STGTY_STORAGE) {
            IStorage* sub = nullptr;
            hr = storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub);
            if (SUCCEEDED(hr)) {
                STATSTG own;
                sub->Stat(&own, STATFLAG_NONAME);
                (*listing)[path + "/"] = ClassText(own.clsid);
                hr = ReadStorage(sub, path + "/", listing);
                sub->Release();
            }
        } else {
            hr = ReadStream(storage, stat.pwcsName, &(*listing)[path]);
        }
        CoTaskMemFree(stat.pwcsName);
        if (FAILED(hr)) break;
    }
    elements->Release();
    return hr == S_FALSE ? S_OK : hr;
}

// Reads the whole file; the root's class goes under the key "/".
inline HRESULT ReadTree(const std::string& path, Listing* listing) {
    listing->clear();
    IStorage* root = nullptr;
    HRESULT hr = OpenFile(path, &root, STGM_READ | STGM_SHARE_EXCLUSIVE);
    if (FAILED(hr)) return hr;
    STATSTG stat;
    root->Stat(&stat, STATFLAG_NONAME);
    (*listing)["/"] = ClassText(stat.clsid);
    hr = ReadStorage(root, "", listing);
    root->Release();
    return hr;
}

// The whole file as a listing; fails the test when it cannot be read.
inline Listing TreeOf(const std::string& path) {
    Listing listing;
    EXPECT_EQ(ReadTree(path, &listing), S_OK) << path;
    return listing;
}

// The listing a planned tree should read back as.
inline void Expect(const std::vector<Node>& children, const std::string& prefix, Listing* listing) {
    for (const Node& node : children) {
        if (!node.storage) {
            (*listing)[prefix + node.name] = node.bytes;
            continue;
        }
        (*listing)[prefix + node.name + "/"] = ClassText(node.clsid);
        Expect(node.children, prefix + node.name + "/", listing);
    }
}

inline Listing Expected(const std::vector<Node>& children, GUID rootClsid = GUID_NULL) {
    Listing listing{{"/", ClassText(rootClsid)}};
    Expect(children, "", &listing);
    return listing;
}

// Opens path for reading and writing, writes the changes and lets it go.
inline HRESULT ChangeTree(const std::string& path, const std::vector<Node>& changes) {
    IStorage* root = nullptr;
    HRESULT hr = OpenFile(path, &root);
    if (FAILED(hr)) return hr;
    hr = WriteChildren(root, changes);
    root->Release();
    return hr;
}

}  // namespace vek::test
